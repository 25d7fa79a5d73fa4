#include "model/Dynamics.h"

#include "basics/Errors.h"
#include "basics/Text.h"
#include "model/Weather.h"

#include <algorithm>
#include <cmath>

namespace orvek {

namespace {

constexpr double kConstantRatePeriod = 30;
constexpr double kMinimumFactor = 0.0001;
constexpr double kAdjustmentStep = 0.01;
constexpr int kMaxAdjustments = 100; // 1 % steps: the D:A ratio then stands at its maximum
constexpr double kAgeingPower = 0.179;
constexpr int kProgressMaximum = 1000;

} // namespace

double temperatureFactor(double tmax, double tmin, const ParameterSet& p, bool addSoilMinusAir) {
    const double capped = tmax > p[kTmaxCutoff] ? p[kTmaxCutoff] : tmax;
    double t = (capped + tmin) / 2;
    if (addSoilMinusAir) {
        t += p[kSoilMinusAirT];
    }
    if (t < 0) {
        t = 0;
    }
    const double reference = p[kReferenceT];
    double factor = t >= reference ? std::pow(p[kQ10], (t - reference) / 10) : t * (1 / reference);
    if (factor == 0) {
        factor = kMinimumFactor;
    }
    return factor;
}

double temperatureAdjustedS(double r, double s, double x) {
    const auto g = [](double y) { return 0.933 * std::pow(y, kAgeingPower); };
    return s * (1 + (g(r * x) - g(r)) / g(r));
}

double netNitrogenRelease(double dC, double a, double poolCN, double microbialCN) {
    return (dC + a) / poolCN - a / microbialCN;
}

void applyTextureEffects(RunState& run) {
    double rFactor = 1;
    double sFactor = 1;
    if (run.textureIndex == 1) {
        rFactor = run.parameters[kLoamR] / 100;
        sFactor = run.parameters[kLoamS] / 100;
    } else if (run.textureIndex == 2) {
        rFactor = run.parameters[kClayR] / 100;
        sFactor = run.parameters[kClayS] / 100;
    }
    for (size_t j = 0; j < run.events.size(); ++j) {
        run.cohorts[j].r *= rFactor;
        run.cohorts[j].s *= sFactor;
    }
}

StepResult decompositionStep(const Pool& pool, double x, double xPow) {
    if (x == 0) {
        return StepResult{pool.cPrevious, pool.agePrevious, pool.rate};
    }
    const double b = pool.agePrevious + x;
    if (b < kConstantRatePeriod) {
        return StepResult{pool.cPrevious * std::exp(-pool.k30 * x), b, (1 - pool.s) * pool.k30};
    }
    const double s = pool.s * xPow;
    double a = pool.agePrevious;
    double k = pool.rate;
    double decay = 0;
    if (a <= 0) {
        // A first step that passes an age of 30 has no rate from an earlier day: it decays at
        // k30 up to 30 and follows the power law, starting from the rate at 30, after it.
        decay = pool.k30 * (kConstantRatePeriod - a);
        k = (1 - pool.s) * pool.k30;
        a = kConstantRatePeriod;
    }
    // ln(b/a), the power law's rate ratio and the integral of k (t/a)^-s from a to b, in forms
    // that stay accurate when the step is short compared with the age.
    const double logRatio = std::log1p((b - a) / a);
    const double rate = k * std::exp(-s * logRatio);
    const double oneMinusS = 1 - s;
    decay +=
        oneMinusS == 0 ? k * a * logRatio : k * a / oneMinusS * std::expm1(oneMinusS * logRatio);
    return StepResult{pool.cPrevious * std::exp(-decay), b, rate};
}

namespace {

void checkAdjustedS(const RunState& run) {
    for (size_t j = 0; j < run.events.size(); ++j) {
        if (run.cohorts[j].s >= 1) {
            const int type = run.events[j].type;
            const int index = substrateSIndex(type);
            if (run.textureIndex == 0) {
                throw OrvekError(atLine(run.parameterPath, index + 2,
                                        "the " + parameterName(index) +
                                            " is 1 or more; the model needs it below 1."));
            }
            // Either line may be the one to mend: the message names both.
            const std::string texture = run.textureIndex == 1 ? "loam" : "clay";
            const int effect = run.textureIndex == 1 ? kLoamS : kClayS;
            throw OrvekError(atLine(run.parameterPath, index + 2,
                                    "the " + parameterName(index) + " adjusted for " + texture +
                                        " soil is 1 or more (" +
                                        formatGeneral(run.parameters[static_cast<size_t>(index)]) +
                                        " with the " + parameterName(effect) + " of " +
                                        formatGeneral(run.parameters[static_cast<size_t>(effect)]) +
                                        " % on line " + std::to_string(effect + 2) +
                                        "); the model needs it below 1."));
        }
    }
}

void prepareCohorts(RunState& run) {
    run.cohorts.assign(run.events.size(), Pool{});
    for (size_t j = 0; j < run.events.size(); ++j) {
        const int type = run.events[j].type;
        run.cohorts[j].r = run.parameters[static_cast<size_t>(substrateRIndex(type))];
        run.cohorts[j].s = run.parameters[static_cast<size_t>(substrateSIndex(type))];
    }
    applyTextureEffects(run);
    checkAdjustedS(run);
    for (Pool& p : run.cohorts) {
        p.k30 = p.r * std::pow(kConstantRatePeriod, -p.s);
    }
}

} // namespace

void simulateDays(RunState& run, const WeatherFile& weather, size_t firstLine,
                  DailyRowWriter& writer, const std::function<void(int)>& progress) {
    const ParameterSet& p = run.parameters;
    const bool withN = !run.carbonOnly;
    prepareCohorts(run);

    SoilTotals& soil = run.soil;
    soil = SoilTotals{};
    Pool& som = run.som;
    som = Pool{};
    som.r = p[kSomR];
    som.s = p[kSomS];
    som.k30 = som.r * std::pow(kConstantRatePeriod, -som.s);
    som.c = run.somStock;
    som.cn = p[kSomCN];
    if (withN) {
        soil.somN = som.c / p[kSomCN];
        soil.organicN = soil.somN;
        soil.mineralN = run.initialMineralN;
        soil.totalN = soil.organicN + soil.mineralN;
    }
    soil.somC = som.c;

    const double daStep = kAdjustmentStep * (p[kDAMax] - p[kDAMin]);
    const double microbialStep = kAdjustmentStep * (p[kMicrobialCNMax] - p[kMicrobialCNMin]);
    const double microbialLow = std::min(p[kMicrobialCNMin], p[kMicrobialCNMax]);
    const double microbialHigh = std::max(p[kMicrobialCNMin], p[kMicrobialCNMax]);
    const double slowdownStep = kAdjustmentStep * (1 - p[kDAMin] / p[kDAMax]);
    const size_t eventCount = run.events.size();

    int das = 0;
    int position = 0;
    for (size_t line = firstLine; line < weather.size(); ++line) {
        ++das;
        soil.residueCN = 0;
        const DateSerial date = weather.dailyDate(line);
        double tmax = 0;
        double tmin = 0;
        weather.temperatures(line, tmax, tmin);
        const double factor = temperatureFactor(tmax, tmin, p, run.addSoilMinusAir);
        const double factorPow = std::pow(factor, kAgeingPower);
        double microbialCN = p[kMicrobialCNMax];
        double da = p[kDAMin];
        int adjustments = 0; // carried, like the working ratios, to the day's later Cohorts

        // SOM: it does not decompose on the start date; it is never limited by mineral N.
        double dC = 0;
        double assimilated = 0;
        if (date > run.startDate) {
            const StepResult st = decompositionStep(som, factor, factorPow);
            som.c = st.c;
            som.age = st.age;
            som.rate = st.rate;
            dC = som.cPrevious - som.c;
            assimilated = dC / da;
        }
        som.agePrevious = som.age;
        som.cPrevious = som.c;
        soil.somC = som.c;
        if (withN) {
            const double net = netNitrogenRelease(dC, assimilated, som.cn, microbialCN);
            soil.cumulativeNetN += net;
            soil.somN -= net;
            soil.mineralN += net;
            soil.organicN -= net;
            soil.totalN = soil.mineralN + soil.organicN;
            som.cn = som.c / soil.somN;
        }

        for (size_t j = 0; j < eventCount && date >= run.events[j].date; ++j) {
            Pool& cohort = run.cohorts[j];
            double net = 0;
            if (date == run.events[j].date) {
                cohort.c = cohort.cPrevious = run.events[j].cAmount;
                dC = 0;
                assimilated = 0;
                soil.residueC += cohort.c;
                if (withN) {
                    cohort.cn = run.events[j].cn;
                    soil.organicN += cohort.c / cohort.cn;
                }
            } else {
                double u = 0;
                StepResult st;
                for (;;) {
                    const double x = (1 - u) * factor;
                    st = decompositionStep(cohort, x,
                                           u == 0 ? factorPow : std::pow(x, kAgeingPower));
                    ++run.cohortSteps;
                    dC = cohort.cPrevious - st.c;
                    assimilated = dC / da;
                    if (!withN) {
                        break;
                    }
                    net = netNitrogenRelease(dC, assimilated, cohort.cn, microbialCN);
                    if (soil.mineralN + net >= 0) {
                        break;
                    }
                    if (adjustments >= kMaxAdjustments || da >= p[kDAMax]) {
                        // The D:A ratio is at its maximum: the Cohort pauses for the day.
                        u = 1;
                        st = decompositionStep(cohort, 0, 0);
                        ++run.cohortSteps;
                        dC = 0;
                        assimilated = 0;
                        net = 0;
                        break;
                    }
                    // Counted rather than compared, so that rounding can neither add a step
                    // beyond the range nor, with a range too narrow to move the sum, loop for
                    // ever; the last step lands on the ends of the ranges exactly.
                    if (++adjustments == kMaxAdjustments) {
                        da = p[kDAMax];
                        microbialCN = p[kMicrobialCNMin];
                    } else {
                        da = std::min(da + daStep, p[kDAMax]);
                        microbialCN =
                            std::clamp(microbialCN - microbialStep, microbialLow, microbialHigh);
                    }
                    u += slowdownStep;
                }
                cohort.c = st.c;
                cohort.age = st.age;
                cohort.rate = st.rate;
            }
            cohort.agePrevious = cohort.age;
            soil.residueC -= dC;
            if (withN) {
                soil.cumulativeNetN += net;
                soil.mineralN += net;
                const double cohortN = cohort.cPrevious / cohort.cn - net;
                cohort.cn = cohort.c / cohortN;
                soil.organicN -= net;
                soil.totalN = soil.organicN + soil.mineralN;
                soil.residueCN = soil.residueC / (soil.organicN - som.c / som.cn);
            }
            cohort.cPrevious = cohort.c;
        }

        writer.writeDailyRow(das, date, run);
        if (progress) {
            position = (position + 1) % kProgressMaximum;
            progress(position);
        }
        if (date == run.endDate) {
            break;
        }
    }
    run.lastDAS = das;
}

} // namespace orvek
