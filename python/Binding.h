#pragma once

// What the parts of the Python module share: the objects it hands out and their conversions.

#include "model/Parameters.h"
#include "run/RunPipeline.h"
#include "run/StartUp.h"

#include <pybind11/pybind11.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace orvek::python {

namespace py = pybind11;

// A check of the inputs that failed, with the message the window shows.
class CheckFailedError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The bundled data files, set once when the package is imported.
const std::string& dataFolder();
void setDataFolder(const std::string& folder);

// A setting file on the input page of a session started from the bundled files.
struct Settings {
    Session session;
};
Settings defaultSettings(char decimalSeparator);

// The 27 values as written in a parameter file, with the labels of their lines.
struct Parameters {
    std::vector<ParameterLine> lines;
    ParameterSet values{};
};
Parameters readParameters(const std::string& path);

// A finished run: the five result files in memory and the unrounded daily values.
struct Result {
    ResultTexts texts;
    DailySeries series;
    LastRun last;
    double simulationSeconds = 0;
    py::object daily;   // built on first use
    py::object monthly; // built on first use
};

// Runs in a private start folder that is removed afterwards; raises CheckFailedError or
// OrvekError. Needs no interpreter lock.
void runInPrivateFolder(const PageState& page, char decimalSeparator, const Parameters* parameters,
                        const std::string& startFolder, Result& result);

py::object dateObject(DateSerial date);
DateSerial dateFrom(py::handle value);

void bindSettings(py::module_& m);
void bindResult(py::module_& m);

} // namespace orvek::python
