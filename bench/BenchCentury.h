#pragma once

// A 100-year daily C & N run (1921-2020, 36,525 days, two events a year) in a fresh folder,
// shared by the export benchmarks.

#include "BenchSupport.h"

#include "basics/DateSerial.h"
#include "formats/PageState.h"
#include "run/RunPipeline.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace orvek::bench {

struct CenturyRun {
    std::string folder; // ends with "/"
    LastRun last;
};

inline CenturyRun centuryRun(const char* name) {
    namespace fs = std::filesystem;
    const std::string dataDir = std::string(ORVEK_DATA_DIR) + "/";
    const fs::path folder = fs::temp_directory_path() / name;
    fs::remove_all(folder);
    fs::create_directories(folder);
    for (const char* f : {"Parameter.Orvek", "Option.Orvek", "Substrates.Orvek"}) {
        fs::copy_file(dataDir + f, folder / f);
    }
    std::ofstream(folder / "century.wth", std::ios::binary)
        << centuryOfWeather(dataDir + "milwaukee_1991_2020_daily.wth", 1921);
    PageState page;
    page.carbonOnly = false;
    page.weatherFolder = folder.string() + "/";
    page.weatherFileName = "century.wth";
    page.weatherKindText = "Daily weather data";
    page.dailyWeather = true;
    tryEncodeDate(1921, 1, 1, page.startDate);
    tryEncodeDate(2020, 12, 31, page.endDate);
    page.soilCText = "12.5";
    page.bulkDensityText = "1.35";
    page.depthText = "30";
    page.nminText = "40";
    page.textureIndex = 1;
    const char* events[][4] = {{"3", "15", "6", "4"}, {"4", "90", "1", "8"}};
    for (int row = 0; row < 2; ++row) {
        EventRowState& r = page.rows[static_cast<size_t>(row)];
        r.checked = true;
        r.cText = events[row][0];
        r.cnText = events[row][1];
        r.typeIndex = std::stoi(events[row][2]) - 1;
        tryEncodeDate(1921, std::stoi(events[row][3]), 1, r.date);
    }
    RunEnvironment env;
    env.startFolder = folder.string() + "/";
    env.formats.shortDate = [](DateSerial d) { return std::to_string(d); };
    const RunOutcome outcome = performRun(page, env);
    if (!outcome.ok) {
        std::printf("run failed: %s\n", outcome.message.c_str());
        std::exit(1);
    }
    return CenturyRun{env.startFolder, outcome.last};
}

} // namespace orvek::bench
