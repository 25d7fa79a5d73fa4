// Ensembles of orvek-batch: the run table, the summary, threads, samples and bands, resuming,
// shards and their merge, stopping with Ctrl-C.

#include "BatchRunner.h"
#include "TestFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace orvek {
namespace {

using Result = test::BatchResult;
using test::runBatch;

const char* const kSummaryHeader =
    "id,status,message,final_SOM_C_Mg_ha,final_res_C_Mg_ha,final_ttl_C_Mg_ha,cum_net_Nm_kg_ha,"
    "min_ttl_Nm_kg_ha,max_ttl_Nm_kg_ha\r\n";

// The example setting file (C & N, five events, 2005-2009) and a C-only copy beside the table.
struct Ensemble {
    test::TestFolder start;
    test::TestFolder out;
    Ensemble() {
        start.copyStandardFiles();
        start.copyData("Example.stg");
        start.copyData("milwaukee_1991_2020_daily.wth");
        start.copyData("milwaukee_1991_2020_monthly.wth");
        std::string carbon = start.read("Example.stg");
        carbon[0] = 'Y'; // line 1: C only
        start.write("carbon.stg", carbon);
    }
    void table(const std::string& text) const { start.write("runs.csv", text); }
    Result run(const std::string& arguments) const {
        return runBatch("--runs runs.csv " + arguments, start.path());
    }
    std::string outFile(const std::string& name) const { return out.read(name); }
};

// The values of the last line of a daily result file, comma-separated as in the summary.
std::string lastDailyValues(const std::string& daily, bool carbonOnly) {
    const size_t end = daily.rfind("\r\n", daily.size() - 3);
    std::string line = daily.substr(end + 2, daily.size() - end - 4);
    std::vector<std::string> v;
    size_t pos = 0;
    while (pos <= line.size()) {
        const size_t tab = line.find('\t', pos);
        v.push_back(line.substr(pos, tab == std::string::npos ? std::string::npos : tab - pos));
        if (tab == std::string::npos) {
            break;
        }
        pos = tab + 1;
    }
    std::string s = v[2] + "," + v[3] + "," + v[4] + ",";
    return s + (carbonOnly ? "," : v[5] + ",");
}

const char* const kTable = "id,settings,soil_c,texture,q10,nmin,weather,end\n"
                           "plain,Example.stg,,,,,,\n"
                           "clay,Example.stg,20,clay,2.5,,,2008-12-31\n"
                           "negative,Example.stg,-1,,,,,\n"
                           "beyond,Example.stg,,,,,,2030-01-01\n"
                           "carbon,carbon.stg,,loam,,,,\n"
                           "monthly,Example.stg,,,,10,milwaukee_1991_2020_monthly.wth,\n";

TEST(EnsembleSummary, RowsInTableOrderWithFailuresAsRows) {
    Ensemble e;
    e.table(kTable);
    const Result r = e.run("--out '" + e.out.path() + "'");
    EXPECT_EQ(r.status, 1) << r.output; // two runs failed
    const std::string summary = e.outFile("summary.csv");
    ASSERT_EQ(summary.rfind(kSummaryHeader, 0), 0u) << summary;
    const std::string expectedStart =
        std::string(kSummaryHeader) + "plain,ok,,47.59,2.29,49.88,509.3,40.0,549.3\r\n";
    EXPECT_EQ(summary.substr(0, expectedStart.size()), expectedStart);
    EXPECT_NE(summary.find("\r\nnegative,failed,Soil properties must not be negative.,,,,,,\r\n"),
              std::string::npos);
    EXPECT_NE(summary.find("\r\nbeyond,failed,Simulation ending date set beyond the last date "
                           "in the weather file.,,,,,,\r\n"),
              std::string::npos);
    EXPECT_NE(summary.find("\r\ncarbon,ok,"), std::string::npos);
    EXPECT_NE(summary.find(",,\r\nmonthly,ok,"), std::string::npos); // C only: no N values
    EXPECT_EQ(e.outFile("timings.csv").rfind("id,seconds\r\nplain,", 0), 0u);
    EXPECT_TRUE(test::readFile(e.start.file("ResultDaily.~")).empty()); // start folder only read
}

TEST(EnsembleSummary, KeptFilesAreThoseOfASingleRun) {
    Ensemble e;
    e.table("id,settings,texture\nex,Example.stg,\nclay,Example.stg,clay\n");
    Result r = e.run("--keep-files --out '" + e.out.path() + "'");
    ASSERT_EQ(r.status, 0) << r.output;
    test::TestFolder single;
    r = runBatch("--out '" + single.path() + "' Example.stg", e.start.path());
    ASSERT_EQ(r.status, 0) << r.output;
    for (const char* f :
         {"ResultDaily.~", "ResultMonthly.~", "ResultDailyForMemo.~", "ResultMonthlyForMemo.~"}) {
        EXPECT_EQ(e.out.read(std::string("ex/") + f), single.read(f)) << f;
    }
    const std::string clay = e.out.read("clay/ResultDaily.~");
    ASSERT_FALSE(clay.empty());
    EXPECT_TRUE(clay != single.read("ResultDaily.~")); // the example's soil is a loam
    const std::string summary = e.outFile("summary.csv");
    EXPECT_NE(summary.find("\r\nex,ok,," + lastDailyValues(single.read("ResultDaily.~"), false)),
              std::string::npos)
        << summary;
    EXPECT_NE(summary.find("\r\nclay,ok,," + lastDailyValues(clay, false)), std::string::npos)
        << summary;
}

TEST(EnsembleSummary, TheWholeTableIsCheckedBeforeAnyRun) {
    Ensemble e;
    e.table("id,settings,colour,start\n"
            "a,Example.stg,,2005-13-01\n"
            "a,missing.stg,,\n"
            "../up,Example.stg,,\n"
            "short,Example.stg\n");
    const Result r = e.run("--out '" + e.out.path() + "'");
    EXPECT_EQ(r.status, 2) << r.output;
    for (const char* fault :
         {"unknown column 'colour'", "start '2005-13-01' is not a date", "the id 'a' is used twice",
          "missing.stg\" not found", "the id '../up' starts with '.'",
          "2 fields where the header has 4"}) {
        EXPECT_NE(r.output.find(fault), std::string::npos) << fault << "\n" << r.output;
    }
    EXPECT_FALSE(e.out.exists("summary.csv"));
}

// The engine keeps no state between runs: threads give the same bytes as one thread.
TEST(EnsembleThreads, ThreadedAndSingleRunsAreTheSameByteForByte) {
    Ensemble e;
    std::string table = "id,settings,soil_c,q10,texture\n";
    for (int i = 0; i < 24; ++i) {
        table += "r" + std::to_string(i) + "," + (i % 3 == 0 ? "carbon.stg" : "Example.stg") + "," +
                 std::to_string(8 + i) + "," + std::to_string(1.5 + 0.05 * i) + "," +
                 (i % 2 == 0 ? "sand" : "clay") + "\n";
    }
    e.table(table);
    test::TestFolder one;
    const std::string vary = " --vary som_r=uniform:0.01:0.03 --samples 5 --seed 11";
    ASSERT_EQ(e.run("--jobs 1 --out '" + one.path() + "'" + vary).status, 0);
    const Result four = e.run("--jobs 4 --out '" + e.out.path() + "'" + vary);
    ASSERT_EQ(four.status, 0) << four.output;
    EXPECT_EQ(e.outFile("summary.csv"), one.read("summary.csv"));
    EXPECT_EQ(e.outFile("bands.csv"), one.read("bands.csv"));
    EXPECT_NE(e.outFile("timings.csv"), ""); // run times are kept apart from the summary
}

TEST(EnsembleSamples, SeedGivesTheSameSamplesAndUnusableSamplesAreLeftOut) {
    Ensemble e;
    e.table("id,settings\nx,Example.stg\ny,carbon.stg\n");
    // An S of 1 or more cannot be used: about half of these samples fail.
    const std::string vary = " --vary som_s=uniform:0.8:1.2 --vary soil_c=normal:12.5:2 "
                             "--samples 12 --seed 5";
    Result r = e.run("--out '" + e.out.path() + "'" + vary);
    EXPECT_EQ(r.status, 1) << r.output;
    const std::string summary = e.outFile("summary.csv");
    const std::string bands = e.outFile("bands.csv");
    size_t okX = 0;
    for (int k = 1; k <= 12; ++k) {
        const std::string id = "\r\nx#" + std::to_string(k) + ",";
        const size_t at = summary.find(id);
        ASSERT_NE(at, std::string::npos) << id;
        okX += summary.compare(at + id.size(), 3, "ok,") == 0 ? 1 : 0;
    }
    EXPECT_GT(okX, 0u);
    EXPECT_LT(okX, 12u);
    EXPECT_NE(summary.find("som_s"), std::string::npos); // the failure names the parameter
    ASSERT_EQ(bands.rfind("id,date,DAS,runs,SOM_C_p5,SOM_C_p50,SOM_C_p95,ttl_C_p5,ttl_C_p50,"
                          "ttl_C_p95,ttl_Nm_p5,ttl_Nm_p50,ttl_Nm_p95\r\nx,2005-01-01,0," +
                              std::to_string(okX) + ",",
                          0),
              0u)
        << bands.substr(0, 300);
    EXPECT_NE(bands.find("\r\ny,2009-12-31,1825,"), std::string::npos);
    EXPECT_NE(bands.find(",,,\r\ny,2005-01-02,1,"), std::string::npos); // C only: no N bands

    test::TestFolder again;
    r = e.run("--out '" + again.path() + "'" + vary);
    EXPECT_EQ(again.read("summary.csv"), summary);
    EXPECT_EQ(again.read("bands.csv"), bands);
    test::TestFolder other;
    r = e.run("--out '" + other.path() + "'" +
              " --vary som_s=uniform:0.8:1.2 --vary soil_c=normal:12.5:2 --samples 12 --seed 6");
    EXPECT_NE(other.read("bands.csv"), bands);
}

TEST(EnsembleResume, RowsAlreadyInTheSummaryAreNotRunAgain) {
    Ensemble e;
    e.table("id,settings,soil_c\na,Example.stg,10\nb,Example.stg,11\nc,Example.stg,12\n");
    ASSERT_EQ(e.run("--out '" + e.out.path() + "'").status, 0);
    const std::string full = e.outFile("summary.csv");
    // As if stopped after a: b and c missing; a marked so that a second run of it would show.
    const size_t b = full.find("\r\nb,");
    std::string partial = full.substr(0, b + 2);
    const size_t value = partial.find("a,ok,,") + 6;
    partial.replace(value, 2, "99");
    e.out.write("summary.csv", partial);
    const Result r = e.run("--resume --out '" + e.out.path() + "'");
    ASSERT_EQ(r.status, 0) << r.output;
    std::string expected = full;
    expected.replace(value, 2, "99");
    EXPECT_EQ(e.outFile("summary.csv"), expected);
    EXPECT_NE(r.output.find("2 run now"), std::string::npos) << r.output;
}

TEST(EnsembleShards, ShardsMergeToTheFilesOfOneProcess) {
    Ensemble e;
    std::string table = "id,settings,q10\n";
    for (int i = 0; i < 7; ++i) {
        table += "s" + std::to_string(i) + ",Example.stg," + std::to_string(1.6 + 0.1 * i) + "\n";
    }
    e.table(table);
    const std::string vary = " --vary soil_c=uniform:10:14 --samples 3 --seed 99";
    ASSERT_EQ(e.run("--out '" + e.out.file("whole") + "'" + vary).status, 0);
    std::string folders;
    for (int k = 1; k <= 3; ++k) {
        const std::string dir = e.out.file("shard" + std::to_string(k));
        ASSERT_EQ(e.run("--shard " + std::to_string(k) + "/3 --out '" + dir + "'" + vary).status,
                  0);
        folders += " '" + dir + "'";
    }
    // An incomplete set is refused.
    Result r = runBatch("--merge '" + e.out.file("shard1") + "' --out '" + e.out.file("part") + "'",
                        e.start.path());
    EXPECT_EQ(r.status, 2) << r.output;
    EXPECT_NE(r.output.find("a shard has not finished"), std::string::npos) << r.output;
    r = runBatch("--merge" + folders + " --out '" + e.out.file("merged") + "'", e.start.path());
    ASSERT_EQ(r.status, 0) << r.output;
    for (const char* f : {"summary.csv", "bands.csv", "rows.csv"}) {
        EXPECT_EQ(e.out.read(std::string("merged/") + f), e.out.read(std::string("whole/") + f))
            << f;
    }
}

TEST(EnsembleInterrupt, CtrlCLeavesAValidSummaryOfTheFinishedRuns) {
    Ensemble e;
    std::string table = "id,settings,end\n";
    for (int i = 0; i < 400; ++i) {
        table += "n" + std::to_string(i) + ",Example.stg,2020-12-31\n";
    }
    e.table(table);
    const pid_t child = ::fork();
    if (child == 0) {
        ::chdir(e.start.path().c_str());
        const std::string out = e.out.path();
        ::execl(ORVEK_BATCH_EXE, ORVEK_BATCH_EXE, "--runs", "runs.csv", "--out", out.c_str(),
                "--jobs", "2", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    ::kill(child, SIGINT);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    const std::string summary = e.outFile("summary.csv");
    ASSERT_EQ(summary.rfind(kSummaryHeader, 0), 0u);
    // Whole lines of finished runs, in table order.
    size_t pos = std::string(kSummaryHeader).size();
    int previous = -1;
    int lines = 0;
    while (pos < summary.size()) {
        const size_t end = summary.find("\r\n", pos);
        ASSERT_NE(end, std::string::npos);
        const std::string line = summary.substr(pos, end - pos);
        ASSERT_EQ(line[0], 'n') << line;
        const int index = std::stoi(line.substr(1));
        EXPECT_GT(index, previous);
        previous = index;
        EXPECT_NE(line.find(",ok,,"), std::string::npos) << line;
        ++lines;
        pos = end + 2;
    }
    if (WEXITSTATUS(status) == 2) {
        EXPECT_LT(lines, 400);
    } else {
        EXPECT_EQ(lines, 400); // finished before the signal on a fast machine
    }
}

} // namespace
} // namespace orvek
