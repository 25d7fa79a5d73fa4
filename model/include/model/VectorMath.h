#pragma once

// exp, expm1, log1p and pow over arrays of doubles, for the daily loop's Cohorts. Every target
// gives the same bits for the same input (the library's deterministic, FMA-free variants), so a
// run's results do not depend on the processor it runs on. Arrays hold a multiple of kBlock values.

#include <cstddef>
#include <vector>

namespace orvek::vmath {

constexpr size_t kBlock = 8;

enum class Target { Portable, Sse2, Sse4, Avx, Avx512 };

// A day's decomposition steps of many pools by the same x temperature-weighted days (xPow =
// x^0.179): the constant rate k30 while a pool's age stays below 30, the power law from there
// on, from the pool's state at the end of the previous day, and the carbon each step loses.
// Lanes that pass an age of 30 from a previous age of 0, or whose exponent S x^0.179 is exactly
// 1, are left for the caller to redo. With nitrogen, also the N each step releases with the
// microbes' D:A and C:N and a bound on the rounding of that N.
struct DayLanes {
    const double* agePrevious;
    const double* s;
    const double* rate;
    const double* cPrevious;
    const double* k30;
    const double* cn;
    double x;
    double xPow;
    double da;
    double microbialCN;
    double boundN;
    double boundC;
    bool nitrogen;
    double* c;
    double* age;
    double* newRate;
    double* net;
    double* bound;
    double* dC;
    double* heldN; // with nitrogen: each pool's N at the start of the day, cPrevious / cn
};

// Steps of one pool by a different x in every lane, with xPow = x^0.179 given (the same x and
// xPow serve every pool of a day). Lanes with x = 0 and those DayLanes leaves to the caller are
// left to the caller as well.
struct RepeatLanes {
    double agePrevious;
    double s;
    double rate;
    double cPrevious;
    double k30;
    const double* x;
    const double* xPow;
    double* c;
    double* age;
    double* newRate;
};

// The end of a day for Cohorts that decomposed: their new C, age and rate become the current and
// the previous state, and with nitrogen the C:N follows from the N each held (DayLanes' heldN)
// less the N it released.
struct CloseLanes {
    double* c;
    double* age;
    double* rate;
    double* agePrevious;
    double* cPrevious;
    double* cn;
    const double* newC;
    const double* newAge;
    const double* newRate;
    const double* heldN;
    const double* net;
    bool nitrogen;
};

struct Kernels {
    void (*exp)(const double* in, double* out, size_t n);
    void (*expm1)(const double* in, double* out, size_t n);
    void (*log1p)(const double* in, double* out, size_t n);
    void (*pow)(const double* in, double y, double* out, size_t n); // in^y
    // The day steps and repetitions return whether a lane is left for the caller to redo.
    size_t (*daySteps)(const DayLanes& lanes, size_t n);
    size_t (*repeatSteps)(const RepeatLanes& lanes, size_t n);
    // The N released by dC with the microbes' D:A and C:N; any n, nothing beyond it written.
    void (*netRelease)(const double* dC, const double* cn, double da, double microbialCN,
                       double* net, size_t n);
    // Any n, nothing beyond it written.
    void (*closeDay)(const CloseLanes& lanes, size_t n);
};

// The same functions for one value, with the same bits as every target's array forms.
double exp(double x);
double expm1(double x);
double log1p(double x);
double pow(double x, double y);

// The targets built into this program that the processor can execute, slowest first.
std::vector<Target> availableTargets();
const char* targetName(Target t);

// The target the daily loop uses: the fastest available unless changed with useTarget.
Target currentTarget();
void useTarget(Target t);
const Kernels& kernels();

// Rounds a count up to a whole number of blocks.
constexpr size_t paddedSize(size_t n) {
    return (n + kBlock - 1) / kBlock * kBlock;
}

} // namespace orvek::vmath
