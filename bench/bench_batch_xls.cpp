// What saving the result workbook adds to a whole orvek-batch process: a 100-year daily C & N
// run (1921-2020, 36,525 rows) run as a process without and with --xls. Prints the medians of
// several runs, wall clock and the CPU time of the process (the machine may be shared).

#include "BenchSupport.h"

#include "basics/DateSerial.h"
#include "basics/Files.h"
#include "basics/Text.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Timing {
    double wall = 0;
    double cpu = 0;
};

using orvek::bench::childCpuSeconds;

Timing runProcess(const std::string& command) {
    const double cpu = childCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) {
        std::printf("failed: %s\n", command.c_str());
        std::exit(1);
    }
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
            childCpuSeconds() - cpu};
}

using orvek::bench::median;

} // namespace

int main(int argc, char** argv) {
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    const std::string data = std::string(ORVEK_DATA_DIR) + "/";
    const fs::path folder = fs::temp_directory_path() / "orvek-bench-batch-xls";
    fs::remove_all(folder);
    fs::create_directories(folder);
    for (const char* f : {"Parameter.Orvek", "Option.Orvek", "Substrates.Orvek"}) {
        fs::copy_file(data + f, folder / f);
    }
    orvek::writeFileAtomically(
        (folder / "century.wth").string(),
        orvek::bench::centuryOfWeather(data + "milwaukee_1991_2020_daily.wth", 1921));
    // The example's settings and events over the century, daily output.
    std::vector<std::string> lines = orvek::splitLines(orvek::readWholeFile(data + "Example.stg"));
    orvek::DateSerial first = 0;
    orvek::DateSerial last = 0;
    orvek::tryEncodeDate(1921, 1, 1, first);
    orvek::tryEncodeDate(2020, 12, 31, last);
    lines[1] = "century.wth";
    lines[5] = std::to_string(static_cast<long>(first));
    lines[6] = std::to_string(static_cast<long>(last));
    std::string settings;
    for (const std::string& l : lines) {
        settings += l + "\r\n";
    }
    orvek::writeFileAtomically((folder / "century.stg").string(), settings);

    // ORVEK_BENCH_BATCH names another build of orvek-batch to compare with.
    const char* other = std::getenv("ORVEK_BENCH_BATCH");
    const std::string exe = other ? other : ORVEK_BATCH_EXE;
    const std::string base = "cd '" + folder.string() + "' && '" + exe + "' ";
    const std::string plain = base + "century.stg > /dev/null";
    const std::string withXls = base + "--xls result.xls century.stg > /dev/null";
    runProcess(withXls); // warm the file cache
    std::vector<double> plainWall, plainCpu, xlsWall, xlsCpu;
    for (int r = 0; r < repetitions; ++r) {
        const Timing p = runProcess(plain);
        const Timing x = runProcess(withXls);
        plainWall.push_back(p.wall);
        plainCpu.push_back(p.cpu);
        xlsWall.push_back(x.wall);
        xlsCpu.push_back(x.cpu);
    }
    const auto bytes = fs::file_size(folder / "result.xls");
    std::printf("orvek-batch, 100-year daily C & N run, medians of %d runs\n", repetitions);
    std::printf("  without --xls  %.3f s (CPU %.3f s)\n", median(plainWall), median(plainCpu));
    std::printf("  with --xls     %.3f s (CPU %.3f s), workbook %.2f MB\n", median(xlsWall),
                median(xlsCpu), static_cast<double>(bytes) / (1024.0 * 1024.0));
    std::printf("  added by --xls %.3f s (CPU %.3f s)\n", median(xlsWall) - median(plainWall),
                median(xlsCpu) - median(plainCpu));
    if (!std::getenv("ORVEK_BENCH_KEEP")) {
        fs::remove_all(folder);
    }
    return 0;
}
