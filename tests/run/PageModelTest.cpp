#include "TestFolder.h"

#include "basics/Errors.h"
#include "formats/SettingFile.h"
#include "run/PageRules.h"
#include "run/StartUp.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace orvek {
namespace {

DateSerial ymd(int y, int m, int d) {
    DateSerial out = 0;
    tryEncodeDate(y, m, d, out);
    return out;
}

std::string errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const OrvekError& e) {
        return e.what();
    }
    return std::string();
}

// A session in a folder with the bundled files, started as the window and orvek-batch start.
struct StartedSession {
    test::TestFolder folder;
    Session session;
    StartedSession() {
        folder.copyStandardFiles();
        folder.copyData("milwaukee_1991_2020_daily.wth");
        EXPECT_EQ(startSession(session, folder.path()), "");
    }
};

TEST(PageModelDates, AWeatherFileNarrowsEveryDateFieldAndMovesDatesToTheNearerBound) {
    StartedSession s;
    PageModel m(s.session);
    PageState& p = s.session.page;
    m.setStartDate(ymd(1980, 5, 5));
    m.setEndDate(ymd(2030, 5, 5));
    m.setRowChecked(0, true);
    m.selectWeatherFile(s.folder.file("milwaukee_1991_2020_daily.wth"));
    EXPECT_EQ(p.firstDate, ymd(1991, 1, 1));
    EXPECT_EQ(p.lastDate, ymd(2020, 12, 31));
    EXPECT_EQ(p.startDate, ymd(1991, 1, 1));
    EXPECT_EQ(p.endDate, ymd(2020, 12, 31));
    EXPECT_EQ(p.rows[0].date, ymd(1991, 1, 1));
    EXPECT_EQ(p.rows[9].date, kInitialPickerDate); // inside the period: kept
    EXPECT_EQ(p.weatherFileName, "milwaukee_1991_2020_daily.wth");
    EXPECT_EQ(p.weatherPeriodText, "1/1/91 - 12/31/20");

    // From now on a date outside the period is refused, in the session's date format.
    s.session.shortDate = [](DateSerial) { return std::string("<date>"); };
    EXPECT_EQ(errorOf([&] { m.setRowDate(3, ymd(2021, 1, 1)); }), "Date exceeds maximum of <date>");
    EXPECT_EQ(errorOf([&] { m.setStartDate(ymd(1990, 12, 31)); }),
              "Date is less than minimum of <date>");
    EXPECT_EQ(p.startDate, ymd(1991, 1, 1));
}

TEST(PageModelDates, AWeatherFileThatFailsItsCheckChangesNothing) {
    StartedSession s;
    s.folder.write("bad.wth", "1991 1 nonsense\r\n");
    PageModel m(s.session);
    const PageState before = s.session.page;
    EXPECT_THROW(m.selectWeatherFile(s.folder.file("bad.wth")), OrvekError);
    EXPECT_EQ(settingFileContent(s.session.page), settingFileContent(before));
    EXPECT_EQ(s.session.page.lastDate, kLastFieldDate);
}

TEST(PageModelSoil, TypingWaitsForANumberRefusesWhatCannotBecomeOneAndLeavingEmptyGivesZero) {
    Session session;
    PageModel m(session);
    PageState& p = session.page;
    m.setSoilText(SoilField::Content, "10");
    m.setSoilText(SoilField::BulkDensity, "1.3");
    m.setSoilText(SoilField::Depth, "20");
    EXPECT_EQ(p.stockText, "26");

    m.typeSoilText(SoilField::Depth, ""); // cleared to type anew: stays empty, stock kept
    EXPECT_EQ(p.depthText, "");
    EXPECT_EQ(p.stockText, "26");
    m.typeSoilText(SoilField::Depth, "1e");
    EXPECT_EQ(p.stockText, "26");
    m.typeSoilText(SoilField::Depth, "1e1");
    EXPECT_EQ(p.stockText, "13");
    EXPECT_EQ(errorOf([&] { m.typeSoilText(SoilField::Depth, "1e1x"); }),
              "'1e1x' is not a valid floating point value");
    EXPECT_EQ(p.depthText, "1e1x"); // kept, as the field keeps it
    EXPECT_EQ(p.stockText, "13");

    m.typeSoilText(SoilField::Depth, "");
    m.leaveSoilField(SoilField::BulkDensity); // not empty: nothing to do
    EXPECT_EQ(p.depthText, "");
    m.leaveSoilField(SoilField::Depth);
    EXPECT_EQ(p.depthText, "0");
    EXPECT_EQ(p.stockText, "0");
}

TEST(PageModelSoil, TheSessionsSeparatorIsTakenBesideThePoint) {
    Session session;
    session.decimalSeparator = ',';
    PageModel m(session);
    m.setSoilText(SoilField::Content, "12,5");
    m.setSoilText(SoilField::BulkDensity, "1.35");
    m.typeSoilText(SoilField::Depth, "30");
    EXPECT_EQ(session.page.stockText, "50,625");
}

TEST(PageModelFiles, AnEmptyWeatherFolderIsTheStartFolder) {
    StartedSession s;
    PageModel m(s.session);
    m.setWeather("", "");
    EXPECT_EQ(s.session.page.weatherFolder, s.folder.path());
    m.setWeather("/data/weather/", "a.wth");
    EXPECT_EQ(s.session.page.weatherFolder, "/data/weather/");
    EXPECT_EQ(s.session.page.weatherFileName, "a.wth");
}

// A setting file named without a folder lies in the current folder: its relative weather file
// is found there, not in the start folder.
TEST(PageModelFiles, ASettingFileGivenByABareNameKeepsItsWeatherBesideIt) {
    StartedSession s;
    test::TestFolder here;
    PageState saved;
    saved.weatherFileName = "site.wth";
    here.write("bare.stg", settingFileContent(saved));
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(here.path());
    retrieveSettings(s.session, "bare.stg");
    std::filesystem::current_path(before);
    EXPECT_EQ(s.session.page.weatherFolder + s.session.page.weatherFileName, here.file("site.wth"));
}

TEST(PageModelFiles, ResetClearsRowsAndWeatherButKeepsDatesSourceAndEventsFile) {
    StartedSession s;
    PageModel m(s.session);
    PageState& p = s.session.page;
    m.setRowChecked(0, true);
    m.setRowCText(0, "2");
    m.setRowCnText(0, "40");
    m.setRowDate(0, ymd(2006, 3, 1));
    m.setWeather("/w/", "a.wth");
    m.setWeatherKindText("Daily weather data");
    m.setWeatherPeriodText("1/1/91 - 12/31/20");
    m.setDailyWeather(true);
    m.setEventsFile("/e/book.xls");
    m.resetPage();
    EXPECT_FALSE(p.rows[0].checked);
    EXPECT_EQ(p.rows[0].typeIndex, -1);
    EXPECT_EQ(p.rows[0].cText, "");
    EXPECT_EQ(p.rows[0].cnText, "");
    EXPECT_EQ(p.rows[0].date, ymd(2006, 3, 1));
    EXPECT_EQ(p.weatherFileName, "");
    EXPECT_EQ(p.weatherKindText, "");
    EXPECT_EQ(p.weatherPeriodText, "");
    EXPECT_EQ(p.stockText, "0");
    EXPECT_TRUE(p.dailyWeather);
    EXPECT_EQ(p.eventsFileName, "book.xls");
}

TEST(PageModelFiles, AChosenEventsWorkbookNamesTheWorkingFolder) {
    Session session;
    PageModel m(session);
    m.setEventsFile("/home/u/books/spring.xls");
    m.setWorkingFolderOf("/home/u/books/spring.xls");
    EXPECT_EQ(session.page.eventsFileName, "spring.xls");
    EXPECT_EQ(session.workingFolder, "/home/u/books/");
}

// The window starts through the same routine; its folder step runs before any file is read,
// and its failure ends the start-up before anything of the folder is used.
TEST(PageModelStartUp, TheFolderStepRunsBeforeTheFilesAndItsFailurePassesOn) {
    test::TestFolder f;
    f.copyStandardFiles();
    Session s;
    std::string prepared;
    EXPECT_EQ(startSession(s, f.path(),
                           [&](const std::string& folder) {
                               prepared = folder;
                               EXPECT_TRUE(s.substrates.empty());
                           }),
              "");
    EXPECT_EQ(prepared, f.path());
    EXPECT_EQ(s.substrates.size(), 6u);

    Session refused;
    EXPECT_THROW(
        startSession(refused, f.path(), [](const std::string&) { throw OrvekError("in use"); }),
        OrvekError);
    EXPECT_TRUE(refused.substrates.empty());
    EXPECT_EQ(refused.page.soilCText, "");
}

} // namespace
} // namespace orvek
