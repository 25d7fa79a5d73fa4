#pragma once

#include "basics/DateSerial.h"
#include "basics/Files.h"

#include <string>
#include <string_view>
#include <vector>

namespace orvek {

enum class WeatherKind { Daily, Monthly };

// A weather file: four header lines, then data lines of year, day of the year (or month),
// Tmax, Tmin and further values, separated by blanks or tabs. Blank lines are skipped; the data
// end at the end of the file or at a line whose year or day (month) is 0.
class WeatherFile {
public:
    // Reads the file and the year and day (month) of every data line; a value that is not a
    // whole number raises OrvekError naming the file and line.
    static WeatherFile load(const std::string& path);
    static WeatherFile parse(const std::string& path, std::string content);

    const std::string& path() const { return m_path; }
    size_t size() const { return m_lines.size(); }
    bool empty() const { return m_lines.empty(); }

    int year(size_t i) const { return m_lines[i].year; }
    int dayOrMonth(size_t i) const { return m_lines[i].x; }
    int lineNumber(size_t i) const { return m_lines[i].lineNumber; }
    // The line after its second value, starting with the separator that followed it.
    std::string_view rest(size_t i) const;
    std::string_view headerLine(size_t k) const;
    size_t headerCount() const { return m_header.size(); }

    // Tmax and Tmin of data line i; raises OrvekError naming the file and line when they are
    // missing or not numbers.
    void temperatures(size_t i, double& tmax, double& tmin) const;

    // The date of daily data line i; raises OrvekError when the day does not exist in the year.
    DateSerial dailyDate(size_t i) const;

    // For the daily copy of a monthly file: messages about its lines name the monthly file and
    // the line each day came from, the file the user knows, not the working copy.
    void nameLinesAfter(const WeatherFile& monthly);

    // Decodes the dates and temperatures of every line once, for a file that many runs read;
    // the two readers above then return them without parsing, and still raise their errors
    // for lines that do not decode.
    void decodeDailyValues();

private:
    void checkHeader() const;

    struct Line {
        int year = 0;
        int x = 0;
        int lineNumber = 0;
        size_t begin = 0;     // offset of the line in the content
        size_t restBegin = 0; // offset after the second value
        size_t end = 0;       // offset of the line's end (without CR)
    };
    struct Span {
        size_t begin = 0;
        size_t end = 0;
    };
    std::string m_path;
    std::string m_content;
    std::vector<Span> m_header;
    std::vector<Line> m_lines;
    struct Decoded {
        DateSerial date = 0;
        double tmax = 0;
        double tmin = 0;
        bool dateOk = false;
        bool temperaturesOk = false;
    };
    std::vector<Decoded> m_decoded; // empty until decodeDailyValues
};

struct WeatherInfo {
    WeatherKind kind = WeatherKind::Daily;
    DateSerial first = 0;
    DateSerial last = 0;
};

// Daily when the 13th data line has the year of the first or the first day number is above
// 12; a monthly file reaches the next year within 13 lines.
WeatherKind detectWeatherKind(const WeatherFile& file);

// The kind and period of a weather file, after checking every data line (values, dates,
// months); raises OrvekError naming the file and line on the first fault.
WeatherInfo scanWeatherFile(const std::string& path);
WeatherInfo scanWeatherFile(const WeatherFile& file);

// The daily working copy of a monthly file: the header lines, then one line per day of each
// month with the year, a TAB, the day of the year and the rest of the monthly line. Returns
// false when a month lies outside 1..12; raises OrvekError, before building anything, when the
// daily text would be larger than any input file may be.
bool expandMonthlyWeather(const WeatherFile& monthly, std::string& daily,
                          size_t limit = kInputFileLimit);

inline constexpr const char* kDailyWeatherKindText = "Daily weather data";
inline constexpr const char* kMonthlyWeatherKindText = "Monthly weather data";

} // namespace orvek
