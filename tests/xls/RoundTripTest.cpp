#include "TestFolder.h"
#include "XlsTestSupport.h"

#include "xls/XLSErrors.h"

#include <gtest/gtest.h>

using namespace orvek::xls;
using namespace xlstest;

TEST(RoundTrip, ValuesFormatsAndSheetLayoutSurviveSaveAndLoad) {
    orvek::test::TestFolder dir;
    const std::string path = dir.file("round.xls");
    TXLSFile out;
    TWorkbook& wb = out.Workbook();
    TSheet& s1 = wb.Sheets().Items(0);
    TSheet& s2 = wb.Sheets().Add("Zweite \xC3\x9C");
    TCells& c = s1.Cells();
    c.Cell(0, 0).SetValue("plain caf\xC3\xA9");
    c.Cell(0, 1).SetValue("\xE2\x82\xAC euro");
    c.Cell(0, 2).SetValue(std::u16string(u"ole"));
    c.Cell(1, 0).SetValue(int32_t{-7});
    c.Cell(1, 1).SetValue(int16_t{12});
    c.Cell(1, 2).SetValue(uint8_t{255});
    c.Cell(1, 3).SetValue(0.1f);
    c.Cell(1, 4).SetValue(Variant::Currency(12.3456));
    c.Cell(1, 5).SetValue(1.0e300);
    c.Cell(2, 0).SetValue(Variant::Date(38353));
    c.Cell(2, 1).SetValue(38354.0);
    c.Cell(2, 1).SetNumberFormatIndex(13);
    c.Cell(2, 2).SetValue(true);
    c.Cell(2, 3).SetNumberFormatIndex(wb.Formats().AddFormat("0.000"));
    c.Cell(2, 3).SetValue(2.5);
    FontEntry bold;
    bold.Bold = 1;
    bold.Name = u"DejaVu Sans";
    c.Cell(3, 0).SetFontIndex(wb.FontTable().Add(bold));
    c.Cell(3, 0).SetValue("bold");
    c.Cell(4, 0).SetValue("merged");
    c.Cell(4, 1).SetMerged(true);
    s1.Ranges().AddMerged({4, 4, 0, 2});
    TRange& named = s2.Ranges().Add();
    named.SetName("Block");
    named.Add({1, 3, 1, 2});
    s1.PageSetup().PrintArea.Add({0, 10, 0, 5});
    s1.Columns().Items(0).SetWidth(10);
    s1.Rows().Items(2).SetHeight(30);
    s2.Cells().Cell(9, 9).SetValue("second");
    out.SaveAs(path);

    TXLSFile in;
    in.OpenFile(path);
    const TWorkbook& w = in.Workbook();
    ASSERT_EQ(w.Sheets().Count(), 2);
    EXPECT_EQ(w.Sheets().Items(1).Name(), "Zweite \xC3\x9C");
    const TCells& r = w.Sheets().Items(0).Cells();
    EXPECT_EQ(r.ValueAt(0, 0), Variant("plain caf\xC3\xA9"));
    EXPECT_EQ(r.ValueAt(0, 1), Variant(std::u16string(u"\u20AC euro")));
    EXPECT_EQ(r.ValueAt(0, 2), Variant(std::u16string(u"ole")));
    EXPECT_EQ(r.ValueAt(1, 0), Variant(-7.0));
    EXPECT_EQ(r.ValueAt(1, 1), Variant(12.0));
    EXPECT_EQ(r.ValueAt(1, 2), Variant(255.0));
    EXPECT_EQ(r.ValueAt(1, 3), Variant(static_cast<double>(0.1f)));
    EXPECT_EQ(r.ValueAt(1, 4), Variant(12.3456));
    EXPECT_EQ(r.ValueAt(1, 5), Variant(1.0e300));
    EXPECT_EQ(r.ValueAt(2, 0), Variant::Date(38353));
    EXPECT_EQ(r.ValueAt(2, 1), Variant::Date(38354));
    EXPECT_EQ(r.ValueAt(2, 2), Variant(true));
    EXPECT_EQ(r.ValueAt(2, 3), Variant(2.5));
    EXPECT_EQ(w.Formats().Items(r.Find(2, 3)->NumberFormatIndex()).Format, "0.000");
    EXPECT_EQ(r.Find(2, 0)->NumberFormatIndex(), 13);
    const FontEntry font = w.FontTable().Entry(r.Find(3, 0)->FontIndex());
    EXPECT_EQ(font.Name, u"DejaVu Sans");
    EXPECT_EQ(font.Bold, 1);
    EXPECT_TRUE(r.Find(4, 0)->Merged());
    EXPECT_TRUE(r.Find(4, 1)->Merged());
    EXPECT_EQ(r.Find(4, 2), nullptr);
    EXPECT_EQ(r.Count(), c.Count() - 0);
    const TSheet& t1 = w.Sheets().Items(0);
    EXPECT_EQ(t1.Columns().Find(0)->Width(), 10.0);
    EXPECT_EQ(t1.Rows().Find(2)->Height(), 30.0);
    ASSERT_EQ(t1.PageSetup().PrintArea.Count(), 1);
    EXPECT_EQ(t1.PageSetup().PrintArea.Items(0), (TRangeRect{0, 10, 0, 5}));
    ASSERT_EQ(t1.Ranges().Count(), 1);
    EXPECT_EQ(t1.Ranges().Items(0).Items(0), (TRangeRect{4, 4, 0, 2}));
    const TSheet& t2 = w.Sheets().Items(1);
    ASSERT_EQ(t2.Ranges().Count(), 1);
    EXPECT_EQ(t2.Ranges().Items(0).Name(), "Block");
    EXPECT_EQ(t2.Ranges().Items(0).Items(0), (TRangeRect{1, 3, 1, 2}));
    EXPECT_EQ(t2.Cells().ValueAt(9, 9), Variant("second"));

    // A loaded workbook saves again and loads to the same values.
    TXLSFile again;
    Load(again, in.SaveToBuffer());
    const TCells& a = again.Workbook().Sheets().Items(0).Cells();
    ASSERT_EQ(a.Count(), r.Count());
    for (int i = 0; i < r.Count(); ++i) {
        EXPECT_EQ(a.At(i).Value(), r.At(i).Value()) << i;
        EXPECT_EQ(a.At(i).NumberFormatIndex(), r.At(i).NumberFormatIndex()) << i;
    }
}

TEST(RoundTrip, EventsWorkbookCellsReadAsIntegersAndNumbers) {
    TXLSFile out;
    TCells& c = out.Workbook().Sheets().Items(0).Cells();
    c.Cell(14, 0).SetValue(1.0);
    c.Cell(14, 1).SetValue(2.5);
    c.Cell(14, 2).SetValue(3.5);
    c.Cell(14, 3).SetValue("2005");
    c.Cell(14, 5).SetValue(1.25);
    TXLSFile in;
    Load(in, out.SaveToBuffer());
    const TCells& r = in.Workbook().Sheets().Items(0).Cells();
    EXPECT_EQ(r.ValueAt(14, 0).ToInt(), 1);
    EXPECT_EQ(r.ValueAt(14, 1).ToInt(), 2);
    EXPECT_EQ(r.ValueAt(14, 2).ToInt(), 4);
    EXPECT_EQ(r.ValueAt(14, 3).ToInt(), 2005);
    EXPECT_EQ(r.ValueAt(14, 4).ToInt(), 0);
    EXPECT_EQ(r.ValueAt(14, 5).ToDouble(), 1.25);
    EXPECT_EQ(r.Count(), 5);
}

TEST(RoundTrip, InputTemplateHoldsHeadingsAndNoData) {
    TXLSFile file;
    file.OpenFile(std::string(ORVEK_DATA_DIR) + "/Input Template.Orvek");
    const TCells& c = file.Workbook().Sheets().Items(0).Cells();
    EXPECT_NE(c.ValueAt(0, 0).ToString().find("Orvek C&N"), std::string::npos);
    const char* names[] = {"Cereal crop residues", "Cereal crop roots", "Legume residues",
                           "Legume roots",         "Green manures",     "Animal manures"};
    for (int code = 1; code <= 6; ++code) {
        EXPECT_EQ(c.ValueAt(5 + code, 0).ToInt(), code);
        EXPECT_EQ(c.ValueAt(5 + code, 1).ToString(), names[code - 1]);
    }
    const char* headings[] = {"Event", "Month", "Day", "Year", "subCode", "C (Mg/ha)", "C:N"};
    for (int col = 0; col < 7; ++col) {
        EXPECT_EQ(c.ValueAt(13, col).ToString(), headings[col]);
    }
    for (int i = 0; i < c.Count(); ++i) {
        EXPECT_LT(c.At(i).Row(), 14);
    }
}
