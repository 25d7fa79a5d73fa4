// orvek-batch's weather import and separate run folders, called as a user calls them.

#include "BatchRunner.h"
#include "TestFolder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <future>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

namespace orvek {
namespace {

using Result = test::BatchResult;
using test::runBatch;

std::string fixture(const std::string& name) {
    return test::testDataDir() + "weather-import/" + name;
}

// Names and contents of the files of a folder, to see that it was only read.
std::string snapshot(const std::string& folder) {
    std::string s;
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
        names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    for (const std::string& n : names) {
        s += n + "\n" + test::readFile(folder + n) + "\n";
    }
    return s;
}

TEST(BatchImportWeather, WritesTheDailyFileOrListsTheFaults) {
    test::TestFolder f;
    Result r = runBatch("--import-weather '" + fixture("apsim.met") + "' out.wth", f.path());
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("3 days written to out.wth"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("Layout: APSIM .met"), std::string::npos) << r.output;
    EXPECT_NE(f.read("out.wth").find("1995\t61\t2.2\t-3.9\t0.5\r\n"), std::string::npos);

    r = runBatch("--import-weather '" + fixture("meteostat.csv") + "' gap.wth", f.path());
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find("2021-07-03: precipitation missing (line 4)"), std::string::npos);
    EXPECT_FALSE(f.exists("gap.wth"));
    r = runBatch("--import-weather '" + fixture("meteostat.csv") + "' gap.wth --fill-gaps linear",
                 f.path());
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("filled linearly"), std::string::npos) << r.output;

    r = runBatch("--import-weather '" + fixture("unknown.csv") + "' x.wth", f.path());
    EXPECT_EQ(r.status, 2) << r.output;
    EXPECT_NE(r.output.find("Layouts understood"), std::string::npos) << r.output;
    EXPECT_FALSE(f.exists("x.wth"));
    r = runBatch("--import-weather '" + fixture("noaa_standard.csv") +
                     "' x.wth --noaa-units kelvin",
                 f.path());
    EXPECT_EQ(r.status, 2) << r.output;
}

struct StartFolder {
    test::TestFolder start;
    StartFolder() {
        start.copyStandardFiles();
        start.copyData("Example.stg");
        start.copyData("milwaukee_1991_2020_daily.wth");
    }
};

TEST(BatchOutFolder, ManyRunsShareOneStartFolderWhichIsOnlyRead) {
    StartFolder s;
    test::TestFolder out;
    const std::string before = snapshot(s.start.path());
    std::vector<std::future<Result>> runs;
    for (int k = 0; k < 3; ++k) {
        runs.push_back(std::async(std::launch::async, [&, k] {
            return runBatch("--out '" + out.file("run" + std::to_string(k)) +
                                "' --xls result.xls Example.stg",
                            s.start.path());
        }));
    }
    for (auto& r : runs) {
        const Result result = r.get();
        EXPECT_EQ(result.status, 0) << result.output;
    }
    EXPECT_EQ(snapshot(s.start.path()), before);
    const std::string daily = test::readFile(out.file("run0/ResultDaily.~"));
    ASSERT_FALSE(daily.empty());
    for (int k = 0; k < 3; ++k) {
        const std::string dir = out.file("run" + std::to_string(k)) + "/";
        EXPECT_EQ(test::readFile(dir + "ResultDaily.~"), daily);
        for (const char* name : {"ResultMonthly.~", "ResultDailyForMemo.~",
                                 "ResultMonthlyForMemo.~", "SettingRecord.~", "result.xls"}) {
            EXPECT_FALSE(test::readFile(dir + name).empty()) << dir << name;
        }
    }
}

TEST(BatchOutFolder, ALockedFolderIsRefusedAfterWaiting) {
    StartFolder s;
    test::TestFolder out;
    const int fd = ::open(out.file(".orvek.lock").c_str(), O_RDWR | O_CREAT, 0666);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    std::string shown = out.path();
    shown.pop_back();
    const Result r = runBatch("--out '" + out.path() + "' Example.stg", s.start.path());
    ::close(fd);
    EXPECT_EQ(r.status, 2) << r.output;
    EXPECT_NE(r.output.find("Folder '" + shown + "' is in use by another Orvek C&N run."),
              std::string::npos)
        << r.output;
    EXPECT_FALSE(out.exists("ResultDaily.~"));
    EXPECT_TRUE(out.exists(".orvek.lock")); // never deleted
}

} // namespace
} // namespace orvek
