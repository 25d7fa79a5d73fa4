#include "TestFolder.h"
#include "XlsTestSupport.h"

#include "xls/CompoundFile.h"
#include "xls/XLSErrors.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace orvek::xls;
using namespace xlstest;

namespace {

int cfileCode(const std::function<void()>& f) {
    try {
        f();
    } catch (const ECFileError& e) {
        return e.ErrorCode();
    }
    return -1;
}

Bytes pattern(size_t size, int seed) {
    Bytes b(size);
    for (size_t i = 0; i < size; ++i) {
        b[i] = static_cast<uint8_t>((i * 31 + static_cast<size_t>(seed)) & 0xFF);
    }
    return b;
}

uint32_t get32(const Bytes& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

void put32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
    }
}

Bytes document(const std::vector<std::pair<std::string, Bytes>>& streams) {
    TCFile file(TCFileMode::Memory);
    for (const auto& [name, data] : streams) {
        file.Root().CreateStream(name).WriteBlock(data.data(), data.size());
    }
    file.Commit();
    return file.MemoryBytes();
}

} // namespace

TEST(CompoundFile, SmallAndLargeStreamsReadBack) {
    // Sizes on both sides of the mini-stream cutoff and of sector boundaries.
    std::vector<std::pair<std::string, Bytes>> streams;
    const size_t sizes[] = {0, 1, 64, 65, 4095, 4096, 4097, 70000};
    for (size_t i = 0; i < std::size(sizes); ++i) {
        streams.emplace_back("S" + std::to_string(i), pattern(sizes[i], static_cast<int>(i)));
    }
    const Bytes bytes = document(streams);
    EXPECT_EQ(bytes.size() % 512, 0u);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 8), Hex("D0 CF 11 E0 A1 B1 1A E1"));
    EXPECT_EQ(bytes[0x1A], 3); // version 3
    TCFile doc(bytes.data(), bytes.size());
    ASSERT_EQ(doc.Root().Count(), static_cast<int>(std::size(sizes)));
    for (const auto& [name, data] : streams) {
        TCFileStream* s = doc.Root().FindStream(name);
        ASSERT_NE(s, nullptr) << name;
        EXPECT_EQ(s->Data(), data) << name;
        EXPECT_EQ(s->Size(), static_cast<int64_t>(data.size()));
    }
}

TEST(CompoundFile, DirectoryIsAValidRedBlackTree) {
    std::vector<std::pair<std::string, Bytes>> streams;
    for (int i = 0; i < 11; ++i) {
        streams.emplace_back("Stream" + std::to_string(i), pattern(10, i));
    }
    const Bytes bytes = document(streams);
    const uint32_t dirSector = get32(bytes, 0x30);
    const size_t dir = (dirSector + 1) * 512;
    auto entry = [&](uint32_t id) { return dir + 128 * id; };
    // Every path from the root's child down to a leaf holds the same number of black nodes,
    // and no red node has a red child.
    std::function<int(uint32_t, bool)> blackHeight = [&](uint32_t id, bool parentRed) -> int {
        if (id == 0xFFFFFFFF) {
            return 0;
        }
        const bool red = bytes[entry(id) + 67] == 0;
        EXPECT_FALSE(red && parentRed);
        const int left = blackHeight(get32(bytes, entry(id) + 68), red);
        const int right = blackHeight(get32(bytes, entry(id) + 72), red);
        EXPECT_EQ(left, right);
        return left + (red ? 0 : 1);
    };
    const uint32_t root = get32(bytes, entry(0) + 76);
    EXPECT_EQ(bytes[entry(root) + 67], 1); // the tree's root is black
    blackHeight(root, false);
    TCFile doc(bytes.data(), bytes.size());
    EXPECT_EQ(doc.Root().Count(), 11);
}

TEST(CompoundFile, LargeDocumentsUseTheDifat) {
    // More than 109 FAT sectors: about 7 MB of stream.
    const Bytes big = pattern(109 * 128 * 512 + 5000, 3);
    const Bytes bytes = document({{"Workbook", big}});
    EXPECT_GT(get32(bytes, 0x2C), 109u);
    EXPECT_GE(get32(bytes, 0x48), 1u);
    TCFile doc(bytes.data(), bytes.size());
    EXPECT_EQ(doc.Root().FindStream("Workbook")->Data(), big);
}

TEST(CompoundFile, LookupIsExactAndDirect) {
    const Bytes bytes = document({{"Workbook", pattern(10, 1)}});
    TCFile doc(bytes.data(), bytes.size());
    EXPECT_NE(doc.Root().FindItem("Workbook"), nullptr);
    EXPECT_EQ(doc.Root().FindItem("workbook"), nullptr);
    EXPECT_EQ(doc.Root().FindItem("Workbook "), nullptr);
    EXPECT_EQ(doc.Root().Name(), "Root Entry");
    EXPECT_EQ(cfileCode([&] { doc.Root().CreateStream("New"); }), 1);
}

TEST(CompoundFile, StreamNamesAreChecked) {
    TCFile file(TCFileMode::Memory);
    file.Root().CreateStream(std::string(31, 'a'));
    EXPECT_EQ(cfileCode([&] { file.Root().CreateStream(std::string(32, 'a')); }), 1);
    EXPECT_EQ(cfileCode([&] { file.Root().CreateStream(""); }), 1);
    EXPECT_EQ(cfileCode([&] { file.Root().CreateStream("a/b"); }), 1);
    EXPECT_EQ(cfileCode([&] { file.Root().CreateStream(std::string(31, 'a')); }), 1);
}

TEST(CompoundFile, StreamOperations) {
    TCFile file(TCFileMode::Memory);
    TCFileStream& s = file.Root().CreateStream("Data");
    EXPECT_TRUE(s.WriteDWord(0x11223344));
    EXPECT_TRUE(s.WriteWord(0x5566));
    EXPECT_EQ(s.Position(), 6);
    EXPECT_EQ(s.Seek(-2, 1), 4);
    EXPECT_TRUE(s.WriteWord(0x7788));
    EXPECT_EQ(s.Size(), 6);
    EXPECT_EQ(s.Seek(0, 2), 6);
    EXPECT_EQ(s.Seek(-7, 1), -1);
    EXPECT_EQ(cfileCode([&] { s.SetPosition(-1); }), 6);
    s.SetPosition(0);
    uint16_t w = 0;
    EXPECT_TRUE(s.ReadWord(w));
    EXPECT_EQ(w, 0x3344);
    EXPECT_FALSE(s.WriteBlock(nullptr, 3));
    EXPECT_FALSE(s.ReadBlock(nullptr, 1));
    EXPECT_EQ(s.Data(), Hex("44 33 22 11 88 77"));
}

// An empty block is a complete write, also to a stream that holds nothing yet; a document with
// such a stream reads back with it empty.
TEST(CompoundFile, AnEmptyBlockIsWrittenToAnEmptyStream) {
    TCFile file(TCFileMode::Memory);
    EXPECT_TRUE(file.Root().CreateStream("Workbook").WriteBlock("", 0));
    file.Commit();
    TCFile back(file.MemoryBytes().data(), file.MemoryBytes().size());
    ASSERT_NE(back.Root().FindStream("Workbook"), nullptr);
    EXPECT_EQ(back.Root().FindStream("Workbook")->Size(), 0);
}

TEST(CompoundFile, SavingReplacesAnExistingFileOnlyWhenComplete) {
    orvek::test::TestFolder dir;
    const std::string path = dir.file("out.xls");
    WriteText(path, "old contents");
    {
        TCFile file(TCFileMode::Create, path);
        file.Root().CreateStream("Workbook").WriteBlock("abc", 3);
        // Not committed yet: the old file is still there and no temporary file is left after.
    }
    EXPECT_EQ(ReadText(path), "old contents");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
    {
        TCFile file(TCFileMode::Create, path);
        file.Root().CreateStream("Workbook").WriteBlock("abc", 3);
        file.Commit();
    }
    TCFile doc(TCFileMode::Open, path);
    EXPECT_EQ(doc.Root().FindStream("Workbook")->Data(), Hex("61 62 63"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(CompoundFile, CreateFailsWhereNothingCanBeWritten) {
    orvek::test::TestFolder dir;
    EXPECT_EQ(cfileCode([&] { TCFile f(TCFileMode::Create, dir.file("missing/out.xls")); }), 0);
    const std::string path = dir.file("locked.xls");
    WriteText(path, "old");
    WriteText(dir.file(".~lock.locked.xls#"), "someone");
    EXPECT_EQ(cfileCode([&] { TCFile f(TCFileMode::Create, path); }), 0);
    EXPECT_EQ(ReadText(path), "old");
}

// Read-only means the mode bits, for every user: the superuser too, whom the system would let
// write anything.
TEST(CompoundFile, CreateNeverReplacesAReadOnlyFile) {
    orvek::test::TestFolder dir;
    const std::string path = dir.file("kept.xls");
    WriteText(path, "old");
    ::chmod(path.c_str(), 0444);
    EXPECT_EQ(cfileCode([&] { TCFile f(TCFileMode::Create, path); }), 0);
    EXPECT_EQ(ReadText(path), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(CompoundFile, OpenReadsReadOnlyAndLockedFilesAndRefusesOthers) {
    orvek::test::TestFolder dir;
    const std::string path = dir.file("book.xls");
    WriteFile(path, document({{"Workbook", pattern(100, 2)}}));
    ::chmod(path.c_str(), 0444);
    {
        TCFile doc(TCFileMode::Open, path);
        EXPECT_EQ(doc.Root().FindStream("Workbook")->Size(), 100);
    }
    // Open in a spreadsheet application: the file on disk is read all the same.
    WriteText(dir.file("~$book.xls"), "x");
    WriteText(dir.file(".~lock.book.xls#"), "x");
    {
        TCFile doc(TCFileMode::Open, path);
        EXPECT_EQ(doc.Root().FindStream("Workbook")->Size(), 100);
    }
    EXPECT_EQ(cfileCode([&] { TCFile doc(TCFileMode::Open, dir.file("none.xls")); }), 3);
    EXPECT_EQ(cfileCode([&] { TCFile doc(TCFileMode::Open, dir.path()); }), 3);
    ASSERT_EQ(::mkfifo(dir.file("pipe.xls").c_str(), 0600), 0);
    EXPECT_EQ(cfileCode([&] { TCFile doc(TCFileMode::Open, dir.file("pipe.xls")); }), 3);
    WriteText(dir.file("text.xls"), std::string(2000, 'x'));
    EXPECT_EQ(cfileCode([&] { TCFile doc(TCFileMode::Open, dir.file("text.xls")); }), 3);
    // A zip-based workbook starts with "PK".
    WriteText(dir.file("zip.xlsx"), "PK\x03\x04" + std::string(1000, '\0'));
    EXPECT_EQ(cfileCode([&] { TCFile doc(TCFileMode::Open, dir.file("zip.xlsx")); }), 3);
}

TEST(CompoundFile, DamagedDocumentsRaiseErrors) {
    const Bytes good = document({{"Workbook", pattern(5000, 1)}, {"Small", pattern(300, 2)}});
    auto opens = [](const Bytes& b) {
        try {
            TCFile doc(b.data(), b.size());
            for (int i = 0; i < doc.Root().Count(); ++i) {
                if (auto* s = dynamic_cast<TCFileStream*>(&doc.Root().Items(i))) {
                    s->Data();
                }
            }
            return std::string("ok");
        } catch (const ECFileError& e) {
            return std::string(e.what());
        }
    };
    EXPECT_EQ(opens(good), "ok");
    EXPECT_EQ(opens(Bytes(good.begin(), good.begin() + 100)), "Can not open a docfile");
    EXPECT_EQ(opens({}), "Can not open a docfile");
    // Truncated inside the big stream's sectors.
    EXPECT_EQ(opens(Bytes(good.begin(), good.begin() + 2048)), "Can not open a docfile");
    const uint32_t fatSector = get32(good, 0x4C);
    const size_t fat = (fatSector + 1) * 512;
    {
        Bytes cyclic = good; // the big stream's second sector links back to its first
        const uint32_t start = 0;
        put32(cyclic, fat + 4 * (start + 1), start);
        EXPECT_EQ(opens(cyclic), "Can not open a stream");
    }
    {
        Bytes outOfRange = good;
        put32(outOfRange, fat + 4 * 1, 0x00FFFFFF);
        EXPECT_EQ(opens(outOfRange), "Can not open a stream");
    }
    const size_t dir = (get32(good, 0x30) + 1) * 512;
    {
        Bytes huge = good; // a stream that claims more than the file holds
        for (int id = 1; id <= 2; ++id) {
            put32(huge, dir + 128 * id + 120, 0x7FFFFFFF);
        }
        EXPECT_EQ(opens(huge), "Can not open a stream");
    }
    {
        Bytes loop = good; // a directory entry that is its own sibling
        const uint32_t child = get32(good, dir + 76);
        put32(loop, dir + 128 * child + 68, child);
        EXPECT_EQ(opens(loop), "Can not open a docfile");
    }
    {
        Bytes badFat = good;
        put32(badFat, 0x2C, 0x7FFFFFFF); // FAT sector count beyond the file
        EXPECT_EQ(opens(badFat), "Can not open a docfile");
    }
}

// A large stream whose sectors follow each other is read where it lies; one whose sectors are
// out of order, or whose chain runs on past its size, is gathered. Both give the same bytes, and
// a chain that leaves the file is refused.
TEST(CompoundFile, StreamsInOrderAndOutOfOrderReadTheSame) {
    const Bytes big = pattern(20 * 512 + 100, 5);
    const Bytes inOrder = document({{"Workbook", big}});
    {
        TCFile doc(inOrder.data(), inOrder.size());
        const std::span<const uint8_t> bytes = doc.Root().FindStream("Workbook")->Bytes();
        EXPECT_TRUE(Bytes(bytes.begin(), bytes.end()) == big);
        EXPECT_EQ(doc.Root().FindStream("Workbook")->Data(), big);
    }
    // Swap the contents of sectors 1 and 2 and chain them 0, 2, 1, 3, ...
    Bytes swapped = inOrder;
    const size_t fat = (get32(swapped, 0x4C) + 1) * 512;
    for (size_t i = 0; i < 512; ++i) {
        std::swap(swapped[2 * 512 + i], swapped[3 * 512 + i]);
    }
    put32(swapped, fat + 0 * 4, 2);
    put32(swapped, fat + 2 * 4, 1);
    put32(swapped, fat + 1 * 4, 3);
    {
        TCFile doc(swapped.data(), swapped.size());
        TCFileStream& s = *doc.Root().FindStream("Workbook");
        EXPECT_EQ(s.Data(), big);
        Bytes head(16);
        s.SetPosition(510);
        EXPECT_EQ(s.Read(head.data(), head.size()), 16u);
        EXPECT_TRUE(std::equal(head.begin(), head.end(), big.begin() + 510));
    }
    // The last sector pointing on instead of ending the chain: still the same bytes.
    Bytes runsOn = inOrder;
    put32(runsOn, fat + 20 * 4, 21);
    {
        TCFile doc(runsOn.data(), runsOn.size());
        EXPECT_EQ(doc.Root().FindStream("Workbook")->Data(), big);
    }
    // Cut inside the stream: refused, never read past the end.
    const Bytes cut(inOrder.begin(), inOrder.begin() + 10 * 512);
    EXPECT_NE(cfileCode([&] {
                  TCFile doc(cut.data(), cut.size());
                  doc.Root().FindStream("Workbook")->Bytes();
              }),
              -1);
}
