#include "model/WeatherImport.h"

#include "basics/Csv.h"
#include "basics/DateSerial.h"
#include "basics/Errors.h"
#include "basics/Files.h"
#include "basics/Text.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>

namespace orvek {

namespace {

constexpr double kMissing = std::numeric_limits<double>::quiet_NaN();

enum Var { kTmax = 0, kTmin = 1, kPrecip = 2, kVarCount = 3 };
constexpr const char* kVarNames[kVarCount] = {"Tmax", "Tmin", "precipitation"};

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

bool contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

// Fields of one CSV line without the blanks around them.
std::vector<std::string> trimmedCsvFields(std::string_view line) {
    std::vector<std::string> fields = csvFields(line);
    for (std::string& f : fields) {
        f = std::string(trimBlanks(f));
    }
    return fields;
}

std::vector<std::string> blankFields(std::string_view line) {
    std::vector<std::string> fields;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) {
            ++i;
        }
        const size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') {
            ++i;
        }
        if (i > start) {
            fields.emplace_back(line.substr(start, i - start));
        }
    }
    return fields;
}

std::string isoDate(DateSerial d) {
    const CalendarDate c = decodeDate(d);
    char buf[24];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", c.year, c.month, c.day);
    return buf;
}

std::string quoted(std::string_view text) {
    std::string out = "'";
    size_t n = 0;
    for (const char c : text) {
        if (++n > 60) {
            out += "...";
            break;
        }
        if (static_cast<unsigned char>(c) < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", static_cast<unsigned char>(c));
            out += buf;
        } else {
            out += c;
        }
    }
    return out + "'";
}

enum class DateStyle { YearDay, YearMonthDay, Iso };
enum class TempUnit { Celsius, Fahrenheit };
enum class RainUnit { Millimetres, Inches };

// Where the values of a data row are and what units they are in.
struct Layout {
    WeatherLayout kind = WeatherLayout::PlainCsv;
    bool csv = true;
    size_t firstDataLine = 0; // index into the lines
    DateStyle dateStyle = DateStyle::Iso;
    int year = -1, day = -1, month = -1, dayOfMonth = -1, date = -1;
    int var[kVarCount] = {-1, -1, -1};
    std::string varHeader[kVarCount];
    TempUnit temp = TempUnit::Celsius;
    RainUnit rain = RainUnit::Millimetres;
    bool unitsStated = false;
    std::string site;
    int station = -1, stationName = -1; // NOAA
};

TempUnit tempUnitOf(std::string_view header) {
    const std::string h = lower(header);
    for (const char* f : {"deg f", "degf", "(f)", "(of)",
                          "\xC2\xB0"
                          "f",
                          "fahrenheit"}) {
        if (contains(h, f)) {
            return TempUnit::Fahrenheit;
        }
    }
    return TempUnit::Celsius;
}

RainUnit rainUnitOf(std::string_view header) {
    const std::string h = lower(header);
    return contains(h, "inch") || contains(h, "(in") ? RainUnit::Inches : RainUnit::Millimetres;
}

bool statesUnit(std::string_view header) {
    return contains(header, "(") || contains(lower(header), "deg");
}

// The column whose name (before any unit in parentheses) is one of the names given.
int column(const std::vector<std::string>& header, std::initializer_list<const char*> names) {
    for (size_t i = 0; i < header.size(); ++i) {
        std::string name = lower(header[i]);
        const size_t paren = name.find('(');
        if (paren != std::string::npos) {
            name = std::string(trimBlanks(name.substr(0, paren)));
        }
        for (const char* n : names) {
            if (name == n) {
                return static_cast<int>(i);
            }
        }
    }
    return -1;
}

void requireColumns(const std::string& source, WeatherLayout kind,
                    std::initializer_list<std::pair<int, const char*>> needed) {
    std::string missing;
    for (const auto& [index, name] : needed) {
        if (index < 0) {
            missing += missing.empty() ? name : std::string(", ") + name;
        }
    }
    if (!missing.empty()) {
        throw OrvekError("File \"" + source + "\" looks like a " + weatherLayoutName(kind) +
                         " file but lacks the column(s) " + missing + ".");
    }
}

// "Latitude 43.0, Longitude -87.9" from a header line naming both.
std::string latLon(std::string_view line) {
    const std::string l = lower(line);
    const size_t la = l.find("latitude");
    const size_t lo = l.find("longitude");
    if (la == std::string::npos || lo == std::string::npos) {
        return {};
    }
    const auto number = [&](size_t from) {
        size_t i = from;
        while (i < line.size() && !(std::isdigit(static_cast<unsigned char>(line[i])) ||
                                    line[i] == '-' || line[i] == '+')) {
            ++i;
        }
        size_t j = i;
        while (j < line.size() && (std::isdigit(static_cast<unsigned char>(line[j])) ||
                                   line[j] == '.' || line[j] == '-' || line[j] == '+')) {
            ++j;
        }
        return std::string(line.substr(i, j - i));
    };
    const std::string lat = number(la + 8);
    const std::string lon = number(lo + 9);
    if (lat.empty() || lon.empty()) {
        return {};
    }
    return "latitude " + lat + ", longitude " + lon;
}

std::optional<Layout> detectNasaPower(const std::vector<std::string_view>& lines,
                                      const std::string& source) {
    size_t i = 0;
    while (i < lines.size() && trimBlanks(lines[i]).empty()) {
        ++i;
    }
    if (i >= lines.size() || trimBlanks(lines[i]) != "-BEGIN HEADER-") {
        return std::nullopt;
    }
    Layout l;
    l.kind = WeatherLayout::NasaPower;
    std::string paramText[kVarCount];
    size_t end = i + 1;
    for (; end < lines.size() && trimBlanks(lines[end]) != "-END HEADER-"; ++end) {
        const std::string_view line = trimBlanks(lines[end]);
        if (l.site.empty()) {
            l.site = latLon(line);
        }
        const std::string low = lower(line);
        if (low.rfind("t2m_max", 0) == 0) {
            paramText[kTmax] = std::string(line);
        } else if (low.rfind("t2m_min", 0) == 0) {
            paramText[kTmin] = std::string(line);
        } else if (low.rfind("prectot", 0) == 0) {
            paramText[kPrecip] = std::string(line);
        }
    }
    if (end + 1 >= lines.size()) {
        throw OrvekError("File \"" + source +
                         "\" has a NASA POWER header block but no column row after it.");
    }
    const std::vector<std::string> header = trimmedCsvFields(lines[end + 1]);
    l.firstDataLine = end + 2;
    l.year = column(header, {"year"});
    l.day = column(header, {"doy"});
    l.month = column(header, {"mo"});
    l.dayOfMonth = column(header, {"dy"});
    l.dateStyle = l.day >= 0 ? DateStyle::YearDay : DateStyle::YearMonthDay;
    l.var[kTmax] = column(header, {"t2m_max"});
    l.var[kTmin] = column(header, {"t2m_min"});
    l.var[kPrecip] = column(header, {"prectotcorr", "prectot"});
    requireColumns(source, l.kind,
                   {{l.year, "YEAR"},
                    {l.day >= 0 || (l.month >= 0 && l.dayOfMonth >= 0) ? 0 : -1, "DOY"},
                    {l.var[kTmax], "T2M_MAX"},
                    {l.var[kTmin], "T2M_MIN"},
                    {l.var[kPrecip], "PRECTOTCORR"}});
    for (int v = 0; v < kVarCount; ++v) {
        l.varHeader[v] = header[static_cast<size_t>(l.var[v])];
    }
    l.temp = tempUnitOf(paramText[kTmax]);
    l.rain = contains(lower(paramText[kPrecip]), "(in") ? RainUnit::Inches : RainUnit::Millimetres;
    l.unitsStated = !paramText[kTmax].empty() && !paramText[kPrecip].empty();
    return l;
}

std::optional<Layout> detectDaymet(const std::vector<std::string_view>& lines,
                                   const std::string& source) {
    // The column row follows a few lines of metadata.
    for (size_t i = 0; i < lines.size() && i < 40; ++i) {
        const std::string low = lower(trimBlanks(lines[i]));
        if (low.rfind("year,yday,", 0) != 0) {
            continue;
        }
        Layout l;
        l.kind = WeatherLayout::Daymet;
        const std::vector<std::string> header = trimmedCsvFields(lines[i]);
        l.firstDataLine = i + 1;
        l.dateStyle = DateStyle::YearDay;
        l.year = column(header, {"year"});
        l.day = column(header, {"yday"});
        l.var[kTmax] = column(header, {"tmax"});
        l.var[kTmin] = column(header, {"tmin"});
        l.var[kPrecip] = column(header, {"prcp"});
        requireColumns(source, l.kind,
                       {{l.var[kTmax], "tmax (deg c)"},
                        {l.var[kTmin], "tmin (deg c)"},
                        {l.var[kPrecip], "prcp (mm/day)"}});
        for (int v = 0; v < kVarCount; ++v) {
            l.varHeader[v] = header[static_cast<size_t>(l.var[v])];
        }
        l.temp = tempUnitOf(l.varHeader[kTmax]);
        l.rain = rainUnitOf(l.varHeader[kPrecip]);
        l.unitsStated = true;
        for (size_t k = 0; k < i && l.site.empty(); ++k) {
            l.site = latLon(lines[k]);
        }
        return l;
    }
    return std::nullopt;
}

std::optional<Layout> detectApsim(const std::vector<std::string_view>& lines,
                                  const std::string& source) {
    std::string site;
    std::string latitude;
    for (size_t i = 0; i < lines.size() && i < 200; ++i) {
        const std::string_view line = trimBlanks(lines[i]);
        const std::string low = lower(line);
        if (line.empty() || line[0] == '[') {
            continue;
        }
        if (line[0] == '!' || contains(line, "=")) {
            const std::string text =
                line[0] == '!' ? std::string(trimBlanks(line.substr(1))) : std::string(line);
            const std::string t = lower(text);
            const size_t eq = text.find('=');
            if (eq != std::string::npos) {
                const std::string key = std::string(trimBlanks(t.substr(0, eq)));
                const std::string value = std::string(trimBlanks(text.substr(eq + 1)));
                if ((key == "site" || key == "station name" || key == "location") && site.empty()) {
                    site = value;
                } else if (key == "latitude" && latitude.empty()) {
                    latitude = value;
                }
            }
            continue;
        }
        const std::vector<std::string> header = blankFields(low);
        if (header.empty() || header[0] != "year") {
            return std::nullopt; // data before any column row: not a .met file
        }
        Layout l;
        l.kind = WeatherLayout::ApsimMet;
        l.csv = false;
        l.dateStyle = DateStyle::YearDay;
        l.year = 0;
        l.day = column(header, {"day"});
        l.var[kTmax] = column(header, {"maxt"});
        l.var[kTmin] = column(header, {"mint"});
        l.var[kPrecip] = column(header, {"rain"});
        requireColumns(source, l.kind,
                       {{l.day, "day"},
                        {l.var[kTmax], "maxt"},
                        {l.var[kTmin], "mint"},
                        {l.var[kPrecip], "rain"}});
        l.firstDataLine = i + 1;
        // The units row: "()  ()  (MJ/m^2)  (oC)  (oC)  (mm)".
        if (i + 1 < lines.size() && trimBlanks(lines[i + 1]).substr(0, 1) == "(") {
            const std::vector<std::string> units = blankFields(lines[i + 1]);
            l.firstDataLine = i + 2;
            for (int v = 0; v < kVarCount; ++v) {
                const auto at = static_cast<size_t>(l.var[v]);
                l.varHeader[v] = header[at] + (at < units.size() ? " " + units[at] : "");
            }
            l.unitsStated = units.size() == header.size();
        } else {
            for (int v = 0; v < kVarCount; ++v) {
                l.varHeader[v] = header[static_cast<size_t>(l.var[v])];
            }
        }
        l.temp = tempUnitOf(l.varHeader[kTmax]);
        l.rain = rainUnitOf(l.varHeader[kPrecip]);
        l.site = !site.empty() ? site : (!latitude.empty() ? "latitude " + latitude : "");
        return l;
    }
    return std::nullopt;
}

// Layouts whose column row is the first line: Meteostat, NOAA and the plain CSV.
std::optional<Layout> detectFirstRow(const std::vector<std::string_view>& lines,
                                     const std::string& source, const WeatherImportOptions& o) {
    if (lines.empty()) {
        return std::nullopt;
    }
    const std::vector<std::string> header = trimmedCsvFields(lines[0]);
    Layout l;
    l.firstDataLine = 1;
    l.dateStyle = DateStyle::Iso;
    l.date = column(header, {"date"});
    if (column(header, {"station"}) >= 0 && l.date >= 0) {
        l.kind = WeatherLayout::Noaa;
        l.station = column(header, {"station"});
        l.stationName = column(header, {"name"});
        l.var[kTmax] = column(header, {"tmax"});
        l.var[kTmin] = column(header, {"tmin"});
        l.var[kPrecip] = column(header, {"prcp"});
        requireColumns(source, l.kind,
                       {{l.var[kTmax], "TMAX"}, {l.var[kTmin], "TMIN"}, {l.var[kPrecip], "PRCP"}});
        l.temp = o.noaaUnits == NoaaUnits::Standard ? TempUnit::Fahrenheit : TempUnit::Celsius;
        l.rain = o.noaaUnits == NoaaUnits::Standard ? RainUnit::Inches : RainUnit::Millimetres;
    } else if (l.date == 0 && column(header, {"tavg"}) >= 0 && column(header, {"prcp"}) >= 0) {
        l.kind = WeatherLayout::Meteostat;
        l.var[kTmax] = column(header, {"tmax"});
        l.var[kTmin] = column(header, {"tmin"});
        l.var[kPrecip] = column(header, {"prcp"});
        requireColumns(source, l.kind,
                       {{l.var[kTmax], "tmax"}, {l.var[kTmin], "tmin"}, {l.var[kPrecip], "prcp"}});
    } else if (l.date == 0 && column(header, {"tmax"}) >= 0 && column(header, {"tmin"}) >= 0 &&
               column(header, {"precip"}) >= 0) {
        l.kind = WeatherLayout::PlainCsv;
        l.var[kTmax] = column(header, {"tmax"});
        l.var[kTmin] = column(header, {"tmin"});
        l.var[kPrecip] = column(header, {"precip"});
        l.unitsStated = statesUnit(header[static_cast<size_t>(l.var[kTmax])]) &&
                        statesUnit(header[static_cast<size_t>(l.var[kPrecip])]);
    } else {
        return std::nullopt;
    }
    for (int v = 0; v < kVarCount; ++v) {
        l.varHeader[v] = header[static_cast<size_t>(l.var[v])];
    }
    if (l.kind == WeatherLayout::PlainCsv) {
        l.temp = tempUnitOf(l.varHeader[kTmax]);
        l.rain = rainUnitOf(l.varHeader[kPrecip]);
    }
    return l;
}

Layout detectLayout(const std::vector<std::string_view>& lines, const std::string& source,
                    const WeatherImportOptions& o) {
    if (auto l = detectNasaPower(lines, source)) {
        return *l;
    }
    if (auto l = detectFirstRow(lines, source, o)) {
        return *l;
    }
    if (auto l = detectDaymet(lines, source)) {
        return *l;
    }
    if (auto l = detectApsim(lines, source)) {
        return *l;
    }
    throw OrvekError("File \"" + source + "\" is not a weather export this program knows. " +
                     weatherLayoutsUnderstood());
}

// One row of the file as read: its date and values in the file's units, NaN where missing.
struct Row {
    int line = 0;
    DateSerial date = 0;
    double v[kVarCount] = {kMissing, kMissing, kMissing};
    bool copied = false; // 31 December made from 30 December
};

bool isMissingText(std::string_view text) {
    const std::string t = lower(trimBlanks(text));
    return t.empty() || t == "nan" || t == "na" || t == "null" || t == "m";
}

bool isMissingNumber(double v) {
    return v == -999 || v == -9999 || v == -99.9 || v == -99;
}

bool parseIsoDate(std::string_view text, DateSerial& out) {
    text = trimBlanks(text);
    // "YYYY-MM-DD", possibly followed by a time ("2020-01-01 00:00:00").
    if (text.size() < 10 || text[4] != '-' || text[7] != '-') {
        return false;
    }
    int y = 0, m = 0, d = 0;
    if (!parseInt32(text.substr(0, 4), y) || !parseInt32(text.substr(5, 2), m) ||
        !parseInt32(text.substr(8, 2), d)) {
        return false;
    }
    if (text.size() > 10 && text[10] != ' ' && text[10] != 'T') {
        return false;
    }
    return tryEncodeDate(y, m, d, out);
}

double toMetric(int var, double value, const Layout& l) {
    if (var == kPrecip) {
        return l.rain == RainUnit::Inches ? value * 25.4 : value;
    }
    return l.temp == TempUnit::Fahrenheit ? (value - 32) * 5 / 9 : value;
}

std::string range(DateSerial a, DateSerial b) {
    return a == b ? isoDate(a) : isoDate(a) + " to " + isoDate(b);
}

} // namespace

const char* weatherLayoutName(WeatherLayout layout) {
    switch (layout) {
    case WeatherLayout::NasaPower:
        return "NASA POWER daily CSV";
    case WeatherLayout::Daymet:
        return "Daymet single-pixel CSV";
    case WeatherLayout::Meteostat:
        return "Meteostat daily CSV";
    case WeatherLayout::Noaa:
        return "NOAA daily CSV";
    case WeatherLayout::ApsimMet:
        return "APSIM .met";
    case WeatherLayout::PlainCsv:
        break;
    }
    return "plain date,tmax,tmin,precip CSV";
}

std::string weatherLayoutsUnderstood() {
    return "Layouts understood: NASA POWER daily CSV (YEAR,DOY,T2M_MAX,T2M_MIN,PRECTOTCORR after "
           "its -BEGIN HEADER- block), Daymet single-pixel CSV (year,yday,...,prcp (mm/day),..."
           "tmax (deg c),tmin (deg c)), Meteostat daily CSV (date,tavg,tmin,tmax,prcp,...), "
           "NOAA daily CSV (\"STATION\",\"NAME\",\"DATE\",...,\"PRCP\",...,\"TMAX\",\"TMIN\"), "
           "APSIM .met (year day radn maxt mint rain) and a plain CSV with the columns "
           "date,tmax,tmin,precip.";
}

WeatherImport importWeather(std::string_view content, const std::string& sourceName,
                            const WeatherImportOptions& options) {
    if (content.substr(0, 3) == "\xEF\xBB\xBF") {
        content.remove_prefix(3);
    }
    std::vector<std::string_view> lines;
    {
        LineCursor cursor(content);
        std::string_view line;
        while (cursor.next(line)) {
            lines.push_back(line);
        }
    }
    const std::string source = fileNamePart(sourceName);
    const Layout l = detectLayout(lines, source, options);

    WeatherImport out;
    out.layout = l.kind;
    out.site = l.site;
    const char* tempName = l.temp == TempUnit::Fahrenheit ? "F" : "C";
    const char* rainName = l.rain == RainUnit::Inches ? "inches" : "mm";
    for (int v = 0; v < kVarCount; ++v) {
        out.columns.push_back(l.varHeader[v] + ": " + kVarNames[v] + " (" +
                              (v == kPrecip ? rainName : tempName) + ")");
    }
    if (l.kind == WeatherLayout::Noaa) {
        out.notes.push_back(options.noaaUnits == NoaaUnits::Standard
                                ? "NOAA standard units (F, inches) converted"
                                : "NOAA metric units (C, mm) assumed");
    } else if (l.temp == TempUnit::Fahrenheit || l.rain == RainUnit::Inches) {
        out.notes.push_back(std::string("converted from ") +
                            (l.temp == TempUnit::Fahrenheit ? "F" : "C") + " and " +
                            (l.rain == RainUnit::Inches ? "inches" : "mm"));
    } else if (!l.unitsStated) {
        out.notes.push_back("metric units (C, mm) assumed");
    }

    // Rows as written, with their dates and values.
    std::vector<Row> rows;
    std::string stationSeen;
    for (size_t i = l.firstDataLine; i < lines.size(); ++i) {
        const std::string_view text = lines[i];
        if (trimBlanks(text).empty()) {
            continue;
        }
        const int lineNo = static_cast<int>(i) + 1;
        const std::vector<std::string> f = l.csv ? trimmedCsvFields(text) : blankFields(text);
        const auto field = [&](int index) -> std::string_view {
            return index >= 0 && static_cast<size_t>(index) < f.size()
                       ? std::string_view(f[static_cast<size_t>(index)])
                       : std::string_view();
        };
        Row row;
        row.line = lineNo;
        bool dated = false;
        if (l.dateStyle == DateStyle::Iso) {
            dated = parseIsoDate(field(l.date), row.date);
        } else {
            int y = 0, a = 0, b = 0;
            if (parseInt32(field(l.year), y)) {
                if (l.dateStyle == DateStyle::YearDay) {
                    dated = parseInt32(field(l.day), a) && tryDateFromYearDay(y, a, row.date);
                } else {
                    dated = parseInt32(field(l.month), a) && parseInt32(field(l.dayOfMonth), b) &&
                            tryEncodeDate(y, a, b, row.date);
                }
            }
        }
        if (!dated) {
            out.problems.push_back("line " + std::to_string(lineNo) + ": " +
                                   quoted(trimBlanks(text)) + " has no valid date");
            continue;
        }
        if (l.kind == WeatherLayout::Noaa && l.station >= 0) {
            const std::string station(field(l.station));
            if (stationSeen.empty()) {
                stationSeen = station;
                out.site = station;
                if (!field(l.stationName).empty()) {
                    out.site += " " + std::string(field(l.stationName));
                }
            } else if (station != stationSeen) {
                out.problems.push_back(isoDate(row.date) + ": station " + quoted(station) +
                                       " after " + quoted(stationSeen) + " (line " +
                                       std::to_string(lineNo) + "); export one station per file");
                continue;
            }
        }
        for (int v = 0; v < kVarCount; ++v) {
            const std::string_view t = field(l.var[v]);
            double value = 0;
            if (isMissingText(t)) {
                continue;
            }
            if (!parseDouble(t, '.', value)) {
                out.problems.push_back(isoDate(row.date) + ": " + kVarNames[v] + " " + quoted(t) +
                                       " is not a number (line " + std::to_string(lineNo) + ")");
                continue;
            }
            if (isMissingNumber(value)) {
                continue;
            }
            row.v[v] = toMetric(v, value, l);
        }
        rows.push_back(row);
        // Daymet years have 365 days: a leap year's 31 December is not in the file.
        if (l.kind == WeatherLayout::Daymet) {
            const CalendarDate c = decodeDate(row.date);
            if (isLeapYear(c.year) && c.month == 12 && c.day == 30) {
                Row copy = row;
                copy.date = row.date + 1;
                copy.copied = true;
                rows.push_back(copy);
            }
        }
    }
    if (l.kind == WeatherLayout::Daymet &&
        std::any_of(rows.begin(), rows.end(), [](const Row& r) { return r.copied; })) {
        out.notes.push_back("31 December of leap years copied from 30 December (Daymet years "
                            "have 365 days)");
    }

    // The timeline from the first to the last date; rows out of order or repeated are faults.
    std::vector<Row> days;
    for (const Row& r : rows) {
        if (!days.empty() && r.date <= days.back().date) {
            if (r.copied) {
                continue; // the file had its own 31 December
            }
            out.problems.push_back(isoDate(r.date) +
                                   (r.date == days.back().date
                                        ? ": day repeated"
                                        : ": out of order after " + isoDate(days.back().date)) +
                                   " (line " + std::to_string(r.line) + ")");
            continue;
        }
        if (!days.empty() && r.date > days.back().date + 1) {
            for (DateSerial d = days.back().date + 1; d < r.date; ++d) {
                Row gap;
                gap.date = d;
                days.push_back(gap);
            }
        }
        days.push_back(r);
    }
    if (days.empty() && out.problems.empty()) {
        out.problems.push_back("no data rows after the column row");
    }

    // Gaps of each value are filled when short and bounded by values on both sides; the
    // listing then speaks of whole missing days and of rows with missing values.
    enum Cell { kPresent, kFilled, kTooLong, kAtEdge };
    std::vector<std::array<Cell, kVarCount>> cells(days.size());
    for (int v = 0; v < kVarCount; ++v) {
        for (size_t i = 0; i < days.size();) {
            if (!std::isnan(days[i].v[v])) {
                cells[i][v] = kPresent;
                ++i;
                continue;
            }
            size_t j = i;
            while (j + 1 < days.size() && std::isnan(days[j + 1].v[v])) {
                ++j;
            }
            const size_t length = j - i + 1;
            Cell state = kFilled;
            if (length > static_cast<size_t>(options.maxFilledGap)) {
                state = kTooLong;
            } else if (i == 0 || j + 1 == days.size()) {
                state = kAtEdge;
            }
            const bool fill = options.fill == GapFill::Linear && state == kFilled;
            for (size_t k = i; k <= j; ++k) {
                if (fill) {
                    const double a = days[i - 1].v[v];
                    const double b = days[j + 1].v[v];
                    const double t =
                        static_cast<double>(k - i + 1) / static_cast<double>(length + 1);
                    days[k].v[v] = a + (b - a) * t;
                }
                cells[k][v] = state;
            }
            i = j + 1;
        }
    }
    const bool filling = options.fill == GapFill::Linear;
    const auto report = [&](const std::string& text, bool allFilled, bool tooLong) {
        if (filling && allFilled) {
            out.filled.push_back(text + ", filled linearly");
        } else if (filling) {
            out.problems.push_back(text + (tooLong ? " (gap longer than " +
                                                         std::to_string(options.maxFilledGap) +
                                                         " days: not filled)"
                                                   : " (at the start or end: not filled)"));
        } else {
            out.problems.push_back(text);
        }
    };
    for (size_t i = 0; i < days.size();) {
        bool allFilled = true;
        bool tooLong = false;
        const auto note = [&](size_t k) {
            for (int v = 0; v < kVarCount; ++v) {
                allFilled = allFilled && (cells[k][v] == kPresent || cells[k][v] == kFilled);
                tooLong = tooLong || cells[k][v] == kTooLong;
            }
        };
        if (days[i].line == 0) {
            size_t j = i;
            while (j + 1 < days.size() && days[j + 1].line == 0) {
                ++j;
            }
            for (size_t k = i; k <= j; ++k) {
                note(k);
            }
            report(range(days[i].date, days[j].date) + ": " +
                       (j == i ? std::string("day missing")
                               : std::to_string(j - i + 1) + " days missing"),
                   allFilled, tooLong);
            i = j + 1;
            continue;
        }
        std::string missing;
        for (int v = 0; v < kVarCount; ++v) {
            if (cells[i][v] != kPresent) {
                missing += (missing.empty() ? "" : ", ") + std::string(kVarNames[v]);
            }
        }
        if (!missing.empty()) {
            note(i);
            report(isoDate(days[i].date) + ": " + missing + " missing (line " +
                       std::to_string(days[i].line) + ")",
                   allFilled, tooLong);
        }
        ++i;
    }
    // Values no weather has: most often a unit that is not what the file was taken to hold.
    for (const Row& d : days) {
        for (int v = 0; v < kVarCount; ++v) {
            const double x = d.v[v];
            if (std::isnan(x)) {
                continue;
            }
            const bool bad = v == kPrecip ? x < 0 || x > 2000 : x < -90 || x > 60;
            if (bad) {
                out.problems.push_back(isoDate(d.date) + ": " + kVarNames[v] + " " +
                                       formatFixed(x, 1) + (v == kPrecip ? " mm" : " C") +
                                       " is not plausible (line " + std::to_string(d.line) +
                                       "); check the units");
            }
        }
    }
    if (!out.filled.empty()) {
        out.notes.push_back(std::to_string(out.filled.size()) + " gap(s) of at most " +
                            std::to_string(options.maxFilledGap) + " days filled linearly");
    }
    if (!out.problems.empty()) {
        return out;
    }

    for (const Row& d : days) {
        const CalendarDate c = decodeDate(d.date);
        out.days.push_back(
            ImportedDay{c.year, dayOfYear(d.date), d.v[kTmax], d.v[kTmin], d.v[kPrecip]});
    }
    std::string& o = out.output;
    o = std::string("Imported from the ") + weatherLayoutName(l.kind) + " file \"" + source + "\"";
    for (const std::string& n : out.notes) {
        o += "; " + n;
    }
    o += "\r\nSite: " + (out.site.empty() ? "not named in the file" : out.site) + "\r\n";
    o += "Columns: year, day of year, Tmax (C), Tmin (C), precipitation (mm)\r\n";
    o += "YEAR\tDAY\tTMAX\tTMIN\tPRCP\r\n";
    o.reserve(o.size() + out.days.size() * 28);
    for (const ImportedDay& d : out.days) {
        o += std::to_string(d.year);
        o += '\t';
        o += std::to_string(d.dayOfYear);
        o += '\t';
        appendFixed(o, d.tmax, 1);
        o += '\t';
        appendFixed(o, d.tmin, 1);
        o += '\t';
        appendFixed(o, d.precip, 1);
        o += "\r\n";
    }
    out.ok = true;
    return out;
}

WeatherImport importWeatherFile(const std::string& path, const WeatherImportOptions& options) {
    if (!fileExists(path)) {
        throw OrvekError("File \"" + path + "\" not found.");
    }
    return importWeather(readWholeFile(path, size_t{256} << 20), path, options);
}

} // namespace orvek
