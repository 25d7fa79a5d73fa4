#include "model/Parameters.h"

#include "basics/Errors.h"
#include "basics/Files.h"
#include "basics/Text.h"

#include <charconv>
#include <cmath>

namespace orvek {

namespace {

const char* const kSubstrateNames[6] = {"cereal crop residues", "cereal crop roots",
                                        "legume residues",      "legume roots",
                                        "green manures",        "animal manures"};

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

std::string parameterName(int index) {
    if (index < 14) {
        const std::string which =
            index < 2 ? "soil organic matter" : kSubstrateNames[(index - 2) / 2];
        return std::string(index % 2 == 0 ? "R" : "S") + " of " + which;
    }
    static const char* const names[] = {"C:N ratio of soil organic matter",
                                        "maximum microbial C:N ratio",
                                        "minimum microbial C:N ratio",
                                        "minimum D:A ratio",
                                        "maximum D:A ratio",
                                        "reference temperature of the Q10 coefficient",
                                        "Q10 coefficient",
                                        "soil minus air temperature",
                                        "T-max cutoff",
                                        "loam effect on R",
                                        "loam effect on S",
                                        "clay effect on R",
                                        "clay effect on S"};
    return index < kParameterCount ? names[index - 14] : "parameter";
}

int parameterIndexOf(std::string_view shortName) {
    for (int k = 0; k < kParameterCount; ++k) {
        if (shortName == kParameterShortNames[k]) {
            return k;
        }
    }
    return -1;
}

bool parseParameterLine(const std::string& line, ParameterLine& out) {
    size_t i = 0;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) {
        ++i;
    }
    const size_t start = i;
    if (i < line.size() && (line[i] == '+' || line[i] == '-')) {
        ++i;
    }
    const size_t intStart = i;
    while (i < line.size() && isDigit(line[i])) {
        ++i;
    }
    if (i == intStart) {
        return false;
    }
    if (i < line.size() && line[i] == '.') {
        ++i;
        while (i < line.size() && isDigit(line[i])) {
            ++i;
        }
    }
    if (i < line.size() && (line[i] == 'e' || line[i] == 'E')) {
        size_t j = i + 1;
        if (j < line.size() && (line[j] == '+' || line[j] == '-')) {
            ++j;
        }
        const size_t expStart = j;
        while (j < line.size() && isDigit(line[j])) {
            ++j;
        }
        if (j == expStart) {
            return false;
        }
        i = j;
    }
    if (i < line.size() && line[i] != ' ' && line[i] != '\t') {
        return false;
    }
    double value = 0;
    const char* first = line.data() + start + (line[start] == '+' ? 1 : 0);
    const auto res = std::from_chars(first, line.data() + i, value);
    if (res.ec != std::errc() || !std::isfinite(value)) {
        return false;
    }
    out.numberText = line.substr(start, i - start);
    out.rest = line.substr(i);
    out.value = value;
    return true;
}

std::vector<ParameterLine> readParameterLines(const std::string& path) {
    const std::vector<std::string> lines = splitLines(readTextFile(path, size_t{1} << 20));
    std::vector<ParameterLine> result;
    result.reserve(kParameterCount);
    for (int k = 0; k < kParameterCount; ++k) {
        const size_t lineIndex = static_cast<size_t>(k) + 1;
        if (lineIndex >= lines.size()) {
            throw OrvekError(
                atLine(path, k + 2, "the line of the " + parameterName(k) + " is missing"));
        }
        ParameterLine p;
        if (!parseParameterLine(lines[lineIndex], p)) {
            throw OrvekError(atLine(path, k + 2, "the line does not start with a number"));
        }
        result.push_back(std::move(p));
    }
    return result;
}

std::optional<std::string> parameterProblem(const ParameterSet& set, int index) {
    const double v = set[static_cast<size_t>(index)];
    if (!std::isfinite(v)) {
        return "is not a finite number";
    }
    if (index < 14) {
        if (index % 2 == 0) {
            return v < 0 ? std::optional<std::string>("must not be negative") : std::nullopt;
        }
        return v >= 1 ? std::optional<std::string>("must be less than 1") : std::nullopt;
    }
    switch (index) {
    case kSomCN:
    case kMicrobialCNMax:
    case kMicrobialCNMin:
    case kDAMin:
    case kReferenceT:
    case kQ10:
        if (v <= 0) {
            return "must be greater than 0";
        }
        return std::nullopt;
    case kDAMax:
        if (v <= 0) {
            return "must be greater than 0";
        }
        if (v <= set[kDAMin]) {
            return "must be greater than the minimum D:A ratio";
        }
        return std::nullopt;
    case kLoamR:
    case kLoamS:
    case kClayR:
    case kClayS:
        return v < 0 ? std::optional<std::string>("must not be negative") : std::nullopt;
    default:
        return std::nullopt;
    }
}

ParameterSet readParameterFile(const std::string& path) {
    const std::vector<ParameterLine> lines = readParameterLines(path);
    ParameterSet set{};
    for (int k = 0; k < kParameterCount; ++k) {
        set[static_cast<size_t>(k)] = lines[static_cast<size_t>(k)].value;
    }
    for (int k = 0; k < kParameterCount; ++k) {
        if (auto problem = parameterProblem(set, k)) {
            throw OrvekError(atLine(path, k + 2, "the " + parameterName(k) + " " + *problem + "."));
        }
    }
    return set;
}

} // namespace orvek
