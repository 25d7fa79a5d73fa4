#include "model/Dynamics.h"

#include "basics/Errors.h"
#include "basics/Text.h"
#include "model/VectorMath.h"
#include "model/Weather.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <unordered_map>
#include <vector>

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
        run.cohorts.r[j] *= rFactor;
        run.cohorts.s[j] *= sFactor;
    }
}

namespace {

// The C library's functions: SOM's steps and the repeated steps of the N limitation use them.
struct LibraryMath {
    static double exp(double x) { return std::exp(x); }
    static double expm1(double x) { return std::expm1(x); }
    static double log1p(double x) { return std::log1p(x); }
};

// The functions the day's Cohort steps use for all Cohorts at once, one value at a time.
struct ArrayMath {
    static double exp(double x) { return vmath::exp(x); }
    static double expm1(double x) { return vmath::expm1(x); }
    static double log1p(double x) { return vmath::log1p(x); }
};

template <class Math> StepResult stepWith(const Pool& pool, double x, double xPow) {
    if (x == 0) {
        return StepResult{pool.cPrevious, pool.agePrevious, pool.rate};
    }
    const double b = pool.agePrevious + x;
    if (b < kConstantRatePeriod) {
        return StepResult{pool.cPrevious * Math::exp(-pool.k30 * x), b, (1 - pool.s) * pool.k30};
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
    const double logRatio = Math::log1p((b - a) / a);
    const double rate = k * Math::exp(-s * logRatio);
    const double oneMinusS = 1 - s;
    decay +=
        oneMinusS == 0 ? k * a * logRatio : k * a / oneMinusS * Math::expm1(oneMinusS * logRatio);
    return StepResult{pool.cPrevious * Math::exp(-decay), b, rate};
}

} // namespace

StepResult decompositionStep(const Pool& pool, double x, double xPow) {
    return stepWith<LibraryMath>(pool, x, xPow);
}

namespace {

void checkAdjustedS(const RunState& run) {
    for (size_t j = 0; j < run.events.size(); ++j) {
        if (run.cohorts.s[j] >= 1) {
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
    CohortTable& t = run.cohorts;
    t.assign(run.events.size());
    for (size_t j = 0; j < run.events.size(); ++j) {
        const int type = run.events[j].type;
        t.r[j] = run.parameters[static_cast<size_t>(substrateRIndex(type))];
        t.s[j] = run.parameters[static_cast<size_t>(substrateSIndex(type))];
    }
    applyTextureEffects(run);
    checkAdjustedS(run);
    for (size_t j = 0; j < t.size(); ++j) {
        t.k30[j] = t.r[j] * std::pow(kConstantRatePeriod, -t.s[j]);
    }
}

} // namespace

namespace {

// The day's working D:A ratio and microbial C:N: reset every day, raised and lowered by the N
// limitation for the rest of the day.
struct Microbes {
    double da = 0;
    double cn = 0;
    int adjustments = 0; // carried, like the working ratios, to the day's later Cohorts
};

// Decomposition steps of many lanes at once, in arrays padded to whole blocks: the day's step of
// every Cohort by the same x, or the repetitions of the N limitation, one pool by a different x
// in every lane. The few lanes that leave the power law's vector form (the first step of a
// Cohort past 30, an exponent of exactly 1, x = 0) are redone one at a time with the same
// functions.
class StepLanes {
public:
    explicit StepLanes(size_t lanes)
        : m_c(vmath::paddedSize(lanes)), m_age(m_c.size()), m_rate(m_c.size()), m_net(m_c.size()),
          m_bound(m_c.size()), m_dC(m_c.size()), m_heldN(m_c.size()) {}

    // Lane i steps Cohort j by x[i], xPow[i] = x[i]^0.179; count is a whole number of blocks.
    void repeat(const CohortTable& t, size_t j, const double* x, const double* xPow, size_t count) {
        const vmath::RepeatLanes lanes{
            t.agePrevious[j], t.s[j],       t.rate[j],    t.cPrevious[j], t.k30[j], x, xPow,
            m_c.data(),       m_age.data(), m_rate.data()};
        if (vmath::kernels().repeatSteps(lanes, count) != 0) {
            for (size_t i = 0; i < count; ++i) {
                if (x[i] == 0 || (t.agePrevious[j] + x[i] >= kConstantRatePeriod &&
                                  (t.agePrevious[j] <= 0 || 1 - t.s[j] * xPow[i] == 0))) {
                    store(i, stepWith<ArrayMath>(t.pool(j), x[i], xPow[i]));
                }
            }
        }
    }

    // The day's steps of Cohorts 0..count-1, all by the day's full length, the carbon each
    // loses, and with nitrogen the N each releases with the day's first D:A and microbial C:N
    // and its threshold bound.
    void day(const CohortTable& t, size_t count, double x, double xPow, const Microbes& microbes,
             double boundN, double boundC, bool nitrogen) {
        const vmath::DayLanes lanes{t.agePrevious.data(),
                                    t.s.data(),
                                    t.rate.data(),
                                    t.cPrevious.data(),
                                    t.k30.data(),
                                    t.cn.data(),
                                    x,
                                    xPow,
                                    microbes.da,
                                    microbes.cn,
                                    boundN,
                                    boundC,
                                    nitrogen,
                                    m_c.data(),
                                    m_age.data(),
                                    m_rate.data(),
                                    m_net.data(),
                                    m_bound.data(),
                                    m_dC.data(),
                                    m_heldN.data()};
        if (vmath::kernels().daySteps(lanes, vmath::paddedSize(count)) == 0) {
            return;
        }
        for (size_t i = 0; i < count; ++i) {
            const double a = t.agePrevious[i];
            if (a + x >= kConstantRatePeriod && (a <= 0 || 1 - t.s[i] * xPow == 0)) {
                const StepResult st = stepWith<ArrayMath>(t.pool(i), x, xPow);
                store(i, st);
                m_dC[i] = t.cPrevious[i] - st.c;
                if (nitrogen) {
                    m_net[i] =
                        netNitrogenRelease(m_dC[i], m_dC[i] / microbes.da, t.cn[i], microbes.cn);
                    m_heldN[i] = t.cPrevious[i] / t.cn[i];
                    m_bound[i] =
                        std::fabs(m_heldN[i]) * boundN + std::fabs(t.cPrevious[i]) * boundC;
                }
            }
        }
    }

    // The N lanes first..first+count-1 release with other microbes than the day's first.
    void recomputeNet(const CohortTable& t, size_t first, size_t count, const Microbes& microbes) {
        vmath::kernels().netRelease(m_dC.data() + first, t.cn.data() + first, microbes.da,
                                    microbes.cn, m_net.data() + first, count);
    }

    // Lane i's step replaced by the one the N limitation accepted.
    void accept(size_t i, const StepResult& st, double dC, double net) {
        store(i, st);
        m_dC[i] = dC;
        m_net[i] = net;
    }

    // Cohorts 0..count-1 take their accepted steps as their state.
    void close(CohortTable& t, size_t count, bool nitrogen) const {
        const vmath::CloseLanes lanes{t.c.data(),           t.age.data(),       t.rate.data(),
                                      t.agePrevious.data(), t.cPrevious.data(), t.cn.data(),
                                      m_c.data(),           m_age.data(),       m_rate.data(),
                                      m_heldN.data(),       m_net.data(),       nitrogen};
        vmath::kernels().closeDay(lanes, count);
    }

    const double* net() const { return m_net.data(); }
    const double* bound() const { return m_bound.data(); }
    const double* dC() const { return m_dC.data(); }
    StepResult result(size_t i) const { return StepResult{m_c[i], m_age[i], m_rate[i]}; }

private:
    void store(size_t i, const StepResult& st) {
        m_c[i] = st.c;
        m_age[i] = st.age;
        m_rate[i] = st.rate;
    }

    std::vector<double> m_c;
    std::vector<double> m_age;
    std::vector<double> m_rate;
    std::vector<double> m_net;
    std::vector<double> m_bound;
    std::vector<double> m_dC;
    std::vector<double> m_heldN;
};

// SOM's day: it does not decompose on the start date and is never limited by mineral N.
void somDayStep(RunState& run, DateSerial date, double factor, double factorPow,
                const Microbes& microbes) {
    Pool& som = run.som;
    SoilTotals& soil = run.soil;
    double dC = 0;
    double assimilated = 0;
    if (date > run.startDate) {
        const StepResult st = decompositionStep(som, factor, factorPow);
        som.c = st.c;
        som.age = st.age;
        som.rate = st.rate;
        dC = som.cPrevious - som.c;
        assimilated = dC / microbes.da;
    }
    som.agePrevious = som.age;
    som.cPrevious = som.c;
    soil.somC = som.c;
    if (!run.carbonOnly) {
        const double net = netNitrogenRelease(dC, assimilated, som.cn, microbes.cn);
        soil.cumulativeNetN += net;
        soil.somN -= net;
        soil.mineralN += net;
        soil.organicN -= net;
        soil.totalN = soil.mineralN + soil.organicN;
        som.cn = som.c / soil.somN;
    }
}

// A Cohort's accepted step with the carbon it lost, the carbon microbes assimilated and the N
// released.
struct CohortDay {
    StepResult step;
    double dC = 0;
    double assimilated = 0;
    double net = 0;
};

// The steps the N limitation moves the day's working D:A, microbial C:N and slowdown by, and
// the bounds of the first two.
struct Adjustments {
    double daStep = 0;
    double microbialStep = 0;
    double slowdownStep = 0;
    double daMax = 0;
    double microbialMin = 0; // the minimum parameter, where the last adjustment lands
    double microbialLow = 0;
    double microbialHigh = 0;
    double boundN = 0; // what the N of a pool and its C weigh in the threshold's bound
    double boundC = 0;
};

// Whether mineral N + net lies so close to 0 that the last bits of the exp/log calls could
// decide the test; such steps are taken again with the C library's functions. The bound holds
// for every D:A and microbial C:N the day can reach.
double thresholdBound(double cPrevious, double cn, const Adjustments& adj) {
    return std::fabs(cPrevious / cn) * adj.boundN + std::fabs(cPrevious) * adj.boundC;
}
bool nearThreshold(double mineralN, double net, double bound) {
    return std::fabs(mineralN + net) <= 1e-12 * (std::fabs(mineralN) + bound);
}

// The N limitation of one Cohort's step: while mineral N cannot cover the step's uptake, the
// working D:A rises, the working microbial C:N falls and the Cohort slows, 1 % of each range at
// a time, every repetition starting again from the Cohort's state at the end of the previous day.
// The repetitions are taken kAheadLanes at a time, ahead of the tests that ask for them: a
// Cohort that needs one usually needs dozens, up to the end of the ranges, and never more than
// the adjustments the day has left. The slowdown of the n-th repetition is the same for every
// Cohort of a day, so its x and x^0.179 are computed once a day, as far as a Cohort reaches.
constexpr size_t kAheadLanes = 4 * vmath::kBlock;
constexpr size_t kRepetitionLanes = vmath::paddedSize(kMaxAdjustments) + kAheadLanes;

class NitrogenLimitation {
public:
    explicit NitrogenLimitation(const ParameterSet& p)
        : m_lanes(kAheadLanes), m_slowdown(kRepetitionLanes) {
        m_adj.daStep = kAdjustmentStep * (p[kDAMax] - p[kDAMin]);
        m_adj.microbialStep = kAdjustmentStep * (p[kMicrobialCNMax] - p[kMicrobialCNMin]);
        m_adj.slowdownStep = kAdjustmentStep * (1 - p[kDAMin] / p[kDAMax]);
        m_adj.daMax = p[kDAMax];
        m_adj.microbialMin = p[kMicrobialCNMin];
        m_adj.microbialLow = std::min(p[kMicrobialCNMin], p[kMicrobialCNMax]);
        m_adj.microbialHigh = std::max(p[kMicrobialCNMin], p[kMicrobialCNMax]);
        m_adj.boundN = 1 + 1 / p[kDAMin];
        m_adj.boundC = 1 / (p[kDAMin] * p[kMicrobialCNMin]);
        // The n-th repetition's slowdown, the sum of n steps, added one step at a time.
        double u = 0;
        for (double& slowdown : m_slowdown) {
            u += m_adj.slowdownStep;
            slowdown = u;
        }
    }

    const Adjustments& adjustments() const { return m_adj; }

    // A new day with its temperature-weighted days; returns their power 0.179. The days of a run
    // take few different values (cold days all share the minimum), so the repetitions' x and
    // x^0.179 are kept for each value as far as a Cohort has needed them, for the later days
    // with the same value.
    double startDay(double factor) {
        uint64_t key = 0;
        std::memcpy(&key, &factor, sizeof key);
        if (m_day != nullptr && key == m_dayKey) {
            return m_day->factorPow;
        }
        m_dayKey = key;
        const auto known = m_byFactor.find(key);
        if (known != m_byFactor.end()) {
            m_day = &known->second;
            return m_day->factorPow;
        }
        // Beyond a bound on the memory they take, further values share one entry, remade on
        // each change of the value.
        m_day = m_byFactor.size() < kKeptFactors ? &m_byFactor[key] : &m_unkept;
        m_day->factor = factor;
        m_day->factorPow = std::pow(factor, kAgeingPower);
        m_day->known = 0;
        if (m_day->x.empty()) {
            m_day->x.resize(kRepetitionLanes);
            m_day->xPow.resize(kRepetitionLanes);
        }
        return m_day->factorPow;
    }

    // Whether the day's microbes stand at the end of their ranges: a step that does not fit then
    // pauses at once.
    bool exhausted(const Microbes& microbes) const {
        return microbes.adjustments >= kMaxAdjustments || microbes.da >= m_adj.daMax;
    }

    // Cohort j's day from its first step, taken with the day's full length.
    CohortDay limit(RunState& run, size_t j, StepResult first, double factor, double factorPow,
                    Microbes& microbes) {
        const Pool cohort = run.cohorts.pool(j);
        const double mineralN = run.soil.mineralN;
        const double bound = thresholdBound(cohort.cPrevious, cohort.cn, m_adj);
        CohortDay day;
        const auto take = [&](const StepResult& st) {
            ++run.cohortSteps;
            day.step = st;
            day.dC = cohort.cPrevious - st.c;
            day.assimilated = day.dC / microbes.da;
            day.net = netNitrogenRelease(day.dC, day.assimilated, cohort.cn, microbes.cn);
        };
        const auto takeChecked = [&](const StepResult& st, double x, bool firstStep) {
            take(st);
            if (nearThreshold(mineralN, day.net, bound)) {
                --run.cohortSteps;
                take(decompositionStep(cohort, x,
                                       firstStep ? factorPow : std::pow(x, kAgeingPower)));
            }
        };
        takeChecked(first, factor, true);
        size_t repetition = 0; // the next repetition's index, counted from 0
        size_t next = kAheadLanes;
        while (!(mineralN + day.net >= 0)) {
            if (microbes.adjustments >= kMaxAdjustments || microbes.da >= m_adj.daMax) {
                // The D:A ratio is at its maximum: the Cohort pauses for the day.
                take(decompositionStep(cohort, 0, 0));
                day.dC = 0;
                day.assimilated = 0;
                day.net = 0;
                break;
            }
            // Counted rather than compared, so that rounding can neither add a step beyond the
            // range nor, with a range too narrow to move the sum, loop for ever; the last step
            // lands on the ends of the ranges exactly.
            if (++microbes.adjustments == kMaxAdjustments) {
                microbes.da = m_adj.daMax;
                microbes.cn = m_adj.microbialMin;
            } else {
                microbes.da = std::min(microbes.da + m_adj.daStep, m_adj.daMax);
                microbes.cn = std::clamp(microbes.cn - m_adj.microbialStep, m_adj.microbialLow,
                                         m_adj.microbialHigh);
            }
            if (next == kAheadLanes) {
                // This repetition and at most the adjustments left after it.
                const auto left = static_cast<size_t>(kMaxAdjustments - microbes.adjustments) + 1;
                stepAhead(run.cohorts, j, repetition, std::min(kAheadLanes, left));
                next = 0;
            }
            takeChecked(m_lanes.result(next), m_day->x[repetition], false);
            ++next;
            ++repetition;
        }
        return day;
    }

private:
    // Repetitions first..first+count-1 of Cohort j (first is a whole number of blocks).
    void stepAhead(const CohortTable& t, size_t j, size_t first, size_t count) {
        Repetitions& r = *m_day;
        const size_t end = std::min(first + vmath::paddedSize(count), kRepetitionLanes);
        if (end > r.known) {
            for (size_t i = r.known; i < end; ++i) {
                r.x[i] = (1 - m_slowdown[i]) * r.factor;
            }
            vmath::kernels().pow(r.x.data() + r.known, kAgeingPower, r.xPow.data() + r.known,
                                 end - r.known);
            r.known = end;
        }
        m_lanes.repeat(t, j, r.x.data() + first, r.xPow.data() + first, end - first);
    }

    // The repetitions of the days with one value of the temperature-weighted days.
    struct Repetitions {
        double factor = 0;
        double factorPow = 0;
        std::vector<double> x; // the repetitions' x and x^0.179
        std::vector<double> xPow;
        size_t known = 0; // repetitions whose x is known
    };
    static constexpr size_t kKeptFactors = 1024;

    Adjustments m_adj;
    StepLanes m_lanes;
    std::vector<double> m_slowdown;                       // the n-th repetition's slowdown
    std::unordered_map<uint64_t, Repetitions> m_byFactor; // by the bits of the value
    Repetitions m_unkept;
    Repetitions* m_day = nullptr;
    uint64_t m_dayKey = 0;
};

// Cohorts whose step's N is taken again with other microbes are recomputed this many at a time,
// as far ahead as the next change of the microbes is likely to leave them valid.
constexpr size_t kRecomputedLanes = 64;

// The day's accounting of Cohorts 0..count-1, in event order: each step's N against the mineral N
// the Cohorts before it left, and the N limitation for a step that does not fit or lies so close
// to the threshold that the last bits could decide.
void settleDay(RunState& run, StepLanes& steps, NitrogenLimitation& limitation, size_t count,
               double factor, double factorPow, Microbes& microbes) {
    SoilTotals& soil = run.soil;
    const double* dC = steps.dC();
    double residueC = soil.residueC;
    if (run.carbonOnly) {
        for (size_t j = 0; j < count; ++j) {
            residueC -= dC[j];
        }
        soil.residueC = residueC;
        return;
    }
    const double* net = steps.net();
    const double* bound = steps.bound();
    double cumulativeNetN = soil.cumulativeNetN;
    double mineralN = soil.mineralN;
    double organicN = soil.organicN;
    Microbes used = microbes; // the microbes of net[j] for j < valid
    size_t valid = count;
    size_t j = 0;
    while (j < count) {
        if (j == valid) {
            const size_t n = std::min(kRecomputedLanes, count - j);
            steps.recomputeNet(run.cohorts, j, n, microbes);
            valid = j + n;
        }
        for (; j < valid; ++j) {
            const double after = mineralN + net[j];
            if (!(after >= 0) || nearThreshold(mineralN, net[j], bound[j])) {
                break;
            }
            residueC -= dC[j];
            cumulativeNetN += net[j];
            mineralN = after;
            organicN -= net[j];
        }
        if (j == valid) {
            continue;
        }
        if (limitation.exhausted(microbes) && !(mineralN + net[j] >= 0) &&
            !nearThreshold(mineralN, net[j], bound[j])) {
            // What the N limitation would do with this step: the step taken and then the pause,
            // the Cohort left as it was, two steps where one was counted.
            ++run.cohortSteps;
            const CohortTable& t = run.cohorts;
            steps.accept(j, StepResult{t.cPrevious[j], t.agePrevious[j], t.rate[j]}, 0, 0);
            residueC -= 0.0;
            cumulativeNetN += 0.0;
            mineralN += 0.0;
            organicN -= 0.0;
            ++j;
            continue;
        }
        soil.mineralN = mineralN;
        --run.cohortSteps;
        const CohortDay day =
            limitation.limit(run, j, steps.result(j), factor, factorPow, microbes);
        steps.accept(j, day.step, day.dC, day.net);
        residueC -= day.dC;
        cumulativeNetN += day.net;
        mineralN += day.net;
        organicN -= day.net;
        ++j;
        if (microbes.da != used.da || microbes.cn != used.cn) {
            used = microbes;
            valid = j;
        }
    }
    soil.residueC = residueC;
    soil.cumulativeNetN = cumulativeNetN;
    soil.mineralN = mineralN;
    soil.organicN = organicN;
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

    CohortTable& cohorts = run.cohorts;
    const size_t eventCount = run.events.size();
    StepLanes steps(eventCount);
    NitrogenLimitation limitation(p);
    const Adjustments& adj = limitation.adjustments();
    size_t decomposing = 0; // Cohorts whose event date lies before the day

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
        const double factorPow = limitation.startDay(factor);
        Microbes microbes{p[kDAMin], p[kMicrobialCNMax], 0};

        somDayStep(run, date, factor, factorPow, microbes);

        // The Cohort step of every Cohort created on an earlier day, then the N limitation and
        // the day's accounting Cohort by Cohort in event order.
        while (decomposing < eventCount && run.events[decomposing].date < date) {
            ++decomposing;
        }
        steps.day(cohorts, decomposing, factor, factorPow, microbes, adj.boundN, adj.boundC, withN);
        run.cohortSteps += decomposing;
        settleDay(run, steps, limitation, decomposing, factor, factorPow, microbes);

        // The Cohorts of the day's events are created and do not decompose.
        size_t stepped = decomposing;
        for (; stepped < eventCount && run.events[stepped].date == date; ++stepped) {
            cohorts.c[stepped] = cohorts.cPrevious[stepped] = run.events[stepped].cAmount;
            soil.residueC += cohorts.c[stepped];
            soil.residueC -= 0.0;
            if (withN) {
                cohorts.cn[stepped] = run.events[stepped].cn;
                soil.organicN += cohorts.c[stepped] / cohorts.cn[stepped];
                // The N it releases on its own day, 0, added like any other (a sum of -0 turns
                // into +0 here too).
                soil.cumulativeNetN += 0.0;
                soil.mineralN += 0.0;
                soil.organicN -= 0.0;
            }
        }

        // What the accounting leaves to each Cohort on its own.
        steps.close(cohorts, decomposing, withN);
        for (size_t j = decomposing; j < stepped; ++j) {
            cohorts.agePrevious[j] = cohorts.age[j];
            if (withN) {
                cohorts.cn[j] = cohorts.c[j] / (cohorts.cPrevious[j] / cohorts.cn[j]);
            }
            cohorts.cPrevious[j] = cohorts.c[j];
        }
        if (withN && stepped > 0) {
            soil.totalN = soil.organicN + soil.mineralN;
            soil.residueCN = soil.residueC / (soil.organicN - som.c / som.cn);
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
