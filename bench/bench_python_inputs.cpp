// Writes the inputs of the 100-year, 500-event run as files, for benchmarks that time whole
// runs from outside (bench_python.py: orvek-batch against the Python package):
//   bench_python_inputs FOLDER
// FOLDER receives the bundled parameter, option and substrate files, "century.wth", the 500
// events in "events.xls" (the events workbook's layout) and "bench.stg" naming both.

#include "BenchSupport.h"

#include "basics/DateSerial.h"
#include "basics/Files.h"
#include "formats/PageState.h"
#include "formats/ResultWorkbook.h"
#include "formats/SettingFile.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The events of bench_run: five a year for 100 years, straw and roots of C:N 80 to 150.
std::vector<orvek::WorkbookCell> fiveHundredEventCells() {
    using Kind = orvek::WorkbookCell::Kind;
    std::vector<orvek::WorkbookCell> cells;
    const int rows[5][5] = {{4, 20, 1, 10, 90},
                            {8, 1, 1, 40, 120},
                            {8, 1, 2, 15, 80},
                            {9, 15, 1, 30, 120},
                            {10, 1, 1, 30, 150}};
    int j = 0;
    for (int y = 1921; y <= 2020; ++y) {
        for (const auto& r : rows) {
            const int row = 14 + j;
            ++j;
            const double values[7] = {double(j),    double(r[0]), double(r[1]), double(y),
                                      double(r[2]), r[3] / 10.0,  double(r[4])};
            for (int col = 0; col < 7; ++col) {
                cells.push_back(
                    {row, col, col < 5 ? Kind::Integer : Kind::Double, "", values[col]});
            }
        }
    }
    return cells;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "Usage: bench_python_inputs FOLDER\n");
        return 2;
    }
    const std::string dataDir = std::string(ORVEK_DATA_DIR) + "/";
    const fs::path folder = fs::absolute(argv[1]);
    fs::create_directories(folder);
    for (const char* f : {"Parameter.Orvek", "Option.Orvek", "Substrates.Orvek"}) {
        fs::copy_file(dataDir + f, folder / f, fs::copy_options::overwrite_existing);
    }
    orvek::writeFileAtomically(
        (folder / "century.wth").string(),
        orvek::bench::centuryOfWeather(dataDir + "milwaukee_1991_2020_daily.wth", 1921));
    orvek::saveResultWorkbook(fiveHundredEventCells(), (folder / "events.xls").string());

    orvek::PageState page;
    page.carbonOnly = false;
    page.weatherFolder = folder.string() + "/";
    page.weatherFileName = "century.wth";
    page.dailyWeather = true;
    page.weatherKindText = orvek::kDailyWeatherKindText;
    page.weatherPeriodText = "1/1/21 - 12/31/20";
    orvek::tryEncodeDate(1921, 1, 1, page.startDate);
    orvek::tryEncodeDate(2020, 12, 31, page.endDate);
    page.eventsOnPanel = false;
    page.eventsFile = (folder / "events.xls").string();
    page.eventsFileName = "events.xls";
    page.soilCText = "2";
    page.bulkDensityText = "1.4";
    page.depthText = "20";
    page.stockText = "5.6";
    page.nminText = "0";
    page.textureIndex = 0;
    orvek::writeFileAtomically((folder / "bench.stg").string(), orvek::settingFileContent(page));
    std::printf("%s\n", (folder / "bench.stg").string().c_str());
    return 0;
}
