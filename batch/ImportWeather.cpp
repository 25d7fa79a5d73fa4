// orvek-batch --import-weather: a downloaded daily weather file in this program's layout.

#include "batch/Commands.h"

#include "basics/Errors.h"
#include "basics/Files.h"
#include "model/WeatherImport.h"

#include <algorithm>
#include <iostream>

namespace orvek::batch {

namespace {

void importUsage() {
    std::cerr << "Usage: orvek-batch --import-weather IN OUT.wth [--fill-gaps linear] "
                 "[--noaa-units metric|standard]\n";
}

// Long lists are cut so that a year of missing values does not flood the terminal.
void printList(const char* title, const std::vector<std::string>& items) {
    if (items.empty()) {
        return;
    }
    std::cerr << title << "\n";
    const size_t shown = std::min<size_t>(items.size(), 100);
    for (size_t i = 0; i < shown; ++i) {
        std::cerr << "  " << items[i] << "\n";
    }
    if (items.size() > shown) {
        std::cerr << "  ... and " << items.size() - shown << " more\n";
    }
}

} // namespace

bool isImportWeather(const std::vector<std::string>& args) {
    return std::find(args.begin(), args.end(), "--import-weather") != args.end();
}

int importWeatherCommand(const std::vector<std::string>& args) {
    WeatherImportOptions options;
    std::vector<std::string> files;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--import-weather") {
            continue;
        }
        if (a == "--fill-gaps" && i + 1 < args.size()) {
            if (args[++i] != "linear") {
                std::cerr << "--fill-gaps takes \"linear\".\n";
                return kExitError;
            }
            options.fill = GapFill::Linear;
        } else if (a == "--noaa-units" && i + 1 < args.size()) {
            const std::string& u = args[++i];
            if (u != "metric" && u != "standard") {
                std::cerr << "--noaa-units takes \"metric\" or \"standard\".\n";
                return kExitError;
            }
            options.noaaUnits = u == "standard" ? NoaaUnits::Standard : NoaaUnits::Metric;
        } else if (!a.empty() && a[0] == '-') {
            importUsage();
            return kExitError;
        } else {
            files.push_back(a);
        }
    }
    if (files.size() != 2) {
        importUsage();
        return kExitError;
    }
    try {
        const WeatherImport w = importWeatherFile(files[0], options);
        std::cerr << "Layout: " << weatherLayoutName(w.layout) << "\n";
        printList("Columns:", w.columns);
        printList("Filled:", w.filled);
        if (!w.ok) {
            printList("Not imported; the file has these faults:", w.problems);
            if (options.fill == GapFill::None) {
                std::cerr << "(--fill-gaps linear fills gaps of at most 3 days.)\n";
            }
            return kExitCheck;
        }
        writeFileAtomically(files[1], w.output);
        std::cout << w.days.size() << " days written to " << files[1] << "\n";
        return kExitRun;
    } catch (const std::exception& e) {
        std::cerr << e.what() << "\n";
        return kExitError;
    }
}

} // namespace orvek::batch
