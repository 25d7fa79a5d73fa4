#include "TestFolder.h"

#include "basics/Errors.h"
#include "formats/OptionsFile.h"
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

TEST(StartUp, AppliesTheBundledOptions) {
    test::TestFolder f;
    test::TestFolder documents;
    const test::ScopedVariable docs("XDG_DOCUMENTS_DIR", documents.path().c_str());
    f.copyStandardFiles();
    Session s;
    EXPECT_EQ(startSession(s, f.path()), "");
    EXPECT_EQ(s.startFolder, f.path());
    EXPECT_EQ(s.substrates.size(), 6u);
    EXPECT_FALSE(s.page.carbonOnly);
    EXPECT_EQ(s.page.startDate, 38353);
    EXPECT_EQ(s.page.soilCText, "12.5");
    EXPECT_EQ(s.page.stockText, "50.625");
    EXPECT_EQ(s.page.textureIndex, 1);
    EXPECT_EQ(s.page.weatherFolder, f.path()); // an empty weather folder line means StartFolder
    // and an empty working folder line the user's documents, never the program's own folder.
    EXPECT_EQ(s.workingFolder, documents.path());
}

TEST(StartUp, WindowCleanUpRemovesWorkingFilesButNotHiddenOnes) {
    test::TestFolder f;
    f.copyStandardFiles();
    for (const char* name : {"~x.xls", "~Y.XLS", "DailyWth.~", "ResultDaily.~", ".~y.xls",
                             ".hidden.~", "keep.xls", "x~.xls"}) {
        f.write(name, "x");
    }
    std::filesystem::create_directory(f.file("folder.~"));
    deleteTempFiles(f.path()); // what the window does in its start folder
    for (const char* gone : {"~x.xls", "~Y.XLS", "DailyWth.~", "ResultDaily.~"}) {
        EXPECT_FALSE(f.exists(gone)) << gone;
    }
    for (const char* kept : {".~y.xls", ".hidden.~", "keep.xls", "x~.xls", "folder.~"}) {
        EXPECT_TRUE(f.exists(kept)) << kept;
    }
}

// A window-less session is started in folders the user chose; it deletes nothing there.
TEST(StartUp, SessionWithoutWindowDeletesNothing) {
    test::TestFolder f;
    f.copyStandardFiles();
    for (const char* name : {"~Budget 2024.xls", "draft.~", "DailyWth.~"}) {
        f.write(name, "mine");
    }
    Session s;
    EXPECT_EQ(startSession(s, f.path()), "");
    for (const char* kept : {"~Budget 2024.xls", "draft.~", "DailyWth.~"}) {
        EXPECT_EQ(f.read(kept), "mine") << kept;
    }
}

TEST(StartUp, MissingFilesStopTheStartUpWithTheirMessage) {
    test::TestFolder f;
    Session s;
    EXPECT_NE(startSession(s, f.path()).find("Cannot open file"), std::string::npos);
    f.copyData("Substrates.Orvek");
    EXPECT_EQ(startSession(s, f.path()), "File not found");
}

TEST(Options, FoldersFallBackToTheStartFolderAndTheDocumentsFolder) {
    test::TestFolder f;
    test::TestFolder documents;
    const test::ScopedVariable docs("XDG_DOCUMENTS_DIR", documents.path().c_str());
    f.copyStandardFiles();
    std::filesystem::create_directory(f.file("weather"));
    OptionsValues v;
    v.carbonOnly = true;
    v.startDate = ymd(2010, 3, 1);
    v.soilC = "";
    v.bulkDensity = "1.4";
    v.depth = "25";
    v.nmin = "12";
    v.textureIndex = -1;
    v.weatherFolder = f.file("weather");
    v.workingFolder = "   ";
    f.write("Option.Orvek", optionsFileContent(v));
    Session s;
    EXPECT_EQ(startSession(s, f.path()), "");
    EXPECT_TRUE(s.page.carbonOnly);
    EXPECT_EQ(s.page.startDate, ymd(2010, 3, 1));
    EXPECT_EQ(s.page.soilCText, "0"); // an empty soil field becomes 0
    EXPECT_EQ(s.page.stockText, "0");
    EXPECT_EQ(s.page.textureIndex, -1);
    EXPECT_EQ(s.page.weatherFolder, f.file("weather") + "/");
    EXPECT_EQ(s.workingFolder, documents.path()); // a blank line names no folder
    EXPECT_EQ(optionsFileContent(v).substr(0, 8), "Y\r\n40238");
}

TEST(Options, UnreadableNumberStopsLoading) {
    test::TestFolder f;
    f.copyStandardFiles();
    f.write("Option.Orvek", "Y\r\n38353\r\n20\r\n1.5\r\n10\r\n5\r\nLoam\r\n0\r\nN\r\n\r\n\r\n");
    Session s;
    EXPECT_EQ(startSession(s, f.path()),
              "File \"" + f.file("Option.Orvek") + "\", line 7: Invalid numeric input");
    EXPECT_EQ(s.page.soilCText, "20"); // the lines before it applied
    EXPECT_EQ(s.page.stockText, "30");
}

TEST(PageRules, DefaultRowDates) {
    EXPECT_EQ(defaultRowDate(ymd(2004, 3, 1), ymd(2010, 1, 1)), ymd(2005, 3, 2));     // day 61
    EXPECT_EQ(defaultRowDate(ymd(2004, 2, 29), ymd(2010, 1, 1)), ymd(2005, 3, 1));    // day 60
    EXPECT_EQ(defaultRowDate(ymd(2004, 12, 31), ymd(2010, 1, 1)), ymd(2005, 12, 31)); // day 366
    EXPECT_EQ(defaultRowDate(ymd(2005, 6, 1), ymd(2005, 12, 31)), ymd(2005, 12, 31)); // capped
}

// A session with the six bundled substrate types and nothing read yet.
Session sixTypes() {
    Session s;
    s.substrates.resize(6);
    return s;
}

TEST(PageRules, RowsModeAndSource) {
    Session s = sixTypes();
    PageState& p = s.page;
    p.startDate = ymd(2005, 1, 1);
    p.endDate = ymd(2008, 6, 30);
    PageModel m(s);
    m.setRowChecked(0, true);
    EXPECT_EQ(p.rows[0].date, p.startDate);
    EXPECT_EQ(p.rows[0].typeIndex, 0);
    m.setRowChecked(2, true); // from row 2's date although row 2 is unchecked
    EXPECT_EQ(p.rows[2].date, defaultRowDate(p.rows[1].date, p.endDate));
    p.rows[0].cText = "2";
    p.rows[0].typeIndex = 4;
    m.setRowChecked(0, false);
    m.setRowChecked(0, true);
    EXPECT_EQ(p.rows[0].cText, "2"); // texts stay, the type is reset
    EXPECT_EQ(p.rows[0].typeIndex, 0);
    EXPECT_FALSE(p.rowCnEnabled(0)); // C only
    m.setCarbonOnly(false);
    EXPECT_TRUE(p.rowCnEnabled(0));
    m.setEventsOnPanel(false);
    for (const EventRowState& r : p.rows) {
        EXPECT_FALSE(r.checked);
    }
    m.setEventsOnPanel(true);
    EXPECT_FALSE(p.rows[0].checked);
}

TEST(PageRules, SoilStock) {
    EXPECT_EQ(soilStockText("12.5", "1.35", "30", '.'), "50.625");
    EXPECT_EQ(soilStockText("10", "1.3", "20", '.'), "26");
    EXPECT_EQ(soilStockText("10", "1,3", "20", ','), "26");
    EXPECT_THROW(soilStockText("10", "abc", "20", '.'), OrvekError);
    Session s = sixTypes();
    PageState& p = s.page;
    PageModel m(s);
    m.setSoilText(SoilField::Content, "10");
    m.setSoilText(SoilField::BulkDensity, "1.3");
    m.setSoilText(SoilField::Depth, "");
    EXPECT_EQ(p.depthText, "0");
    EXPECT_EQ(p.stockText, "0");
}

} // namespace
} // namespace orvek
