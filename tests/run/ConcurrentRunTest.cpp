// Two complete runs at the same time, each in its own start folder, must not see each other: all
// state of a run lives in its RunState and every workbook carries its own settings.

#include "RunFixture.h"

#include "formats/ResultFiles.h"
#include "formats/ResultWorkbook.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <thread>

namespace orvek {
namespace {

using test::date;

// The result files and the daily result workbook of one run, by file name.
using RunFiles = std::map<std::string, std::string>;

RunFiles runAndSave(bool carbonOnly) {
    test::RunFixture run;
    run.useMilwaukeeWeather();
    run.page.carbonOnly = carbonOnly;
    run.page.startDate = date(2003, 1, 1);
    run.page.endDate = date(2006, 12, 31);
    run.setRow(1, 1, "4", "90", date(2003, 8, 1));
    run.setRow(2, 3, "2", "20", date(2005, 4, 15));
    run.setRow(3, 6, "3", "15", date(2006, 10, 1));
    const RunOutcome out = run.run();
    EXPECT_TRUE(out.ok) << out.message;
    RunFiles files;
    for (const char* name :
         {kResultDailyFileName, kResultMonthlyFileName, kSettingRecordFileName}) {
        files[name] = run.result(name);
    }
    const std::string path = run.folder.file("Result.xls");
    saveResultWorkbook(
        resultWorkbookCells(files[kResultDailyFileName], files[kSettingRecordFileName], carbonOnly,
                            WorkbookStop::AtLastDAS, out.last.endDate, out.last.lastDAS),
        path);
    files["Result.xls"] = test::readFile(path);
    return files;
}

TEST(ConcurrentRuns, TwoRunsOnTwoThreadsMatchARunAlone) {
    for (const bool carbonOnly : {false, true}) {
        const RunFiles alone = runAndSave(carbonOnly);
        ASSERT_FALSE(alone.at("Result.xls").empty());
        RunFiles first;
        RunFiles second;
        std::thread a([&] { first = runAndSave(carbonOnly); });
        std::thread b([&] { second = runAndSave(carbonOnly); });
        a.join();
        b.join();
        for (const auto& [name, content] : alone) {
            EXPECT_EQ(first[name], content) << name << (carbonOnly ? " (C)" : " (C & N)");
            EXPECT_EQ(second[name], content) << name << (carbonOnly ? " (C)" : " (C & N)");
        }
    }
}

} // namespace
} // namespace orvek
