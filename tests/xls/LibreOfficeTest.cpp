// Compatibility with real spreadsheet software: LibreOffice reads what we write, and we read
// what it writes. The files it writes are made during the test from text we write, so no
// foreign binary is kept in the repository.

#include "LibreOffice.h"
#include "TestFolder.h"
#include "XlsTestSupport.h"

#include "xls/Unicode.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

using namespace orvek::xls;
using namespace xlstest;

namespace {

void convert(const orvek::test::TestFolder& dir, const std::string& target,
             const std::vector<std::string>& files) {
    const std::string failure =
        orvek::test::convertWithLibreOffice(dir.path(), target, files, dir.file("out"));
    ASSERT_EQ(failure, "");
}

std::string cell(const std::string& type, const std::string& value, const std::string& text,
                 const std::string& extra = "") {
    if (type == "string") {
        return "<table:table-cell office:value-type=\"string\"" + extra + "><text:p>" + text +
               "</text:p></table:table-cell>";
    }
    return "<table:table-cell office:value-type=\"float\" office:value=\"" + value + "\"" + extra +
           "><text:p>" + text + "</text:p></table:table-cell>";
}

std::string row(const std::string& cells) {
    return "<table:table-row>" + cells + "</table:table-row>";
}

std::string longText(int i) {
    std::string text = "Line " + std::to_string(i) + ": ";
    while (text.size() < 70) {
        text += "text enough to need continue records ";
    }
    return text.substr(0, 70);
}

std::u16string longWide(int i) {
    return u"\u0423\u0440\u043E\u0436\u0430\u0439 " + std::u16string(40, u'\u0416') +
           Utf8ToUtf16(std::to_string(i));
}

std::string flatOds() {
    std::ostringstream x;
    x << R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" office:version="1.2"
 office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
<office:body><office:spreadsheet><table:table table:name="Events">)";
    x << row(cell("string", "", "Merged heading", " table:number-columns-spanned=\"3\"") +
             "<table:covered-table-cell/><table:covered-table-cell/>");
    x << row(cell("string", "",
                  "Gr\xC3\xB6\xC3\x9F"
                  "e") +
             cell("string", "", "\xD0\xA3\xD1\x80\xD0\xBE\xD0\xB6\xD0\xB0\xD0\xB9") +
             cell("string", "", "\xE5\x8F\x8E\xE9\x87\x8F"));
    x << row(cell("float", "1", "1") + cell("float", "2.5", "2.5") + cell("string", "", "42"));
    x << row("<table:table-cell/>");
    x << row(cell("float", "7", "7") + cell("float", "-3.125", "-3.125") +
             cell("float", "123456789", "123456789"));
    for (int i = 0; i < 300; ++i) {
        x << row(cell("string", "", longText(i)) + cell("string", "", Utf16ToUtf8(longWide(i))));
    }
    x << R"(</table:table><table:table table:name="Second">)";
    x << row(cell("float", "0.1", "0.1"));
    x << "</table:table></office:spreadsheet></office:body></office:document>\n";
    return x.str();
}

// A workbook laid out like an exported daily result with `days` data rows.
void saveResult(const std::string& path, int days) {
    TXLSFile file;
    TSheet& sheet = file.Workbook().Sheets().Items(0);
    TCells& c = sheet.Cells();
    sheet.Columns().Items(0).SetWidth(10);
    c.Cell(0, 0).SetValue("Orvek C&N daily result");
    c.Cell(1, 0).SetValue("C in Mg C/ha, N in kg N/ha");
    c.Cell(2, 0).SetValue("");
    const char* titles[] = {"Date", "DAS", "SOM-C", "res-C", "ttl-C"};
    for (int k = 0; k < 5; ++k) {
        c.Cell(3, k).SetValue(titles[k]);
    }
    for (int d = 0; d < days; ++d) {
        TCell& date = c.Cell(4 + d, 0);
        date.SetValue(38353.0 + d);
        date.SetNumberFormatIndex(13);
        c.Cell(4 + d, 1).SetValue(int32_t{d + 1});
        c.Cell(4 + d, 2).SetValue(45.12 + d);
        c.Cell(4 + d, 3).SetValue(0.5);
        c.Cell(4 + d, 4).SetValue(45.62 + d);
    }
    c.Cell(4 + days, 0).SetValue("");
    c.Cell(5 + days, 0).SetValue("Soil texture: Loam");
    file.SaveAs(path);
}

bool hasDateRow(const std::string& csv, const std::string& mmdd, const std::string& rest) {
    // Format 14 shows in the reader's short date form, with a two- or four-digit year.
    return csv.find(mmdd + "/05," + rest) != std::string::npos ||
           csv.find(mmdd + "/2005," + rest) != std::string::npos;
}

} // namespace

TEST(LibreOffice, ReadsAResultWorkbookWeWrite) {
    ASSERT_TRUE(orvek::test::haveLibreOffice())
        << "LibreOffice (soffice) is needed: run scripts/setup-deps";
    orvek::test::TestFolder dir;
    // Three days keep the stream in the mini stream; 300 days put it in regular sectors.
    saveResult(dir.file("small.xls"), 3);
    saveResult(dir.file("large.xls"), 300);
    convert(dir, "csv", {"small.xls", "large.xls"});
    for (const char* name : {"out/small.csv", "out/large.csv"}) {
        const std::string csv = ReadText(dir.file(name));
        EXPECT_NE(csv.find("Orvek C&N daily result"), std::string::npos) << csv;
        EXPECT_NE(csv.find("Date,DAS,SOM-C,res-C,ttl-C"), std::string::npos) << csv;
        EXPECT_TRUE(hasDateRow(csv, "01/01", "1,45.12,0.5,45.62")) << csv;
        EXPECT_TRUE(hasDateRow(csv, "01/03", "3,47.12,0.5,47.62")) << csv;
        EXPECT_NE(csv.find("Soil texture: Loam"), std::string::npos) << csv;
    }
    EXPECT_TRUE(hasDateRow(ReadText(dir.file("out/large.csv")), "10/27", "300,344.12,0.5,344.62"));
}

TEST(LibreOffice, WorkbooksItWritesLoad) {
    ASSERT_TRUE(orvek::test::haveLibreOffice())
        << "LibreOffice (soffice) is needed: run scripts/setup-deps";
    orvek::test::TestFolder dir;
    WriteText(dir.file("events.fods"), flatOds());
    WriteText(dir.file("plain.csv"), "Event,Month,C\r\n1,3,1.5\r\n2,11,0.25\r\n");
    convert(dir, "xls:\"MS Excel 97\"", {"events.fods", "plain.csv"});

    ASSERT_TRUE(std::filesystem::exists(dir.file("out/events.xls")))
        << ReadText(dir.file("soffice.log"));
    TXLSFile file;
    file.OpenFile(dir.file("out/events.xls"));
    const TWorkbook& wb = file.Workbook();
    ASSERT_EQ(wb.Sheets().Count(), 2);
    EXPECT_EQ(wb.Sheets().Items(0).Name(), "Events");
    EXPECT_EQ(wb.Sheets().Items(1).Name(), "Second");
    const TSheet& sheet = wb.Sheets().Items(0);
    const TCells& c = sheet.Cells();
    EXPECT_EQ(c.ValueAt(0, 0).ToString(), "Merged heading");
    EXPECT_TRUE(c.Find(0, 0)->Merged());
    bool mergedRange = false;
    for (int i = 0; i < sheet.Ranges().Count(); ++i) {
        mergedRange |= sheet.Ranges().Items(i).Merged() &&
                       sheet.Ranges().Items(i).Items(0) == TRangeRect{0, 0, 0, 2};
    }
    EXPECT_TRUE(mergedRange);
    EXPECT_EQ(c.ValueAt(1, 0).ToString(), "Gr\xC3\xB6\xC3\x9F"
                                          "e");
    EXPECT_EQ(c.ValueAt(1, 1).ToOleStr(), u"\u0423\u0440\u043E\u0436\u0430\u0439");
    EXPECT_EQ(c.ValueAt(1, 2).ToOleStr(), u"\u53CE\u91CF");
    EXPECT_EQ(c.ValueAt(2, 0).ToDouble(), 1.0);
    EXPECT_EQ(c.ValueAt(2, 1).ToDouble(), 2.5);
    EXPECT_TRUE(c.ValueAt(2, 2).IsText());
    EXPECT_EQ(c.ValueAt(2, 2).ToInt(), 42);
    for (int col = 0; col < 3; ++col) {
        EXPECT_TRUE(c.ValueAt(3, col).IsEmpty());
    }
    EXPECT_EQ(c.ValueAt(4, 0).ToInt(), 7);
    EXPECT_EQ(c.ValueAt(4, 1).ToDouble(), -3.125);
    EXPECT_EQ(c.ValueAt(4, 2).ToDouble(), 123456789.0);
    for (int i = 0; i < 300; ++i) {
        ASSERT_EQ(c.ValueAt(5 + i, 0).ToString(), longText(i)) << i;
        ASSERT_EQ(c.ValueAt(5 + i, 1).ToOleStr(), longWide(i)) << i;
    }
    EXPECT_EQ(wb.Sheets().Items(1).Cells().ValueAt(0, 0).ToDouble(), 0.1);

    TXLSFile plain;
    plain.OpenFile(dir.file("out/plain.xls"));
    const TCells& p = plain.Workbook().Sheets().Items(0).Cells();
    EXPECT_EQ(p.ValueAt(0, 2).ToString(), "C");
    EXPECT_EQ(p.ValueAt(2, 0).ToInt(), 2);
    EXPECT_EQ(p.ValueAt(2, 1).ToInt(), 11);
    EXPECT_EQ(p.ValueAt(2, 2).ToDouble(), 0.25);
}
