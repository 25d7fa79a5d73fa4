// A first sheet whose cells are encoded as they come must give the file the same cells set on
// the workbook give, and refuse what the cells would refuse or could not keep apart.

#include "TestFolder.h"
#include "XlsTestSupport.h"

#include "xls/XLSErrors.h"
#include "xls/XLSWriter.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <unistd.h>

using namespace orvek::xls;
using namespace xlstest;

namespace {

struct Put {
    int row;
    int col;
    Variant value;
    int format; // -1: the value's own
};

// Cells of every kind a sheet holds, in row order, with formats shared and not.
std::vector<Put> mixedCells() {
    return {
        {0, 0, Variant("Title"), -1},
        {0, 3, Variant(std::u16string(u"\u00c4rger \u03a9")), -1}, // 16-bit characters
        {1, 0, Variant(38353.0), 13},
        {1, 1, Variant(int32_t{7}), -1},
        {1, 2, Variant(2.5), 2},
        {1, 3, Variant::Date(40.0), -1}, // before the nonexistent 29 February 1900
        {2, 0, Variant::Date(38000.5), -1},
        {2, 1, Variant(true), -1},
        {2, 2, Variant::Currency(12.3456), -1},
        {2, 4, Variant(int16_t{-3}), 4},
        {3, 0, Variant(""), -1},
        {3, 1, Variant("Title"), -1}, // the same text again shares its entry
        {4, 255, Variant(1e300), 13},
        {65535, 0, Variant(float{0.25f}), -1},
    };
}

// The workbook both ways: column widths and a second sheet with cells of its own.
void shape(TXLSFile& file) {
    file.Workbook().Sheets().Add("Second");
    file.Workbook().Sheets().Items(0).Columns().Items(0).SetWidth(10);
    TCells& second = file.Workbook().Sheets().Items(1).Cells();
    second.Cell(0, 0).SetValue("Title"); // shared with the first sheet's text
    second.Cell(1, 1).SetValue(3.0);
}

Bytes viaCells(const std::vector<Put>& puts) {
    TXLSFile file;
    shape(file);
    TCells& cells = file.Workbook().Sheets().Items(0).Cells();
    for (const Put& p : puts) {
        TCell& cell = cells.Cell(p.row, p.col);
        cell.SetValue(p.value);
        if (p.format >= 0) {
            cell.SetNumberFormatIndex(p.format);
        }
    }
    return file.SaveToBuffer();
}

// The stream's save through `save`, with the cells put through the generic or the number call.
Bytes viaStream(const std::vector<Put>& puts, const std::function<Bytes(TXLSCellStream&)>& save,
                size_t expected = 0) {
    TXLSFile file;
    shape(file);
    TXLSCellStream stream(file.Workbook(), expected);
    for (const Put& p : puts) {
        if (p.value.Type() == VarType::Double) {
            stream.PutNumber(p.row, p.col, p.value.FloatPart(), p.format);
        } else {
            stream.Put(p.row, p.col, p.value, p.format);
        }
    }
    EXPECT_EQ(stream.Count(), static_cast<int>(puts.size()));
    return save(stream);
}

Bytes toBuffer(TXLSCellStream& stream) {
    return stream.SaveToBuffer();
}

std::vector<Put> largeCells(int rows) {
    std::vector<Put> puts;
    for (int r = 0; r < rows; ++r) {
        puts.push_back({r, 0, Variant(38353.0 + r), 13});
        puts.push_back({r, 1, Variant(int32_t{r}), -1});
        puts.push_back({r, 2, Variant(r * 0.37), -1});
        if (r % 500 == 0) {
            puts.push_back({r, 3, Variant("note " + std::to_string(r % 3000)), -1});
        }
    }
    return puts;
}

} // namespace

// ---------------------------------------------------------------- the same bytes

TEST(CellStream, EveryKindOfCellGivesTheBytesOfTheCellPath) {
    const std::vector<Put> puts = mixedCells();
    const Bytes expected = viaCells(puts);
    EXPECT_EQ(viaStream(puts, toBuffer), expected);
    // And it reads back as the cells were set.
    TXLSFile back;
    Load(back, viaStream(puts, toBuffer));
    const TCells& cells = back.Workbook().Sheets().Items(0).Cells();
    EXPECT_EQ(cells.ValueAt(0, 3).ToString(), "\xc3\x84rger \xce\xa9");
    EXPECT_EQ(cells.ValueAt(1, 1).ToDouble(), 7.0);
    EXPECT_EQ(cells.ValueAt(2, 0).Type(), VarType::Date);
    EXPECT_EQ(cells.ValueAt(65535, 0).ToDouble(), 0.25);
    EXPECT_EQ(back.Workbook().Sheets().Items(1).Cells().ValueAt(0, 0).ToString(), "Title");
}

TEST(CellStream, NoCellsGiveTheBytesOfAnEmptySheet) {
    EXPECT_EQ(viaStream({}, toBuffer), viaCells({}));
}

// Records beyond the first room, beyond the writer's buffer and a stream of several megabytes.
TEST(CellStream, LargeSheetsGiveTheSameBytesWithAndWithoutAHint) {
    const std::vector<Put> puts = largeCells(40000);
    const Bytes expected = viaCells(puts);
    ASSERT_GT(expected.size(), size_t{2} << 20);
    EXPECT_TRUE(viaStream(puts, toBuffer) == expected);
    EXPECT_TRUE(viaStream(puts, toBuffer, puts.size()) == expected);
    EXPECT_TRUE(viaStream(puts, toBuffer, 10) == expected); // a hint that is far too small
}

TEST(CellStream, FileDescriptorAndBufferSavesAgree) {
    orvek::test::TestFolder f;
    for (const int rows : {3, 40000}) { // a stream in the mini stream, and one of its own
        const std::vector<Put> puts = largeCells(rows);
        const Bytes expected = viaCells(puts);
        const std::string named = f.file("named.xls");
        viaStream(puts, [&](TXLSCellStream& s) {
            s.SaveAs(named);
            return Bytes();
        });
        EXPECT_TRUE(ReadFile(named) == expected) << rows;
        const std::string opened = f.file("opened.xls");
        viaStream(puts, [&](TXLSCellStream& s) {
            const int fd = ::open(opened.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
            s.SaveToDescriptor(fd);
            ::close(fd);
            return Bytes();
        });
        EXPECT_TRUE(ReadFile(opened) == expected) << rows;
    }
}

TEST(CellStream, SavingTwiceGivesTheSameBytesTwice) {
    TXLSFile file;
    TXLSCellStream stream(file.Workbook());
    stream.Put(0, 0, Variant("a"));
    stream.PutNumber(1, 0, 2.0, 13);
    const Bytes first = stream.SaveToBuffer();
    EXPECT_EQ(stream.SaveToBuffer(), first);
}

TEST(CellStream, TheCellPathSavedToADescriptorGivesTheSameBytes) {
    orvek::test::TestFolder f;
    TXLSFile file;
    shape(file);
    file.Workbook().Sheets().Items(0).Cells().Cell(2, 2).SetValue(1.5);
    const std::string path = f.file("fd.xls");
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
    file.SaveToDescriptor(fd);
    EXPECT_EQ(::close(fd), 0);
    EXPECT_EQ(ReadFile(path), file.SaveToBuffer());
}

// ---------------------------------------------------------------- refusals

TEST(CellStream, PositionsOutOfRowOrderAreRefusedAndLeaveTheStreamAsItWas) {
    const std::vector<Put> puts = {{1, 1, Variant(1.0), -1}, {1, 3, Variant(2.0), -1}};
    TXLSFile file;
    shape(file);
    TXLSCellStream stream(file.Workbook());
    stream.Put(1, 1, Variant(1.0));
    EXPECT_THROW(stream.Put(1, 1, Variant(5.0)), EXLSError); // the same cell again
    EXPECT_THROW(stream.PutNumber(1, 0, 5.0), EXLSError);    // an earlier column
    EXPECT_THROW(stream.Put(0, 7, Variant(5.0)), EXLSError); // an earlier row
    EXPECT_THROW(stream.Put(-1, 0, Variant(5.0)), EXLSError);
    EXPECT_THROW(stream.Put(2, 256, Variant(5.0)), EXLSError);
    EXPECT_THROW(stream.Put(65536, 0, Variant(5.0)), EXLSError);
    // Values a cell refuses, and a number format that does not exist.
    EXPECT_THROW(stream.Put(1, 2, Variant()), EXLSError);
    EXPECT_THROW(stream.Put(1, 2, Variant::Null()), EXLSError);
    EXPECT_THROW(stream.Put(1, 2, Variant(std::string(65536, 'x'))), EXLSError);
    EXPECT_THROW(stream.PutNumber(1, 2, 1.0, 9999), EXLSError);
    // None of them took a place, so (1, 3) still follows.
    stream.Put(1, 3, Variant(2.0));
    EXPECT_EQ(stream.Count(), 2);
    EXPECT_EQ(stream.SaveToBuffer(), viaCells(puts));
}

TEST(CellStream, AFirstSheetWithCellsOfItsOwnIsRefused) {
    TXLSFile file;
    TXLSCellStream stream(file.Workbook());
    stream.Put(1, 0, Variant(1.0));
    file.Workbook().Sheets().Items(0).Cells().Cell(0, 0).SetValue(1.0);
    EXPECT_ANY_THROW(stream.SaveToBuffer());
}

TEST(CellStream, AFailedWriteNamesTheSystemsReason) {
    orvek::test::TestFolder f;
    f.write("ro.xls", "");
    // A descriptor open for reading only: every write fails as the system says.
    const int fd = ::open(f.file("ro.xls").c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    TXLSFile file;
    TXLSCellStream stream(file.Workbook());
    for (int r = 0; r < 2000; ++r) {
        stream.PutNumber(r, 0, r);
    }
    int code = -1;
    int reason = 0;
    try {
        stream.SaveToDescriptor(fd);
    } catch (const ECFileError& e) {
        code = e.ErrorCode();
        reason = e.SystemError();
    }
    ::close(fd);
    EXPECT_EQ(code, ECFileError::CannotWrite);
    EXPECT_EQ(reason, EBADF);
    EXPECT_EQ(f.read("ro.xls"), "");
}
