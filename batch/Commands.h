#pragma once

#include <string>
#include <vector>

namespace orvek::batch {

inline constexpr int kExitRun = 0;
inline constexpr int kExitCheck = 1;
inline constexpr int kExitError = 2;

// orvek-batch --import-weather IN OUT.wth [--fill-gaps linear] [--noaa-units metric|standard]
int importWeatherCommand(const std::vector<std::string>& args);

// orvek-batch --runs RUNS.csv --out DIR [...] and orvek-batch --merge DIR... --out DIR
int ensembleCommand(const std::vector<std::string>& args);

bool isImportWeather(const std::vector<std::string>& args);

// Runs the command the arguments ask for (weather import, ensembles, merging), or returns -1
// when they ask for a single run of a setting file.
int dispatchCommand(const std::vector<std::string>& args);

} // namespace orvek::batch
