// The vector functions of every target against the portable ones, bit for bit, and the day's
// fused Cohort steps against the scalar decomposition step.

#include "model/VectorMath.h"
#include "model/Dynamics.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace orvek {
namespace {

std::uint64_t bits(double v) {
    return std::bit_cast<std::uint64_t>(v);
}

struct TargetGuard {
    vmath::Target saved = vmath::currentTarget();
    ~TargetGuard() { vmath::useTarget(saved); }
};

// Arguments the daily loop passes and the awkward ones around them.
std::vector<double> arguments() {
    std::vector<double> v = {0.0,
                             -0.0,
                             1e-300,
                             -1e-300,
                             1e-17,
                             -1e-17,
                             1e-9,
                             0.5,
                             -0.5,
                             1.0,
                             -0.999,
                             2.5,
                             30.0,
                             -30.0,
                             700.0,
                             -745.0,
                             1e308,
                             std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity()};
    std::mt19937_64 rng(11);
    std::uniform_real_distribution<double> small(-1e-3, 1e-3);
    std::uniform_real_distribution<double> wide(-40, 40);
    for (int i = 0; i < 2000; ++i) {
        v.push_back(small(rng));
        v.push_back(wide(rng));
    }
    v.resize(vmath::paddedSize(v.size()), 0.25);
    return v;
}

TEST(VectorMath, EveryTargetGivesThePortableBits) {
    const TargetGuard guard;
    const std::vector<double> in = arguments();
    std::vector<double> positive(in.size());
    for (size_t i = 0; i < in.size(); ++i) {
        positive[i] = std::fabs(in[i]);
    }
    for (const vmath::Target target : vmath::availableTargets()) {
        vmath::useTarget(target);
        const vmath::Kernels& k = vmath::kernels();
        std::vector<double> e(in.size());
        std::vector<double> m(in.size());
        std::vector<double> l(in.size());
        std::vector<double> p(in.size());
        k.exp(in.data(), e.data(), in.size());
        k.expm1(in.data(), m.data(), in.size());
        k.log1p(positive.data(), l.data(), in.size());
        k.pow(positive.data(), 0.179, p.data(), in.size());
        for (size_t i = 0; i < in.size(); ++i) {
            SCOPED_TRACE(::testing::Message() << vmath::targetName(target) << " x=" << in[i]);
            EXPECT_EQ(bits(e[i]), bits(vmath::exp(in[i])));
            EXPECT_EQ(bits(m[i]), bits(vmath::expm1(in[i])));
            EXPECT_EQ(bits(l[i]), bits(vmath::log1p(positive[i])));
            EXPECT_EQ(bits(p[i]), bits(vmath::pow(positive[i], 0.179)));
        }
    }
}

// Within a unit in the last place or two of the C library.
TEST(VectorMath, FunctionsAreAccurate) {
    for (const double x : arguments()) {
        if (std::fabs(x) < 700) {
            EXPECT_NEAR(vmath::exp(x), std::exp(x), 5e-16 * std::exp(x)) << x;
            EXPECT_NEAR(vmath::expm1(x), std::expm1(x), 5e-16 * std::fabs(std::expm1(x))) << x;
            EXPECT_NEAR(vmath::log1p(std::fabs(x)), std::log1p(std::fabs(x)),
                        5e-16 * std::log1p(std::fabs(x)))
                << x;
        }
    }
}

// Pools at every stage: inside the first 30 days, crossing 30, old, and exponents near 1.
TEST(VectorMath, DayStepsAgreeWithTheDecompositionStepOnEveryTarget) {
    const TargetGuard guard;
    std::mt19937_64 rng(5);
    std::uniform_real_distribution<double> age(1, 20000);
    std::uniform_real_distribution<double> unit(0.05, 0.95);
    const size_t n = 203;
    std::vector<double> agePrevious(vmath::paddedSize(n));
    std::vector<double> s(agePrevious.size());
    std::vector<double> rate(agePrevious.size());
    std::vector<double> cPrevious(agePrevious.size());
    std::vector<double> k30(agePrevious.size());
    std::vector<double> cn(agePrevious.size(), 40);
    for (size_t i = 0; i < n; ++i) {
        agePrevious[i] = i % 7 == 0 ? 29.5 * unit(rng) : age(rng);
        s[i] = unit(rng);
        k30[i] = 0.4 * std::pow(30.0, -s[i]);
        rate[i] = agePrevious[i] < 30 ? (1 - s[i]) * k30[i] : 0.05 * unit(rng);
        cPrevious[i] = 1000 * unit(rng);
    }
    const double x = 1.7;
    const double xPow = std::pow(x, 0.179);
    std::vector<std::vector<double>> first;
    for (const vmath::Target target : vmath::availableTargets()) {
        vmath::useTarget(target);
        std::vector<double> c(agePrevious.size());
        std::vector<double> newAge(agePrevious.size());
        std::vector<double> newRate(agePrevious.size());
        std::vector<double> net(agePrevious.size());
        std::vector<double> bound(agePrevious.size());
        const vmath::DayLanes lanes{agePrevious.data(),
                                    s.data(),
                                    rate.data(),
                                    cPrevious.data(),
                                    k30.data(),
                                    cn.data(),
                                    x,
                                    xPow,
                                    1.5,
                                    10,
                                    2,
                                    1,
                                    true,
                                    c.data(),
                                    newAge.data(),
                                    newRate.data(),
                                    net.data(),
                                    bound.data()};
        vmath::kernels().daySteps(lanes, agePrevious.size());
        for (size_t i = 0; i < n; ++i) {
            Pool p;
            p.s = s[i];
            p.k30 = k30[i];
            p.cPrevious = cPrevious[i];
            p.agePrevious = agePrevious[i];
            p.rate = rate[i];
            const StepResult st = decompositionStep(p, x, xPow);
            EXPECT_NEAR(c[i], st.c, 1e-13 * cPrevious[i]) << vmath::targetName(target) << i;
            EXPECT_NEAR(newRate[i], st.rate, 1e-14 * st.rate) << vmath::targetName(target) << i;
            EXPECT_EQ(newAge[i], st.age);
            const double dC = cPrevious[i] - c[i];
            EXPECT_EQ(bits(net[i]), bits(netNitrogenRelease(dC, dC / 1.5, 40, 10)));
        }
        std::vector<double> all = c;
        all.insert(all.end(), newRate.begin(), newRate.end());
        all.insert(all.end(), net.begin(), net.end());
        if (first.empty()) {
            first.push_back(all);
        } else {
            for (size_t i = 0; i < all.size(); ++i) {
                ASSERT_EQ(bits(all[i]), bits(first[0][i])) << vmath::targetName(target) << i;
            }
        }
    }
}

} // namespace
} // namespace orvek
