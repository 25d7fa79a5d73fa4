#include "model/VectorMath.h"

#include <atomic>
#include <cmath>

#if ORVEK_VECTOR_MATH
#include <sleef.h>
#if ORVEK_VECTOR_MATH_X86
#include "vmath/Targets.h"
#endif
#endif

namespace orvek::vmath {

namespace {

#if ORVEK_VECTOR_MATH
// The library's portable C forms, which its vector forms match bit for bit.
double portableExp(double x) {
    return Sleef_cinz_expd1_u10purec(x);
}
double portableExpm1(double x) {
    return Sleef_cinz_expm1d1_u10purec(x);
}
double portableLog1p(double x) {
    return Sleef_cinz_log1pd1_u10purec(x);
}
double portablePow(double x, double y) {
    return Sleef_cinz_powd1_u10purec(x, y);
}
#else
// Built for the scalar path: the C library's functions.
double portableExp(double x) {
    return std::exp(x);
}
double portableExpm1(double x) {
    return std::expm1(x);
}
double portableLog1p(double x) {
    return std::log1p(x);
}
double portablePow(double x, double y) {
    return std::pow(x, y);
}
#endif

template <double (*F)(double)> void portableLoop(const double* in, double* out, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        out[i] = F(in[i]);
    }
}

void portablePowLoop(const double* in, double y, double* out, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        out[i] = portablePow(in[i], y);
    }
}

// The vector targets' steps, one lane at a time with the same operations.
struct LaneStep {
    double c;
    double age;
    double rate;
};

LaneStep stepLane(double a, double s0, double k, double cPrevious, double k30, double x,
                  double xPow, bool& redo) {
    const double b = a + x;
    const double ratio = b >= 30.0 && a > 0 ? (b - a) / a : 0.0;
    const double logRatio = portableLog1p(ratio);
    const double s = s0 * xPow;
    const double rateFactor = portableExp(-s * logRatio);
    const double integral = portableExpm1((1 - s) * logRatio);
    const bool constant = b < 30.0;
    const double rate = constant ? (1 - s0) * k30 : k * rateFactor;
    const double decay = constant ? -k30 * x : -(k * a / (1 - s) * integral);
    redo = redo || (b >= 30.0 && (a <= 0 || 1 - s == 0));
    return LaneStep{portableExp(decay) * cPrevious, b, rate};
}

size_t portableDaySteps(const DayLanes& d, size_t n) {
    bool redo = false;
    for (size_t i = 0; i < n; ++i) {
        const LaneStep st = stepLane(d.agePrevious[i], d.s[i], d.rate[i], d.cPrevious[i], d.k30[i],
                                     d.x, d.xPow, redo);
        d.c[i] = st.c;
        d.age[i] = st.age;
        d.newRate[i] = st.rate;
        const double dC = d.cPrevious[i] - st.c;
        d.dC[i] = dC;
        if (d.nitrogen) {
            const double assimilated = dC / d.da;
            d.net[i] = (dC + assimilated) / d.cn[i] - assimilated / d.microbialCN;
            d.heldN[i] = d.cPrevious[i] / d.cn[i];
            d.bound[i] = std::fabs(d.heldN[i]) * d.boundN + std::fabs(d.cPrevious[i]) * d.boundC;
        }
    }
    return redo ? 1 : 0;
}

size_t portableRepeatSteps(const RepeatLanes& r, size_t n) {
    bool redo = false;
    for (size_t i = 0; i < n; ++i) {
        redo = redo || r.x[i] == 0;
        const LaneStep st =
            stepLane(r.agePrevious, r.s, r.rate, r.cPrevious, r.k30, r.x[i], r.xPow[i], redo);
        r.c[i] = st.c;
        r.age[i] = st.age;
        r.newRate[i] = st.rate;
    }
    return redo ? 1 : 0;
}

void portableNetRelease(const double* dC, const double* cn, double da, double microbialCN,
                        double* net, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        const double assimilated = dC[i] / da;
        net[i] = (dC[i] + assimilated) / cn[i] - assimilated / microbialCN;
    }
}

void portableCloseDay(const CloseLanes& d, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        d.c[i] = d.newC[i];
        d.age[i] = d.newAge[i];
        d.rate[i] = d.newRate[i];
        d.agePrevious[i] = d.newAge[i];
        if (d.nitrogen) {
            d.cn[i] = d.newC[i] / (d.heldN[i] - d.net[i]);
        }
        d.cPrevious[i] = d.newC[i];
    }
}

const Kernels kPortableKernels = {portableLoop<portableExp>,
                                  portableLoop<portableExpm1>,
                                  portableLoop<portableLog1p>,
                                  portablePowLoop,
                                  portableDaySteps,
                                  portableRepeatSteps,
                                  portableNetRelease,
                                  portableCloseDay};

bool supported(Target t) {
#if ORVEK_VECTOR_MATH_X86
    switch (t) {
    case Target::Portable:
        return true;
    case Target::Sse2:
        return __builtin_cpu_supports("sse2");
    case Target::Sse4:
        return __builtin_cpu_supports("sse4.1");
    case Target::Avx:
        return __builtin_cpu_supports("avx");
    case Target::Avx512:
        return __builtin_cpu_supports("avx512f");
    }
    return false;
#else
    return t == Target::Portable;
#endif
}

const Kernels& kernelsOf(Target t) {
#if ORVEK_VECTOR_MATH_X86
    switch (t) {
    case Target::Portable:
        break;
    case Target::Sse2:
        return detail::kSse2Kernels;
    case Target::Sse4:
        return detail::kSse4Kernels;
    case Target::Avx:
        return detail::kAvxKernels;
    case Target::Avx512:
        return detail::kAvx512Kernels;
    }
#else
    (void)t;
#endif
    return kPortableKernels;
}

Target fastestTarget() {
    const std::vector<Target> all = availableTargets();
    return all.back();
}

std::atomic<Target>& chosen() {
    static std::atomic<Target> target{fastestTarget()};
    return target;
}

} // namespace

double exp(double x) {
    return portableExp(x);
}
double expm1(double x) {
    return portableExpm1(x);
}
double log1p(double x) {
    return portableLog1p(x);
}
double pow(double x, double y) {
    return portablePow(x, y);
}

std::vector<Target> availableTargets() {
    std::vector<Target> out;
    for (Target t : {Target::Portable, Target::Sse2, Target::Sse4, Target::Avx, Target::Avx512}) {
        if (supported(t)) {
            out.push_back(t);
        }
    }
    return out;
}

const char* targetName(Target t) {
    switch (t) {
    case Target::Portable:
        return "portable";
    case Target::Sse2:
        return "SSE2";
    case Target::Sse4:
        return "SSE4.1";
    case Target::Avx:
        return "AVX";
    case Target::Avx512:
        return "AVX-512";
    }
    return "?";
}

Target currentTarget() {
    return chosen().load(std::memory_order_relaxed);
}

void useTarget(Target t) {
    if (supported(t)) {
        chosen().store(t, std::memory_order_relaxed);
    }
}

const Kernels& kernels() {
    return kernelsOf(currentTarget());
}

} // namespace orvek::vmath
