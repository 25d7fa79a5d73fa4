// Runs whose events come from a workbook: written by our own writer, written by LibreOffice,
// open in a spreadsheet application or not a workbook at all.

#include "LibreOffice.h"
#include "RunFixture.h"

#include "formats/EventsWorkbook.h"
#include "model/RunState.h"
#include "xls/Workbook.h"

#include <gtest/gtest.h>

namespace orvek {
namespace {

using test::date;

// A run on the Milwaukee weather whose events come from "events.xls" in the start folder.
struct WorkbookRun : test::RunFixture {
    WorkbookRun() {
        useMilwaukeeWeather();
        page.startDate = date(2005, 1, 1);
        page.endDate = date(2006, 12, 31);
        page.eventsOnPanel = false;
        page.eventsFile = folder.file("events.xls");
        page.eventsFileName = "events.xls";
    }
};

// The template's layout: headings above, events from the 15th row.
void writeEvents(const std::string& path, const std::vector<std::vector<double>>& rows) {
    xls::TXLSFile file;
    xls::TCells& cells = file.Workbook().Sheets().Items(0).Cells();
    cells.Cell(0, 0).SetValue("Substrate input events");
    const char* headings[] = {"Event", "Month", "Day", "Year", "subCode", "C (Mg/ha)", "C:N"};
    for (int col = 0; col < 7; ++col) {
        cells.Cell(13, col).SetValue(headings[col]);
    }
    for (size_t r = 0; r < rows.size(); ++r) {
        for (size_t col = 0; col < rows[r].size(); ++col) {
            cells.Cell(14 + static_cast<int>(r), static_cast<int>(col)).SetValue(rows[r][col]);
        }
    }
    file.SaveAs(path);
}

TEST(EventsWorkbookRun, EventsFromOurOwnWorkbook) {
    WorkbookRun run;
    writeEvents(run.page.eventsFile, {{1, 8, 1, 2005, 1, 4, 90}, {2, 8, 1, 2005, 2, 1.5, 50}});
    const RunOutcome out = run.run();
    ASSERT_TRUE(out.ok) << out.message;
    EXPECT_EQ(run.result("InputEvents.~"), "Event\tMonth\tDay\tYear\tsubCode\tC\tC:N\r\n"
                                           "1\t8\t1\t2005\t1\t4.000\t90.0\r\n"
                                           "2\t8\t1\t2005\t2\t1.500\t50.0\r\n");
    EXPECT_NE(run.result("SettingRecord.~")
                  .find("  Substrate input events are set in file 'events.xls'\r\n"),
              std::string::npos);
    // The same events on the panel give the same results.
    test::RunFixture panel;
    panel.useMilwaukeeWeather();
    panel.page.startDate = run.page.startDate;
    panel.page.endDate = run.page.endDate;
    panel.setRow(1, 1, "4", "90", date(2005, 8, 1));
    panel.setRow(2, 2, "1.5", "50", date(2005, 8, 1));
    ASSERT_TRUE(panel.run().ok);
    EXPECT_EQ(run.result("ResultDaily.~"), panel.result("ResultDaily.~"));
}

TEST(EventsWorkbookRun, FaultsOfTheWorkbook) {
    {
        WorkbookRun run; // an empty 15th row
        writeEvents(run.page.eventsFile, {});
        const RunOutcome out = run.run();
        EXPECT_EQ(out.message, "Input incorrect. Check the input events file and try again");
    }
    {
        WorkbookRun run; // C:N left empty in C & N mode
        writeEvents(run.page.eventsFile, {{1, 8, 1, 2005, 1, 4}});
        EXPECT_EQ(run.run().message, "C:N ratio is not specified in the input events file!");
        run.page.carbonOnly = true; // the same workbook in C only mode
        ASSERT_TRUE(run.run().ok);
        EXPECT_NE(run.result("InputEvents.~").find("\r\n1\t8\t1\t2005\t1\t4.000\r\n"),
                  std::string::npos);
    }
    {
        WorkbookRun run; // a text file renamed .xls
        run.folder.write("events.xls", "Event\tMonth\r\n1\t2\r\n");
        const RunOutcome out = run.run();
        EXPECT_EQ(out.message, kWorkbookOpenMessage);
        EXPECT_EQ(out.beeps, 2);
    }
    {
        // Open in the spreadsheet application: its lock file lies beside it, and the file on
        // disk is still read.
        WorkbookRun run;
        writeEvents(run.page.eventsFile, {{1, 8, 1, 2005, 1, 4, 90}});
        run.folder.write(".~lock.events.xls#", "someone,host,2026");
        const RunOutcome out = run.run();
        EXPECT_TRUE(out.ok) << out.message;
    }
}

// LibreOffice writes the workbook from a flat ODS file made here, as a user's spreadsheet
// application would: numbers, a text cell holding a number, a half month, an empty row.
TEST(EventsWorkbookRun, WorkbookWrittenByLibreOffice) {
    ASSERT_TRUE(test::haveLibreOffice())
        << "LibreOffice (soffice) is needed: run scripts/setup-deps";
    WorkbookRun run;
    const auto cell = [](const std::string& v) {
        return "<table:table-cell office:value-type=\"float\" office:value=\"" + v + "\"><text:p>" +
               v + "</text:p></table:table-cell>";
    };
    const auto text = [](const std::string& t) {
        return "<table:table-cell office:value-type=\"string\"><text:p>" + t +
               "</text:p></table:table-cell>";
    };
    std::string rows;
    rows += "<table:table-row>" + text("Substrate input events") + "</table:table-row>";
    rows +=
        "<table:table-row table:number-rows-repeated=\"12\"><table:table-cell/></table:table-row>";
    rows += "<table:table-row>" + text("Event") + text("Month") + text("Day") + text("Year") +
            text("subCode") + text("C (Mg/ha)") + text("C:N") + "</table:table-row>";
    rows += "<table:table-row>" + cell("1") + cell("2.5") + cell("1") + cell("2005") + cell("1") +
            cell("4") + cell("90") + "</table:table-row>";
    rows += "<table:table-row>" + cell("2") + cell("8") + text("1") + cell("2005") + cell("2") +
            cell("1.25") + cell("47.5") + "</table:table-row>";
    rows += "<table:table-row><table:table-cell/></table:table-row>";
    rows += "<table:table-row>" + cell("3") + cell("9") + cell("1") + cell("2005") + cell("2") +
            cell("1") + cell("40") + "</table:table-row>";
    run.folder.write(
        "events.fods",
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<office:document xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
        "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
        "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" office:version=\"1.2\" "
        "office:mimetype=\"application/vnd.oasis.opendocument.spreadsheet\">"
        "<office:body><office:spreadsheet><table:table table:name=\"Events\">" +
            rows + "</table:table></office:spreadsheet></office:body></office:document>\n");
    ASSERT_EQ(
        test::convertWithLibreOffice(run.folder.path(), "xls", {"events.fods"}, run.folder.path()),
        "");
    const RunOutcome out = run.run();
    ASSERT_TRUE(out.ok) << out.message;
    EXPECT_EQ(run.result("InputEvents.~"), "Event\tMonth\tDay\tYear\tsubCode\tC\tC:N\r\n"
                                           "1\t2\t1\t2005\t1\t4.000\t90.0\r\n"
                                           "2\t8\t1\t2005\t2\t1.250\t47.5\r\n");
}

} // namespace
} // namespace orvek
