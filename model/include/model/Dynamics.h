#pragma once

#include "basics/DateSerial.h"
#include "model/Parameters.h"
#include "model/RunState.h"

#include <functional>

namespace orvek {

class WeatherFile;

// The day's temperature factor from its maximum and minimum air temperature.
double temperatureFactor(double tmax, double tmin, const ParameterSet& p, bool addSoilMinusAir);

// The ageing exponent for a step of x temperature-weighted days, S (1 + (g(Rx) - g(R)) / g(R))
// with g(y) = 0.933 y^0.179; it equals S x^0.179, which is how the daily loop computes it.
double temperatureAdjustedS(double r, double s, double x);

// The N released (positive) or taken up (negative) when dC of a pool's carbon is dissimilated
// and A assimilated by microbes.
double netNitrogenRelease(double dC, double a, double poolCN, double microbialCN);

// Scales R and S of every Cohort by the texture factors (percent of sand); SOM is not scaled.
void applyTextureEffects(RunState& run);

struct StepResult {
    double c = 0;
    double age = 0;
    double rate = 0;
};

// One decomposition step of x temperature-weighted days from the pool's state at the end of the
// previous day; xPow is x^0.179. Constant rate k30 while the age stays below 30, the power law
// from there on.
StepResult decompositionStep(const Pool& pool, double x, double xPow);

// Receives each simulated day after its values are complete.
class DailyRowWriter {
public:
    virtual ~DailyRowWriter() = default;
    virtual void writeDailyRow(int das, DateSerial date, const RunState& run) = 0;
};

// Simulates from the data line firstLine (the line of StartDate) to EndDate or the end of the
// data; sets LastDAS. The progress receives the position 0..999 after each day.
void simulateDays(RunState& run, const WeatherFile& weather, size_t firstLine,
                  DailyRowWriter& writer, const std::function<void(int)>& progress);

} // namespace orvek
