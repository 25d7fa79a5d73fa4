#pragma once

// What the benchmarks share: a century of daily weather, 500 events and the peak memory of the
// process.

#include "basics/DateSerial.h"
#include "model/Events.h"
#include "model/Weather.h"

#include <algorithm>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace orvek::bench {

// The middle of a set of timings (the upper middle of an even count), 0 for none.
inline double median(std::vector<double> v) {
    if (v.empty()) {
        return 0;
    }
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The processor time of this process's finished children, user and system.
inline double childCpuSeconds() {
    rusage u{};
    ::getrusage(RUSAGE_CHILDREN, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// 100 years of daily weather from firstYear on: the observed Milwaukee years repeated under
// shifted year numbers, each target year taking an observed year of the same length.
inline std::string centuryOfWeather(const std::string& observedDailyFile, int firstYear) {
    const WeatherFile w = WeatherFile::load(observedDailyFile);
    const int firstObserved = w.year(0);
    const int observedYears = w.year(w.size() - 1) - firstObserved + 1;
    std::vector<std::vector<std::string>> years(static_cast<size_t>(observedYears));
    for (size_t i = 0; i < w.size(); ++i) {
        years[static_cast<size_t>(w.year(i) - firstObserved)].push_back(std::string(w.rest(i)));
    }
    std::string out;
    for (size_t k = 0; k < 4; ++k) {
        out += std::string(w.headerLine(k)) + "\r\n";
    }
    int next = 0;
    for (int y = firstYear; y < firstYear + 100; ++y) {
        int source = next;
        while (isLeapYear(firstObserved + source) != isLeapYear(y)) {
            source = (source + 1) % observedYears;
        }
        next = (source + 1) % observedYears;
        const auto& days = years[static_cast<size_t>(source)];
        for (size_t d = 0; d < days.size(); ++d) {
            out += std::to_string(y) + "\t" + std::to_string(d + 1) + days[d] + "\r\n";
        }
    }
    return out;
}

// Five events a year for 100 years, in the events working file's layout: straw and roots of
// C:N 80 to 150, which tie up more N than the soil releases.
inline std::string fiveHundredEvents() {
    std::string s = "Event\tMonth\tDay\tYear\tsubCode\tC\tC:N\r\n";
    int j = 0;
    for (int y = 1921; y <= 2020; ++y) {
        // month, day, substrate code, C in tenths of Mg/ha, C:N
        const int rows[5][5] = {{4, 20, 1, 10, 90},
                                {8, 1, 1, 40, 120},
                                {8, 1, 2, 15, 80},
                                {9, 15, 1, 30, 120},
                                {10, 1, 1, 30, 150}};
        for (const auto& r : rows) {
            orvek::appendInputEventLine(s, ++j, r[0], r[1], y, r[2], r[3] / 10.0, r[4], true);
        }
    }
    return s;
}

// The peak resident memory of this process in kilobytes (VmHWM), or -1.
inline long peakKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

} // namespace orvek::bench
