#include "formats/SettingFile.h"

#include "basics/Errors.h"
#include "basics/Files.h"
#include "basics/Text.h"

#include <cmath>
#include <vector>

namespace orvek {

namespace {

void addLine(std::string& out, const std::string& text) {
    out += text;
    out += "\r\n";
}

std::string flag(bool yes, const char* ifYes, const char* ifNo) {
    return yes ? ifYes : ifNo;
}

class LineSource {
public:
    explicit LineSource(std::string_view content)
        : m_lines(splitLines(withoutTextMarks(content))) {}

    std::string text() {
        const size_t k = m_next++;
        return k < m_lines.size() ? toUtf8(m_lines[k]) : std::string();
    }
    char flag() {
        const std::string t = text();
        return t.empty() ? '\0' : t[0];
    }
    int integer() {
        int v = 0;
        if (!parseInt32(text(), v)) {
            throw OrvekError(kInvalidNumericInput);
        }
        return v;
    }
    DateSerial date() {
        DateSerial d = 0;
        if (!parseDateLine(text(), d)) {
            throw OrvekError(kInvalidNumericInput);
        }
        return d;
    }

private:
    std::vector<std::string> m_lines;
    size_t m_next = 0;
};

bool isAbsolute(const std::string& path) {
    return (!path.empty() && (path[0] == '/' || path[0] == '\\')) ||
           (path.size() >= 2 && path[1] == ':');
}

std::string relativeTo(const std::string& path, const std::string& baseFolder) {
    if (baseFolder.empty() || path.empty() || isAbsolute(path)) {
        return path;
    }
    return withTrailingSeparator(baseFolder) + path;
}

} // namespace

bool parseDateLine(const std::string& line, DateSerial& out) {
    double v = 0;
    if (!parseDouble(line, '.', v) || !isFieldDate(std::floor(v))) {
        return false;
    }
    out = static_cast<DateSerial>(std::floor(v));
    return true;
}

std::string settingFileContent(const PageState& page) {
    std::string s;
    addLine(s, flag(page.carbonOnly, "Y", "N"));
    addLine(s, page.weatherFolder + page.weatherFileName);
    addLine(s, flag(page.dailyWeather, "Y", "N"));
    addLine(s, page.weatherKindText);
    addLine(s, page.weatherPeriodText);
    addLine(s, std::to_string(page.startDate));
    addLine(s, std::to_string(page.endDate));
    addLine(s, flag(page.eventsOnPanel, "P", "F"));
    addLine(s, page.eventsOnPanel ? std::string("Skip") : page.eventsFile);
    for (const EventRowState& r : page.rows) {
        addLine(s, flag(r.checked, "Y", "N"));
    }
    for (const EventRowState& r : page.rows) {
        addLine(s, std::to_string(r.typeIndex));
    }
    for (const EventRowState& r : page.rows) {
        addLine(s, r.cText);
    }
    for (const EventRowState& r : page.rows) {
        addLine(s, r.cnText);
    }
    for (const EventRowState& r : page.rows) {
        addLine(s, std::to_string(r.date));
    }
    addLine(s, page.soilCText);
    addLine(s, page.bulkDensityText);
    addLine(s, page.depthText);
    addLine(s, page.stockText);
    addLine(s, page.nminText);
    addLine(s, std::to_string(page.textureIndex));
    addLine(s, std::to_string(page.tillageIndex));
    addLine(s, flag(page.dailyOutput, "D", "M"));
    return s;
}

void applySettingFile(std::string_view content, SettingTarget& t, const std::string& baseFolder) {
    LineSource in(content);
    t.setCarbonOnly(in.flag() == 'Y');
    const std::string weather = relativeTo(in.text(), baseFolder);
    t.setWeather(folderPart(weather), fileNamePart(weather));
    t.setDailyWeather(in.flag() == 'Y');
    t.setWeatherKindText(in.text());
    t.setWeatherPeriodText(in.text());
    t.setStartDate(in.date());
    t.setEndDate(in.date());
    const bool onPanel = in.flag() == 'P';
    t.setEventsOnPanel(onPanel);
    const std::string line9 = in.text();
    if (!onPanel) {
        t.setEventsFile(relativeTo(line9, baseFolder));
    }
    for (int i = 0; i < kEventRows; ++i) {
        const bool checked = in.flag() == 'Y';
        // In workbook mode the rows stay unchecked and disabled.
        t.setRowChecked(i, onPanel && checked);
    }
    for (int i = 0; i < kEventRows; ++i) {
        t.setRowType(i, in.integer());
    }
    for (int i = 0; i < kEventRows; ++i) {
        t.setRowCText(i, in.text());
    }
    for (int i = 0; i < kEventRows; ++i) {
        t.setRowCnText(i, in.text());
    }
    for (int i = 0; i < kEventRows; ++i) {
        t.setRowDate(i, in.date());
    }
    t.setSoilCText(in.text());
    t.setBulkDensityText(in.text());
    t.setDepthText(in.text());
    t.setStockText(in.text());
    t.setNminText(in.text());
    t.setTextureIndex(in.integer());
    t.setTillageIndex(in.integer());
    t.setDailyOutput(in.flag() == 'D');
}

} // namespace orvek
