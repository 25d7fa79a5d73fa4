// Text files as editors on other desktops save them: with a UTF-8 byte-order mark, as UTF-16,
// or with the old Ctrl-Z end-of-file mark. Every text file the program reads takes the first
// and the last as plain text and refuses the second with a message saying what to do.

#include "TestFolder.h"

#include "basics/Errors.h"
#include "basics/Text.h"
#include "formats/OptionsFile.h"
#include "model/Events.h"
#include "model/Parameters.h"
#include "model/RunState.h"
#include "model/Weather.h"
#include "run/StartUp.h"

#include <gtest/gtest.h>

#include <functional>

namespace orvek {
namespace {

const std::string kBom = "\xEF\xBB\xBF";

// The text as an editor saves it in "Unicode": UTF-16 little-endian with its mark, or
// big-endian without one.
std::string utf16(const std::string& ascii, bool littleEndian = true, bool mark = true) {
    std::string out = mark ? (littleEndian ? "\xFF\xFE" : "\xFE\xFF") : "";
    for (char c : ascii) {
        out += littleEndian ? std::string{c, '\0'} : std::string{'\0', c};
    }
    return out;
}

std::string errorOf(const std::function<void()>& read) {
    try {
        read();
    } catch (const OrvekError& e) {
        return e.what();
    }
    return "(read)";
}

std::string utf16Message(const std::string& path) {
    return "File '" + path + "' holds UTF-16 text; save it as UTF-8 or ANSI text.";
}

TEST(Encoding, AByteOrderMarkDoesNotChangeTheMode) {
    test::TestFolder f;
    f.copyStandardFiles();
    f.copyData("Example.stg");
    f.copyData("milwaukee_1991_2020_daily.wth");
    // "Y" on line 1 of both files means C only; behind a mark it used to read as C & N.
    f.write("Option.Orvek", kBom + f.read("Option.Orvek").replace(0, 1, "Y"));
    Session s;
    ASSERT_EQ(startSession(s, f.path()), "");
    EXPECT_TRUE(s.page.carbonOnly);
    std::string settings = f.read("Example.stg");
    settings.replace(0, 1, "Y");
    f.write("marked.stg", kBom + settings);
    s.page.carbonOnly = false;
    retrieveSettings(s, f.file("marked.stg"));
    EXPECT_TRUE(s.page.carbonOnly);
    EXPECT_EQ(s.page.soilCText, "12.5");
}

TEST(Encoding, UTF16FilesAreRefusedWithWhatToDo) {
    test::TestFolder f;
    f.copyStandardFiles();
    f.copyData("Example.stg");
    const std::string settings = f.read("Example.stg");
    f.write("unicode.stg", utf16(settings));
    Session s;
    ASSERT_EQ(startSession(s, f.path()), "");
    EXPECT_EQ(errorOf([&] { retrieveSettings(s, f.file("unicode.stg")); }),
              utf16Message(f.file("unicode.stg")));
    // Big-endian without a mark is recognised by its zero bytes.
    f.write("bare.stg", utf16(settings, false, false));
    EXPECT_EQ(errorOf([&] { retrieveSettings(s, f.file("bare.stg")); }),
              utf16Message(f.file("bare.stg")));

    f.write("site.wth", utf16(test::constantDailyWeather(2005, 1, 30, 20, 10)));
    EXPECT_EQ(errorOf([&] { WeatherFile::load(f.file("site.wth")); }),
              utf16Message(f.file("site.wth")));
    f.write("Parameter.Orvek", utf16(f.read("Parameter.Orvek")));
    EXPECT_EQ(errorOf([&] { readParameterFile(f.file("Parameter.Orvek")); }),
              utf16Message(f.file("Parameter.Orvek")));
    f.write("Substrates.Orvek", utf16(f.read("Substrates.Orvek"), true, false));
    EXPECT_EQ(errorOf([&] { readSubstrateList(f.file("Substrates.Orvek")); }),
              utf16Message(f.file("Substrates.Orvek")));
    f.copyStandardFiles();
    f.write("Option.Orvek", utf16(f.read("Option.Orvek")));
    EXPECT_EQ(startSession(s, f.path()), utf16Message(f.file("Option.Orvek")));
}

TEST(Encoding, ATrailingCtrlZEndsTheText) {
    test::TestFolder f;
    const std::string weather = test::constantDailyWeather(2005, 1, 30, 20, 10);
    f.write("site.wth", weather + "\x1A");
    const WeatherFile w = WeatherFile::load(f.file("site.wth"));
    EXPECT_EQ(w.size(), 30u);
    EXPECT_EQ(scanWeatherFile(w).last, scanWeatherFile(WeatherFile::parse("x", weather)).last);

    f.write("Substrates.Orvek", "Wheat straw\r\nRoots\r\n\x1A");
    EXPECT_EQ(readSubstrateList(f.file("Substrates.Orvek")),
              (std::vector<std::string>{"Wheat straw", "Roots"}));

    RunState run;
    run.carbonOnly = true;
    run.startDate = 38353;
    run.endDate = 38353 + 365;
    readInputEvents(kBom + inputEventsHeading() + "1\t2\t1\t2005\t1\t4.000\r\n\x1A\x1A", run);
    EXPECT_FALSE(run.error) << run.message;
    EXPECT_EQ(run.events.size(), 1u);

    // A Ctrl-Z with text after it is no end mark; the text is read and its fault shown.
    f.write("mid.wth", weather + "\x1A" + "2005\t31\t20\t10\r\n");
    EXPECT_EQ(errorOf([&] { WeatherFile::load(f.file("mid.wth")); }),
              "File \"" + f.file("mid.wth") +
                  "\", line 35: '\\x1A2005' is not a valid integer "
                  "value");
}

} // namespace
} // namespace orvek
