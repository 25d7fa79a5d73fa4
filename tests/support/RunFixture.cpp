#include "RunFixture.h"

#include <cstdio>

namespace orvek::test {

DateSerial date(int year, int month, int day) {
    DateSerial d = 0;
    tryEncodeDate(year, month, day, d);
    return d;
}

RunFixture::RunFixture() {
    folder.copyStandardFiles();
    env.startFolder = folder.path();
    env.formats.shortDate = [](DateSerial d) {
        const CalendarDate c = decodeDate(d);
        char buf[32];
        std::snprintf(buf, sizeof buf, "%d/%d/%02d", c.month, c.day, c.year % 100);
        return std::string(buf);
    };
    env.formats.runDate = "1/2/26";
    env.formats.runTime = "12:00:00";
    page.carbonOnly = false;
    page.soilCText = "10";
    page.bulkDensityText = "1.3";
    page.depthText = "20";
    page.stockText = "26";
    page.nminText = "50";
    page.textureIndex = 0;
    page.tillageIndex = 0;
}

void RunFixture::useDailyWeather(const std::string& name, const std::string& content) {
    folder.write(name, content);
    page.weatherFolder = folder.path();
    page.weatherFileName = name;
    page.weatherKindText = "Daily weather data";
    page.dailyWeather = true;
}

void RunFixture::useMilwaukeeWeather() {
    page.weatherFolder = dataDir();
    page.weatherFileName = "milwaukee_1991_2020_daily.wth";
    page.weatherKindText = "Daily weather data";
    page.dailyWeather = true;
}

void RunFixture::setRow(int row, int code, const std::string& c, const std::string& cn,
                        DateSerial d) {
    EventRowState& r = page.rows[static_cast<size_t>(row - 1)];
    r.checked = true;
    r.typeIndex = code - 1;
    r.cText = c;
    r.cnText = cn;
    r.date = d;
}

} // namespace orvek::test
