// The CSV export: its exact text, and the same file read back by pandas and by LibreOffice.

#include "formats/ResultCsv.h"

#include "LibreOffice.h"
#include "RunFixture.h"
#include "TestFolder.h"
#include "basics/Errors.h"
#include "formats/ResultFiles.h"
#include "run/ResultExports.h"
#include "xls/Workbook.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>

namespace orvek {
namespace {

std::string cnDaily() {
    return resultFileHeader(true, false) +
           "38353\t1\t26.00\t0.00\t26.00\t0.0\t50.0\t2650\t0.0\t10.0\t\r\n"
           "38354\t2\t25.99\t2.50\t28.49\t0.1\t50.1\t2681\t80.0\t10.0\t\r\n"
           "38355\t3\t25.98\t2.45\t28.43\t-0.4\t49.6\t2681\t75.2\t10.0\t\r\n";
}

const std::string kRecord = "Settings for the simulation:\r\n  Carbon and nitrogen\r\n\r\n";

CsvRequest request(bool daily, bool carbonOnly, DateSerial end, bool comments = false) {
    CsvRequest r;
    r.daily = daily;
    r.carbonOnly = carbonOnly;
    r.endDate = end;
    r.settingComments = comments;
    return r;
}

TEST(ResultCsv, DailyCarbonAndNitrogenText) {
    EXPECT_EQ(resultCsv(cnDaily(), kRecord, request(true, false, 38355)),
              "date,DAS,SOM_C_Mg_ha,res_C_Mg_ha,ttl_C_Mg_ha,net_Nm_kg_ha,ttl_Nm_kg_ha,"
              "ttl_N_kg_ha,res_CN,SOM_CN\n"
              "2005-01-01,1,26.00,0.00,26.00,0.0,50.0,2650,0.0,10.0\n"
              "2005-01-02,2,25.99,2.50,28.49,0.1,50.1,2681,80.0,10.0\n"
              "2005-01-03,3,25.98,2.45,28.43,-0.4,49.6,2681,75.2,10.0\n");
}

TEST(ResultCsv, MonthlyCarbonOnlyHeaderAndColumns) {
    const std::string monthly = resultFileHeader(false, true) +
                                "38353\t0\t26.00\t0.00\t26.00\t\r\n"
                                "38384\t1\t25.70\t1.25\t26.95\t\r\n";
    EXPECT_EQ(resultCsv(monthly, kRecord, request(false, true, 40000)),
              "date,MAS,SOM_C_Mg_ha,res_C_Mg_ha,ttl_C_Mg_ha\n"
              "2005-01-01,0,26.00,0.00,26.00\n"
              "2005-02-01,1,25.70,1.25,26.95\n");
    EXPECT_EQ(resultCsvHeader(true, true), "date,DAS,SOM_C_Mg_ha,res_C_Mg_ha,ttl_C_Mg_ha");
}

TEST(ResultCsv, StopsAfterTheEndDateAndAtABlankLine) {
    const std::string two = resultCsv(cnDaily(), kRecord, request(true, false, 38354));
    EXPECT_EQ(std::count(two.begin(), two.end(), '\n'), 3);
    const std::string blank = resultFileHeader(true, true) + "38353\t1\t1.00\t0.00\t1.00\t\r\n\r\n";
    EXPECT_EQ(resultCsv(blank, kRecord, request(true, true, 0)),
              "date,DAS,SOM_C_Mg_ha,res_C_Mg_ha,ttl_C_Mg_ha\n2005-01-01,1,1.00,0.00,1.00\n");
    // A file with its header only gives the CSV header only.
    EXPECT_EQ(resultCsv(resultFileHeader(false, true), kRecord, request(false, true, 0)),
              "date,MAS,SOM_C_Mg_ha,res_C_Mg_ha,ttl_C_Mg_ha\n");
}

TEST(ResultCsv, SettingRecordAsCommentsOnlyWhenAsked) {
    const std::string plain = resultCsv(cnDaily(), kRecord, request(true, false, 38355));
    EXPECT_EQ(plain.find('#'), std::string::npos);
    const std::string commented = resultCsv(cnDaily(), kRecord, request(true, false, 38355, true));
    EXPECT_EQ(commented.substr(0, 61),
              "# Settings for the simulation:\n#   Carbon and nitrogen\n#\ndate");
}

TEST(ResultCsv, ModernDatesAndLeapDays) {
    const std::string daily = resultFileHeader(true, true) + "36950\t1\t1.00\t0.00\t1.00\t\r\n"
                                                             "47177\t2\t1.00\t0.00\t1.00\t\r\n";
    const std::string csv = resultCsv(daily, kRecord, request(true, true, 0));
    EXPECT_NE(csv.find("\n2001-02-28,1,"), std::string::npos) << csv;
    EXPECT_NE(csv.find("\n2029-02-28,2,"), std::string::npos) << csv;
}

TEST(ResultCsv, MalformedRowsAreRefusedWithTheirNumber) {
    const std::string header = resultFileHeader(true, true);
    const auto fails = [&](const std::string& rows, const std::string& needle) {
        try {
            resultCsv(header + rows, kRecord, request(true, true, 0));
            ADD_FAILURE() << "accepted: " << rows;
        } catch (const OrvekError& e) {
            EXPECT_NE(std::string(e.what()).find(needle), std::string::npos) << e.what();
        }
    };
    fails("38353\t1\t1.00\t0.00\t1.00\t\r\n38354\t2\t1.00\t\r\n", "row 2");
    fails("38353\t1\tabc\t0.00\t1.00\t\r\n", "'abc'");
    fails("38353\t1\tnan\t0.00\t1.00\t\r\n", "row 1");
    fails("38353.5\t1\t1.00\t0.00\t1.00\t\r\n", "not a valid date");
    fails("-5\t1\t1.00\t0.00\t1.00\t\r\n", "not a valid date");
}

// A real two-year run with four events, as the window leaves it.
struct ExportRun : test::RunFixture {
    RunOutcome outcome;
    explicit ExportRun(bool carbonOnly) {
        useMilwaukeeWeather();
        page.carbonOnly = carbonOnly;
        page.startDate = test::date(2005, 1, 15);
        page.endDate = test::date(2006, 12, 31);
        setRow(1, 1, "4", "90", test::date(2005, 8, 1));
        setRow(2, 6, "3", "15", test::date(2006, 4, 15));
        outcome = run();
        EXPECT_TRUE(outcome.ok) << outcome.message;
    }
    ResultExportFiles files(bool daily) const {
        return ResultExportFiles{folder.path(), outcome.last, daily};
    }
};

TEST(ResultCsvExport, ReplacesOnlyWritableFilesAndLeavesNothingOnFailure) {
    ExportRun run(false);
    const std::string target = run.folder.file("out.csv");
    saveResultsCsv(run.files(true), target, false);
    EXPECT_EQ(run.folder.read("out.csv").substr(0, 9), "date,DAS,");
    run.folder.write("locked.csv", "keep me");
    ::chmod(run.folder.file("locked.csv").c_str(), 0444);
    EXPECT_THROW(saveResultsCsv(run.files(true), run.folder.file("locked.csv"), false), OrvekError);
    EXPECT_EQ(run.folder.read("locked.csv"), "keep me");
    EXPECT_THROW(saveResultsCsv(run.files(true), run.folder.file("missing/out.csv"), false),
                 OrvekError);
}

// pandas' default reader takes the file as it is and finds the result file's numbers in it.
TEST(ResultCsvExport, PandasReadsItWithoutOptions) {
    if (std::system("/usr/bin/python3 -c 'import pandas' > /dev/null 2>&1") != 0) {
        GTEST_SKIP() << "python3-pandas is not installed";
    }
    for (const bool daily : {true, false}) {
        ExportRun run(daily); // C only for the daily file, C & N for the monthly one
        saveResultsCsv(run.files(daily), run.folder.file("out.csv"), false);
        run.folder.write("check.py", R"(
import sys, pandas as pd
csv = pd.read_csv(sys.argv[1])
rows = [l.split('\t') for l in open(sys.argv[2], encoding='utf-8', newline='').read().split('\r\n')[4:] if l]
assert len(csv) == len(rows), (len(csv), len(rows))
assert list(csv.columns)[1] == ('DAS' if sys.argv[3] == '1' else 'MAS')
dates = pd.to_datetime(csv['date'])
origin = pd.Timestamp('1899-12-30')
for i, row in enumerate(rows):
    assert (dates[i] - origin).days == int(row[0]), (i, dates[i], row[0])
    values = [float(v) for v in row[1:] if v != '']
    assert len(values) == len(csv.columns) - 1, (i, values)
    for j, v in enumerate(values):
        assert csv.iloc[i, j + 1] == v, (i, j, csv.iloc[i, j + 1], v)
assert str(csv.dtypes.iloc[1]) == 'int64' and str(csv.dtypes.iloc[2]) == 'float64'
print(len(csv))
)");
        const std::string result =
            run.folder.file(daily ? kResultDailyFileName : kResultMonthlyFileName);
        const std::string command = "/usr/bin/python3 '" + run.folder.file("check.py") + "' '" +
                                    run.folder.file("out.csv") + "' '" + result + "' " +
                                    (daily ? "1" : "0") + " > '" + run.folder.file("py.log") +
                                    "' 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0) << run.folder.read("py.log");
    }
}

// LibreOffice opens the CSV without options: dates become date cells holding the result file's
// day numbers, and every other cell the file's number.
TEST(ResultCsvExport, LibreOfficeReadsDatesAndNumbers) {
    if (!test::haveLibreOffice()) {
        GTEST_SKIP() << "LibreOffice is not installed";
    }
    ExportRun run(false);
    saveResultsCsv(run.files(true), run.folder.file("out.csv"), false);
    ASSERT_EQ(test::convertWithLibreOffice(run.folder.path(), "xls:\"MS Excel 97\"", {"out.csv"},
                                           run.folder.path()),
              "");
    xls::TXLSFile book;
    book.OpenFile(run.folder.file("out.xls"));
    const xls::TCells& sheet = book.Workbook().Sheets().Items(0).Cells();
    const std::vector<WorkbookCell> cells = resultWorkbookCells(
        run.folder.read(kResultDailyFileName), "", false, WorkbookStop::AtEndDate,
        run.outcome.last.endDate, run.outcome.last.lastDAS);
    int compared = 0;
    for (const WorkbookCell& c : cells) {
        if (c.row < 4 || c.kind == WorkbookCell::Kind::String) {
            continue;
        }
        // The CSV has one header row where the workbook has four.
        const xls::Variant v = sheet.ValueAt(c.row - 3, c.column);
        ASSERT_FALSE(v.IsText() || v.IsEmpty()) << c.row << "," << c.column;
        ASSERT_DOUBLE_EQ(v.ToDouble(), c.number) << c.row << "," << c.column;
        ++compared;
    }
    EXPECT_EQ(compared, run.outcome.last.lastDAS * 10);
    EXPECT_EQ(sheet.ValueAt(0, 9).ToString(), "SOM_CN");
}

} // namespace
} // namespace orvek
