#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvek {

// The 27 internal parameters in the order of the parameter file (lines 2 to 28).
enum ParameterIndex {
    kSomR = 0,
    kSomS = 1,
    // R and S of substrate type t (1..6) are at kSomR + 2t and kSomS + 2t.
    kSomCN = 14,
    kMicrobialCNMax = 15,
    kMicrobialCNMin = 16,
    kDAMin = 17,
    kDAMax = 18,
    kReferenceT = 19,
    kQ10 = 20,
    kSoilMinusAirT = 21,
    kTmaxCutoff = 22,
    kLoamR = 23,
    kLoamS = 24,
    kClayR = 25,
    kClayS = 26,
    kParameterCount = 27
};

inline int substrateRIndex(int type) {
    return kSomR + 2 * type;
}
inline int substrateSIndex(int type) {
    return kSomS + 2 * type;
}

using ParameterSet = std::array<double, kParameterCount>;

inline constexpr const char* kParameterFileName = "Parameter.Orvek";
inline constexpr const char* kDefaultParameterFileName = "Parameter, default.orvek";
inline constexpr const char* kOldParameterFileName = "Parameter, old.Orvek";
inline constexpr const char* kParameterHeading = "Internal parameters";

// What the parameter is, for messages ("S of cereal crop residues").
std::string parameterName(int index);

// The parameter's short name for scripts and run tables ("som_r", "residue_s", "q10"); the same
// names serve ensemble files, the Python package and the README's table.
inline constexpr const char* kParameterShortNames[kParameterCount] = {"som_r",
                                                                      "som_s",
                                                                      "cereal_residue_r",
                                                                      "cereal_residue_s",
                                                                      "cereal_root_r",
                                                                      "cereal_root_s",
                                                                      "legume_residue_r",
                                                                      "legume_residue_s",
                                                                      "legume_root_r",
                                                                      "legume_root_s",
                                                                      "green_manure_r",
                                                                      "green_manure_s",
                                                                      "animal_manure_r",
                                                                      "animal_manure_s",
                                                                      "som_cn",
                                                                      "microbial_cn_max",
                                                                      "microbial_cn_min",
                                                                      "da_min",
                                                                      "da_max",
                                                                      "reference_t",
                                                                      "q10",
                                                                      "soil_minus_air_t",
                                                                      "tmax_cutoff",
                                                                      "loam_r_percent",
                                                                      "loam_s_percent",
                                                                      "clay_r_percent",
                                                                      "clay_s_percent"};

// The index of a short name, or -1.
int parameterIndexOf(std::string_view shortName);

// One parameter line: the number as written and the rest of the line (a TAB and a label).
struct ParameterLine {
    std::string numberText;
    std::string rest;
    double value = 0;
};

// Splits a line into its leading number and the rest. The number is an optional sign, digits
// with an optional "." fraction and an optional exponent, followed by the end of the line, a
// blank or a TAB. Returns false when the line does not start with such a number.
bool parseParameterLine(const std::string& line, ParameterLine& out);

// Reads lines 2 to 28; a missing file, a missing line or a line that does not start with a
// number raises OrvekError naming the file and the line.
std::vector<ParameterLine> readParameterLines(const std::string& path);

// Why a value cannot be used by the model, or nothing when it can. The check of one value may
// depend on another (the maximum D:A ratio must exceed the minimum).
std::optional<std::string> parameterProblem(const ParameterSet& set, int index);

// readParameterLines followed by the model's needs; the message names the file and line.
ParameterSet readParameterFile(const std::string& path);

} // namespace orvek
