#include "model/Weather.h"

#include "basics/Errors.h"
#include "basics/Files.h"
#include "basics/Text.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace orvek {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// The next blank- or tab-separated value of a line.
std::string_view nextValue(std::string_view line, size_t& pos) {
    while (pos < line.size() && isBlank(line[pos])) {
        ++pos;
    }
    const size_t start = pos;
    while (pos < line.size() && !isBlank(line[pos])) {
        ++pos;
    }
    return line.substr(start, pos - start);
}

bool toInt(std::string_view text, int& out) {
    if (!text.empty() && text[0] == '+') {
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return false;
    }
    const auto res = std::from_chars(text.data(), text.data() + text.size(), out);
    return res.ec == std::errc() && res.ptr == text.data() + text.size();
}

// Weather files always use "." whatever the user's locale.
bool toDouble(std::string_view text, double& out) {
    return parseDouble(text, '.', out);
}

std::string shown(std::string_view value) {
    return value.empty() ? std::string("(nothing)") : std::string(value);
}

} // namespace

WeatherFile WeatherFile::load(const std::string& path) {
    return parse(path, readTextFile(path));
}

WeatherFile WeatherFile::parse(const std::string& path, std::string content) {
    WeatherFile file;
    file.m_path = path;
    const std::string_view marked = withoutTextMarks(content);
    file.m_content = marked.size() == content.size() ? std::move(content) : std::string(marked);
    const std::string_view text = file.m_content;
    // One entry per line at most: reserved at once, the entries are never moved while growing.
    file.m_lines.reserve(static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
    size_t pos = 0;
    int lineNumber = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        const size_t next = end == std::string_view::npos ? text.size() : end + 1;
        if (end == std::string_view::npos) {
            end = text.size();
        }
        if (end > pos && text[end - 1] == '\r') {
            --end;
        }
        ++lineNumber;
        const std::string_view line = text.substr(pos, end - pos);
        if (file.m_header.size() < 4) {
            file.m_header.push_back(Span{pos, end});
            pos = next;
            continue;
        }
        size_t p = 0;
        const std::string_view first = nextValue(line, p);
        if (first.empty()) { // a blank line
            pos = next;
            continue;
        }
        Line data;
        if (!toInt(first, data.year)) {
            throw OrvekError(atLine(path, lineNumber, invalidIntegerMessage(std::string(first))));
        }
        const std::string_view second = nextValue(line, p);
        if (!toInt(second, data.x)) {
            if (data.year == 0 && second.empty()) {
                break;
            }
            throw OrvekError(atLine(path, lineNumber, invalidIntegerMessage(shown(second))));
        }
        if (data.year == 0 || data.x == 0) {
            break;
        }
        data.lineNumber = lineNumber;
        data.begin = pos;
        data.restBegin = pos + p;
        data.end = end;
        file.m_lines.push_back(data);
        pos = next;
    }
    file.checkHeader();
    return file;
}

void WeatherFile::checkHeader() const {
    // A file whose header lost a line has its first day among the header lines; that day would
    // silently go missing, so say so instead.
    if (m_header.size() < 4 || m_lines.empty()) {
        return;
    }
    const std::string_view line = headerLine(3);
    size_t p = 0;
    int year = 0;
    int x = 0;
    double tmax = 0;
    double tmin = 0;
    if (!toInt(nextValue(line, p), year) || !toInt(nextValue(line, p), x) ||
        !toDouble(nextValue(line, p), tmax) || !toDouble(nextValue(line, p), tmin)) {
        return;
    }
    const int y0 = m_lines[0].year;
    const int x0 = m_lines[0].x;
    const bool nextDay = (year == y0 && x + 1 == x0) || (year + 1 == y0 && x0 == 1 && x >= 365);
    const bool nextMonth =
        (year == y0 && x + 1 == x0 && x0 <= 12) || (year + 1 == y0 && x == 12 && x0 == 1);
    if (nextDay || nextMonth) {
        throw OrvekError(atLine(m_path, 4,
                                "weather data stand where the fourth header line belongs; a "
                                "weather file starts with four header lines"));
    }
}

std::string_view WeatherFile::rest(size_t i) const {
    const Line& l = m_lines[i];
    return std::string_view(m_content).substr(l.restBegin, l.end - l.restBegin);
}

std::string_view WeatherFile::headerLine(size_t k) const {
    return std::string_view(m_content).substr(m_header[k].begin,
                                              m_header[k].end - m_header[k].begin);
}

void WeatherFile::temperatures(size_t i, double& tmax, double& tmin) const {
    if (i < m_decoded.size() && m_decoded[i].temperaturesOk) {
        tmax = m_decoded[i].tmax;
        tmin = m_decoded[i].tmin;
        return;
    }
    const std::string_view r = rest(i);
    size_t p = 0;
    const std::string_view a = nextValue(r, p);
    const std::string_view b = nextValue(r, p);
    if (!toDouble(a, tmax)) {
        throw OrvekError(atLine(m_path, m_lines[i].lineNumber, invalidFloatMessage(shown(a))));
    }
    if (!toDouble(b, tmin)) {
        throw OrvekError(atLine(m_path, m_lines[i].lineNumber, invalidFloatMessage(shown(b))));
    }
}

DateSerial WeatherFile::dailyDate(size_t i) const {
    if (i < m_decoded.size() && m_decoded[i].dateOk) {
        return m_decoded[i].date;
    }
    DateSerial d = 0;
    if (!tryDateFromYearDay(m_lines[i].year, m_lines[i].x, d)) {
        throw OrvekError(atLine(m_path, m_lines[i].lineNumber,
                                "day " + std::to_string(m_lines[i].x) + " of the year " +
                                    std::to_string(m_lines[i].year) + " does not exist"));
    }
    return d;
}

void WeatherFile::nameLinesAfter(const WeatherFile& monthly) {
    m_path = monthly.m_path;
    size_t k = 0;
    for (size_t i = 0; i < monthly.size() && k < m_lines.size(); ++i) {
        const int month = monthly.dayOrMonth(i);
        const int days = month >= 1 && month <= 12 ? daysInMonth(monthly.year(i), month) : 0;
        for (int d = 0; d < days && k < m_lines.size(); ++d) {
            m_lines[k++].lineNumber = monthly.lineNumber(i);
        }
    }
}

void WeatherFile::decodeDailyValues() {
    std::vector<Decoded> decoded(m_lines.size());
    for (size_t i = 0; i < m_lines.size(); ++i) {
        Decoded& d = decoded[i];
        d.dateOk = tryDateFromYearDay(m_lines[i].year, m_lines[i].x, d.date);
        const std::string_view r = rest(i);
        size_t p = 0;
        const std::string_view a = nextValue(r, p);
        const std::string_view b = nextValue(r, p);
        d.temperaturesOk = toDouble(a, d.tmax) && toDouble(b, d.tmin);
    }
    m_decoded = std::move(decoded);
}

WeatherKind detectWeatherKind(const WeatherFile& file) {
    if (file.empty()) {
        return WeatherKind::Monthly;
    }
    const int y1 = file.year(0);
    const int x1 = file.dayOrMonth(0);
    const int y13 = file.size() >= 13 ? file.year(12) : 0;
    return (y13 == y1 || x1 > 12) ? WeatherKind::Daily : WeatherKind::Monthly;
}

WeatherInfo scanWeatherFile(const std::string& path) {
    return scanWeatherFile(WeatherFile::load(path));
}

WeatherInfo scanWeatherFile(const WeatherFile& file) {
    if (file.empty()) {
        throw OrvekError("File \"" + file.path() +
                         "\" holds no weather data after its four "
                         "header lines.");
    }
    WeatherInfo info;
    info.kind = detectWeatherKind(file);
    double tmax = 0;
    double tmin = 0;
    for (size_t i = 0; i < file.size(); ++i) {
        file.temperatures(i, tmax, tmin);
        if (info.kind == WeatherKind::Daily) {
            file.dailyDate(i);
        } else if (file.dayOrMonth(i) < 1 || file.dayOrMonth(i) > 12 || file.year(i) < 1 ||
                   file.year(i) > 9999) {
            throw OrvekError(
                atLine(file.path(), file.lineNumber(i),
                       "Weather data incorrect. Check the weather file and try again"));
        }
    }
    if (info.kind == WeatherKind::Daily) {
        info.first = file.dailyDate(0);
        info.last = file.dailyDate(file.size() - 1);
    } else {
        const size_t n = file.size() - 1;
        tryEncodeDate(file.year(0), file.dayOrMonth(0), 1, info.first);
        tryEncodeDate(file.year(n), file.dayOrMonth(n),
                      daysInMonth(file.year(n), file.dayOrMonth(n)), info.last);
    }
    return info;
}

bool expandMonthlyWeather(const WeatherFile& monthly, std::string& daily, size_t limit) {
    daily.clear();
    // The size comes first: a small monthly file may stand for more daily weather than any
    // input file may hold, and nothing is built or written for such a file.
    size_t size = 0;
    for (size_t k = 0; k < monthly.headerCount(); ++k) {
        size += monthly.headerLine(k).size() + 2;
    }
    for (size_t i = 0; i < monthly.size(); ++i) {
        const int year = monthly.year(i);
        const int month = monthly.dayOrMonth(i);
        DateSerial first = 0;
        if (month < 1 || month > 12 || !tryEncodeDate(year, month, 1, first)) {
            return false;
        }
        const size_t perDay = std::to_string(year).size() + 1 + 3 + monthly.rest(i).size() + 2;
        size += perDay * static_cast<size_t>(daysInMonth(year, month));
        if (size > limit) {
            throw OrvekError("The daily weather made from file \"" + monthly.path() +
                             "\" is too large to be read (more than " +
                             std::to_string(limit >> 20) + " MiB).");
        }
    }
    daily.reserve(size);
    for (size_t k = 0; k < monthly.headerCount(); ++k) {
        daily.append(monthly.headerLine(k));
        daily += "\r\n";
    }
    for (size_t i = 0; i < monthly.size(); ++i) {
        const int year = monthly.year(i);
        const int month = monthly.dayOrMonth(i);
        DateSerial first = 0;
        tryEncodeDate(year, month, 1, first);
        const int firstDay = dayOfYear(first);
        const std::string yearText = std::to_string(year) + "\t";
        const std::string_view rest = monthly.rest(i);
        for (int d = 0; d < daysInMonth(year, month); ++d) {
            daily += yearText;
            daily += std::to_string(firstDay + d);
            daily.append(rest);
            daily += "\r\n";
        }
    }
    return true;
}

} // namespace orvek
