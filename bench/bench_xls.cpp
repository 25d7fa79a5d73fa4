// Writes and reads back a workbook the size of a 100-year daily C & N result (36,500 rows of
// ten columns) and prints the time, cells per second and peak memory of each step.

#include "BenchSupport.h"

#include "xls/Workbook.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

using namespace orvek::xls;

namespace {

constexpr int kRows = 36500;
constexpr int kFirstDataRow = 4;

// Peak resident memory in MB since the last reset.
double peakMegabytes() {
    return static_cast<double>(orvek::bench::peakKilobytes()) / 1024.0;
}

void resetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

double seconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

int buildResult(TXLSFile& file) {
    TSheet& sheet = file.Workbook().Sheets().Items(0);
    TCells& cells = sheet.Cells();
    sheet.Columns().Items(0).SetWidth(10);
    cells.Cell(0, 0).SetValue("Orvek C&N daily result, C & N mode");
    cells.Cell(1, 0).SetValue("C in Mg C/ha, N in kg N/ha");
    cells.Cell(2, 0).SetValue("");
    const char* titles[] = {"Date",   "DAS",    "SOM-C", "res-C",   "ttl-C",
                            "net-Nm", "ttl-Nm", "ttl-N", "res-C:N", "SOM-C:N"};
    for (int col = 0; col < 10; ++col) {
        cells.Cell(3, col).SetValue(titles[col]);
    }
    for (int i = 0; i < kRows; ++i) {
        const int row = kFirstDataRow + i;
        TCell& date = cells.Cell(row, 0);
        date.SetValue(38353.0 + i);
        date.SetNumberFormatIndex(13);
        cells.Cell(row, 1).SetValue(int32_t{i + 1});
        for (int col = 2; col < 10; ++col) {
            cells.Cell(row, col).SetValue(45.0 + col * 0.37 + i * 0.01);
        }
    }
    cells.Cell(kFirstDataRow + kRows, 0).SetValue("");
    cells.Cell(kFirstDataRow + kRows + 1, 0).SetValue("Soil texture: Loam");
    return cells.Count();
}

struct Timing {
    double wall = 0;
    double cpu = 0;
};

double cpuSeconds() {
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

template <class Step> Timing timed(Step step) {
    const auto start = std::chrono::steady_clock::now();
    const double cpu = cpuSeconds();
    step();
    return {seconds(start), cpuSeconds() - cpu};
}

using orvek::bench::median;

} // namespace

// Each step runs several times; the figures are medians, wall clock and the process's CPU time
// (the machine may be shared), and the peak memory of the first run of each step.
int main(int argc, char** argv) {
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    const std::string path = "/tmp/orvek-bench-xls-" + std::to_string(::getpid()) + ".xls";

    int cells = 0;
    int loaded = 0;
    double writePeak = 0;
    double readPeak = 0;
    std::vector<double> writeWall, writeCpu, readWall, readCpu, buildCpu, saveCpu;
    for (int r = 0; r < repetitions; ++r) {
        resetPeak();
        Timing build;
        Timing save;
        const Timing w = timed([&] {
            TXLSFile file;
            build = timed([&] { cells = buildResult(file); });
            save = timed([&] { file.SaveAs(path); });
        });
        buildCpu.push_back(build.cpu);
        saveCpu.push_back(save.cpu);
        if (r == 0) {
            writePeak = peakMegabytes();
        }
        writeWall.push_back(w.wall);
        writeCpu.push_back(w.cpu);
    }
    for (int r = 0; r < repetitions; ++r) {
        resetPeak();
        const Timing t = timed([&] {
            TXLSFile file;
            file.OpenFile(path);
            loaded = file.Workbook().Sheets().Items(0).Cells().Count();
        });
        if (r == 0) {
            readPeak = peakMegabytes();
        }
        readWall.push_back(t.wall);
        readCpu.push_back(t.cpu);
    }

    std::ifstream in(path, std::ios::binary | std::ios::ate);
    const double fileMegabytes = static_cast<double>(in.tellg()) / (1024.0 * 1024.0);
    ::unlink(path.c_str());

    std::printf("workbook: %d rows, %d cells, file %.2f MB; medians of %d runs\n", kRows, cells,
                fileMegabytes, repetitions);
    std::printf("build + save: %.3f s (CPU %.3f s), %.0f cells/s, peak memory %.1f MB (%.2f x "
                "the file)\n",
                median(writeWall), median(writeCpu), cells / median(writeWall), writePeak,
                writePeak / fileMegabytes);
    std::printf("  of which building the cells CPU %.3f s, saving CPU %.3f s\n", median(buildCpu),
                median(saveCpu));
    std::printf("load:         %.3f s (CPU %.3f s), %.0f cells/s, peak memory %.1f MB\n",
                median(readWall), median(readCpu), loaded / median(readWall), readPeak);
    return loaded == cells ? 0 : 1;
}
