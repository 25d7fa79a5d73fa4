// Runs on every vector target this processor can execute give the same result files, byte for
// byte: the two kept runs of tests/data/golden and the century benchmark run, whose files are
// compared with the hashes of the files the program writes when built with ORVEK_SCALAR_MATH,
// the C library's functions one value at a time.

#include "RunFixture.h"

#include "BenchSupport.h"

#include "model/Events.h"
#include "model/RunState.h"
#include "model/VectorMath.h"
#include "run/RunPipeline.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace orvek {
namespace {

using test::date;

const char* const kResultFiles[] = {"ResultDaily.~", "ResultMonthly.~", "ResultDailyForMemo.~",
                                    "ResultMonthlyForMemo.~", "SettingRecord.~"};

// Restores the fastest target after a test picked others.
struct TargetGuard {
    vmath::Target saved = vmath::currentTarget();
    ~TargetGuard() { vmath::useTarget(saved); }
};

std::uint64_t fnv1a(const std::string& bytes) {
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (unsigned char b : bytes) {
        h = (h ^ b) * 0x100000001b3ull;
    }
    return h;
}

struct GoldenRun : test::RunFixture {
    explicit GoldenRun(bool carbonOnly) {
        useMilwaukeeWeather();
        page.carbonOnly = carbonOnly;
        page.startDate = date(2005, 1, 1);
        page.endDate = date(2006, 12, 31);
        setRow(1, 1, "4", "90", date(2005, 8, 1));
        setRow(2, 2, "1.5", "50", date(2005, 8, 1));
        setRow(3, 3, "2", "20", date(2006, 4, 15));
        setRow(4, 6, "3", "15", date(2006, 10, 1));
    }
};

TEST(VectorTargets, EveryTargetWritesTheKeptGoldenFiles) {
    const TargetGuard guard;
    for (const vmath::Target target : vmath::availableTargets()) {
        vmath::useTarget(target);
        for (const bool carbonOnly : {false, true}) {
            GoldenRun run(carbonOnly);
            const RunOutcome out = run.run();
            ASSERT_TRUE(out.ok) << out.message;
            const std::string dir = test::testDataDir() + "golden/" + (carbonOnly ? "c/" : "cn/");
            for (const char* name : kResultFiles) {
                EXPECT_EQ(run.result(name), test::readFile(dir + name))
                    << vmath::targetName(target) << " " << dir << name;
            }
        }
    }
}

// 100 years, 500 events of wide-C:N straw on soil without mineral N: the N limitation decides
// hundreds of thousands of steps, many of them at its threshold.
TEST(VectorTargets, EveryTargetWritesTheCenturyRunsFilesOfTheScalarLoop) {
    const TargetGuard guard;
    const std::pair<const char*, std::uint64_t> expected[] = {
        {"ResultDaily.~", 0xfabd26aae02d826cull},
        {"ResultMonthly.~", 0x02bb1fbb2d89e54full},
        {"ResultDailyForMemo.~", 0x33e7dfdaa24b734bull},
        {"ResultMonthlyForMemo.~", 0xaed02cda5d7b6ccdull}};
    test::RunFixture fixture;
    fixture.useDailyWeather(
        "century.wth",
        bench::centuryOfWeather(test::dataDir() + "milwaukee_1991_2020_daily.wth", 1921));
    PageState page;
    page.carbonOnly = false;
    page.weatherFolder = fixture.page.weatherFolder;
    page.weatherFileName = "century.wth";
    page.dailyWeather = true;
    page.startDate = date(1921, 1, 1);
    page.endDate = date(2020, 12, 31);
    page.soilCText = "2";
    page.bulkDensityText = "1.4";
    page.depthText = "20";
    page.nminText = "0";
    page.textureIndex = 0;
    for (const vmath::Target target : vmath::availableTargets()) {
        vmath::useTarget(target);
        RunState run;
        run.weatherPath = page.weatherFolder + page.weatherFileName;
        checkRunSettings(run, page, fixture.env);
        gatherRunSettings(run, page, fixture.env);
        run.events.clear();
        readInputEvents(bench::fiveHundredEvents(), run);
        ASSERT_FALSE(run.error) << run.message;
        const RunOutcome out = completeRun(run, page, fixture.env);
        ASSERT_TRUE(out.ok) << out.message;
        EXPECT_EQ(out.cohortSteps, 10807833u) << vmath::targetName(target);
        for (const auto& [name, hash] : expected) {
            EXPECT_EQ(fnv1a(fixture.result(name)), hash)
                << vmath::targetName(target) << " " << name;
        }
    }
}

} // namespace
} // namespace orvek
