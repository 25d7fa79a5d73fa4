// Writes and reads back a workbook the size of a 100-year daily C & N result (36,500 rows of
// ten columns) and prints the time, cells per second and peak memory of each step.

#include "BenchSupport.h"

#include "xls/Workbook.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>

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

} // namespace

int main() {
    const std::string path = "/tmp/orvek-bench-xls-" + std::to_string(::getpid()) + ".xls";

    resetPeak();
    auto start = std::chrono::steady_clock::now();
    int cells = 0;
    {
        TXLSFile file;
        cells = buildResult(file);
        file.SaveAs(path);
    }
    const double writeSeconds = seconds(start);
    const double writePeak = peakMegabytes();

    resetPeak();
    start = std::chrono::steady_clock::now();
    int loaded = 0;
    {
        TXLSFile file;
        file.OpenFile(path);
        loaded = file.Workbook().Sheets().Items(0).Cells().Count();
    }
    const double readSeconds = seconds(start);
    const double readPeak = peakMegabytes();

    std::ifstream in(path, std::ios::binary | std::ios::ate);
    const double fileMegabytes = static_cast<double>(in.tellg()) / (1024.0 * 1024.0);
    ::unlink(path.c_str());

    std::printf("workbook: %d rows, %d cells, file %.2f MB\n", kRows, cells, fileMegabytes);
    std::printf("build + save: %.3f s, %.0f cells/s, peak memory %.1f MB\n", writeSeconds,
                cells / writeSeconds, writePeak);
    std::printf("load:         %.3f s, %.0f cells/s, peak memory %.1f MB\n", readSeconds,
                loaded / readSeconds, readPeak);
    return loaded == cells ? 0 : 1;
}
