// A large workbook is read from the file mapped as it lies. The file shrinking under the reader
// must give a clear refusal, never a crash, and the program's other bus errors must still reach
// whoever handles them.

#include "TestFolder.h"
#include "XlsTestSupport.h"

#include "xls/CompoundFile.h"
#include "xls/XLSErrors.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <memory>
#include <unistd.h>

using namespace orvek::xls;
using namespace xlstest;

namespace {

// A workbook of a few megabytes: well beyond the size from which files are mapped.
std::string largeWorkbook(const orvek::test::TestFolder& f, const std::string& name) {
    TXLSFile file;
    TCells& cells = file.Workbook().Sheets().Items(0).Cells();
    for (int row = 0; row < 30000; ++row) {
        for (int col = 0; col < 8; ++col) {
            cells.Cell(row, col).SetValue(row * 0.5 + col);
        }
    }
    const std::string path = f.file(name);
    file.SaveAs(path);
    return path;
}

std::atomic<int> g_busErrors{0};

void countBusError(int) {
    ++g_busErrors;
}

} // namespace

TEST(MappedLoad, AMappedFileLoadsAsTheSameBytesInMemory) {
    orvek::test::TestFolder f;
    const std::string path = largeWorkbook(f, "large.xls");
    TXLSFile fromFile;
    fromFile.OpenFile(path);
    TXLSFile fromMemory;
    Load(fromMemory, ReadFile(path));
    const TCells& a = fromFile.Workbook().Sheets().Items(0).Cells();
    const TCells& b = fromMemory.Workbook().Sheets().Items(0).Cells();
    ASSERT_EQ(a.Count(), 240000);
    ASSERT_EQ(a.Count(), b.Count());
    for (int i = 0; i < a.Count(); i += 997) {
        EXPECT_EQ(a.At(i).Key(), b.At(i).Key());
        EXPECT_EQ(a.At(i).NumberValue(), b.At(i).NumberValue());
    }
    EXPECT_EQ(a.ValueAt(29999, 7).ToDouble(), 29999 * 0.5 + 7);
}

TEST(MappedLoad, AFileThatShrinksWhileReadIsRefusedAsChanged) {
    orvek::test::TestFolder f;
    const std::string path = largeWorkbook(f, "shrinks.xls");
    for (const off_t keep : {off_t{0}, off_t{4096}, off_t{300000}}) {
        const std::string copy = f.file("copy.xls");
        WriteFile(copy, ReadFile(path));
        TXLSFile file;
        bool cut = false;
        // Another program truncates the file while the cells are being read.
        file.OnProgress = [&](double progress) {
            if (!cut && progress > 0.3) {
                cut = true;
                ASSERT_EQ(::truncate(copy.c_str(), keep), 0);
            }
        };
        int code = -1;
        try {
            file.OpenFile(copy);
        } catch (const ECFileError& e) {
            code = e.ErrorCode();
            EXPECT_STREQ(e.what(), "The file changed while it was being read");
        }
        EXPECT_TRUE(cut);
        EXPECT_EQ(code, ECFileError::FileChanged) << keep;
    }
    // The next file is read as usual.
    TXLSFile again;
    again.OpenFile(path);
    EXPECT_EQ(again.Workbook().Sheets().Items(0).Cells().Count(), 240000);
}

TEST(MappedLoad, OtherBusErrorsStillReachTheirHandler) {
    orvek::test::TestFolder f;
    const std::string path = largeWorkbook(f, "large.xls");
    const auto previous = std::signal(SIGBUS, countBusError);
    {
        TCFile opened(TCFileMode::Open, path); // the file's mapping guards its pages
        g_busErrors = 0;
        std::raise(SIGBUS);
        EXPECT_EQ(g_busErrors.load(), 1);
        EXPECT_FALSE(opened.Damaged());
    }
    std::signal(SIGBUS, previous);
}

// More files open at once than the mappings that are watched: the rest are read as before.
TEST(MappedLoad, ManyFilesOpenAtOnceAreAllRead) {
    orvek::test::TestFolder f;
    const std::string path = largeWorkbook(f, "large.xls");
    const Bytes expected = WorkbookStream(ReadFile(path));
    std::vector<std::unique_ptr<TCFile>> open;
    for (int i = 0; i < 40; ++i) {
        open.push_back(std::make_unique<TCFile>(TCFileMode::Open, path));
        TCFileStream* stream = open.back()->Root().FindStream("Workbook");
        ASSERT_NE(stream, nullptr);
        const auto bytes = stream->Bytes();
        ASSERT_TRUE(Bytes(bytes.begin(), bytes.end()) == expected) << i;
    }
}
