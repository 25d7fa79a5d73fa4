#include "TestFolder.h"
#include "XlsTestSupport.h"

#include "xls/Unicode.h"
#include "xls/XLSErrors.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

using namespace orvek::xls;
using namespace xlstest;

namespace {

std::vector<Record> savedRecords(TXLSFile& file) {
    return Records(WorkbookStream(file.SaveToBuffer()));
}

Record only(const std::vector<Record>& records, uint16_t type) {
    const auto found = RecordsOfType(records, type);
    EXPECT_EQ(found.size(), 1u) << "record type " << type;
    return found.empty() ? Record{} : found[0];
}

// The SST and its CONTINUE records.
std::vector<Record> sstRecords(const std::vector<Record>& records) {
    std::vector<Record> out;
    for (size_t i = 0; i < records.size(); ++i) {
        if (records[i].type == 0x00FC) {
            out.push_back(records[i]);
            for (size_t k = i + 1; k < records.size() && records[k].type == 0x003C; ++k) {
                out.push_back(records[k]);
            }
        }
    }
    return out;
}

const char* kStyleXF = "00 00 00 00 F5 FF 20 00 00 00 00 00 00 00 00 00 00 00 C0 20";
const char* kDefaultXF = "00 00 00 00 01 00 20 00 00 04 00 00 00 00 00 00 00 00 C0 20";

} // namespace

TEST(Writer, NewWorkbookSavedUnchangedIsByteExact) {
    BiffBuilder g;
    g.Add(0x0809, Hex("00 06 05 00 46 18 00 00"))
        .Add(0x00E1, Hex("B0 04"))
        .Add(0x00C1)
        .Add(0x00E2)
        .Add(0x01C0)
        .Add(0x0161, Hex("00 00"))
        .Add(0x013D, Hex("00 00"))
        .Add(0x003D, Hex("68 01 0F 00 4C 2C 8B 1A 38 00 00 00 00 00 01 00 58 02"))
        .Add(0x008D, Hex("00 00"))
        .Add(0x0022, Hex("00 00"))
        .Add(0x0019, Hex("00 00"))
        .Add(0x0012, Hex("00 00"))
        .Add(0x0031, Hex("C8 00 00 00 40 00 90 01 00 00 00 00 01 00 05 01 "
                         "41 00 72 00 69 00 61 00 6C 00"));
    for (int i = 0; i < 15; ++i) {
        g.Add(0x00E0, Hex(kStyleXF));
    }
    g.Add(0x00E0, Hex("00 00 00 00 01 00 20 00 00 00 00 00 00 00 00 00 00 00 C0 20"));
    for (const char* nn : {"2C", "2A", "09", "2B", "29"}) {
        g.Add(0x00E0, Hex(std::string("01 00 ") + nn +
                          " 00 F5 FF 20 00 00 F8 00 00 00 00 00 00 00 00 C0 20"));
    }
    g.Add(0x00E0, Hex(kDefaultXF));
    for (const char* style : {"10 80 04 FF", "11 80 07 FF", "00 80 00 FF", "12 80 05 FF",
                              "13 80 03 FF", "14 80 06 FF"}) {
        g.Add(0x0293, Hex(style));
    }
    const size_t positionField = g.Stream().size() + 4;
    g.Add(0x0085, Hex("00 00 00 00 00 00 06 01 53 00 68 00 65 00 65 00 74 00 31 00"))
        .Add(0x01AE, Hex("01 00 01 04"))
        .Add(0x0017, Hex("01 00 00 00 00 00 00 00"))
        .Add(0x00FC, Hex("00 00 00 00 00 00 00 00"))
        .Add(0x00FF, Hex("00 00"))
        .Add(0x000A);
    const size_t sheetStart = g.Stream().size();
    const Bytes zero8(8, 0);
    g.Add(0x0809, Hex("00 06 10 00 46 18 00 00"))
        .Add(0x020B, Hex("00 00 00 00 00 00 00 00 FF FF 00 00 00 00 00 00"))
        .Add(0x001B, Hex("00 00"))
        .Add(0x001A, Hex("00 00"))
        .Add(0x00A1, Cat({Hex("00 00 64 00 FF FF 01 00 01 00 02 00 00 00 00 00"), zero8, zero8,
                          Hex("00 00")}))
        .Add(0x0081, Hex("C0 04"))
        .Add(0x002A, Hex("00 00"))
        .Add(0x002B, Hex("00 00"))
        .Add(0x0080, zero8)
        .Add(0x0028, zero8)
        .Add(0x0029, zero8)
        .Add(0x0026, zero8)
        .Add(0x0027, zero8)
        .Add(0x0083, Hex("00 00"))
        .Add(0x0084, Hex("00 00"))
        .Add(0x0225, Hex("00 00 FF 00"))
        .Add(0x023E, Hex("B6 06 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"))
        .Add(0x000A);
    Bytes expected = g.Stream();
    const Bytes position = U32(static_cast<uint32_t>(sheetStart));
    std::copy(position.begin(), position.end(),
              expected.begin() + static_cast<long>(positionField));

    TXLSFile file;
    EXPECT_EQ(ToHex(WorkbookStream(file.SaveToBuffer())), ToHex(expected));
}

TEST(Writer, CellRecordsForEachValueKind) {
    TXLSFile file;
    TCells& cells = file.Workbook().Sheets().Items(0).Cells();
    cells.Cell(0, 0).SetValue(int32_t{7});
    cells.Cell(0, 1).SetValue(Variant::Date(2));  // 1 January 1900
    cells.Cell(0, 2).SetValue(Variant::Date(61)); // 1 March 1900
    cells.Cell(0, 3).SetValue(true);
    cells.Cell(0, 4).SetValue("");
    cells.Cell(1, 0).SetNumberFormatIndex(2); // a cell with a format and no value
    cells.Cell(2, 5).SetValue(Variant::Currency(1.5));
    const auto records = savedRecords(file);
    const auto numbers = RecordsOfType(records, 0x0203);
    ASSERT_EQ(numbers.size(), 4u);
    EXPECT_EQ(numbers[0].body, Cat({Hex("00 00 00 00 15 00"), F64(7)}));
    EXPECT_EQ(numbers[1].body, Cat({Hex("00 00 01 00 16 00"), F64(1)}));
    EXPECT_EQ(numbers[2].body, Cat({Hex("00 00 02 00 16 00"), F64(61)}));
    EXPECT_EQ(numbers[3].body, Cat({Hex("02 00 05 00 15 00"), F64(1.5)}));
    EXPECT_EQ(only(records, 0x0205).body, Hex("00 00 03 00 15 00 01 00"));
    EXPECT_EQ(only(records, 0x00FD).body, Hex("00 00 04 00 15 00 00 00 00 00"));
    EXPECT_EQ(only(records, 0x00FC).body, Hex("01 00 00 00 01 00 00 00 00 00 00"));
    EXPECT_EQ(only(records, 0x0201).body, Hex("01 00 00 00 17 00"));
    EXPECT_EQ(only(records, 0x0200).body, Hex("00 00 00 00 03 00 00 00 00 00 06 00 00 00"));
    // The interned XF entries follow the 21 fixed ones: default, date, format 2.
    const auto xfs = RecordsOfType(records, 0x00E0);
    ASSERT_EQ(xfs.size(), 24u);
    EXPECT_EQ(xfs[21].body, Hex(kDefaultXF));
    EXPECT_EQ(xfs[22].body, Hex("00 00 0E 00 01 00 20 00 00 04 00 00 00 00 00 00 00 00 C0 20"));
    EXPECT_EQ(xfs[23].body, Hex("00 00 02 00 01 00 20 00 00 04 00 00 00 00 00 00 00 00 C0 20"));
}

TEST(Writer, FormatsFontsAndCellStyles) {
    TXLSFile file;
    TWorkbook& wb = file.Workbook();
    FontEntry font;
    font.Bold = 1;
    font.Italic = 1;
    font.StrikeOut = 1;
    font.UnderlineStyle = 3;
    font.Underline = 1;
    font.Height = 12;
    font.Color = 3;
    font.Name = u"Tahoma";
    const int fontIndex = wb.FontTable().Add(font);
    for (int i = 0; i < 4; ++i) {
        font.Height = static_cast<uint16_t>(13 + i);
        wb.FontTable().Add(font);
    }
    const int format = wb.Formats().AddFormat("0.000");
    TCell& cell = wb.Sheets().Items(0).Cells().Cell(0, 0);
    XFEntry e;
    e.FontIndex = 4; // written as 5: the file has no font 4
    e.NumberFormatIndex = static_cast<uint16_t>(format);
    e.HAlign = 2;
    e.VAlign = 1;
    e.Wrap = 1;
    e.Rotation = 90;
    e.Indent = 3;
    e.Merged = 1;
    e.BorderStyle = {1, 2, 0, 5};
    e.BorderColor = {1, 2, 3, 4};
    e.FillPattern = 1;
    e.PatternColor = 10;
    e.PatternBgColor = 20;
    cell.SetFormat(e);
    cell.SetValue(1.0);
    const auto records = savedRecords(file);
    const auto fonts = RecordsOfType(records, 0x0031);
    ASSERT_EQ(fonts.size(), 6u);
    EXPECT_EQ(fontIndex, 1);
    EXPECT_EQ(fonts[1].body, Cat({Hex("F0 00 0A 00 0A 00 BC 02 00 00 21 00 01 00 06 01"),
                                  Hex("54 00 61 00 68 00 6F 00 6D 00 61 00")}));
    EXPECT_EQ(only(records, 0x041E).body, Hex("A4 00 05 00 01 30 00 2E 00 30 00 30 00 30 00"));
    const auto xfs = RecordsOfType(records, 0x00E0);
    // font 5, format 164, 0x0001, align 2 + 16 + 8 + 90*256, indent 3 + merged + 0x400,
    // borders 1 | 2<<4 | 5<<12, colours left 8 right 9 bottom 11 (top has no line), fill 1
    // with the two pattern colours swapped.
    EXPECT_EQ(ToHex(xfs[22].body), "05 00 A4 00 01 00 1A 5A 23 04 21 50 88 04 80 05 "
                                   "00 04 9B 08");
}

TEST(Writer, ColumnsRowsAndMergedRanges) {
    TXLSFile file;
    TSheet& sheet = file.Workbook().Sheets().Items(0);
    sheet.Columns().Items(0).SetWidth(10);
    sheet.Columns().Items(3).SetOutlineLevel(2);
    sheet.Rows().Items(4).SetHeight(20.5);
    sheet.Rows().Items(5).SetOutlineLevel(1); // level only: no ROW record (size unchanged)
    sheet.Ranges().AddMerged({1, 2, 0, 3});
    const auto records = savedRecords(file);
    const auto cols = RecordsOfType(records, 0x007D);
    ASSERT_EQ(cols.size(), 2u);
    EXPECT_EQ(cols[0].body, Hex("00 00 00 00 00 0A 00 00 00 00 00"));
    EXPECT_EQ(cols[1].body, Hex("03 00 03 00 25 09 00 00 00 02 00"));
    EXPECT_EQ(only(records, 0x0208).body, Hex("04 00 00 00 00 00 9A 01 00 00 00 00 40 01 00 00"));
    EXPECT_EQ(only(records, 0x0080).body, Hex("1D 00 3A 00 02 00 03 00"));
    EXPECT_EQ(only(records, 0x00E5).body, Hex("01 00 01 00 02 00 00 00 03 00"));
}

TEST(Writer, StringsAreSharedAndStoredByKind) {
    TXLSFile file;
    TCells& cells = file.Workbook().Sheets().Items(0).Cells();
    for (int row = 0; row < 50; ++row) {
        cells.Cell(row, 0).SetValue("same");
    }
    cells.Cell(0, 1).SetValue(std::u16string(u"same"));
    cells.Cell(0, 2).SetValue("caf\xC3\xA9");    // Latin-1 fits: 8-bit
    cells.Cell(0, 3).SetValue("\xE2\x82\xAC 5"); // the euro sign needs 16 bits
    const auto records = savedRecords(file);
    EXPECT_EQ(ToHex(only(records, 0x00FC).body), "04 00 00 00 04 00 00 00 "
                                                 "04 00 00 73 61 6D 65 "
                                                 "04 00 01 73 00 61 00 6D 00 65 00 "
                                                 "04 00 00 63 61 66 E9 "
                                                 "03 00 01 AC 20 20 00 35 00");
    const auto labels = RecordsOfType(records, 0x00FD);
    ASSERT_EQ(labels.size(), 53u);
    EXPECT_EQ(labels[49].body, Hex("31 00 00 00 15 00 00 00 00 00"));
    EXPECT_EQ(labels[50].body, Hex("00 00 01 00 15 00 01 00 00 00"));
}

TEST(Writer, LongEightBitStringContinuesWithItsFlags) {
    TXLSFile file;
    file.Workbook().Sheets().Items(0).Cells().Cell(0, 0).SetValue(std::string(20000, 'a'));
    const auto sst = sstRecords(savedRecords(file));
    ASSERT_EQ(sst.size(), 3u);
    EXPECT_EQ(sst[0].body.size(), 8224u);
    EXPECT_EQ(Bytes(sst[0].body.begin() + 8, sst[0].body.begin() + 11), Hex("20 4E 00"));
    EXPECT_EQ(sst[1].type, 0x003C);
    EXPECT_EQ(sst[1].body.size(), 8224u);
    EXPECT_EQ(sst[1].body[0], 0x00);
    EXPECT_EQ(sst[2].body.size(), 1u + 20000 - 8213 - 8223);
    EXPECT_EQ(sst[2].body[0], 0x00);
}

TEST(Writer, SixteenBitStringsSplitBetweenCharacters) {
    TXLSFile file;
    // 8 + 3 + 2 * 4106 = 8223: one byte short of the limit, so the first piece ends a byte
    // early rather than inside a character.
    std::u16string text(4200, u'\u0416');
    file.Workbook().Sheets().Items(0).Cells().Cell(0, 0).SetValue(text);
    const auto sst = sstRecords(savedRecords(file));
    ASSERT_EQ(sst.size(), 2u);
    EXPECT_EQ(sst[0].body.size(), 8223u);
    EXPECT_EQ(sst[1].body[0], 0x01);
    EXPECT_EQ(sst[1].body.size(), 1u + 2 * (4200 - 4106));
    // Reading joins the pieces again.
    TXLSFile back;
    Load(back, file.SaveToBuffer());
    EXPECT_EQ(back.Workbook().Sheets().Items(0).Cells().ValueAt(0, 0).OleStrPart(), text);
}

TEST(Writer, EntryHeadersNeverStartInTheLastThreeBytes) {
    TXLSFile file;
    TCells& cells = file.Workbook().Sheets().Items(0).Cells();
    // Entries of 3 + 7 = 10 bytes: after 821 of them 8 + 8210 = 8218 bytes are used and 6
    // remain; the next entry takes them and continues; later ones follow whole.
    for (int i = 0; i < 1000; ++i) {
        char text[8];
        std::snprintf(text, sizeof text, "s%06d", i);
        cells.Cell(i, 0).SetValue(text);
    }
    const auto sst = sstRecords(savedRecords(file));
    ASSERT_EQ(sst.size(), 2u);
    EXPECT_EQ(sst[0].body.size(), 8224u);
    // The split entry continues with its flags byte, then its last 4 characters.
    EXPECT_EQ(Bytes(sst[1].body.begin(), sst[1].body.begin() + 5), Hex("00 30 38 32 31"));
    TXLSFile back;
    Load(back, file.SaveToBuffer());
    EXPECT_EQ(back.Workbook().Sheets().Items(0).Cells().ValueAt(821, 0).StringPart(), "s000821");
    EXPECT_EQ(back.Workbook().Sheets().Items(0).Cells().ValueAt(999, 0).StringPart(), "s000999");
}

TEST(Writer, SheetsPointAtTheirBofRecords) {
    TXLSFile file;
    TSheets& sheets = file.Workbook().Sheets();
    sheets.Add("Second");
    sheets.Add("\xC3\x9C"
               "bersicht");
    sheets.Items(1).Cells().Cell(0, 0).SetValue(1.0);
    const Bytes stream = WorkbookStream(file.SaveToBuffer());
    const auto records = Records(stream);
    const auto bounds = RecordsOfType(records, 0x0085);
    ASSERT_EQ(bounds.size(), 3u);
    for (const auto& b : bounds) {
        const uint32_t at = b.body[0] | (b.body[1] << 8) | (b.body[2] << 16) | (b.body[3] << 24);
        EXPECT_EQ(Bytes(stream.begin() + at, stream.begin() + at + 8),
                  Hex("09 08 08 00 00 06 10 00"));
    }
    EXPECT_EQ(Bytes(bounds[2].body.begin() + 6, bounds[2].body.begin() + 10), Hex("09 01 DC 00"));
    EXPECT_EQ(only(records, 0x013D).body, Hex("00 00 01 00 02 00"));
    EXPECT_EQ(only(records, 0x0017).body,
              Hex("03 00 00 00 00 00 00 00 00 00 01 00 01 00 00 00 02 00 02 00"));
    const auto windows = RecordsOfType(records, 0x023E);
    ASSERT_EQ(windows.size(), 3u);
    EXPECT_EQ(windows[0].body[0], 0xB6);
    EXPECT_EQ(windows[0].body[1], 0x06);
    EXPECT_EQ(windows[1].body[1], 0x04);
}

TEST(Writer, ProgressRunsFromZeroToOne) {
    TXLSFile file;
    TCells& cells = file.Workbook().Sheets().Items(0).Cells();
    for (int i = 0; i < 4; ++i) {
        cells.Cell(i, 0).SetValue(double(i));
    }
    std::vector<double> seen;
    file.OnProgress = [&](double p) { seen.push_back(p); };
    file.SaveToBuffer();
    const std::vector<double> expected = {0, 0.05, 0.06, 0.1, 0.3, 0.5, 0.7, 0.9, 1};
    ASSERT_EQ(seen.size(), expected.size());
    for (size_t i = 0; i < seen.size(); ++i) {
        EXPECT_NEAR(seen[i], expected[i], 1e-9);
    }
}

TEST(Writer, RefusalsLeaveTheTargetFileAlone) {
    orvek::test::TestFolder dir;
    const std::string path = dir.file("out.xls");
    WriteText(path, "previous");
    TXLSFile file;
    file.Workbook().Sheets().Clear();
    try {
        file.SaveAs(path);
        FAIL() << "saved a workbook without sheets";
    } catch (const EXLSError& e) {
        EXPECT_EQ(e.ErrorCode(), 12);
    }
    TXLSFile formula;
    formula.Workbook().Sheets().Items(0).Cells().Cell(0, 0).SetFormula("=1+1");
    EXPECT_THROW(formula.SaveAs(path), EXLSError);
    EXPECT_EQ(ReadText(path), "previous");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
    // A good save replaces the file.
    TXLSFile good;
    good.SaveAs(path);
    TXLSFile back;
    back.OpenFile(path);
    EXPECT_EQ(back.Workbook().Sheets().Items(0).Name(), "Sheet1");
}

TEST(Writer, ShortWriteRaisesAndKeepsTheOldFile) {
    orvek::test::TestFolder dir;
    const std::string path = dir.file("big.xls");
    WriteText(path, "previous");
    TXLSFile file;
    TCells& cells = file.Workbook().Sheets().Items(0).Cells();
    for (int row = 0; row < 2000; ++row) {
        cells.Cell(row, 0).SetValue(double(row));
    }
    // A file size limit makes the write come up short, as a full disk would.
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string message;
    try {
        file.SaveAs(path);
    } catch (const ECFileError& e) {
        message = e.what();
    }
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_EQ(message, "Can not write to a stream");
    EXPECT_EQ(ReadText(path), "previous");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(Writer, NamesForPrintTitlesPrintAreasAndRanges) {
    TXLSFile file;
    TSheet& sheet = file.Workbook().Sheets().Items(0);
    sheet.PageSetup().PrintTitleFirstRow = 0;
    sheet.PageSetup().PrintTitleLastRow = 1;
    sheet.PageSetup().PrintArea.Add({0, 9, 0, 2});
    sheet.PageSetup().PrintArea.Add({20, 29, 4, 5});
    TRange& named = sheet.Ranges().Add();
    named.SetName("Data");
    named.Add({3, 4, 1, 1});
    const auto names = RecordsOfType(savedRecords(file), 0x0018);
    ASSERT_EQ(names.size(), 3u);
    EXPECT_EQ(ToHex(names[0].body), "20 00 00 01 1A 00 00 00 01 00 00 00 00 00 00 06 "
                                    "29 17 00 3B 00 00 00 00 09 00 00 00 02 00 "
                                    "3B 00 00 14 00 1D 00 04 00 05 00 10");
    EXPECT_EQ(ToHex(names[1].body), "20 00 00 01 0B 00 00 00 01 00 00 00 00 00 00 07 "
                                    "3B 00 00 00 00 01 00 00 00 FF 00");
    EXPECT_EQ(ToHex(names[2].body), "00 00 00 04 0B 00 00 00 00 00 00 00 00 00 00 44 61 74 61 "
                                    "3B 00 00 03 00 04 00 01 00 01 00");
    TXLSFile back;
    Load(back, file.SaveToBuffer());
    const TSheet& b = back.Workbook().Sheets().Items(0);
    ASSERT_EQ(b.PageSetup().PrintArea.Count(), 2);
    EXPECT_EQ(b.PageSetup().PrintArea.Items(1), (TRangeRect{20, 29, 4, 5}));
    ASSERT_EQ(b.Ranges().Count(), 1);
    EXPECT_EQ(b.Ranges().Items(0).Name(), "Data");
}

namespace {

// A workbook whose stream is several megabytes, with texts enough for CONTINUE records, on two
// sheets.
void fillLarge(TXLSFile& file) {
    TSheet& first = file.Workbook().Sheets().Items(0);
    file.Workbook().Sheets().Add("Second");
    first.Columns().Items(0).SetWidth(10);
    for (int row = 0; row < 20000; ++row) {
        TCells& cells = first.Cells();
        cells.Cell(row, 0).SetValue(Variant::Date(38353.0 + row));
        cells.Cell(row, 1).SetValue(int32_t{row});
        cells.Cell(row, 2).SetValue(0.5 * row);
        cells.Cell(row, 3).SetValue("text " + std::to_string(row % 3000));
    }
    file.Workbook().Sheets().Items(1).Cells().Cell(3, 3).SetValue(true);
}

} // namespace

// Saving to a file sends the stream straight to it; the bytes must be those of a save to memory,
// for a stream that is large and for one small enough for the mini stream.
TEST(Writer, AFileAndABufferGetTheSameBytes) {
    orvek::test::TestFolder f;
    TXLSFile large;
    fillLarge(large);
    large.SaveAs(f.file("large.xls"));
    const std::vector<uint8_t> buffer = large.SaveToBuffer();
    ASSERT_GT(buffer.size(), 500000u);
    const std::string onDisk = f.read("large.xls");
    EXPECT_TRUE(onDisk == std::string(buffer.begin(), buffer.end()));

    TXLSFile small;
    small.Workbook().Sheets().Items(0).Cells().Cell(0, 0).SetValue(1.5);
    small.SaveAs(f.file("small.xls"));
    const std::vector<uint8_t> smallBuffer = small.SaveToBuffer();
    EXPECT_TRUE(f.read("small.xls") == std::string(smallBuffer.begin(), smallBuffer.end()));

    // And what was saved loads back.
    TXLSFile again;
    again.OpenFile(f.file("large.xls"));
    const TCells& cells = again.Workbook().Sheets().Items(0).Cells();
    EXPECT_EQ(cells.Count(), 80000);
    EXPECT_EQ(cells.ValueAt(19999, 3).ToString(), "text 1999");
    EXPECT_EQ(cells.ValueAt(12345, 2).ToDouble(), 6172.5);
    EXPECT_EQ(cells.ValueAt(100, 0).Type(), VarType::Date);
    EXPECT_TRUE(again.Workbook().Sheets().Items(1).Cells().ValueAt(3, 3).BooleanPart());
}
