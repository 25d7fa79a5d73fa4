// Cells of events workbooks that a spreadsheet program writes and our own writer does not:
// error values, formulas whose result is an error, numbers shown in date formats. The
// workbooks are made by our writer and then given those records byte by byte, so that the
// real reader reads real workbook bytes.

#include "RunFixture.h"

#include "formats/EventsWorkbook.h"
#include "xls/Workbook.h"

#include <gtest/gtest.h>

#include <cstring>

namespace orvek {
namespace {

using test::date;
using Bytes = std::vector<uint8_t>;

struct WorkbookRun : test::RunFixture {
    WorkbookRun() {
        useMilwaukeeWeather();
        page.startDate = date(2005, 1, 1);
        page.endDate = date(2006, 12, 31);
        page.eventsOnPanel = false;
        page.eventsFile = folder.file("events.xls");
        page.eventsFileName = "events.xls";
    }
    void save(const Bytes& bytes) const {
        folder.write("events.xls", std::string(bytes.begin(), bytes.end()));
    }
};

constexpr int kDateFormat = 13; // "mm/dd/yy"

// The template's layout with the rows from the 15th; cells listed in `dated` are shown as dates.
Bytes eventsWorkbook(const std::vector<std::vector<double>>& rows,
                     const std::vector<std::pair<int, int>>& dated = {}) {
    xls::TXLSFile file;
    xls::TCells& cells = file.Workbook().Sheets().Items(0).Cells();
    cells.Cell(0, 0).SetValue("Substrate input events");
    for (size_t r = 0; r < rows.size(); ++r) {
        for (size_t col = 0; col < rows[r].size(); ++col) {
            cells.Cell(14 + static_cast<int>(r), static_cast<int>(col)).SetValue(rows[r][col]);
        }
    }
    for (const auto& [row, col] : dated) {
        cells.Cell(row, col).SetNumberFormatIndex(kDateFormat);
    }
    return file.SaveToBuffer();
}

void put16(Bytes& b, size_t at, unsigned v) {
    b[at] = static_cast<uint8_t>(v & 0xFF);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

// The offset of the NUMBER record (type 0x0203, 14 bytes) of a cell, found by its position
// and value; the writer stores the stream's sectors in order, so the record lies whole.
size_t numberRecord(const Bytes& b, int row, int col, double value) {
    uint8_t pattern[16] = {0x03,
                           0x02,
                           0x0E,
                           0x00,
                           static_cast<uint8_t>(row),
                           static_cast<uint8_t>(row >> 8),
                           static_cast<uint8_t>(col),
                           0};
    for (size_t at = 0; at + 18 <= b.size(); ++at) {
        double stored = 0;
        if (std::memcmp(&b[at], pattern, 8) == 0 &&
            (std::memcpy(&stored, &b[at + 10], 8), stored == value)) {
            return at;
        }
    }
    ADD_FAILURE() << "no NUMBER record for row " << row << ", column " << col;
    return 0;
}

// A CONTINUE record outside a string table is skipped by readers; it fills the bytes a shorter
// record leaves, so that no offset after it moves.
void fill(Bytes& b, size_t at, size_t size) {
    put16(b, at, 0x003C);
    put16(b, at + 2, static_cast<unsigned>(size - 4));
    std::memset(&b[at + 4], 0, size - 4);
}

// Turns the cell's NUMBER record into a BOOLERR record holding an error value.
void storeError(Bytes& b, int row, int col, double value, uint8_t code) {
    const size_t at = numberRecord(b, row, col, value);
    put16(b, at, 0x0205);
    put16(b, at + 2, 8);
    b[at + 10] = code;
    b[at + 11] = 1; // an error, not a boolean
    fill(b, at + 12, 6);
}

// Turns the NUMBER records of a cell and of the one right of it (36 bytes) into one FORMULA
// record of the same length: =(((1/0))) with its stored result #DIV/0!.
void storeDivisionByZero(Bytes& b, int row, int col, double value) {
    const size_t at = numberRecord(b, row, col, value);
    ASSERT_EQ(b[at + 18], 0x03);
    ASSERT_EQ(b[at + 24], static_cast<uint8_t>(col + 1)); // the next cell's NUMBER record
    const uint8_t formula[36] = {
        0x06, 0x00, 32, 0x00, static_cast<uint8_t>(row), static_cast<uint8_t>(row >> 8),
        static_cast<uint8_t>(col), 0x00, b[at + 8], b[at + 9],
        // the result: an error (2), #DIV/0! (7), marked by 0xFFFF
        0x02, 0x00, 0x07, 0x00, 0x00, 0x00, 0xFF, 0xFF,
        // options, chain, then 10 bytes of expression: 1, 0, divide, three parentheses
        0x00, 0x00, 0, 0, 0, 0, 0x0A, 0x00, 0x1E, 0x01, 0x00, 0x1E, 0x00, 0x00, 0x06, 0x15, 0x15,
        0x15};
    std::memcpy(&b[at], formula, sizeof formula);
}

constexpr const char* kIncorrect = "Input incorrect. Check the input events file and try again";

TEST(EventsWorkbookCells, AnErrorValueFailsInsteadOfEndingTheList) {
    WorkbookRun run;
    Bytes book = eventsWorkbook({{1, 8, 1, 2005, 1, 4, 90}, {2, 9, 1, 2005, 2, 777.25, 50}});
    storeError(book, 15, 5, 777.25, 0x07); // #DIV/0! as event 2's C
    run.save(book);
    const RunOutcome out = run.run();
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.message, kIncorrect);
    EXPECT_FALSE(run.folder.exists("ResultDaily.~"));
    // The same workbook with the number in place runs both events.
    run.save(eventsWorkbook({{1, 8, 1, 2005, 1, 4, 90}, {2, 9, 1, 2005, 2, 777.25, 50}}));
    ASSERT_TRUE(run.run().ok);
    EXPECT_NE(run.result("InputEvents.~").find("\r\n2\t9\t1\t2005\t2\t777.250\t50.0\r\n"),
              std::string::npos);
}

TEST(EventsWorkbookCells, AFormulaWhoseResultIsAnErrorFails) {
    WorkbookRun run;
    Bytes book = eventsWorkbook({{1, 8, 1, 2005, 1, 4, 90}, {2, 9, 1, 2005, 2, 777.25, 50}});
    storeDivisionByZero(book, 15, 5, 777.25);
    run.save(book);
    EXPECT_EQ(run.run().message, kIncorrect);
    run.page.carbonOnly = true; // C only reads no C:N, and still not the error
    EXPECT_EQ(run.run().message, kIncorrect);
}

TEST(EventsWorkbookCells, EveryColumnTakesTheStoredNumberWhateverItsFormat) {
    WorkbookRun run;
    // An event number, a day 15 and amounts of 2.5 and 60 shown as dates: read as dates they
    // would be a day later (and 60 the same day as 61).
    run.save(eventsWorkbook({{1, 8, 15, 2005, 1, 2.5, 90}, {2, 9, 1, 2005, 2, 60, 45}},
                            {{14, 0}, {14, 2}, {14, 5}, {15, 5}}));
    const RunOutcome out = run.run();
    ASSERT_TRUE(out.ok) << out.message;
    EXPECT_EQ(run.result("InputEvents.~"), "Event\tMonth\tDay\tYear\tsubCode\tC\tC:N\r\n"
                                           "1\t8\t15\t2005\t1\t2.500\t90.0\r\n"
                                           "2\t9\t1\t2005\t2\t60.000\t45.0\r\n");
}

} // namespace
} // namespace orvek
