#pragma once

#include "model/Parameters.h"

#include <array>
#include <optional>
#include <string>

namespace orvek {

using ParameterTexts = std::array<std::string, kParameterCount>;

// A parameter as the dialog shows it: rounded to `precision` significant digits and written
// with `decimals` decimals (zeros added), "." as separator, half away from zero. A value whose
// integer part has more than `precision` digits is written in exponent form (1.2346E+05).
std::string formatParameterValue(double value, int precision, int decimals);

struct ParameterTextProblem {
    int index = 0; // in file order
    std::string message;
};

// The first text, in file order, that the parameter file reader would not take as a whole
// number, or whose value the model cannot use; nothing when all 27 can be saved.
std::optional<ParameterTextProblem> checkParameterTexts(const ParameterTexts& texts);

// Saves the texts as the new "Parameter.Orvek" in startFolder, each followed by the rest of
// its line in the current file (the label), and keeps the current file as the only backup
// "Parameter, old.Orvek"; both end up read-only. The new file is complete under a temporary
// name before the old ones are rotated, so a failure leaves "Parameter.Orvek" as it was.
// Raises OrvekError (also for texts refused by checkParameterTexts, before touching anything).
void saveParameterFile(const std::string& startFolder, const ParameterTexts& texts);

} // namespace orvek
