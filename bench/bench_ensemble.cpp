// An ensemble of 1,000 runs of 30 years (1991-2020) with one event each, summary only, through
// orvek-batch --runs on 1 and 2 threads. Prints the median wall time of several repetitions,
// the speed-up of the second thread, and the time a run costs beyond its simulation (the
// simulation itself is timed in this process with the same inputs). The machine may be shared:
// medians damp the noise, and the speed-up cannot exceed what the free cores allow.

#include "BenchSupport.h"

#include "basics/Files.h"
#include "basics/Text.h"
#include "model/Parameters.h"
#include "model/Weather.h"
#include "run/RunPipeline.h"
#include "run/StartUp.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRuns = 1000;
constexpr int kRepetitions = 5;

using orvek::bench::median;

using orvek::bench::childCpuSeconds;

// Wall time; the CPU time the ensemble took goes to cpu.
double timeEnsemble(const std::string& folder, int jobs, const std::string& out, double& cpu) {
    const std::string command = "cd '" + folder +
                                "' && '" ORVEK_BATCH_EXE "' --runs runs.csv --out '" + out +
                                "' --jobs " + std::to_string(jobs) + " > /dev/null 2>&1";
    fs::remove_all(out);
    const double c0 = childCpuSeconds();
    const auto t0 = Clock::now();
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "the ensemble failed: %s\n", command.c_str());
        std::exit(1);
    }
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    cpu = childCpuSeconds() - c0;
    return wall;
}

} // namespace

int main() {
    const std::string data = std::string(ORVEK_DATA_DIR) + "/";
    const fs::path folder = fs::temp_directory_path() / "orvek-bench-ensemble";
    fs::remove_all(folder);
    fs::create_directories(folder);
    for (const char* f :
         {"Parameter.Orvek", "Option.Orvek", "Substrates.Orvek", "milwaukee_1991_2020_daily.wth"}) {
        fs::copy_file(data + f, folder / f);
    }
    // The example with the whole 30 years and its first event only.
    std::vector<std::string> lines = orvek::splitLines(orvek::readWholeFile(data + "Example.stg"));
    lines[5] = "33239"; // 1 January 1991
    lines[6] = "44196"; // 31 December 2020
    for (int row = 1; row < 10; ++row) {
        lines[static_cast<size_t>(9 + row)] = "N";
    }
    std::string settings;
    for (const std::string& l : lines) {
        settings += l + "\r\n";
    }
    orvek::writeFileAtomically((folder / "thirty.stg").string(), settings);
    std::string table = "id,settings,soil_c\n";
    for (int i = 0; i < kRuns; ++i) {
        table += "run" + std::to_string(i) + ",thirty.stg," +
                 orvek::formatFixed(10 + i * 0.005, 3) + "\n";
    }
    orvek::writeFileAtomically((folder / "runs.csv").string(), table);

    // The simulation alone, in this process, with the inputs read once as the ensemble does.
    orvek::Session session;
    orvek::startSession(session, folder.string());
    orvek::retrieveSettings(session, (folder / "thirty.stg").string());
    orvek::RunEnvironment env;
    env.startFolder = session.startFolder;
    env.writeResults = false;
    env.parameters = orvek::readParameterFile((folder / "Parameter.Orvek").string());
    orvek::WeatherFile weather =
        orvek::WeatherFile::load((folder / "milwaukee_1991_2020_daily.wth").string());
    weather.decodeDailyValues();
    env.weather = std::make_shared<const orvek::WeatherFile>(std::move(weather));
    std::vector<double> simulation;
    std::vector<double> whole;
    const std::clock_t c0 = std::clock();
    for (int i = 0; i < 200; ++i) {
        const auto t0 = Clock::now();
        const orvek::RunOutcome o = orvek::performRun(session.page, env);
        whole.push_back(std::chrono::duration<double>(Clock::now() - t0).count());
        simulation.push_back(o.simulationSeconds);
    }
    // CPU time, as the machine may be shared: the whole in-process run's, of which the
    // simulation takes the share it takes of the wall time.
    const double inProcessCpu = static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC / 200;
    double simWall = 0, wholeWall = 0;
    for (size_t i = 0; i < whole.size(); ++i) {
        simWall += simulation[i];
        wholeWall += whole[i];
    }
    const double simulated = inProcessCpu * simWall / wholeWall;

    const std::string out = (folder / "out").string();
    std::vector<double> one, two, cpuOne, cpuTwo;
    for (int r = 0; r < kRepetitions; ++r) {
        double cpu = 0;
        one.push_back(timeEnsemble(folder.string(), 1, out, cpu));
        cpuOne.push_back(cpu);
        two.push_back(timeEnsemble(folder.string(), 2, out, cpu));
        cpuTwo.push_back(cpu);
    }
    const double t1 = median(one);
    const double t2 = median(two);
    std::printf("ensemble of %d runs x 30 years, 1 event, summary only (median of %d)\n", kRuns,
                kRepetitions);
    std::printf("  1 thread : %.3f s wall, %.3f s CPU (%.2f ms CPU a run)\n", t1, median(cpuOne),
                median(cpuOne) * 1000 / kRuns);
    std::printf("  2 threads: %.3f s wall (goal: under 3 s), %.3f s CPU\n", t2, median(cpuTwo));
    std::printf("  speed-up of the second thread: %.2fx (goal: 1.8x; needs 2 free cores)\n",
                t1 / t2);
    std::printf("  simulation alone: %.3f ms CPU a run; in-process run with checks: %.3f ms CPU\n",
                simulated * 1000, inProcessCpu * 1000);
    std::printf("  overhead beyond the simulation: %.3f ms a run wall, %.3f ms CPU (goal: under "
                "2 ms)\n",
                (t1 / kRuns - simulated) * 1000, (median(cpuOne) / kRuns - simulated) * 1000);
    std::printf("  load average now: ");
    std::fflush(stdout);
    std::system("cut -d' ' -f1-3 /proc/loadavg");
    fs::remove_all(folder);
    return 0;
}
