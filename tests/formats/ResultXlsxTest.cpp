// The .xlsx export read back by LibreOffice, cell for cell, and its file handling.

#include "formats/ResultXlsx.h"

#include "LibreOffice.h"
#include "RunFixture.h"
#include "TestFolder.h"
#include "basics/Errors.h"
#include "formats/ResultFiles.h"
#include "run/ResultExports.h"
#include "xls/Workbook.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

namespace orvek {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> folderNames(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<WorkbookCell> smallCells() {
    const std::string daily = resultFileHeader(true, true) + "38353\t1\t26.00\t0.00\t26.00\t\r\n";
    return resultWorkbookCells(daily, "Settings for the simulation:\r\n", true,
                               WorkbookStop::AtEndDate, 38353, 1);
}

TEST(ResultXlsx, RefusesReadOnlyTargetsAndLeavesNoTemporaries) {
    test::TestFolder folder;
    saveResultXlsx(smallCells(), folder.file("a.xlsx"));
    EXPECT_EQ(folder.read("a.xlsx").substr(0, 2), "PK");
    EXPECT_EQ(folderNames(folder.path()), std::vector<std::string>{"a.xlsx"});

    folder.write("locked.xlsx", "keep me");
    ::chmod(folder.file("locked.xlsx").c_str(), 0444);
    try {
        saveResultXlsx(smallCells(), folder.file("locked.xlsx"));
        ADD_FAILURE() << "a read-only file was replaced";
    } catch (const OrvekError& e) {
        EXPECT_NE(std::string(e.what()).find("locked.xlsx"), std::string::npos) << e.what();
    }
    EXPECT_EQ(folder.read("locked.xlsx"), "keep me");
    EXPECT_THROW(saveResultXlsx(smallCells(), folder.file("missing/a.xlsx")), OrvekError);
    // A folder where the file should be: the message names the target, the folder stays.
    fs::create_directory(folder.file("dir.xlsx"));
    EXPECT_THROW(saveResultXlsx(smallCells(), folder.file("dir.xlsx")), OrvekError);
    EXPECT_TRUE(fs::is_directory(folder.file("dir.xlsx")));
    EXPECT_EQ(folderNames(folder.path()),
              (std::vector<std::string>{"a.xlsx", "dir.xlsx", "locked.xlsx"}));
}

// The sheet's own XML, through Python's zip reader.
std::string sheetXml(const test::TestFolder& folder, const std::string& name) {
    const std::string command = "/usr/bin/python3 -c \"import sys, zipfile; "
                                "sys.stdout.write(zipfile.ZipFile(sys.argv[1]).read("
                                "'xl/worksheets/sheet1.xml').decode())\" '" +
                                folder.file(name) + "' > '" + folder.file("sheet.xml") + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
    return folder.read("sheet.xml");
}

TEST(ResultXlsx, HeadingRowsFrozenAndColumnsFitted) {
    test::TestFolder folder;
    saveResultXlsx(smallCells(), folder.file("a.xlsx"));
    const std::string xml = sheetXml(folder, "a.xlsx");
    EXPECT_NE(xml.find("ySplit=\"4\""), std::string::npos) << xml;
    EXPECT_NE(xml.find("state=\"frozen\""), std::string::npos);
    // Every column has a width, none narrower than the .xls export's date column.
    for (int col = 1; col <= 5; ++col) {
        const std::string tag =
            "<col min=\"" + std::to_string(col) + "\" max=\"" + std::to_string(col) + "\" width=\"";
        const size_t at = xml.find(tag);
        ASSERT_NE(at, std::string::npos) << tag << "\n" << xml;
        EXPECT_GE(std::stod(xml.substr(at + tag.size(), 8)), 8.0) << tag;
    }
}

struct ExportRun : test::RunFixture {
    RunOutcome outcome;
    explicit ExportRun(bool carbonOnly) {
        useMilwaukeeWeather();
        page.carbonOnly = carbonOnly;
        page.startDate = test::date(2005, 1, 1);
        page.endDate = test::date(2007, 6, 30);
        setRow(1, 1, "4", "90", test::date(2005, 8, 1));
        setRow(2, 3, "2", "20", test::date(2006, 4, 15));
        outcome = run();
        EXPECT_TRUE(outcome.ok) << outcome.message;
    }
};

// Every cell the .xls export would write, read back from LibreOffice's own conversion of the
// .xlsx file: texts, the dates' day numbers and every value as the result file has it.
TEST(ResultXlsxExport, LibreOfficeReadsItEqualToTheResultFiles) {
    if (!test::haveLibreOffice()) {
        GTEST_SKIP() << "LibreOffice is not installed";
    }
    ExportRun run(false);
    saveResultsXlsx(ResultExportFiles{run.folder.path(), run.outcome.last, true},
                    run.folder.file("daily.xlsx"));
    saveResultsXlsx(ResultExportFiles{run.folder.path(), run.outcome.last, false},
                    run.folder.file("monthly.xlsx"), XlsxMemory::ConstantMemory);
    fs::create_directory(run.folder.file("out"));
    ASSERT_EQ(test::convertWithLibreOffice(run.folder.path(), "xls:\"MS Excel 97\"",
                                           {"daily.xlsx", "monthly.xlsx"}, run.folder.file("out")),
              "");
    for (const bool daily : {true, false}) {
        const std::vector<WorkbookCell> expected = resultWorkbookCells(
            run.folder.read(daily ? kResultDailyFileName : kResultMonthlyFileName),
            run.folder.read(kSettingRecordFileName), false, WorkbookStop::AtEndDate,
            run.outcome.last.endDate, run.outcome.last.lastDAS);
        xls::TXLSFile book;
        book.OpenFile(run.folder.file(daily ? "out/daily.xls" : "out/monthly.xls"));
        const xls::TCells& cells = book.Workbook().Sheets().Items(0).Cells();
        int lastRow = 0;
        for (const WorkbookCell& c : expected) {
            const xls::Variant& v = cells.ValueAt(c.row, c.column);
            lastRow = std::max(lastRow, c.row);
            if (c.kind == WorkbookCell::Kind::String) {
                ASSERT_EQ(v.ToString(), c.text) << c.row << "," << c.column;
            } else {
                ASSERT_FALSE(v.IsText() || v.IsEmpty()) << c.row << "," << c.column;
                ASSERT_EQ(v.ToDouble(), c.number) << c.row << "," << c.column;
            }
        }
        EXPECT_GT(lastRow, daily ? 900 : 40);
        EXPECT_TRUE(cells.ValueAt(lastRow + 1, 0).IsEmpty());
    }
}

// A 200-year daily table does not fit an .xls sheet; the .xlsx file holds all of it.
TEST(ResultXlsxExport, HoldsMoreRowsThanAnXlsSheet) {
    if (!test::haveLibreOffice()) {
        GTEST_SKIP() << "LibreOffice is not installed";
    }
    constexpr int kRows = 73050;
    std::string daily = resultFileHeader(true, true);
    for (int r = 1; r <= kRows; ++r) {
        daily += std::to_string(38352 + r) + "\t" + std::to_string(r) + "\t26.00\t" +
                 std::to_string(r % 100) + ".25\t1.50\t\r\n";
    }
    test::TestFolder folder;
    saveResultXlsx(resultWorkbookCells(daily, "Settings for the simulation:\r\n", true,
                                       WorkbookStop::AtEndDate, 0, kRows),
                   folder.file("long.xlsx"));
    ASSERT_EQ(test::convertWithLibreOffice(folder.path(), "csv", {"long.xlsx"}, folder.path()), "");
    const std::string csv = folder.read("long.csv");
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 4 + kRows + 2) << csv.substr(0, 400);
    EXPECT_NE(csv.find("," + std::to_string(kRows) + ",26,50.25,1.5"), std::string::npos);
    EXPECT_NE(csv.find("Settings for the simulation:"), std::string::npos);
}

} // namespace
} // namespace orvek
