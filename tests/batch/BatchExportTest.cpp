// orvek-batch's CSV and .xlsx exports as a user calls them.

#include "BatchRunner.h"
#include "TestFolder.h"
#include "formats/ResultFiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>

namespace orvek {
namespace {

using Result = test::BatchResult;
using test::runBatch;

struct ExportFolder {
    test::TestFolder folder;
    ExportFolder() {
        folder.copyStandardFiles();
        folder.copyData("Example.stg");
        folder.copyData("milwaukee_1991_2020_daily.wth");
        std::filesystem::create_directory(folder.file("out"));
    }
};

TEST(BatchExport, CsvAndXlsxBesideTheResultFiles) {
    ExportFolder f;
    // Paths are taken from the current folder, as given.
    const Result r = runBatch("--csv out/r.csv --xlsx out/r.xlsx Example.stg", f.folder.path());
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("daily results saved in out/r.csv"), std::string::npos) << r.output;
    const std::string csv = f.folder.read("out/r.csv");
    EXPECT_EQ(csv.substr(0, csv.find('\n')),
              "date,DAS,SOM_C_Mg_ha,res_C_Mg_ha,ttl_C_Mg_ha,net_Nm_kg_ha,ttl_Nm_kg_ha,"
              "ttl_N_kg_ha,res_CN,SOM_CN");
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 1 + 1826);
    EXPECT_EQ(csv.find('\r'), std::string::npos);
    EXPECT_NE(csv.find("\n2009-12-31,1826,"), std::string::npos);
    EXPECT_EQ(f.folder.read("out/r.xlsx").substr(0, 2), "PK");
}

TEST(BatchExport, CommentsOnlyWithACsvFile) {
    ExportFolder f;
    EXPECT_EQ(runBatch("--csv-comments Example.stg", f.folder.path()).status, 2);
    EXPECT_FALSE(f.folder.exists(kResultDailyFileName)); // refused before the run
    ASSERT_EQ(runBatch("--csv out/c.csv --csv-comments Example.stg", f.folder.path()).status, 0);
    const std::string csv = f.folder.read("out/c.csv");
    EXPECT_EQ(csv.substr(0, 31), "# Settings for the simulation:\n");
    EXPECT_NE(csv.find("\ndate,DAS,"), std::string::npos);
}

TEST(BatchExport, MonthlySettingFileExportsMonths) {
    ExportFolder f;
    std::string settings = f.folder.read("Example.stg");
    // The output step is the setting file's last line: "D" daily, "M" monthly.
    const size_t last = settings.rfind("D\r\n");
    ASSERT_NE(last, std::string::npos);
    settings[last] = 'M';
    f.folder.write("Monthly.stg", settings);
    const Result r = runBatch("--csv out/m.csv Monthly.stg", f.folder.path());
    ASSERT_EQ(r.status, 0) << r.output;
    const std::string csv = f.folder.read("out/m.csv");
    EXPECT_EQ(csv.substr(0, 9), "date,MAS,") << csv.substr(0, 200);
    EXPECT_NE(csv.find("\n2005-01-01,0,"), std::string::npos);
}

TEST(BatchExport, UnwritableTargetIsAnErrorAndKeepsTheFile) {
    ExportFolder f;
    f.folder.write("out/locked.csv", "keep me");
    ::chmod(f.folder.file("out/locked.csv").c_str(), 0444);
    const Result r = runBatch("--csv out/locked.csv Example.stg", f.folder.path());
    EXPECT_EQ(r.status, 2) << r.output;
    EXPECT_NE(r.output.find("locked.csv"), std::string::npos) << r.output;
    EXPECT_EQ(f.folder.read("out/locked.csv"), "keep me");
    EXPECT_EQ(runBatch("--xlsx nowhere/r.xlsx Example.stg", f.folder.path()).status, 2);
    EXPECT_FALSE(f.folder.exists("nowhere"));
}

} // namespace
} // namespace orvek
