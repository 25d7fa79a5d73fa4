// Weather decoded once for many runs reads the same as weather parsed line by line, faults
// included.

#include "TestFolder.h"

#include "basics/Errors.h"
#include "model/Weather.h"

#include <gtest/gtest.h>

namespace orvek {
namespace {

std::string errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const OrvekError& e) {
        return e.what();
    }
    return {};
}

TEST(WeatherDecoded, SameDatesTemperaturesAndFaultsAsLineByLine) {
    const std::string text = test::readFile(test::dataDir() + "milwaukee_1991_2020_daily.wth") +
                             "2021\t1\tx\t-3.0\r\n2021\t400\t1.0\t2.0\r\n";
    const WeatherFile plain = WeatherFile::parse("w.wth", text);
    WeatherFile decoded = WeatherFile::parse("w.wth", text);
    decoded.decodeDailyValues();
    ASSERT_EQ(plain.size(), decoded.size());
    for (size_t i = 0; i + 2 < plain.size(); ++i) {
        ASSERT_EQ(plain.dailyDate(i), decoded.dailyDate(i)) << i;
        double a = 0, b = 0, c = 0, d = 0;
        plain.temperatures(i, a, b);
        decoded.temperatures(i, c, d);
        ASSERT_EQ(a, c) << i;
        ASSERT_EQ(b, d) << i;
    }
    const size_t bad = plain.size() - 2;
    double t = 0, u = 0;
    const std::string message = errorOf([&] { plain.temperatures(bad, t, u); });
    EXPECT_FALSE(message.empty());
    EXPECT_EQ(errorOf([&] { decoded.temperatures(bad, t, u); }), message);
    const std::string dateMessage = errorOf([&] { plain.dailyDate(bad + 1); });
    EXPECT_NE(dateMessage.find("does not exist"), std::string::npos);
    EXPECT_EQ(errorOf([&] { decoded.dailyDate(bad + 1); }), dateMessage);
}

} // namespace
} // namespace orvek
