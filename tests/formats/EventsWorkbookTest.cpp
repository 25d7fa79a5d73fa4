// Converting the rows of an events workbook into the events working file.

#include "formats/EventsWorkbook.h"
#include "basics/Errors.h"
#include "model/RunState.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

namespace orvek {
namespace {

using Kind = EventCell::Kind;

// A sheet of cells by (row, column); absent cells are empty.
struct Sheet {
    std::map<std::pair<int, int>, EventCell> cells;
    void number(int row, int col, double v) { cells[{row, col}] = {Kind::Number, v, ""}; }
    void text(int row, int col, const std::string& t) { cells[{row, col}] = {Kind::Text, 0, t}; }
    void other(int row, int col) { cells[{row, col}] = {Kind::Other, 0, ""}; }
    // A data row in the 1-based row of the sheet.
    void event(int sheetRow, std::initializer_list<double> values) {
        int col = 0;
        for (double v : values) {
            number(sheetRow - 1, col++, v);
        }
    }
    EventCellLookup lookup() const {
        return [this](int row, int col) {
            const auto it = cells.find({row, col});
            return it == cells.end() ? EventCell{} : it->second;
        };
    }
};

std::string convert(const Sheet& s, bool carbonOnly, RunState& run, char sep = '.') {
    run.carbonOnly = carbonOnly;
    return convertEventRows(s.lookup(), run, sep);
}

const std::string kHeading = "Event\tMonth\tDay\tYear\tsubCode\tC\tC:N\r\n";

TEST(EventsWorkbook, RowsFromTheFifteenthToTheFirstEmptyOne) {
    Sheet s;
    s.text(13, 0, "Event"); // headings above row 15 are free
    s.event(15, {1, 3, 15, 2005, 2, 2.5, 80});
    s.event(16, {2, 10, 1, 2006, 6, 1.23456, 15.25});
    s.event(18, {3, 11, 1, 2006, 6, 1, 15}); // after the empty row 17: not read
    RunState run;
    EXPECT_EQ(convert(s, false, run), kHeading + "1\t3\t15\t2005\t2\t2.500\t80.0\r\n" +
                                          "2\t10\t1\t2006\t6\t1.235\t15.3\r\n");
    EXPECT_FALSE(run.error);
}

TEST(EventsWorkbook, EmptyFirstRowAndZeroCarbonEndTheList) {
    Sheet s;
    RunState run;
    EXPECT_EQ(convert(s, false, run), kHeading);
    s.event(15, {1, 3, 15, 2005, 2, 0, 80});
    s.event(16, {2, 3, 16, 2005, 2, 1, 80});
    EXPECT_EQ(convert(s, false, run), kHeading);
}

TEST(EventsWorkbook, CarbonToNitrogenMissing) {
    Sheet s;
    s.event(15, {1, 3, 15, 2005, 2, 2.5});
    RunState cn;
    convert(s, false, cn);
    EXPECT_TRUE(cn.error);
    EXPECT_EQ(cn.message, "C:N ratio is not specified in the input events file!");
    RunState c;
    EXPECT_EQ(convert(s, true, c), kHeading + "1\t3\t15\t2005\t2\t2.500\r\n");
    EXPECT_FALSE(c.error);
}

TEST(EventsWorkbook, IntegersRoundHalfToEvenAndTextsAreNumbers) {
    Sheet s;
    s.event(15, {1, 2.5, 1, 2005, 1, 1, 20});
    s.event(16, {2, 3.5, 1, 2005, 1.4, 1, 20});
    s.text(16, 0, " 3 ");
    s.text(16, 1, "4,5"); // the locale's separator
    s.number(16, 2, 1);
    s.number(16, 3, 2005);
    s.number(16, 4, 1);
    s.text(16, 5, "2,25");
    s.number(16, 6, 20);
    RunState run;
    EXPECT_EQ(convert(s, false, run, ','), kHeading + "1\t2\t1\t2005\t1\t1.000\t20.0\r\n" +
                                               "2\t4\t1\t2005\t1\t1.000\t20.0\r\n" +
                                               "3\t4\t1\t2005\t1\t2.250\t20.0\r\n");
}

TEST(EventsWorkbook, CellsThatAreNotNumbers) {
    Sheet s;
    s.event(15, {1, 3, 15, 2005, 2, 2.5, 80});
    s.text(14, 5, "two");
    RunState run;
    EXPECT_THROW(convert(s, false, run), OrvekError);
    for (const auto& breakIt :
         {+[](Sheet& t) { t.other(14, 1); }, +[](Sheet& t) { t.number(14, 3, 1e10); },
          +[](Sheet& t) { t.number(14, 0, std::nan("")); }}) {
        Sheet t;
        t.event(15, {1, 3, 15, 2005, 2, 2.5, 80});
        breakIt(t);
        RunState r;
        convert(t, false, r);
        EXPECT_TRUE(r.error);
        EXPECT_EQ(r.message, "Input incorrect. Check the input events file and try again");
    }
}

TEST(EventsWorkbook, AtMostRow515) {
    Sheet s;
    for (int k = 0; k < 510; ++k) {
        s.event(15 + k, {double(k + 1), 1, 1, 2005, 1, 1, 20});
    }
    RunState run;
    const std::string out = convert(s, false, run);
    EXPECT_NE(out.find("\r\n501\t1\t1\t2005"), std::string::npos);
    EXPECT_EQ(out.find("\r\n502\t"), std::string::npos);
}

} // namespace
} // namespace orvek
