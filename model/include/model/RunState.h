#pragma once

#include "basics/DateSerial.h"
#include "basics/Errors.h"
#include "model/Events.h"
#include "model/Parameters.h"
#include "model/Weather.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orvek {

// One decomposing pool: SOM or the Cohort of one input event.
struct Pool {
    double r = 0;
    double s = 0;
    double k30 = 0; // R x 30^-S, the constant rate of the first 30 temperature-weighted days
    double c = 0;   // kg C/ha now
    double cPrevious = 0;
    double age = 0; // EffectiveAge, temperature-weighted days
    double agePrevious = 0;
    double rate = 0; // per temperature-weighted day
    double cn = 0;   // C:N now (C & N mode)
};

// The day's whole-soil quantities written to the daily result file.
struct SoilTotals {
    double somC = 0;     // kg C/ha
    double residueC = 0; // kg C/ha
    double cumulativeNetN = 0;
    double mineralN = 0;
    double organicN = 0;
    double totalN = 0;
    double residueCN = 0;
    double somN = 0;
};

// Everything one run shares between its steps; built fresh for every run.
struct RunState {
    // Status of the run: a step that finds a fault sets these and returns.
    bool error = false;
    std::string message;
    int checkBeeps = 0; // beeps sounded by the check itself, before the run's own

    std::string eventsPath;                     // StartFolder + "InputEvents.~"
    std::string weatherPath;                    // the daily weather file the run reads
    std::shared_ptr<const WeatherFile> weather; // shared by the runs of an ensemble
    std::optional<WeatherFile> monthlyWeather;  // the user's monthly file the weather came from
    size_t firstWeatherLine = 0;                // the data line of StartDate

    bool carbonOnly = true;
    DateSerial startDate = 0;
    DateSerial endDate = 0;
    int textureIndex = 0;

    double somStock = 0;        // kg C/ha
    double initialMineralN = 0; // kg N/ha
    bool addSoilMinusAir = false;

    std::vector<SubstrateEvent> events; // EventTable, event j at index j - 1
    ParameterSet parameters{};
    std::string parameterPath;

    Pool som;
    std::vector<Pool> cohorts;
    SoilTotals soil;
    int lastDAS = 0;
    std::uint64_t cohortSteps = 0; // decomposition steps of Cohorts, repetitions included

    void fail(std::string text, int beepsFirst = 0) {
        error = true;
        message = std::move(text);
        checkBeeps = beepsFirst;
    }
};

} // namespace orvek
