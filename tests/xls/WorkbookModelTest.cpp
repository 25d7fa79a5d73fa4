#include "xls/HashIndex.h"
#include "xls/Metrics.h"
#include "xls/Workbook.h"
#include "xls/XLSErrors.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace orvek::xls;

namespace {

template <class F> std::string errorOf(F f) {
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(no error)";
}

template <class F> int xlsCodeOf(F f) {
    try {
        f();
    } catch (const EXLSError& e) {
        return e.ErrorCode();
    }
    return -1;
}

} // namespace

TEST(KeyHash, IsCrc32StartedAt0x0FFFFFFFWithoutFinalInversion) {
    // The standard CRC-32 of "123456789" is 0xCBF43926; started at 0x0FFFFFFF instead of
    // 0xFFFFFFFF and left uninverted it differs, so compute the reference the long way.
    const char* text = "123456789";
    uint32_t crc = 0x0FFFFFFF;
    for (const char* p = text; *p; ++p) {
        crc ^= static_cast<uint8_t>(*p);
        for (int k = 0; k < 8; ++k) {
            crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
        }
    }
    EXPECT_EQ(KeyCrc32(text, 9), crc);
    EXPECT_EQ(KeyCrc32("", 0), 0x0FFFFFFFu);
    EXPECT_NE(KeyCrc32(text, 9), 0xCBF43926u);
}

TEST(NewFile, HasOneEmptySheetNamedSheet1AndDefaultTables) {
    TXLSFile file;
    const TWorkbook& wb = file.Workbook();
    ASSERT_EQ(wb.Sheets().Count(), 1);
    const TSheet& sheet = wb.Sheets().Items(0);
    EXPECT_EQ(sheet.Name(), "Sheet1");
    EXPECT_EQ(sheet.Index(), 0);
    EXPECT_EQ(sheet.Cells().Count(), 0);
    EXPECT_EQ(sheet.Columns().Count(), 0);
    EXPECT_EQ(sheet.Rows().Count(), 0);
    EXPECT_TRUE(sheet.ShowGridLines && sheet.ShowHeaders && sheet.ShowZeros);
    EXPECT_EQ(wb.Formats().Count(), 36);
    EXPECT_EQ(wb.FontTable().Count(), 1);
    EXPECT_EQ(wb.XFTable().Count(), 1);
    EXPECT_EQ(wb.FontTable().Entry(0).Name, u"Arial");
    EXPECT_EQ(wb.FontTable().Entry(0).Height, 10);
    EXPECT_EQ(wb.XFTable().Entry(0), XFEntry{});
    TWorkbook three(3);
    EXPECT_EQ(three.Sheets().Items(2).Name(), "Sheet3");
}

TEST(NumberFormats, BuiltInListMatchesTheFileFormatIndices) {
    TFormatStrings f;
    EXPECT_EQ(f.Items(13).BiffIndex, 14);
    EXPECT_EQ(f.Items(13).Format, "mm/dd/yy");
    EXPECT_EQ(f.Items(12).Format, "# ?\?/??");
    EXPECT_EQ(f.Items(22).BiffIndex, 42);
    EXPECT_EQ(f.Items(22).Format, "_($* #,##0_);_($* (#,##0);_($* \"-\"_);_(@_)");
    EXPECT_EQ(f.Items(24).Format, "_($* #,##0.00_);_($* (#,##0.00);_($* \"-\"?\?_);_(@_)");
    EXPECT_EQ(f.Items(26).BiffIndex, 4);
    EXPECT_EQ(f.Items(35).Format, "@");
    EXPECT_EQ(f.MaxBiffIndex(), 49);
    // Same BIFF index replaces; a new one appends.
    EXPECT_EQ(f.Add(14, "d/m/yyyy"), 13);
    EXPECT_EQ(f.Items(13).Format, "d/m/yyyy");
    EXPECT_EQ(f.Add(170, "0.000"), 36);
    EXPECT_EQ(f.MaxBiffIndex(), 170);
    EXPECT_EQ(f.AddFormat("0.000"), 36);
    EXPECT_EQ(f.Items(f.AddFormat("0.0000")).BiffIndex, 171);
}

TEST(NumberFormats, ClassifyByIndexThenByString) {
    auto cls = [](uint16_t biff, const char* text) { return ClassifyFormat({biff, text}); };
    EXPECT_EQ(cls(0, "whatever"), FormatClass::General);
    EXPECT_EQ(cls(2, ""), FormatClass::Double);
    EXPECT_EQ(cls(48, ""), FormatClass::Double);
    EXPECT_EQ(cls(14, ""), FormatClass::Date);
    EXPECT_EQ(cls(47, ""), FormatClass::Date);
    EXPECT_EQ(cls(164, "General"), FormatClass::General);
    EXPECT_EQ(cls(164, "@"), FormatClass::Text);
    EXPECT_EQ(cls(164, "yyyy-mm-dd"), FormatClass::Date);
    EXPECT_EQ(cls(164, "mm:ss.0"), FormatClass::Date);
    EXPECT_EQ(cls(164, "#,##0"), FormatClass::Double);
    EXPECT_EQ(cls(164, "0.000"), FormatClass::Double);
    EXPECT_EQ(cls(164, "000"), FormatClass::Integer);
}

TEST(Cells, ReadingNeverAddsCellsAndOnlyOnePendingCellExists) {
    TXLSFile file;
    TCells& cells = file.Workbook().Sheets().Items(0).Cells();
    EXPECT_TRUE(cells.Cell(3, 4).Value().IsEmpty());
    EXPECT_EQ(cells.Count(), 0);
    const TCell* first = cells.PendingItem();
    ASSERT_NE(first, nullptr);
    cells.Cell(5, 6);
    EXPECT_NE(cells.PendingItem(), nullptr);
    EXPECT_EQ(cells.Count(), 0);
    EXPECT_EQ(cells.Find(5, 6), nullptr);
    EXPECT_TRUE(cells.ValueAt(5, 6).IsEmpty());
    // Assigning registers the pending cell and clears the slot.
    cells.Cell(7, 1).SetValue(std::string());
    EXPECT_EQ(cells.Count(), 1);
    EXPECT_EQ(cells.PendingItem(), nullptr);
    EXPECT_EQ(cells.Find(7, 1), &cells.At(0));
    EXPECT_EQ(&cells.Cell(7, 1), &cells.At(0));
}

TEST(Cells, PositionLimitsRaiseInvalidRowOrColumn) {
    TXLSFile file;
    TCells& cells = file.Workbook().Sheets().Items(0).Cells();
    EXPECT_EQ(errorOf([&] { cells.Cell(0, 256); }), "Invalid row or column number");
    EXPECT_EQ(xlsCodeOf([&] { cells.Cell(65536, 0); }), 5);
    EXPECT_EQ(xlsCodeOf([&] { cells.Cell(-1, 0); }), 5);
    cells.Cell(65535, 255).SetValue(1.5);
    EXPECT_EQ(cells.At(0).Row(), 65535);
    EXPECT_EQ(cells.At(0).Col(), 255);
    // The key holds the whole row: no other cell aliases it.
    EXPECT_EQ(cells.Find(65535, 0), nullptr);
    EXPECT_EQ(cells.Find(65536 - 65536, 255), nullptr);
    EXPECT_EQ(errorOf([&] { cells.At(1); }), "List index (1) out of bounds");
}

TEST(Cells, ValueAssignmentRules) {
    TXLSFile file;
    TCells& cells = file.Workbook().Sheets().Items(0).Cells();
    EXPECT_EQ(errorOf([&] { cells.Cell(0, 0).SetValue(Variant()); }), "Invalid cell value or type");
    EXPECT_EQ(xlsCodeOf([&] { cells.Cell(0, 0).SetValue(Variant::Null()); }), 3);
    EXPECT_EQ(xlsCodeOf([&] { cells.Cell(0, 0).SetValue(std::string(65536, 'x')); }), 3);
    EXPECT_EQ(cells.Count(), 0);
    cells.Cell(0, 0).SetValue(std::string(65535, 'x'));
    // 65535 characters of three UTF-8 bytes each are still 65535 characters.
    std::string euros;
    for (int i = 0; i < 65535; ++i) {
        euros += "\xE2\x82\xAC";
    }
    cells.Cell(0, 1).SetValue(euros);
    EXPECT_EQ(cells.Count(), 2);
    // An unchanged value still registers the cell.
    cells.Cell(1, 0).SetValue(Variant(int32_t{0}));
    EXPECT_EQ(cells.Count(), 3);
}

TEST(Cells, DatesTakeTheDateFormatOnlyFromGeneral) {
    TXLSFile file;
    TCells& cells = file.Workbook().Sheets().Items(0).Cells();
    TCell& a = cells.Cell(0, 0);
    a.SetValue(Variant::Date(38353));
    EXPECT_EQ(a.NumberFormatIndex(), 13);
    TCell& b = cells.Cell(1, 0);
    b.SetNumberFormatIndex(2);
    b.SetValue(Variant::Date(38353));
    EXPECT_EQ(b.NumberFormatIndex(), 2);
    TCell& c = cells.Cell(2, 0);
    c.SetValue(38353.0);
    c.SetNumberFormatIndex(13);
    EXPECT_EQ(c.Value().Type(), VarType::Double);
    EXPECT_EQ(c.XFIndex(), a.XFIndex());
}

TEST(Cells, EqualFormatsShareOneEntry) {
    TXLSFile file;
    TWorkbook& wb = file.Workbook();
    TCells& cells = wb.Sheets().Items(0).Cells();
    cells.Cell(0, 0).SetNumberFormatIndex(13);
    cells.Cell(1, 0).SetNumberFormatIndex(13);
    EXPECT_EQ(wb.XFTable().Count(), 2);
    EXPECT_EQ(cells.Count(), 2);
    EXPECT_EQ(cells.At(0).XFIndex(), 1);
    EXPECT_EQ(cells.At(1).XFIndex(), 1);
    // Font 0 and merged false leave a pending cell unregistered.
    cells.Cell(2, 0).SetFontIndex(0);
    cells.Cell(3, 0).SetMerged(false);
    EXPECT_EQ(cells.Count(), 2);
    cells.Cell(3, 0).SetMerged(true);
    EXPECT_EQ(cells.Count(), 3);
    EXPECT_TRUE(cells.At(2).Merged());
    // Indices outside the tables are refused before anything changes.
    EXPECT_EQ(errorOf([&] { cells.Cell(0, 0).SetNumberFormatIndex(36); }),
              "Invalid cell property value");
    EXPECT_EQ(xlsCodeOf([&] { cells.Cell(0, 0).SetFontIndex(1); }), 4);
    EXPECT_EQ(xlsCodeOf([&] { cells.Cell(0, 0).SetXFIndex(99); }), 4);
    EXPECT_EQ(cells.At(0).XFIndex(), 1);
    // Setting the same XF index does not register a pending cell.
    cells.Cell(9, 9).SetXFIndex(0);
    EXPECT_EQ(cells.Count(), 3);
}

TEST(Sheets, NamesAreCheckedExactlyAndTrimmed) {
    TXLSFile file;
    TSheets& sheets = file.Workbook().Sheets();
    EXPECT_EQ(errorOf([&] { sheets.Add("Sheet1"); }), "Invalid or duplicated sheet name");
    EXPECT_EQ(xlsCodeOf([&] { sheets.Add("  Sheet1\t"); }), 6);
    EXPECT_EQ(xlsCodeOf([&] { sheets.Add("   "); }), 6);
    EXPECT_EQ(errorOf([&] { sheets.Add(""); }), "Sheet name must have a length 1..255");
    EXPECT_EQ(xlsCodeOf([&] { sheets.Add(std::string(256, 'a')); }), 7);
    EXPECT_EQ(sheets.Add(std::string(255, 'a')).Index(), 1);
    EXPECT_EQ(sheets.Add("sheet1").Index(), 2);
    EXPECT_EQ(sheets.Add(" Data ").Name(), " Data ");
    EXPECT_EQ(sheets.FindByName("Data"), nullptr);
    EXPECT_EQ(sheets.FindByName(" Data "), &sheets.Items(3));
    EXPECT_EQ(xlsCodeOf([&] { sheets.Items(0).SetName("Sheet1"); }), 6);
    sheets.Items(0).SetName("Results");
    EXPECT_EQ(sheets.Items(0).Name(), "Results");
    EXPECT_EQ(errorOf([&] { sheets.Items(4); }), "List index (4) out of bounds !");
    EXPECT_EQ(errorOf([&] { sheets.Items(-1); }), "List index (-1) out of bounds !");
    EXPECT_THROW(sheets.Items(9), std::out_of_range);
}

TEST(ColumnsAndRows, SizesPixelsAndRegistration) {
    TXLSFile file;
    TSheet& sheet = file.Workbook().Sheets().Items(0);
    TColumn& c = sheet.Columns().Items(0);
    EXPECT_DOUBLE_EQ(c.Width(), 64.0 / 7);
    EXPECT_EQ(c.Pixels(), 64);
    c.SetWidth(64.0 / 7); // unchanged: stays pending
    EXPECT_EQ(sheet.Columns().Count(), 0);
    c.SetWidth(10);
    EXPECT_EQ(sheet.Columns().Count(), 1);
    EXPECT_EQ(c.Pixels(), 70);
    EXPECT_TRUE(c.SizeChanged() && c.CustomSize());
    sheet.Columns().Items(1).SetWidth(0.5); // 3.5 pixels: ties go to the even neighbour
    EXPECT_EQ(sheet.Columns().Items(1).Pixels(), 4);
    sheet.Columns().Items(2).SetWidth(1.5); // 10.5 -> 10
    EXPECT_EQ(sheet.Columns().Items(2).Pixels(), 10);
    EXPECT_EQ(xlsCodeOf([&] { sheet.Columns().Items(256); }), 5);
    EXPECT_EQ(xlsCodeOf([&] { sheet.Columns().Items(3).SetWidth(-1); }), 4);
    EXPECT_EQ(xlsCodeOf([&] { sheet.Columns().Items(3).SetWidth(NAN); }), 4);

    TRow& r = sheet.Rows().Items(65535);
    EXPECT_DOUBLE_EQ(r.Height(), 12.75);
    EXPECT_EQ(r.Pixels(), 17);
    r.SetHeight(15);
    EXPECT_EQ(r.Pixels(), 20);
    EXPECT_EQ(sheet.Rows().Count(), 1);
    EXPECT_EQ(xlsCodeOf([&] { sheet.Rows().Items(65536); }), 5);
    EXPECT_EQ(xlsCodeOf([&] { sheet.Rows().At(0).SetOutlineLevel(8); }), 4);
    EXPECT_EQ(errorOf([&] { sheet.Rows().At(1); }), "List index (1) out of bounds");
}

TEST(ColumnsAndRows, OtherResolutionsUseLargerPixels) {
    TXLSFile file(TScreenMetrics(120));
    TSheet& sheet = file.Workbook().Sheets().Items(0);
    EXPECT_DOUBLE_EQ(sheet.Columns().Items(0).Width(), 80.0 / 9);
    EXPECT_DOUBLE_EQ(sheet.Rows().Items(0).Height(), 22 * 0.6);
    sheet.Rows().Items(0).SetHeight(12);
    EXPECT_EQ(sheet.Rows().Items(0).Pixels(), 20);
    TXLSFile standard;
    EXPECT_EQ(standard.Workbook().Metrics().PixelsPerInch(), 96);
    EXPECT_DOUBLE_EQ(standard.Workbook().Sheets().Items(0).Columns().Items(0).Width(), 64.0 / 7);
}

TEST(Ranges, NamesWithBlanksAreRefused) {
    TRanges ranges;
    TRange& merged = ranges.AddMerged({1, 2, 0, 3});
    EXPECT_TRUE(merged.Merged());
    EXPECT_EQ(merged.Name(), "");
    TRange& named = ranges.Add();
    named.SetName("Inputs");
    EXPECT_EQ(ranges.FindByName("Inputs"), &named);
    EXPECT_EQ(errorOf([&] { named.SetName("My range"); }), "Invalid range name: My range");
    EXPECT_EQ(named.Name(), "Inputs");
    EXPECT_EQ(errorOf([&] { ranges.Items(2); }), "List index (2) out of bounds");
}

TEST(Errors, EveryCodeHasItsMessage) {
    EXPECT_EQ(EXLSError(1).what(), std::string("Buffer size is too small"));
    EXPECT_EQ(EXLSError(2, "Workbook").what(),
              std::string("Stream not found: Workbook. File format is not supported."));
    EXPECT_EQ(EXLSError(8).what(), std::string("Invalid formula"));
    EXPECT_EQ(EXLSError(9, "FOO").what(), std::string("Invalid function in formula: FOO"));
    EXPECT_EQ(EXLSError(10).what(),
              std::string("String constants in formula must have a length 0..255"));
    EXPECT_EQ(EXLSError(12).what(), std::string("There are no sheets in the workbook"));
    EXPECT_EQ(EXLSError(12).ErrorCode(), 12);
    const char* cfile[] = {
        "Can not create a docfile",    "Can not create a stream", "Can not create a storage",
        "Can not open a docfile",      "Can not open a stream",   "Can not open a storage",
        "Can not set stream position", "Can not commit storage",  "Can not write to a stream"};
    for (int code = 0; code <= 8; ++code) {
        EXPECT_EQ(ECFileError(code).what(), std::string(cfile[code]));
        EXPECT_EQ(ECFileError(code).ErrorCode(), code);
    }
}

TEST(VariantValue, ConversionsForCallers) {
    EXPECT_EQ(Variant(2.5).ToInt(), 2);
    EXPECT_EQ(Variant(3.5).ToInt(), 4);
    EXPECT_EQ(Variant(-2.5).ToInt(), -2);
    EXPECT_EQ(Variant().ToInt(), 0);
    EXPECT_EQ(Variant(" 12.5 ").ToDouble(), 12.5);
    EXPECT_EQ(Variant(std::u16string(u"7")).ToInt(), 7);
    EXPECT_EQ(errorOf([] { Variant("abc").ToDouble(); }),
              "'abc' is not a valid floating point value");
    EXPECT_THROW(Variant(1e12).ToInt(), std::out_of_range);
    EXPECT_THROW(Variant(NAN).ToInt(), std::out_of_range);
    EXPECT_EQ(Variant::Currency(1.23456).ToDouble(), 1.2346);
    EXPECT_EQ(Variant(true).ToDouble(), -1.0);
    EXPECT_EQ(Variant(uint8_t{200}).Type(), VarType::Byte);
    EXPECT_EQ(Variant(int16_t{-3}).Type(), VarType::Smallint);
    EXPECT_EQ(Variant(std::u16string(u"\u20AC")).ToString(), "\xE2\x82\xAC");
    EXPECT_FALSE(Variant("1") == Variant(std::u16string(u"1")));
    EXPECT_TRUE(Variant::Date(5) == Variant::Date(5));
    EXPECT_FALSE(Variant::Date(5) == Variant(5.0));
}

// Cells live in chunks; more cells than one chunk holds, made in no particular order, must each
// be found again with their value, and a cell keeps its place while others are added.
TEST(Cells, ManyCellsInAnyOrderAreFoundAgain) {
    TXLSFile file;
    TCells& cells = file.Workbook().Sheets().Items(0).Cells();
    TCell& kept = cells.Cell(7, 7);
    kept.SetValue(std::string("kept"));
    std::vector<std::pair<int, int>> order;
    for (int row = 0; row < 300; ++row) {
        for (int col = 0; col < 120; ++col) {
            order.emplace_back((row * 7919) % 300, (col * 31) % 120);
        }
    }
    for (const auto& [row, col] : order) {
        if (row != 7 || col != 7) {
            cells.Cell(row, col).SetValue(row * 1000.0 + col);
        }
    }
    EXPECT_EQ(cells.Count(), 300 * 120);
    EXPECT_EQ(&kept, cells.Find(7, 7));
    EXPECT_EQ(kept.Value().ToString(), "kept");
    for (int row = 0; row < 300; ++row) {
        for (int col = 0; col < 120; ++col) {
            const TCell* c = cells.Find(row, col);
            ASSERT_NE(c, nullptr) << row << " " << col;
            EXPECT_EQ(c->Row(), row);
            EXPECT_EQ(c->Col(), col);
            if (row != 7 || col != 7) {
                EXPECT_EQ(c->Value().ToDouble(), row * 1000.0 + col);
            }
        }
    }
    EXPECT_EQ(cells.Find(300, 0), nullptr);
    EXPECT_EQ(cells.Find(0, 120), nullptr);
    // Registration order is the order of first assignment.
    EXPECT_EQ(cells.At(0).Row(), 7);
    EXPECT_EQ(cells.At(1).Row(), order[0].first);
    EXPECT_EQ(cells.At(1).Col(), order[0].second);
}

// A cell's text is kept apart from the cell; changing the value's kind back and forth must
// never show another cell's text or an old one.
TEST(Cells, ValuesOfEveryKindSurviveBeingReplaced) {
    TXLSFile file;
    TCells& cells = file.Workbook().Sheets().Items(0).Cells();
    TCell& a = cells.Cell(0, 0);
    a.SetValue(std::string("first"));
    TCell& b = cells.Cell(0, 1);
    b.SetValue(std::u16string(u"\u20AC wide"));
    a.SetValue(2.5);
    cells.Cell(0, 2).SetValue(std::string("third")); // may reuse the text a no longer holds
    EXPECT_EQ(a.Value().Type(), VarType::Double);
    EXPECT_EQ(a.Value().ToDouble(), 2.5);
    EXPECT_EQ(b.Value().OleStrPart(), u"\u20AC wide");
    EXPECT_EQ(cells.ValueAt(0, 2).ToString(), "third");
    a.SetValue(std::string("again"));
    b.SetValue(std::string("narrow now"));
    EXPECT_EQ(a.Value().ToString(), "again");
    EXPECT_EQ(b.Value().Type(), VarType::String);
    EXPECT_EQ(cells.ValueAt(0, 2).ToString(), "third");
    a.SetValue(Variant::Currency(1.23456));
    EXPECT_EQ(a.Value(), Variant::Currency(1.23456));
    a.SetValue(int16_t{-7});
    EXPECT_EQ(a.Value(), Variant(int16_t{-7}));
    a.SetValue(uint8_t{200});
    EXPECT_EQ(a.Value(), Variant(uint8_t{200}));
    a.SetValue(1.5f);
    EXPECT_EQ(a.Value(), Variant(1.5f));
    a.SetValue(false);
    EXPECT_EQ(a.Value(), Variant(false));
    a.SetValue(Variant::Date(2));
    EXPECT_EQ(a.Value(), Variant::Date(2));
    EXPECT_EQ(cells.Count(), 3);
}

// A cell finds its collection from where it lies: cells far into later chunks, of several
// sheets filled in turn, must still reach their own texts and formats.
TEST(Cells, CellsOfManyChunksAndSheetsReachTheirOwnCollection) {
    TXLSFile file;
    file.Workbook().Sheets().Add("Second");
    TCells& first = file.Workbook().Sheets().Items(0).Cells();
    TCells& second = file.Workbook().Sheets().Items(1).Cells();
    constexpr int kRows = 27000; // five cells a row: the third chunk holds the last ones
    for (int row = 0; row < kRows; ++row) {
        first.Cell(row, 0).SetValue(std::string("a") + std::to_string(row));
        for (int col = 1; col < 5; ++col) {
            first.Cell(row, col).SetValue(row * 5.0 + col);
        }
        for (int col = 0; col < 5; ++col) {
            second.Cell(row, col).SetValue(-(row * 5.0 + col));
        }
    }
    ASSERT_EQ(first.Count(), kRows * 5);
    TCell& late = first.At(kRows * 5 - 5);
    EXPECT_EQ(late.Value().ToString(), "a26999");
    late.SetNumberFormatIndex(10);
    EXPECT_EQ(late.NumberFormatIndex(), 10);
    EXPECT_EQ(second.At(kRows * 5 - 5).NumberFormatIndex(), 0);
    second.At(130000).SetValue(std::string("text"));
    EXPECT_EQ(second.ValueAt(26000, 0).ToString(), "text");
    EXPECT_EQ(first.ValueAt(26000, 0).ToString(), "a26000");
    EXPECT_EQ(first.ValueAt(26000, 3).ToDouble(), 130003.0);
    // A pending cell deep in a chunk joins its own sheet when set.
    TCell& pending = second.Cell(kRows, 0);
    EXPECT_FALSE(pending.Registered());
    pending.SetValue(1.0);
    EXPECT_TRUE(pending.Registered());
    EXPECT_EQ(second.Count(), kRows * 5 + 1);
    EXPECT_EQ(first.Count(), kRows * 5);
}

// The last number format change is remembered; it must never outlive the XF table it came from
// nor answer for another starting format.
TEST(Cells, RememberedFormatChangesFollowTheTable) {
    TXLSFile file;
    TCells& cells = file.Workbook().Sheets().Items(0).Cells();
    TVirtualXFTable& xfs = file.Workbook().XFTable();
    cells.Cell(0, 0).SetNumberFormatIndex(13);
    const int dateXF = cells.Find(0, 0)->XFIndex();
    cells.Cell(1, 0).SetNumberFormatIndex(13);
    EXPECT_EQ(cells.Find(1, 0)->XFIndex(), dateXF);
    // The same format from another starting format is another entry.
    TCell& bold = cells.Cell(2, 0);
    XFEntry boldEntry = xfs.Entry(0);
    boldEntry.HAlign = 2;
    bold.SetFormat(boldEntry);
    bold.SetNumberFormatIndex(13);
    EXPECT_NE(bold.XFIndex(), dateXF);
    EXPECT_EQ(bold.Format().HAlign, 2);
    EXPECT_EQ(bold.NumberFormatIndex(), 13);
    // Setting the format a cell has already registers nothing.
    TCell& plain = cells.Cell(3, 0);
    plain.SetNumberFormatIndex(0);
    EXPECT_FALSE(plain.Registered());
    // A table emptied and filled anew gives other indices: nothing remembered from before.
    cells.Cell(4, 0).SetNumberFormatIndex(13);
    xfs.Empty();
    XFEntry other;
    other.FontIndex = 0;
    other.HAlign = 3;
    xfs.Append(other);
    xfs.Append(XFEntry{});
    TCell& after = cells.Cell(5, 0);
    after.SetNumberFormatIndex(13);
    EXPECT_EQ(after.Format().NumberFormatIndex, 13);
    EXPECT_EQ(after.Format().HAlign, 3);
    EXPECT_EQ(after.XFIndex(), xfs.Count() - 1);
}
