// A 100-year daily C & N run with 500 events, wide-C:N straw on soil without mineral N so that
// the N limitation works hard, result files written. Prints seconds, Cohort steps per second and
// the share of simulation and file writing, the whole process of one run (this program started
// again with --once FOLDER), and compares the daily loop with the cost of the exp/log calls each
// Cohort step cannot avoid.

#include "BenchSupport.h"

#include "basics/DateSerial.h"
#include "basics/Files.h"
#include "basics/LargePages.h"
#include "basics/Text.h"
#include "formats/PageState.h"
#include "model/RunState.h"
#include "model/VectorMath.h"
#include "model/Weather.h"
#include "run/RunPipeline.h"
#include "run/StartUp.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <random>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

void writeText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

double seconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

// The processor time this thread has used: on a shared machine it leaves out the time other
// programs take the processor away.
double threadCpuSeconds() {
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// The transcendental calls of one power-law Cohort step (log1p, exp, expm1, exp), timed alone.
double unavoidableSecondsPerStep(size_t n) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> age(30, 30000);
    std::uniform_real_distribution<double> x(0.0001, 3);
    std::vector<double> a(4096);
    std::vector<double> b(4096);
    for (size_t i = 0; i < a.size(); ++i) {
        a[i] = age(rng);
        b[i] = x(rng);
    }
    volatile double sink = 0;
    const double t0 = threadCpuSeconds();
    double acc = 0;
    for (size_t i = 0; i < n; ++i) {
        const double l = std::log1p(b[i & 4095] / a[i & 4095]);
        acc += std::exp(-0.5 * l) + std::expm1(0.45 * l) + std::exp(-acc * 1e-30 - l);
    }
    sink = acc;
    (void)sink;
    return (threadCpuSeconds() - t0) / static_cast<double>(n);
}

// The same four calls through the vector functions the daily loop uses, over arrays of 4096
// values: the floor for a Cohort step.
double vectorSecondsPerStep(size_t n) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> age(30, 30000);
    std::uniform_real_distribution<double> x(0.0001, 3);
    const size_t block = 4096;
    std::vector<double> in(block);
    std::vector<double> l(block);
    std::vector<double> e(block);
    std::vector<double> m(block);
    std::vector<double> c(block);
    for (size_t i = 0; i < block; ++i) {
        in[i] = x(rng) / age(rng);
    }
    const orvek::vmath::Kernels& math = orvek::vmath::kernels();
    volatile double sink = 0;
    const double t0 = threadCpuSeconds();
    for (size_t done = 0; done < n; done += block) {
        math.log1p(in.data(), l.data(), block);
        for (size_t i = 0; i < block; ++i) {
            l[i] *= -0.5;
        }
        math.exp(l.data(), e.data(), block);
        math.expm1(l.data(), m.data(), block);
        math.exp(m.data(), c.data(), block);
        sink = sink + c[done % block];
    }
    (void)sink;
    return (threadCpuSeconds() - t0) / static_cast<double>(n);
}

// One run in a folder prepared by prepareFolder; the whole run's seconds, or -1 when it failed.
double timedRun(const std::string& folder, orvek::RunOutcome& outcome, double* loopCpu = nullptr) {
    orvek::PageState page;
    page.carbonOnly = false;
    page.weatherFolder = folder;
    page.weatherFileName = "century.wth";
    page.dailyWeather = true;
    orvek::tryEncodeDate(1921, 1, 1, page.startDate);
    orvek::tryEncodeDate(2020, 12, 31, page.endDate);
    page.soilCText = "2";
    page.bulkDensityText = "1.4";
    page.depthText = "20";
    page.nminText = "0";
    page.textureIndex = 0;

    // The 500 events go through the events working file, the way a workbook's rows do.
    orvek::RunEnvironment env;
    env.startFolder = folder;
    env.formats.shortDate = [](orvek::DateSerial d) { return std::to_string(d); };
    const std::string events = orvek::bench::fiveHundredEvents();
    // The progress is reported once before the first day and once after each day.
    int reports = 0;
    double cpuFirst = 0;
    if (loopCpu != nullptr) {
        const int days = page.endDate - page.startDate + 1;
        env.progress = [&reports, &cpuFirst, loopCpu, days](int) {
            if (reports == 0) {
                cpuFirst = threadCpuSeconds();
            }
            if (++reports == days + 1) {
                *loopCpu = threadCpuSeconds() - cpuFirst;
            }
        };
    }

    const auto t0 = Clock::now();
    orvek::RunState run;
    run.weatherPath = page.weatherFolder + page.weatherFileName;
    orvek::checkRunSettings(run, page, env);
    orvek::gatherRunSettings(run, page, env);
    run.events.clear();
    orvek::readInputEvents(events, run);
    if (run.error) {
        std::printf("run failed: %s\n", run.message.c_str());
        return -1;
    }
    outcome = orvek::completeRun(run, page, env);
    if (!outcome.ok) {
        std::printf("run failed: %s\n", outcome.message.c_str());
        return -1;
    }
    return seconds(t0, Clock::now());
}

using orvek::bench::median;

using orvek::bench::childCpuSeconds;

// Page faults of the finished children: on some virtual machines each costs microseconds.
long childPageFaults() {
    rusage u{};
    ::getrusage(RUSAGE_CHILDREN, &u);
    return u.ru_minflt + u.ru_majflt;
}

// This program started again for one run and nothing else: start-up, reading the inputs, the
// loop and the five result files, as a user's run of the whole process costs. It is started
// directly rather than through a shell, whose own start would be counted with it.
void timeWholeProcess(const std::string& self, const std::string& folder, int repetitions,
                      double& wall, double& cpu, long& faults) {
    std::string selfArg = self;
    std::string onceArg = "--once";
    std::string folderArg = folder;
    char* const args[] = {selfArg.data(), onceArg.data(), folderArg.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    std::vector<double> walls;
    std::vector<double> cpus;
    const long faults0 = childPageFaults();
    for (int i = 0; i < repetitions; ++i) {
        const double c0 = childCpuSeconds();
        const auto t0 = Clock::now();
        pid_t child = 0;
        int status = 0;
        if (posix_spawn(&child, self.c_str(), &actions, nullptr, args, environ) != 0 ||
            ::waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
            WEXITSTATUS(status) != 0) {
            std::fprintf(stderr, "the run failed: %s --once %s\n", self.c_str(), folder.c_str());
            std::exit(1);
        }
        walls.push_back(seconds(t0, Clock::now()));
        cpus.push_back(childCpuSeconds() - c0);
    }
    posix_spawn_file_actions_destroy(&actions);
    wall = median(walls);
    cpu = median(cpus);
    faults = (childPageFaults() - faults0) / repetitions;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--once") {
        // As orvek-batch starts.
        orvek::growHeapInLargePages(orvek::kSingleRunHeap);
        orvek::RunOutcome outcome;
        return timedRun(std::string(argv[2]) + "/", outcome) < 0 ? 1 : 0;
    }
    const std::string dataDir = std::string(ORVEK_DATA_DIR) + "/";
    const fs::path folder = fs::temp_directory_path() / "orvek-bench-run";
    fs::remove_all(folder);
    fs::create_directories(folder);
    for (const char* f : {"Parameter.Orvek", "Option.Orvek", "Substrates.Orvek"}) {
        fs::copy_file(dataDir + f, folder / f);
    }
    writeText((folder / "century.wth").string(),
              orvek::bench::centuryOfWeather(dataDir + "milwaukee_1991_2020_daily.wth", 1921));

    // ORVEK_BENCH_ROUNDS=1 runs once, for instruction counts under callgrind.
    const char* roundsText = std::getenv("ORVEK_BENCH_ROUNDS");
    const int rounds = roundsText ? std::max(1, std::atoi(roundsText)) : 5;
    orvek::RunOutcome best;
    std::vector<double> totals;
    std::vector<double> loops;
    std::vector<double> loopCpus;
    for (int round = 0; round < rounds; ++round) {
        orvek::RunOutcome out;
        double loopCpu = 0;
        const double total = timedRun(folder.string() + "/", out, &loopCpu);
        if (total < 0) {
            return 1;
        }
        totals.push_back(total);
        loops.push_back(out.simulationSeconds);
        loopCpus.push_back(loopCpu);
        if (best.cohortSteps == 0 || out.simulationSeconds < best.simulationSeconds) {
            best = out;
        }
    }
    double processWall = 0;
    double processCpu = 0;
    long processFaults = 0;
    timeWholeProcess(fs::read_symlink("/proc/self/exe").string(), folder.string(), rounds,
                     processWall, processCpu, processFaults);
    const double bestTotal = *std::min_element(totals.begin(), totals.end());
    const double perStep = best.simulationSeconds / static_cast<double>(best.cohortSteps);
    const double medianPerStep = median(loops) / static_cast<double>(best.cohortSteps);
    const double cpuPerStep = median(loopCpus) / static_cast<double>(best.cohortSteps);
    const double unavoidable = unavoidableSecondsPerStep(20'000'000);
    const double floor = vectorSecondsPerStep(20'000'000);
    std::printf("100-year daily C & N run, 500 events, %d rounds\n", rounds);
    std::printf("  days simulated           %d\n", best.last.lastDAS);
    std::printf("  whole process            %.3f s (median; CPU %.3f s; %ld page faults)\n",
                processWall, processCpu, processFaults);
    std::printf("  whole run                %.3f s (best; median %.3f s)\n", bestTotal,
                median(totals));
    std::printf("  simulation               %.3f s (%.0f %%)\n", best.simulationSeconds,
                100 * best.simulationSeconds / bestTotal);
    std::printf("  result files             %.3f s (%.0f %%)\n", best.writingSeconds,
                100 * best.writingSeconds / bestTotal);
    std::printf("  Cohort steps             %llu (repetitions of the N limitation included)\n",
                static_cast<unsigned long long>(best.cohortSteps));
    std::printf("  Cohort steps per second  %.3g\n", 1 / perStep);
    std::printf("  loop time per step       %.1f ns (best; median %.1f ns)\n", perStep * 1e9,
                medianPerStep * 1e9);
    std::printf("  loop CPU time per step   %.1f ns (median)\n", cpuPerStep * 1e9);
    std::printf("  exp/log calls per step   %.1f ns (log1p, exp, expm1, exp alone)\n",
                unavoidable * 1e9);
    std::printf("  ratio                    %.2f (loop CPU time to these calls)\n",
                cpuPerStep / unavoidable);
    std::printf("  the same calls, %-8s %.1f ns (the floor: vector functions alone)\n",
                orvek::vmath::targetName(orvek::vmath::currentTarget()), floor * 1e9);
    std::printf("  ratio to the floor       %.2f (loop CPU time to the floor's)\n",
                cpuPerStep / floor);
    if (!std::getenv("ORVEK_BENCH_KEEP")) {
        fs::remove_all(folder);
    }
    return 0;
}
