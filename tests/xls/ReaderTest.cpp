#include "XlsTestSupport.h"

#include "xls/XLSErrors.h"
#include "xls/XLSReader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

using namespace orvek::xls;
using namespace xlstest;

namespace {

const Bytes kXFTail = Hex("01 00 20 00 00 04 00 00 00 00 00 00 00 00 C0 20");

Bytes xfBody(unsigned font, unsigned biffFormat) {
    return Cat({U16(font), U16(biffFormat), kXFTail});
}

Bytes cellHead(unsigned row, unsigned col, unsigned xf) {
    return Cat({U16(row), U16(col), U16(xf)});
}

// Globals with sheets, more records and extra XFs (numbers 21 on), then one worksheet substream per
// entry of `sheetRecords`.
Bytes workbook(const std::vector<std::string>& sheets, const std::vector<Bytes>& extraXFs,
               const std::vector<BiffBuilder>& sheetRecords, const BiffBuilder& moreGlobals = {}) {
    BiffBuilder b = MinimalGlobals(sheets);
    b.Raw(moreGlobals.Stream());
    for (const auto& xf : extraXFs) {
        b.Add(0x00E0, xf);
    }
    b.Add(0x000A);
    for (const auto& sheet : sheetRecords) {
        b.Add(0x0809, BofBody(0x0010)).Raw(sheet.Stream()).Add(0x000A);
    }
    return CompoundFile(b.Stream());
}

const TCells& cellsOf(const TXLSFile& file, int sheet = 0) {
    return file.Workbook().Sheets().Items(sheet).Cells();
}

std::string loadError(const Bytes& bytes) {
    TXLSFile file;
    try {
        Load(file, bytes);
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(loaded)";
}

} // namespace

TEST(Reader, RkValues) {
    EXPECT_EQ(DecodeRK(2), 0.0);
    EXPECT_EQ(DecodeRK(6), 1.0);
    EXPECT_EQ(DecodeRK(7), 0.01);
    EXPECT_EQ(DecodeRK(0x3FF00000), 1.0);
    EXPECT_EQ(DecodeRK(0x3FF00001), 0.01);
    EXPECT_EQ(DecodeRK(0xFFFFFFFE), -1.0);
    EXPECT_EQ(DecodeRK(0x7FFFFFFE), 536870911.0);
}

TEST(Reader, NumberRecordsAndMulRk) {
    BiffBuilder s;
    s.Add(0x027E, Cat({cellHead(0, 0, 15), U32(6)}))
        .Add(0x0203, Cat({cellHead(1, 0, 15), F64(-2.25)}))
        // Three RK values; the trailing last-column field (here a wrong 9) is not read.
        .Add(0x00BD, Cat({U16(2), U16(3), U16(15), U32(2), U16(15), U32(7), U16(15),
                          U32(0x3FF00000), U16(9)}));
    TXLSFile file;
    Load(file, workbook({"Data"}, {}, {s}));
    const TCells& c = cellsOf(file);
    EXPECT_EQ(file.Workbook().Sheets().Items(0).Name(), "Data");
    EXPECT_EQ(c.ValueAt(0, 0).Type(), VarType::Double);
    EXPECT_EQ(c.ValueAt(0, 0).ToDouble(), 1.0);
    EXPECT_EQ(c.ValueAt(1, 0).ToDouble(), -2.25);
    EXPECT_EQ(c.ValueAt(2, 3).ToDouble(), 0.0);
    EXPECT_EQ(c.ValueAt(2, 4).ToDouble(), 0.01);
    EXPECT_EQ(c.ValueAt(2, 5).ToDouble(), 1.0);
    EXPECT_EQ(c.Count(), 5);
    EXPECT_EQ(c.Find(2, 3)->XFIndex(), 15);
}

TEST(Reader, BlanksBooleansAndLabels) {
    BiffBuilder s;
    s.Add(0x0201, cellHead(0, 0, 0))     // XF 0: no cell
        .Add(0x0201, cellHead(0, 1, 21)) // another XF: a formatted empty cell
        .Add(0x00BE, Cat({U16(1), U16(0), U16(15), U16(21), U16(15), U16(2)}))
        .Add(0x0205, Cat({cellHead(2, 0, 15), Hex("01 00")}))
        .Add(0x0205, Cat({cellHead(2, 1, 15), Hex("00 00")}))
        .Add(0x0205, Cat({cellHead(2, 2, 15), Hex("07 01")})) // #DIV/0!: no cell
        .Add(0x0204, Cat({cellHead(3, 0, 15), Latin1Text("caf\xE9")}))
        .Add(0x0204, Cat({cellHead(3, 1, 15), WideText(u"\u0416x")}));
    TXLSFile file;
    Load(file, workbook({"S"}, {xfBody(0, 2)}, {s}));
    const TCells& c = cellsOf(file);
    EXPECT_EQ(c.Find(0, 0), nullptr);
    ASSERT_NE(c.Find(0, 1), nullptr);
    EXPECT_TRUE(c.ValueAt(0, 1).IsEmpty());
    EXPECT_EQ(c.Find(1, 0), nullptr); // plain XF in MULBLANK
    ASSERT_NE(c.Find(1, 1), nullptr);
    EXPECT_EQ(c.Find(1, 2), nullptr);
    EXPECT_EQ(c.ValueAt(2, 0), Variant(true));
    EXPECT_EQ(c.ValueAt(2, 1), Variant(false));
    EXPECT_EQ(c.Find(2, 2), nullptr);
    EXPECT_EQ(c.ValueAt(3, 0), Variant("caf\xC3\xA9"));
    EXPECT_EQ(c.ValueAt(3, 1), Variant(std::u16string(u"\u0416x")));
}

TEST(Reader, DatesFollowTheCellFormat) {
    BiffBuilder more;
    more.Add(0x041E,
             Cat({U16(164), U16(10), Hex("01"), Bytes{'y', 0, 'y', 0, 'y', 0, 'y', 0, '-', 0,
                                                      'm', 0, 'm', 0, '-', 0, 'd', 0, 'd', 0}}));
    BiffBuilder s;
    s.Add(0x0203, Cat({cellHead(0, 0, 21), F64(60)}))
        .Add(0x0203, Cat({cellHead(0, 1, 21), F64(61)}))
        .Add(0x0203, Cat({cellHead(0, 2, 21), F64(1)}))
        .Add(0x027E, Cat({cellHead(0, 3, 22), U32((38353u << 2) | 2)}))
        .Add(0x0203, Cat({cellHead(0, 4, 23), F64(38353)}))
        .Add(0x0204, Cat({cellHead(0, 5, 21), Latin1Text("text")}));
    TXLSFile file;
    Load(file, workbook({"S"}, {xfBody(0, 14), xfBody(0, 164), xfBody(0, 2)}, {s}, more));
    const TCells& c = cellsOf(file);
    EXPECT_EQ(c.ValueAt(0, 0), Variant::Date(61));
    EXPECT_EQ(c.ValueAt(0, 1), Variant::Date(61));
    EXPECT_EQ(c.ValueAt(0, 2), Variant::Date(2));
    EXPECT_EQ(c.ValueAt(0, 3), Variant::Date(38353));
    EXPECT_EQ(c.ValueAt(0, 4), Variant(38353.0));
    EXPECT_EQ(c.ValueAt(0, 5), Variant("text"));
    EXPECT_EQ(c.Find(0, 3)->NumberFormatIndex(), 36);
    EXPECT_EQ(file.Workbook().Formats().Items(36).Format, "yyyy-mm-dd");
}

TEST(Reader, StoredNumbersAndErrorCellsOnRequest) {
    BiffBuilder s;
    s.Add(0x0203, Cat({cellHead(0, 0, 21), F64(15)}))
        .Add(0x0203, Cat({cellHead(0, 1, 21), F64(60)}))
        .Add(0x0205, Cat({cellHead(1, 0, 15), Hex("07 01")})) // #DIV/0!
        // A formula whose stored result is #N/A.
        .Add(0x0006, Cat({cellHead(1, 1, 15), Hex("02 00 2A 00 00 00 FF FF"), U16(0), U32(0),
                          U16(3), Hex("1E 01 00")}));
    const Bytes book = workbook({"S", "T"}, {xfBody(0, 14)}, {BiffBuilder(), s});
    TXLSFile file;
    Load(file, book);
    // The model: dates by their format, no cell for an error; the errors are listed.
    EXPECT_EQ(cellsOf(file, 1).ValueAt(0, 0), Variant::Date(16));
    EXPECT_EQ(cellsOf(file, 1).Find(1, 0), nullptr);
    EXPECT_TRUE(cellsOf(file, 1).ValueAt(1, 1).IsEmpty());
    ASSERT_EQ(file.ErrorCells().size(), 2u);
    EXPECT_EQ(file.ErrorCells()[0].Sheet, 1);
    EXPECT_EQ(file.ErrorCells()[0].Row, 1);
    EXPECT_EQ(file.ErrorCells()[0].Col, 0);
    EXPECT_EQ(file.ErrorCells()[0].Code, 0x07);
    EXPECT_EQ(file.ErrorCells()[1].Col, 1);
    EXPECT_EQ(file.ErrorCells()[1].Code, 0x2A);
    // The numbers as the file stores them.
    file.LoadFromBuffer(book.data(), book.size(), TCellNumbers::AsStored);
    EXPECT_EQ(cellsOf(file, 1).ValueAt(0, 0), Variant(15.0));
    EXPECT_EQ(cellsOf(file, 1).ValueAt(0, 1), Variant(60.0));
    EXPECT_EQ(file.ErrorCells().size(), 2u); // one load's list, not two
}

TEST(Reader, SharedStringsAcrossContinueRecords) {
    // String 0: "abc" 8-bit, then "\u0416\u0417" 16-bit in a CONTINUE (widened as a whole).
    // String 1: 16-bit "\u0418" then 8-bit "de" in the next CONTINUE.
    // String 2: rich text with two runs whose bytes run on into the next CONTINUE.
    // String 3: the header split: count in one record, flags in the next.
    // String 4: phonetic data after the characters.
    BiffBuilder s;
    s.Add(0x00FD, Cat({cellHead(0, 0, 15), U32(0)}))
        .Add(0x00FD, Cat({cellHead(1, 0, 15), U32(1)}))
        .Add(0x00FD, Cat({cellHead(2, 0, 15), U32(2)}))
        .Add(0x00FD, Cat({cellHead(3, 0, 15), U32(3)}))
        .Add(0x00FD, Cat({cellHead(4, 0, 15), U32(4)}));
    BiffBuilder g;
    g.Add(0x00FC, Cat({U32(5), U32(5), U16(5), Hex("00"), Bytes{'a', 'b', 'c'}}))
        .Add(0x003C, Cat({Hex("01 16 04 17 04"), U16(3), Hex("01 18 04")}))
        .Add(0x003C, Cat({Hex("00"), Bytes{'d', 'e'}, U16(2), Hex("08"), U16(2), Bytes{'x', 'y'},
                          Hex("00 00 01 00")}))
        .Add(0x003C, Cat({Hex("01 00 02 00"), U16(1)}))
        .Add(0x003C,
             Cat({Hex("00"), Bytes{'z'}, U16(1), Hex("04"), U32(3), Bytes{'p'}, Hex("AA BB CC")}))
        .Add(0x0085, Cat({U32(0), U16(0), Hex("01 00"), Bytes{'T'}}));
    TXLSFile file;
    Load(file, workbook({}, {}, {s}, g));
    const TCells& c = cellsOf(file);
    EXPECT_EQ(c.ValueAt(0, 0), Variant(std::u16string(u"abc\u0416\u0417")));
    EXPECT_EQ(c.ValueAt(1, 0), Variant(std::u16string(u"\u0418de")));
    EXPECT_EQ(c.ValueAt(2, 0), Variant("xy"));
    EXPECT_EQ(c.ValueAt(3, 0), Variant("z"));
    EXPECT_EQ(c.ValueAt(4, 0), Variant("p"));
    // The record after the table (the BOUNDSHEET) was still read.
    EXPECT_EQ(file.Workbook().Sheets().Items(0).Name(), "T");
    BiffBuilder bad;
    bad.Add(0x00FD, Cat({cellHead(0, 0, 15), U32(5)}));
    EXPECT_EQ(loadError(workbook({}, {}, {bad}, g)), "List index (5) out of bounds");
}

TEST(Reader, EverySubstreamIsCounted) {
    BiffBuilder chart;
    chart.Add(0x0809, BofBody(0x0020)).Add(0x0203, Cat({cellHead(0, 0, 15), F64(99)}));
    BiffBuilder first;
    first.Add(0x0203, Cat({cellHead(0, 0, 15), F64(1)}));
    BiffBuilder second;
    second.Add(0x0203, Cat({cellHead(0, 0, 15), F64(2)}));
    // An embedded chart inside the first sheet, closed by its own EOF.
    first.Raw(chart.Stream()).Add(0x000A).Add(0x0203, Cat({cellHead(1, 0, 15), F64(3)}));
    TXLSFile file;
    Load(file, workbook({"One", "Hidden", "Two"}, {}, {first, BiffBuilder(), second}));
    EXPECT_EQ(file.Workbook().Sheets().Count(), 3);
    EXPECT_EQ(cellsOf(file, 0).ValueAt(0, 0).ToDouble(), 99); // the chart's cell lands here too
    EXPECT_EQ(cellsOf(file, 0).ValueAt(1, 0).ToDouble(), 3);
    EXPECT_EQ(cellsOf(file, 1).Count(), 0);
    EXPECT_EQ(cellsOf(file, 2).ValueAt(0, 0).ToDouble(), 2);
    // More worksheet substreams than sheets.
    EXPECT_EQ(loadError(workbook({"One"}, {}, {first, second})), "List index (1) out of bounds !");
}

TEST(Reader, FormulaResults) {
    BiffBuilder s;
    const Bytes tail = Hex("02 00 00 00 00 00 00 00"); // options, chain, empty expression
    s.Add(0x0006, Cat({cellHead(0, 0, 15), F64(4.5), tail}))
        .Add(0x0006, Cat({cellHead(0, 1, 15), Hex("01 00 01 00 00 00 FF FF"), tail}))
        .Add(0x0006, Cat({cellHead(0, 2, 15), Hex("00 00 00 00 00 00 FF FF"), tail}))
        .Add(0x0207, Cat({U16(2), Hex("00"), Bytes{'o', 'k'}}))
        .Add(0x0207, Cat({U16(2), Hex("00"), Bytes{'n', 'o'}})) // no formula waits for it
        .Add(0x0006, Cat({cellHead(0, 3, 15), Hex("02 00 07 00 00 00 FF FF"), tail}));
    TXLSFile file;
    Load(file, workbook({"S"}, {}, {s}));
    const TCells& c = cellsOf(file);
    EXPECT_EQ(c.ValueAt(0, 0), Variant(4.5));
    EXPECT_EQ(c.ValueAt(0, 1), Variant(true));
    EXPECT_EQ(c.ValueAt(0, 2), Variant("ok"));
    EXPECT_TRUE(c.Find(0, 3)->Value().IsEmpty()); // an error result: formatted, no value
    EXPECT_EQ(c.Count(), 4);
    EXPECT_EQ(c.At(0).Formula(), "");
}

TEST(Reader, MergedRangesNeverCreateCells) {
    BiffBuilder s;
    s.Add(0x0203, Cat({cellHead(0, 0, 15), F64(1)}))
        .Add(0x0203, Cat({cellHead(5, 5, 15), F64(2)}))
        .Add(0x00E5, Cat({U16(3), U16(0), U16(1), U16(0), U16(3), U16(2), U16(65535), U16(4),
                          U16(200), U16(9), U16(8), U16(0), U16(0)}));
    TXLSFile file;
    Load(file, workbook({"S"}, {}, {s}));
    const TSheet& sheet = file.Workbook().Sheets().Items(0);
    EXPECT_EQ(sheet.Cells().Count(), 2);
    EXPECT_TRUE(sheet.Cells().Find(0, 0)->Merged());
    EXPECT_TRUE(sheet.Cells().Find(5, 5)->Merged());
    ASSERT_EQ(sheet.Ranges().Count(), 2); // the reversed rectangle is dropped
    EXPECT_TRUE(sheet.Ranges().Items(0).Merged());
    EXPECT_EQ(sheet.Ranges().Items(1).Items(0), (TRangeRect{2, 65535, 4, 200}));
}

TEST(Reader, DefinedNamesBecomeRangesAndPrintAreas) {
    const Bytes area1 = Cat({Hex("3B"), U16(1), U16(0), U16(9), U16(0), U16(2)});
    const Bytes area2 = Cat({Hex("3B"), U16(1), U16(20), U16(29), U16(4), U16(5)});
    const Bytes otherSheet = Cat({Hex("3B"), U16(0), U16(0), U16(0), U16(0), U16(0)});
    const Bytes multi = Cat({Hex("29"), U16(23), area1, area2, Hex("10")});
    auto name = [](unsigned options, const Bytes& text, unsigned flags, const Bytes& formula) {
        return Cat({U16(options), Hex("00"), Bytes{static_cast<uint8_t>(text.size() >> flags)},
                    U16(static_cast<unsigned>(formula.size())), U16(0), U16(0), U32(0),
                    Bytes{static_cast<uint8_t>(flags)}, text, formula});
    };
    BiffBuilder g;
    g.Add(0x0018, name(0, {'I', 'n', 'p', 'u', 't', 's'}, 0, multi))
        .Add(0x0018, name(0x20, {0x06}, 0, Cat({area1, otherSheet, Hex("10")})))
        .Add(0x0018, name(0x20, {0x07}, 0, area1)) // print titles: dropped
        .Add(0x0018, name(0x0E, {'H'}, 0, area1))  // other options: dropped
        .Add(0x0018, name(0, {'F', 0}, 1,
                          Cat({Hex("3B"), U16(7), U16(0), U16(0), U16(0),
                               U16(0)}))); // no such sheet: dropped
    TXLSFile file;
    Load(file, workbook({"A", "B"}, {}, {BiffBuilder(), BiffBuilder()}, g));
    const TSheet& b = file.Workbook().Sheets().Items(1);
    ASSERT_EQ(b.Ranges().Count(), 1);
    EXPECT_EQ(b.Ranges().Items(0).Name(), "Inputs");
    ASSERT_EQ(b.Ranges().Items(0).Count(), 2);
    EXPECT_EQ(b.Ranges().Items(0).Items(1), (TRangeRect{20, 29, 4, 5}));
    ASSERT_EQ(b.PageSetup().PrintArea.Count(), 1);
    EXPECT_EQ(b.PageSetup().PrintArea.Items(0), (TRangeRect{0, 9, 0, 2}));
    EXPECT_EQ(file.Workbook().Sheets().Items(0).Ranges().Count(), 0);

    BiffBuilder blank;
    blank.Add(0x0018, name(0, {'M', 'y', ' ', 'r'}, 0, area1));
    EXPECT_EQ(loadError(workbook({"A", "B"}, {}, {BiffBuilder(), BiffBuilder()}, blank)),
              "Invalid range name: My r");
}

TEST(Reader, ColumnsRowsFontsAndProgress) {
    BiffBuilder g;
    g.Add(0x0031, Hex("C8 00 00 00 40 00 90 01 00 00 00 00 01 00 05 00 41 72 69 61 6C"))
        .Add(0x0031, Cat({Hex("F0 00 0A 00 0A 00 BC 02 01 00 22 00 01 00 02 01"),
                          Bytes{0x16, 0x04, 'x', 0}}));
    BiffBuilder s;
    s.Add(0x007D, Cat({U16(1), U16(300), U16(2560), U16(15), U16(0x0300), Hex("00 00")}))
        .Add(0x0208,
             Cat({U16(3), U16(0), U16(0), U16(0x8000 | 300), U16(0), U16(0), U16(0x0102), U16(0)}));
    TXLSFile file;
    std::vector<double> progress;
    file.OnProgress = [&](double p) { progress.push_back(p); };
    Load(file, workbook({"S"}, {}, {s}, g));
    const TSheet& sheet = file.Workbook().Sheets().Items(0);
    EXPECT_EQ(sheet.Columns().Count(), 255);
    EXPECT_EQ(sheet.Columns().Find(255)->Width(), 10.0);
    EXPECT_EQ(sheet.Columns().Find(1)->OutlineLevel(), 3);
    EXPECT_EQ(sheet.Columns().Find(0), nullptr);
    EXPECT_EQ(sheet.Rows().Find(3)->Height(), 15.0);
    EXPECT_EQ(sheet.Rows().Find(3)->OutlineLevel(), 2);
    const auto& fonts = file.Workbook().FontTable();
    ASSERT_EQ(fonts.Count(), 2);
    EXPECT_EQ(fonts.Entry(0), FontEntry{});
    const FontEntry f = fonts.Entry(1);
    EXPECT_EQ(f.Height, 12);
    EXPECT_TRUE(f.Bold && f.Italic && f.StrikeOut && f.Underline);
    EXPECT_EQ(f.UnderlineStyle, 4);
    EXPECT_EQ(f.Color, 3);
    EXPECT_EQ(f.Escapement, 1);
    EXPECT_EQ(f.Name, u"\u0416x");
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), 1.0);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
}

TEST(Reader, RefusesWhatIsNotAWorkbook) {
    EXPECT_EQ(loadError(CompoundFile(Bytes(100, 0), "Book")),
              "Stream not found: Workbook. File format is not supported.");
    EXPECT_EQ(loadError(CompoundFile(Bytes(100, 0), "workbook")),
              "Stream not found: Workbook. File format is not supported.");
    EXPECT_EQ(loadError(Hex("50 4B 03 04 00 00")), "Can not open a docfile");
    TXLSFile file;
    EXPECT_THROW(file.OpenFile("/nonexistent/file.xls"), ECFileError);
    EXPECT_EQ(file.Workbook().Sheets().Count(), 0); // cleared before the attempt
}

TEST(Reader, MalformedRecordsRaiseErrors) {
    BiffBuilder shortBody;
    shortBody.Add(0x0203, Hex("00 00 00 00"));
    EXPECT_EQ(loadError(workbook({"S"}, {}, {shortBody})), "Buffer size is too small");
    BiffBuilder wideColumn;
    wideColumn.Add(0x0203, Cat({cellHead(0, 256, 15), F64(1)}));
    EXPECT_EQ(loadError(workbook({"S"}, {}, {wideColumn})), "Invalid row or column number");
    BiffBuilder longName;
    longName.Add(0x0085, Cat({U32(0), U16(0), Hex("0A 01"), Bytes{'a', 0}}));
    EXPECT_EQ(loadError(CompoundFile(longName.Stream())), "Buffer size is too small");
    BiffBuilder blankName;
    blankName.Add(0x0085, Cat({U32(0), U16(0), Hex("01 00"), Bytes{' '}}));
    EXPECT_EQ(loadError(CompoundFile(blankName.Stream())), "Invalid or duplicated sheet name");
    // A stream cut inside a record ends the load quietly after the last whole record.
    BiffBuilder cut = MinimalGlobals({"S"});
    cut.Add(0x000A).Add(0x0809, BofBody(0x10)).Add(0x0203, Cat({cellHead(0, 0, 15), F64(5)}));
    Bytes stream = cut.Stream();
    const Bytes extra = Cat({U16(0x0203), U16(14), Hex("01 00")});
    stream.insert(stream.end(), extra.begin(), extra.end());
    TXLSFile file;
    Load(file, CompoundFile(stream));
    EXPECT_EQ(cellsOf(file).ValueAt(0, 0).ToDouble(), 5);
    EXPECT_EQ(cellsOf(file).Count(), 1);
}

// Every file kept in tests/data/xls/regressions with what it must do: fail to load with the
// message the user reads, or load and then save or fail to save with such a message. A file added
// there without a line here fails the test.
struct KeptFile {
    const char* name;
    const char* loadError; // nullptr: loads
    const char* saveError; // nullptr: saves
};
const KeptFile kKeptFiles[] = {
    // 2000 sheets load; on saving, EXTERNSHEET (6 bytes a sheet) outgrows one record body.
    {"many-small-sheets-memory.xls", nullptr, "Buffer size is too small"},
};

TEST(Reader, KeptRegressionFilesHaveTheirOutcome) {
    const std::filesystem::path dir =
        std::filesystem::path(ORVEK_TEST_DATA_DIR) / "xls" / "regressions";
    std::set<std::string> present;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file() && name[0] != '.') {
            present.insert(name);
        }
    }
    std::set<std::string> listed;
    for (const KeptFile& kept : kKeptFiles) {
        listed.insert(kept.name);
        SCOPED_TRACE(kept.name);
        const Bytes bytes = ReadFile((dir / kept.name).string());
        ASSERT_FALSE(bytes.empty());
        if (kept.loadError) {
            EXPECT_EQ(loadError(bytes), kept.loadError);
            continue;
        }
        TXLSFile file;
        EXPECT_NO_THROW(Load(file, bytes));
        std::string saveError;
        try {
            file.SaveToBuffer();
        } catch (const std::exception& e) {
            saveError = e.what();
        }
        EXPECT_EQ(saveError, kept.saveError ? kept.saveError : "");
    }
    EXPECT_EQ(present, listed);
}

// A sheet's DIMENSIONS size its row index before the cells come. Whatever they claim (far too
// many rows, too few, a short record, one in the globals), the cells are read as they stand.
TEST(Reader, DimensionsOnlyPrepareAndNeverDecide) {
    const auto dims = [](uint32_t rows) {
        return Cat({U32(0), U32(rows), U16(0), U16(3), U16(0)});
    };
    for (const Bytes& claim : {dims(0xFFFFFFFF), dims(1), dims(70000), Bytes{0x05, 0x00}}) {
        BiffBuilder sheet;
        sheet.Add(0x0200, claim)
            .Add(0x0203, Cat({cellHead(0, 0, 15), F64(1.5)}))
            .Add(0x0203, Cat({cellHead(40000, 2, 15), F64(-3)}))
            .Add(0x0203, Cat({cellHead(65535, 1, 15), F64(7)}));
        BiffBuilder globals;
        globals.Add(0x0200, dims(0xFFFFFFFF));
        TXLSFile file;
        Load(file, workbook({"Data"}, {}, {sheet}, globals));
        const TCells& c = cellsOf(file);
        EXPECT_EQ(c.Count(), 3);
        EXPECT_EQ(c.ValueAt(0, 0).ToDouble(), 1.5);
        EXPECT_EQ(c.ValueAt(40000, 2).ToDouble(), -3.0);
        EXPECT_EQ(c.ValueAt(65535, 1).ToDouble(), 7.0);
        EXPECT_EQ(c.Find(1, 0), nullptr);
    }
}
