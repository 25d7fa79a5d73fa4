// orvek-batch as a user calls it: exit status, messages and files.

#include "TestFolder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sys/wait.h>

namespace orvek {
namespace {

struct Result {
    int status = -1;
    std::string output; // stdout and stderr
};

Result runBatch(const std::string& arguments, const std::string& folder) {
    const std::string command =
        "cd '" + folder + "' && '" + ORVEK_BATCH_EXE + "' " + arguments + " 2>&1";
    Result r;
    FILE* pipe = ::popen(command.c_str(), "r");
    char buf[4096];
    size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) {
        r.output.append(buf, n);
    }
    const int status = ::pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

struct BatchFixture {
    test::TestFolder folder;
    BatchFixture() {
        folder.copyStandardFiles();
        folder.copyData("Example.stg");
        folder.copyData("milwaukee_1991_2020_daily.wth");
    }
};

TEST(Batch, RunsTheExampleAndNamesWhatItWrote) {
    BatchFixture f;
    f.folder.write("DailyWth.~", "left over");
    const Result r = runBatch("Example.stg", f.folder.path());
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("1826 daily rows written to " + f.folder.file("ResultDaily.~")),
              std::string::npos)
        << r.output;
    EXPECT_TRUE(f.folder.exists("ResultMonthlyForMemo.~"));
    // Daily weather needs no working copy: the file of an earlier run is not touched.
    EXPECT_EQ(f.folder.read("DailyWth.~"), "left over");
}

TEST(Batch, StartFolderAndCheckFailure) {
    BatchFixture f;
    test::TestFolder elsewhere;
    std::string settings = f.folder.read("Example.stg");
    // End date (line 7) before the start date.
    const size_t line7 = settings.find("\r\n40178\r\n");
    ASSERT_NE(line7, std::string::npos);
    settings.replace(line7, 9, "\r\n38000\r\n");
    elsewhere.write("late.stg", settings);
    elsewhere.copyData("milwaukee_1991_2020_daily.wth"); // found beside the setting file
    const Result r =
        runBatch("--start-folder '" + f.folder.path() + "' '" + elsewhere.file("late.stg") + "'",
                 elsewhere.path());
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find("Simulation ending date set before the start date."),
              std::string::npos);
    EXPECT_FALSE(f.folder.exists("ResultDaily.~"));
}

TEST(Batch, SavesTheResultWorkbook) {
    BatchFixture f;
    const Result r = runBatch("--xls out.xls Example.stg", f.folder.path());
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("; daily results saved in out.xls"), std::string::npos) << r.output;
    const std::string xls = f.folder.read("out.xls");
    ASSERT_GT(xls.size(), 8u);
    EXPECT_EQ(xls.substr(0, 8), std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8));
}

TEST(Batch, UsageAndFileErrors) {
    BatchFixture f;
    EXPECT_EQ(runBatch("", f.folder.path()).status, 2);
    EXPECT_EQ(runBatch("--bogus Example.stg", f.folder.path()).status, 2);
    EXPECT_EQ(runBatch("a.stg b.stg", f.folder.path()).status, 2);
    const Result missing = runBatch("none.stg", f.folder.path());
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.output.find("File not found"), std::string::npos);
    f.folder.write("Parameter.Orvek", "Internal parameters\r\nx\r\n");
    const Result broken = runBatch("Example.stg", f.folder.path());
    EXPECT_EQ(broken.status, 2);
    EXPECT_NE(broken.output.find("line 2: the line does not start with a number"),
              std::string::npos);
}

} // namespace
} // namespace orvek
