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

// The vector targets' day steps, one lane at a time with the same operations.
void portableDaySteps(const DayLanes& d, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        const double a = d.agePrevious[i];
        const double k = d.rate[i];
        const double b = a + d.x;
        const double ratio = b >= 30.0 && a > 0 ? (b - a) / a : 0.0;
        const double logRatio = portableLog1p(ratio);
        const double s = d.s[i] * d.xPow;
        const double rateFactor = portableExp(-s * logRatio);
        const double integral = portableExpm1((1 - s) * logRatio);
        const bool constant = b < 30.0;
        d.newRate[i] = constant ? (1 - d.s[i]) * d.k30[i] : k * rateFactor;
        const double decay = constant ? -d.k30[i] * d.x : -(k * a / (1 - s) * integral);
        d.c[i] = portableExp(decay) * d.cPrevious[i];
        d.age[i] = b;
        if (d.nitrogen) {
            const double dC = d.cPrevious[i] - d.c[i];
            const double assimilated = dC / d.da;
            d.net[i] = (dC + assimilated) / d.cn[i] - assimilated / d.microbialCN;
            d.bound[i] = std::fabs(d.cPrevious[i] / d.cn[i]) * d.boundN +
                         std::fabs(d.cPrevious[i]) * d.boundC;
        }
    }
}

const Kernels kPortableKernels = {portableLoop<portableExp>, portableLoop<portableExpm1>,
                                  portableLoop<portableLog1p>, portablePowLoop, portableDaySteps};

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
