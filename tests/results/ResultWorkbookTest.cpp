#include "results/ResultWorkbook.h"
#include "results/ResultFiles.h"

#include "TestFolder.h"
#include "engine/Errors.h"
#include "xls/Workbook.h"

#include <gtest/gtest.h>

namespace orvek {
namespace {

using Kind = WorkbookCell::Kind;

std::string cnDaily() {
    return resultFileHeader(true, false) +
           "38353\t1\t26.00\t0.00\t26.00\t0.0\t50.0\t2650\t0.0\t10.0\t\r\n"
           "38354\t2\t25.99\t2.50\t28.49\t0.1\t50.1\t2681\t80.0\t10.0\t\r\n"
           "38355\t3\t25.98\t2.45\t28.43\t-0.4\t49.6\t2681\t75.2\t10.0\t\r\n";
}

const std::string kRecord = "Settings for the simulation:\r\n  Carbon and nitrogen\r\n";

const WorkbookCell* at(const std::vector<WorkbookCell>& cells, int row, int col) {
    for (const WorkbookCell& c : cells) {
        if (c.row == row && c.column == col) {
            return &c;
        }
    }
    return nullptr;
}

TEST(ResultWorkbook, LayoutInCarbonAndNitrogenMode) {
    const auto cells =
        resultWorkbookCells(cnDaily(), kRecord, false, WorkbookStop::AtEndDate, 38355, 3);
    EXPECT_EQ(at(cells, 0, 0)->text, "Simulated C and N mineralization dynamics");
    EXPECT_EQ(at(cells, 2, 0)->kind, Kind::String);
    EXPECT_EQ(at(cells, 2, 0)->text, "");
    for (int col = 0; col < 10; ++col) {
        ASSERT_NE(at(cells, 3, col), nullptr) << col;
    }
    EXPECT_EQ(at(cells, 3, 9)->text, "SOM-C:N");
    EXPECT_EQ(at(cells, 3, 10), nullptr);
    EXPECT_EQ(at(cells, 4, 0)->kind, Kind::Date);
    EXPECT_EQ(at(cells, 4, 0)->number, 38353);
    EXPECT_EQ(at(cells, 5, 1)->kind, Kind::Integer);
    EXPECT_EQ(at(cells, 5, 1)->number, 2);
    EXPECT_EQ(at(cells, 6, 5)->number, -0.4);
    EXPECT_EQ(at(cells, 6, 7)->number, 2681);
    EXPECT_EQ(at(cells, 6, 9)->number, 10.0);
    EXPECT_EQ(at(cells, 6, 10), nullptr);
    EXPECT_EQ(at(cells, 7, 0)->text, ""); // separator
    EXPECT_EQ(at(cells, 8, 0)->text, "Settings for the simulation:");
    EXPECT_EQ(at(cells, 9, 0)->text, "  Carbon and nitrogen");
}

TEST(ResultWorkbook, StopRules) {
    const auto atEnd =
        resultWorkbookCells(cnDaily(), kRecord, false, WorkbookStop::AtEndDate, 38354, 3);
    EXPECT_EQ(at(atEnd, 6, 0)->text, ""); // two data rows, then the separator
    const auto atDas =
        resultWorkbookCells(cnDaily(), kRecord, false, WorkbookStop::AtLastDAS, 38000, 1);
    EXPECT_EQ(at(atDas, 5, 0)->text, "");
    const auto toTheEnd =
        resultWorkbookCells(cnDaily(), kRecord, false, WorkbookStop::AtEndDate, 99999, 3);
    EXPECT_EQ(at(toTheEnd, 7, 0)->text, "");
}

TEST(ResultWorkbook, CarbonOnlyAndNoDataRows) {
    const std::string daily = resultFileHeader(true, true) + "38353\t1\t26.00\t0.00\t26.00\t\r\n";
    const auto cells = resultWorkbookCells(daily, kRecord, true, WorkbookStop::AtEndDate, 38353, 1);
    EXPECT_NE(at(cells, 3, 4), nullptr);
    EXPECT_EQ(at(cells, 3, 5), nullptr);
    EXPECT_NE(at(cells, 4, 4), nullptr);
    EXPECT_EQ(at(cells, 4, 5), nullptr);
    const auto empty = resultWorkbookCells(resultFileHeader(false, true), kRecord, true,
                                           WorkbookStop::AtEndDate, 38353, 1);
    EXPECT_EQ(at(empty, 4, 0)->text, "");
    EXPECT_EQ(at(empty, 5, 0)->text, "Settings for the simulation:");
}

TEST(ResultWorkbook, DamagedResultFile) {
    EXPECT_THROW(resultWorkbookCells(resultFileHeader(true, true) + "38353\t1\tx\t0\t0\t\r\n",
                                     kRecord, true, WorkbookStop::AtEndDate, 1, 1),
                 OrvekError);
    EXPECT_THROW(resultWorkbookCells(resultFileHeader(true, false) + "38353\t1\t2\t\r\n", kRecord,
                                     false, WorkbookStop::AtEndDate, 1, 1),
                 OrvekError);
}

// What the spreadsheet reads back is what the cells said, with the date format on the dates.
TEST(ResultWorkbook, SavedWorkbookReadsBackCellForCell) {
    const test::TestFolder folder;
    const auto cells =
        resultWorkbookCells(cnDaily(), kRecord, false, WorkbookStop::AtEndDate, 38355, 3);
    folder.write("Result-1.xls", "an older file");
    saveResultWorkbook(cells, folder.file("Result-1.xls"));

    xls::TXLSFile file;
    file.OpenFile(folder.file("Result-1.xls"));
    xls::TSheet& sheet = file.Workbook().Sheets().Items(0);
    EXPECT_EQ(sheet.Name(), "Sheet1");
    ASSERT_NE(sheet.Columns().Find(0), nullptr);
    EXPECT_DOUBLE_EQ(sheet.Columns().Find(0)->Width(), kResultDateColumnWidth);
    for (const WorkbookCell& c : cells) {
        const xls::TCell* cell = sheet.Cells().Find(c.row, c.column);
        ASSERT_NE(cell, nullptr) << c.row << "," << c.column;
        switch (c.kind) {
        case Kind::String:
            EXPECT_EQ(cell->Value().ToString(), c.text) << c.row << "," << c.column;
            break;
        case Kind::Integer:
            EXPECT_TRUE(cell->Value().IsNumber());
            EXPECT_EQ(cell->Value().ToInt(), static_cast<int32_t>(c.number));
            break;
        case Kind::Double:
        case Kind::Date:
            EXPECT_DOUBLE_EQ(cell->Value().ToDouble(), c.number) << c.row << "," << c.column;
            EXPECT_EQ(cell->NumberFormatIndex() == xls::TFormatStrings::kDateFormat,
                      c.kind == Kind::Date)
                << c.row << "," << c.column;
            break;
        }
    }
    EXPECT_EQ(sheet.Cells().ValueAt(6, 4).ToDouble(), 28.43);
    EXPECT_EQ(sheet.Cells().ValueAt(9, 0).ToString(), "  Carbon and nitrogen");
}

TEST(ResultWorkbook, AFailedSaveLeavesNoFile) {
    const test::TestFolder folder;
    const auto cells =
        resultWorkbookCells(cnDaily(), kRecord, false, WorkbookStop::AtEndDate, 38355, 3);
    EXPECT_ANY_THROW(saveResultWorkbook(cells, folder.file("missing/Result-1.xls")));
    EXPECT_FALSE(folder.exists("missing"));
}

} // namespace
} // namespace orvek
