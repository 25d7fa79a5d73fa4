#include "formats/ParameterSave.h"

#include "basics/Errors.h"
#include "basics/FileCommit.h"
#include "basics/Files.h"
#include "basics/Text.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace orvek {

namespace {

// A decimal number as a digit string d0 d1 d2 ... with d0 standing at 10^exponent.
struct Digits {
    std::string digits;
    int exponent = 0;
};

// The 17 significant digits of a positive finite value, enough to tell every double apart.
Digits significantDigits(double value) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.16e", value);
    Digits d;
    d.digits += buf[0];
    d.digits.append(buf + 2, 16);
    d.exponent = std::atoi(buf + 19);
    return d;
}

// Keeps the digits down to the weight 10^-decimals and rounds half away from zero; the result
// may gain a leading digit (9.99 -> 10.0) or become empty (zero).
Digits roundAtDecimals(const Digits& in, int decimals) {
    const int keep = in.exponent + decimals + 1; // digits left of the cut
    Digits out = in;
    if (keep >= static_cast<int>(in.digits.size())) {
        return out;
    }
    if (keep < 0 || (keep == 0 && in.digits[0] < '5')) {
        return Digits{};
    }
    if (keep == 0) {
        return Digits{"1", -decimals};
    }
    out.digits.resize(static_cast<size_t>(keep));
    if (in.digits[static_cast<size_t>(keep)] >= '5') {
        int i = keep - 1;
        while (i >= 0 && out.digits[static_cast<size_t>(i)] == '9') {
            out.digits[static_cast<size_t>(i)] = '0';
            --i;
        }
        if (i < 0) {
            out.digits.insert(out.digits.begin(), '1');
            ++out.exponent;
        } else {
            ++out.digits[static_cast<size_t>(i)];
        }
    }
    return out;
}

char digitAt(const Digits& d, int weight) {
    const int i = d.exponent - weight;
    return i >= 0 && i < static_cast<int>(d.digits.size()) ? d.digits[static_cast<size_t>(i)] : '0';
}

std::string fixedText(const Digits& d, int decimals) {
    std::string s;
    for (int w = std::max(d.exponent, 0); w >= 0; --w) {
        s += d.digits.empty() ? '0' : digitAt(d, w);
    }
    if (decimals > 0) {
        s += '.';
        for (int w = -1; w >= -decimals; --w) {
            s += d.digits.empty() ? '0' : digitAt(d, w);
        }
    }
    return s;
}

std::string exponentText(const Digits& d, int precision) {
    std::string s(1, d.digits[0]);
    if (precision > 1) {
        s += '.';
        for (int i = 1; i < precision; ++i) {
            s += i < static_cast<int>(d.digits.size()) ? d.digits[static_cast<size_t>(i)] : '0';
        }
    }
    char exp[16];
    std::snprintf(exp, sizeof exp, "E%c%02d", d.exponent < 0 ? '-' : '+', std::abs(d.exponent));
    return s + exp;
}

std::string problemMessage(int index, const std::string& problem) {
    return "The " + parameterName(index) + " " + problem + ".";
}

void makeReadOnly(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        ::chmod(path.c_str(), st.st_mode & 07555);
    }
}

// Messages name the files the user knows, never the temporary one.
void renameOrThrow(const std::string& from, const std::string& to, const std::string& shownFrom) {
    if (std::rename(from.c_str(), to.c_str()) != 0) {
        throw OrvekError("Cannot rename file \"" + shownFrom + "\" to \"" + to + "\". " +
                         std::strerror(errno));
    }
}

} // namespace

std::string formatParameterValue(double value, int precision, int decimals) {
    precision = std::max(precision, 1);
    decimals = std::max(decimals, 0);
    if (!std::isfinite(value)) {
        return std::isnan(value) ? "NAN" : (value < 0 ? "-INF" : "INF");
    }
    const bool negative = value < 0;
    const Digits all = value == 0 ? Digits{} : significantDigits(std::fabs(value));
    if (all.digits.empty()) {
        return fixedText(all, decimals);
    }
    // Round to the significant digits first: that fixes how many integer digits there are.
    const Digits significant = roundAtDecimals(all, precision - 1 - all.exponent);
    if (significant.exponent + 1 > precision) {
        return (negative ? "-" : "") + exponentText(significant, precision);
    }
    const int kept = std::min(decimals, precision - 1 - significant.exponent);
    const Digits rounded = roundAtDecimals(all, kept);
    std::string text = fixedText(rounded, decimals);
    if (negative && text.find_first_not_of("0.") != std::string::npos) {
        text.insert(text.begin(), '-');
    }
    return text;
}

std::optional<ParameterTextProblem> checkParameterTexts(const ParameterTexts& texts) {
    ParameterSet set{};
    for (int k = 0; k < kParameterCount; ++k) {
        const std::string text(trimBlanks(texts[static_cast<size_t>(k)]));
        ParameterLine line;
        if (!parseParameterLine(text, line) || line.numberText.size() != text.size()) {
            return ParameterTextProblem{k, "'" + texts[static_cast<size_t>(k)] +
                                               "' is not a valid number for the " +
                                               parameterName(k) + "."};
        }
        set[static_cast<size_t>(k)] = line.value;
    }
    for (int k = 0; k < kParameterCount; ++k) {
        if (auto problem = parameterProblem(set, k)) {
            return ParameterTextProblem{k, problemMessage(k, *problem)};
        }
    }
    // A texture effect on S multiplies the S of every added substrate on that soil; one that
    // lifts any of them to 1 or more would end every run on that soil.
    for (const int texture : {kLoamS, kClayS}) {
        for (int type = 1; type <= 6; ++type) {
            const double adjusted = set[static_cast<size_t>(substrateSIndex(type))] *
                                    (set[static_cast<size_t>(texture)] / 100);
            if (adjusted >= 1) {
                return ParameterTextProblem{
                    texture, "The " + parameterName(texture) + " of " +
                                 formatGeneral(set[static_cast<size_t>(texture)]) +
                                 " % makes the " + parameterName(substrateSIndex(type)) + " " +
                                 formatGeneral(adjusted) + " on " +
                                 (texture == kLoamS ? "loam" : "clay") +
                                 " soil; the model needs it below 1."};
            }
        }
    }
    return std::nullopt;
}

void saveParameterFile(const std::string& startFolder, const ParameterTexts& texts) {
    if (auto problem = checkParameterTexts(texts)) {
        throw OrvekError(problem->message);
    }
    const std::string folder = withTrailingSeparator(startFolder);
    const std::string target = folder + kParameterFileName;
    const std::string backup = folder + kOldParameterFileName;
    const std::string current = resolveFileName(target);
    const std::vector<ParameterLine> lines = readParameterLines(current);

    std::string content = std::string(kParameterHeading) + "\r\n";
    for (int k = 0; k < kParameterCount; ++k) {
        content += texts[static_cast<size_t>(k)];
        content += lines[static_cast<size_t>(k)].rest;
        content += "\r\n";
    }
    // The dialog's own save is the one writer that replaces a read-only file: it made these
    // files read-only itself and rotates them by renaming, as the backup rule requires.
    sweepTemporaries(folder, SweepScope::BesideSave);
    const std::string temp = temporaryNameFor(target);
    writeNewFile(temp, content, target);

    // A backup spelled in other letter cases would be a second backup: it goes too.
    const std::string otherBackup = resolveFileName(backup);
    // The backup is made as a second name of the current file, so "Parameter.Orvek" exists at
    // every moment, even when the program is killed between the steps.
    const std::string backupTemp = temporaryNameFor(backup);
    const bool linked = ::link(current.c_str(), backupTemp.c_str()) == 0;
    try {
        if (linked) {
            renameOrThrow(backupTemp, backup, current);
        } else {
            renameOrThrow(current, backup, current); // a file system without hard links
        }
    } catch (...) {
        ::unlink(backupTemp.c_str());
        ::unlink(temp.c_str());
        throw;
    }
    if (std::rename(temp.c_str(), target.c_str()) != 0) {
        const int err = errno;
        if (!linked) {
            std::rename(backup.c_str(), current.c_str());
        }
        ::unlink(temp.c_str());
        throw OrvekError(fileErrorMessage("Cannot create file", target, err));
    }
    if (linked && current != target) {
        ::unlink(current.c_str()); // the same file under a name in other letter cases
    }
    if (otherBackup != backup && fileExists(otherBackup)) {
        std::remove(otherBackup.c_str());
    }
    makeReadOnly(backup);
    makeReadOnly(target);
}

} // namespace orvek
