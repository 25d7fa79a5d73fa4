#include "formats/ResultWorkbook.h"

#include "TestFolder.h"
#include "formats/ResultFiles.h"
#include "xls/Workbook.h"

#include "basics/Errors.h"

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

TEST(ResultWorkbook, AResultLongerThanAWorksheetIsRefused) {
    // Four heading rows, the data, an empty row and a two-line record: 65,529 data rows fill the
    // 65,536 rows exactly, one more does not fit.
    const auto result = [](int rows) {
        std::string text = resultFileHeader(true, true);
        for (int k = 1; k <= rows; ++k) {
            text +=
                std::to_string(38352 + k) + "\t" + std::to_string(k) + "\t26.00\t0.00\t26.00\t\r\n";
        }
        return text;
    };
    const auto full =
        resultWorkbookCells(result(65529), kRecord, true, WorkbookStop::AtLastDAS, 0, 65529);
    EXPECT_EQ(full.back().row, 65535);
    try {
        resultWorkbookCells(result(65530), kRecord, true, WorkbookStop::AtLastDAS, 0, 65530);
        ADD_FAILURE() << "a row beyond the worksheet";
    } catch (const OrvekError& e) {
        EXPECT_STREQ(e.what(), kTooManyRowsMessage);
    }
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

} // namespace
} // namespace orvek

namespace orvek {
namespace {

TEST(ResultWorkbookFile, SavedAndLoadedBack) {
    test::TestFolder f;
    const auto cells =
        resultWorkbookCells(cnDaily(), kRecord, false, WorkbookStop::AtEndDate, 38355, 3);
    saveResultWorkbook(cells, f.file("r.xls"));
    xls::TXLSFile file;
    file.OpenFile(f.file("r.xls"));
    const xls::TSheet& sheet = file.Workbook().Sheets().Items(0);
    const xls::TCells& c = sheet.Cells();
    EXPECT_EQ(c.ValueAt(0, 0).ToString(), "Simulated C and N mineralization dynamics");
    EXPECT_EQ(c.ValueAt(3, 9).ToString(), "SOM-C:N");
    EXPECT_EQ(c.ValueAt(4, 0).Type(), xls::VarType::Date); // shown as a date
    EXPECT_EQ(c.ValueAt(4, 0).ToDouble(), 38353);
    EXPECT_EQ(c.ValueAt(5, 1).ToDouble(), 2);
    EXPECT_EQ(c.ValueAt(6, 5).ToDouble(), -0.4);
    EXPECT_EQ(c.ValueAt(8, 0).ToString(), "Settings for the simulation:");
    EXPECT_DOUBLE_EQ(sheet.Columns().Find(0)->Width(), 10);
}

TEST(ResultWorkbookFile, FailedSaveKeepsTheOldFile) {
    test::TestFolder f;
    f.write("r.xls", "old");
    std::vector<WorkbookCell> cells = {{70000, 0, WorkbookCell::Kind::String, "too far", 0}};
    EXPECT_ANY_THROW(saveResultWorkbook(cells, f.file("r.xls")));
    EXPECT_EQ(f.read("r.xls"), "old");
}

} // namespace
} // namespace orvek

namespace orvek {
namespace {

std::string longResult(int rows) {
    std::string text = resultFileHeader(true, false);
    for (int k = 1; k <= rows; ++k) {
        text += std::to_string(38352 + k) + "\t" + std::to_string(k) + "\t26.00\t" +
                std::to_string(k % 97) + ".25\t28.49\t-0.4\t50.1\t2681\t75.2\t10.0\t\r\n";
    }
    return text;
}

// The workbook saved straight from the result text and the one saved from the list of cells
// must be the same file, for a result large enough that its stream lies outside the mini stream
// and its strings and records fill several sectors.
TEST(ResultWorkbookFile, SavedFromTheTextAndFromTheCellsGiveTheSameBytes) {
    test::TestFolder f;
    for (const int rows : {3, 2000}) {
        const std::string result = longResult(rows);
        const DateSerial end = 38352 + rows;
        for (const WorkbookStop stop : {WorkbookStop::AtEndDate, WorkbookStop::AtLastDAS}) {
            saveResultWorkbook(resultWorkbookCells(result, kRecord, false, stop, end - 1, rows - 1),
                               f.file("cells.xls"));
            saveResultWorkbook(result, kRecord, false, stop, end - 1, rows - 1, f.file("text.xls"));
            ASSERT_EQ(f.read("cells.xls"), f.read("text.xls")) << rows;
        }
    }
    // Both are the bytes the library gives for those cells in memory.
    {
        xls::TXLSFile reference;
        xls::TSheet& sheet = reference.Workbook().Sheets().Items(0);
        sheet.Columns().Items(0).SetWidth(kResultDateColumnWidth);
        for (const WorkbookCell& c : resultWorkbookCells(longResult(2000), kRecord, false,
                                                         WorkbookStop::AtLastDAS, 40000, 1999)) {
            xls::TCell& cell = sheet.Cells().Cell(c.row, c.column);
            if (c.kind == Kind::String) {
                cell.SetValue(xls::Variant(c.text));
            } else if (c.kind == Kind::Integer) {
                cell.SetValue(xls::Variant(static_cast<int32_t>(c.number)));
            } else {
                cell.SetValue(xls::Variant(c.number));
            }
            if (c.kind == Kind::Date) {
                cell.SetNumberFormatIndex(13);
            }
        }
        const std::vector<uint8_t> bytes = reference.SaveToBuffer();
        EXPECT_TRUE(f.read("text.xls") == std::string(bytes.begin(), bytes.end()));
    }
    saveResultWorkbook(
        resultWorkbookCells(cnDaily(), kRecord, true, WorkbookStop::AtEndDate, 38355, 3),
        f.file("cells.xls"));
    saveResultWorkbook(cnDaily(), kRecord, true, WorkbookStop::AtEndDate, 38355, 3,
                       f.file("text.xls"));
    EXPECT_EQ(f.read("cells.xls"), f.read("text.xls"));

    // Saved as a new numbered file: the same bytes, under the first name not taken.
    f.write("Result-1.xls", "kept");
    const auto nameFor = [&f](int n) { return f.file("Result-" + std::to_string(n) + ".xls"); };
    EXPECT_EQ(
        saveNewResultWorkbook(cnDaily(), kRecord, true, WorkbookStop::AtEndDate, 38355, 3, nameFor),
        f.file("Result-2.xls"));
    EXPECT_EQ(f.read("Result-2.xls"), f.read("text.xls"));
    EXPECT_EQ(f.read("Result-1.xls"), "kept");
}

TEST(ResultWorkbookFile, ADamagedRowFoundWhileSavingFromTheTextLeavesTheOldFile) {
    test::TestFolder f;
    f.write("r.xls", "old");
    std::string result = longResult(50);
    result += "38403\t51\t26.00\tx\t28.49\t-0.4\t50.1\t2681\t75.2\t10.0\t\r\n";
    try {
        saveResultWorkbook(result, kRecord, false, WorkbookStop::AtEndDate, 40000, 60,
                           f.file("r.xls"));
        ADD_FAILURE() << "saved a damaged result";
    } catch (const OrvekError& e) {
        EXPECT_NE(std::string(e.what()).find("data row 51"), std::string::npos) << e.what();
    }
    EXPECT_EQ(f.read("r.xls"), "old");
}

} // namespace
} // namespace orvek
