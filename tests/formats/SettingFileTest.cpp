#include "RunFixture.h"

#include "basics/Errors.h"
#include "basics/Text.h"
#include "formats/SettingFile.h"
#include "run/StartUp.h"

#include <gtest/gtest.h>

namespace orvek {
namespace {

using test::date;

std::vector<std::string> linesOf(const PageState& p) {
    return splitLines(settingFileContent(p));
}

// A session started in a folder with the bundled files, as the program starts.
struct SessionFixture {
    test::TestFolder folder;
    Session session;
    SessionFixture() {
        folder.copyStandardFiles();
        EXPECT_EQ(startSession(session, folder.path()), "");
    }
    void retrieve(const std::string& content) {
        folder.write("s.stg", content);
        retrieveSettings(session, folder.file("s.stg"));
    }
};

TEST(SettingFile, SixtySevenLinesInTheirOrder) {
    PageState p;
    p.carbonOnly = true;
    p.weatherFolder = "/data/weather/";
    p.weatherFileName = "site.wth";
    p.dailyWeather = true;
    p.weatherKindText = "Daily weather data";
    p.weatherPeriodText = "1/1/91 - 12/31/20";
    p.startDate = 38353;
    p.endDate = 39082;
    p.rows[0] = {true, 0, "2.5", "", 38353};
    p.rows[1] = {true, 3, "1.2", "45", 38718};
    p.soilCText = "12.5";
    p.bulkDensityText = "1.35";
    p.depthText = "30";
    p.stockText = "50.625";
    p.nminText = "40";
    p.textureIndex = 1;
    p.dailyOutput = false;
    const std::vector<std::string> l = linesOf(p);
    ASSERT_EQ(l.size(), 67u);
    EXPECT_EQ(l[0], "Y");
    EXPECT_EQ(l[1], "/data/weather/site.wth");
    EXPECT_EQ(l[2], "Y");
    EXPECT_EQ(l[5], "38353");
    EXPECT_EQ(l[7], "P");
    EXPECT_EQ(l[8], "Skip");
    EXPECT_EQ(l[9], "Y");
    EXPECT_EQ(l[10], "Y");
    for (int k = 11; k < 19; ++k) {
        EXPECT_EQ(l[static_cast<size_t>(k)], "N");
    }
    EXPECT_EQ(l[19], "0");
    EXPECT_EQ(l[20], "3");
    EXPECT_EQ(l[21], "-1");
    EXPECT_EQ(l[29], "2.5");
    EXPECT_EQ(l[39], "");
    EXPECT_EQ(l[40], "45");
    EXPECT_EQ(l[50], "38718");
    EXPECT_EQ(l[62], "50.625");
    EXPECT_EQ(l[64], "1");
    EXPECT_EQ(l[66], "M");
    EXPECT_TRUE(settingFileContent(p).ends_with("\r\nM\r\n"));

    p.eventsOnPanel = false;
    p.eventsFile = "/home/u/Input events-1.xls";
    p.weatherFileName.clear();
    const std::vector<std::string> w = linesOf(p);
    EXPECT_EQ(w[7], "F");
    EXPECT_EQ(w[8], "/home/u/Input events-1.xls");
    EXPECT_EQ(w[1], "/data/weather/");
}

TEST(SettingFile, RoundTripThroughRetrieval) {
    SessionFixture f;
    PageState& p = f.session.page;
    p.carbonOnly = false;
    p.weatherFolder = f.folder.path();
    p.weatherFileName = "site.wth";
    p.dailyWeather = true;
    p.startDate = date(2005, 1, 1);
    p.endDate = date(2009, 12, 31);
    p.rows[0] = {true, 5, "3.0", "20", date(2005, 4, 1)};
    p.rows[1] = {false, 2, "1", "15", date(2004, 2, 29)};
    p.rows[2] = {true, 1, "2,5", "x", date(2006, 5, 7)}; // texts are kept as typed
    p.stockText = "99"; // the saved stock wins over the one computed on retrieval
    const std::string saved = settingFileContent(p);
    f.retrieve(saved);
    EXPECT_EQ(settingFileContent(f.session.page), saved);

    // Over a page in the other mode and source.
    SessionFixture g;
    g.session.page.carbonOnly = true;
    g.session.page.eventsOnPanel = false;
    g.retrieve(saved);
    EXPECT_FALSE(g.session.page.carbonOnly);
    EXPECT_TRUE(g.session.page.eventsOnPanel);
    EXPECT_TRUE(g.session.page.rowCnEnabled(0));
    EXPECT_EQ(g.session.page.rows[0].typeIndex, 5); // the saved type, not the rule's first entry
    EXPECT_EQ(g.session.page.rows[0].date, date(2005, 4, 1));
    EXPECT_EQ(settingFileContent(g.session.page), saved);
}

TEST(SettingFile, WorkbookModeKeepsTheRowsUnchecked) {
    SessionFixture f;
    PageState p;
    p.eventsOnPanel = false;
    p.eventsFile = "/home/u/My events.xls";
    p.rows[3].checked = true; // written by hand into the file
    std::string content = settingFileContent(p);
    f.retrieve(content);
    EXPECT_FALSE(f.session.page.eventsOnPanel);
    EXPECT_EQ(f.session.page.eventsFileName, "My events.xls");
    EXPECT_EQ(f.session.page.eventsFile, "/home/u/My events.xls");
    for (const EventRowState& r : f.session.page.rows) {
        EXPECT_FALSE(r.checked);
    }
}

TEST(SettingFile, RelativePathsAreTakenFromTheSettingFilesFolder) {
    SessionFixture f;
    PageState p;
    p.weatherFolder = "";
    p.weatherFileName = "site.wth";
    f.retrieve(settingFileContent(p));
    EXPECT_EQ(f.session.page.weatherFolder, f.folder.path());
    EXPECT_EQ(f.session.page.weatherFileName, "site.wth");
    p.weatherFolder = "C:\\Orvek\\";
    f.retrieve(settingFileContent(p));
    EXPECT_EQ(f.session.page.weatherFolder, "C:\\Orvek\\");
}

TEST(SettingFile, BadLineStopsWithTheLinesBeforeItApplied) {
    SessionFixture f;
    PageState p;
    p.carbonOnly = false;
    p.startDate = date(2006, 1, 1);
    std::vector<std::string> l = linesOf(p);
    l[6] = "tomorrow"; // the end date
    std::string content;
    for (const std::string& s : l) {
        content += s + "\r\n";
    }
    const PageState before = f.session.page;
    try {
        f.retrieve(content);
        FAIL();
    } catch (const OrvekError& e) {
        EXPECT_STREQ(e.what(), "Invalid numeric input");
    }
    EXPECT_FALSE(f.session.page.carbonOnly);               // line 1 applied
    EXPECT_EQ(f.session.page.startDate, date(2006, 1, 1)); // line 6 applied
    EXPECT_EQ(f.session.page.endDate, before.endDate);     // line 7 not
    EXPECT_EQ(f.session.page.soilCText, before.soilCText);

    for (const char* bad : {"99999999999", "1.5", ""}) {
        l = linesOf(p);
        l[64] = bad; // texture: not a whole number of 32 bits
        content.clear();
        for (const std::string& s : l) {
            content += s + "\r\n";
        }
        EXPECT_THROW(f.retrieve(content), OrvekError) << bad;
    }
    l = linesOf(p);
    l[55] = "3000000"; // a date no date field can hold
    content.clear();
    for (const std::string& s : l) {
        content += s + "\r\n";
    }
    EXPECT_THROW(f.retrieve(content), OrvekError);
}

TEST(SettingFile, ShortFileAndOldPlatformText) {
    SessionFixture f;
    // Missing lines read as empty: the flag lines take their "other letter" branch, and the
    // first date line stops the reading.
    EXPECT_THROW(f.retrieve("Y\r\n/w/x.wth\r\n"), OrvekError);
    EXPECT_TRUE(f.session.page.carbonOnly);
    EXPECT_EQ(f.session.page.weatherFileName, "x.wth");
    EXPECT_FALSE(f.session.page.dailyWeather);
    // A line in Windows-1252 is converted.
    PageState p;
    p.soilCText = "12";
    std::string content;
    std::vector<std::string> l = linesOf(p);
    l[3] = "Donn\xe9"
           "es journali\xe8res";
    for (const std::string& s : l) {
        content += s + "\r\n";
    }
    f.retrieve(content);
    EXPECT_EQ(f.session.page.weatherKindText, "Donn\xc3\xa9"
                                              "es journali\xc3\xa8res");
}

TEST(SettingFile, MissingFileChangesNothing) {
    SessionFixture f;
    const std::string before = settingFileContent(f.session.page);
    EXPECT_THROW(retrieveSettings(f.session, f.folder.file("none.stg")), OrvekError);
    EXPECT_EQ(settingFileContent(f.session.page), before);
}

} // namespace
} // namespace orvek
