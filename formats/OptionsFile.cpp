#include "formats/OptionsFile.h"

#include "basics/Errors.h"
#include "basics/Files.h"
#include "basics/Text.h"
#include "formats/SettingFile.h"

#include <cstdio>
#include <filesystem>

namespace orvek {

std::string optionsFileContent(const OptionsValues& v) {
    std::string s;
    const auto line = [&s](const std::string& text) {
        s += text;
        s += "\r\n";
    };
    line(v.carbonOnly ? "Y" : "N");
    line(std::to_string(v.startDate));
    line(v.soilC);
    line(v.bulkDensity);
    line(v.depth);
    line(v.nmin);
    line(std::to_string(v.textureIndex));
    line(std::to_string(v.tillageIndex));
    line(v.resizable ? "Y" : "N");
    line(v.weatherFolder);
    line(v.workingFolder);
    return s;
}

void applyOptionsFile(std::string_view content, OptionsTarget& t, const std::string& fileName) {
    const std::vector<std::string> raw = splitLines(withoutTextMarks(content));
    const auto text = [&raw](size_t k) { return k < raw.size() ? toUtf8(raw[k]) : std::string(); };
    const auto invalid = [&fileName](size_t k) {
        return OrvekError(atLine(fileName, static_cast<int>(k) + 1, kInvalidNumericInput));
    };
    const auto integer = [&text, &invalid](size_t k) {
        int v = 0;
        if (!parseInt32(text(k), v)) {
            throw invalid(k);
        }
        return v;
    };
    t.setCarbonOnly(text(0).starts_with('Y'));
    DateSerial date = 0;
    if (!parseDateLine(text(1), date)) {
        throw invalid(1);
    }
    t.setStartDate(date);
    t.setSoilCText(text(2));
    t.setBulkDensityText(text(3));
    t.setDepthText(text(4));
    t.setNminText(text(5));
    t.setTextureIndex(integer(6));
    t.setTillageIndex(integer(7));
    t.setResizable(text(8).starts_with('Y'));
    t.setWeatherFolderText(text(9));
    t.setWorkingFolderText(text(10));
}

std::string folderFromOption(const std::string& line, const std::string& startFolder) {
    if (trimBlanks(line).empty() || !folderExists(line)) {
        return startFolder;
    }
    return withTrailingSeparator(line);
}

std::vector<std::string> readSubstrateList(const std::string& path) {
    std::vector<std::string> lines = splitLines(readTextFile(path, size_t{1} << 20));
    while (!lines.empty() && trimBlanks(lines.back()).empty()) {
        lines.pop_back();
    }
    for (std::string& l : lines) {
        l = toUtf8(l);
    }
    return lines;
}

namespace {

bool endsWithIgnoringCase(const std::string& name, std::string_view suffix) {
    if (name.size() < suffix.size()) {
        return false;
    }
    for (size_t i = 0; i < suffix.size(); ++i) {
        char c = name[name.size() - suffix.size() + i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != suffix[i]) {
            return false;
        }
    }
    return true;
}

} // namespace

void deleteTempFiles(const std::string& folder) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path dir = folder.empty() ? fs::path(".") : fs::path(folder);
    // "~*.xls" first, then "*.~".
    for (int pass = 0; pass < 2; ++pass) {
        std::vector<fs::path> matches;
        for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
            const std::string name = it->path().filename().string();
            std::error_code typeError;
            if (name.empty() || name[0] == '.' || !it->is_regular_file(typeError)) {
                continue;
            }
            const bool match = pass == 0 ? name[0] == '~' && endsWithIgnoringCase(name, ".xls")
                                         : name.size() >= 2 && name.ends_with(".~");
            if (match) {
                matches.push_back(it->path());
            }
        }
        for (const fs::path& p : matches) {
            std::error_code removeError;
            fs::remove(p, removeError);
        }
    }
}

} // namespace orvek
