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
        std::vector<double> dC(agePrevious.size());
        std::vector<double> heldN(agePrevious.size());
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
                                    bound.data(),
                                    dC.data(),
                                    heldN.data()};
        // Every pool here is past its first step and no exponent is 1: nothing to redo.
        EXPECT_EQ(vmath::kernels().daySteps(lanes, agePrevious.size()), 0u);
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
            EXPECT_EQ(bits(dC[i]), bits(cPrevious[i] - c[i]));
            EXPECT_EQ(bits(heldN[i]), bits(cPrevious[i] / 40));
            EXPECT_EQ(bits(net[i]), bits(netNitrogenRelease(dC[i], dC[i] / 1.5, 40, 10)));
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

// The lanes the caller must redo one at a time are reported, whichever lane of a vector holds
// them: a first step past an age of 30 and an exponent of exactly 1.
TEST(VectorMath, DayStepsReportTheLanesLeftToTheCaller) {
    const TargetGuard guard;
    const size_t n = 3 * vmath::kBlock;
    for (const vmath::Target target : vmath::availableTargets()) {
        vmath::useTarget(target);
        for (size_t odd = 0; odd <= n; ++odd) {
            for (const bool firstStep : {true, false}) {
                std::vector<double> agePrevious(n, 500);
                std::vector<double> s(n, 0.5);
                std::vector<double> rate(n, 0.01);
                std::vector<double> cPrevious(n, 100);
                std::vector<double> k30(n, 0.05);
                std::vector<double> cn(n, 40);
                std::vector<double> out(5 * n);
                const double x = 31;
                if (odd < n) {
                    (firstStep ? agePrevious[odd] : s[odd]) =
                        firstStep ? 0 : 1 / std::pow(x, 0.179);
                }
                const double xPow = std::pow(x, 0.179);
                const bool exponentOne = !firstStep && odd < n && 1 - s[odd] * xPow == 0;
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
                                            out.data(),
                                            out.data() + n,
                                            out.data() + 2 * n,
                                            out.data() + 3 * n,
                                            out.data() + 4 * n,
                                            out.data() + 4 * n,
                                            out.data() + 4 * n};
                const bool expected = odd < n && (firstStep || exponentOne);
                EXPECT_EQ(vmath::kernels().daySteps(lanes, n) != 0, expected)
                    << vmath::targetName(target) << " lane " << odd << " first " << firstStep;
            }
        }
    }
}

// The repetitions of one pool with a different x in every lane: the same bits on every target,
// the decomposition step's values, and x = 0 or a first step past 30 left to the caller.
TEST(VectorMath, RepeatStepsAgreeWithTheDecompositionStepOnEveryTarget) {
    const TargetGuard guard;
    const size_t n = 4 * vmath::kBlock;
    std::vector<double> x(n);
    std::vector<double> xPow(n);
    for (size_t i = 0; i < n; ++i) {
        x[i] = (1 - 0.0097 * static_cast<double>(i)) * 2.3;
        xPow[i] = vmath::pow(x[i], 0.179);
    }
    for (const double agePrevious : {12.0, 29.0, 4000.0}) {
        Pool p;
        p.s = 0.47;
        p.k30 = 0.4 * std::pow(30.0, -p.s);
        p.agePrevious = agePrevious;
        p.rate = agePrevious < 30 ? (1 - p.s) * p.k30 : 0.004;
        p.cPrevious = 812.5;
        std::vector<double> first;
        for (const vmath::Target target : vmath::availableTargets()) {
            vmath::useTarget(target);
            std::vector<double> c(n);
            std::vector<double> age(n);
            std::vector<double> rate(n);
            const vmath::RepeatLanes lanes{p.agePrevious, p.s,        p.rate,      p.cPrevious,
                                           p.k30,         x.data(),   xPow.data(), c.data(),
                                           age.data(),    rate.data()};
            EXPECT_EQ(vmath::kernels().repeatSteps(lanes, n), 0u);
            for (size_t i = 0; i < n; ++i) {
                SCOPED_TRACE(::testing::Message() << vmath::targetName(target) << " lane " << i);
                const StepResult st = decompositionStep(p, x[i], xPow[i]);
                EXPECT_NEAR(c[i], st.c, 1e-13 * p.cPrevious);
                EXPECT_NEAR(rate[i], st.rate, 1e-14 * st.rate);
                EXPECT_EQ(age[i], st.age);
            }
            std::vector<double> all = c;
            all.insert(all.end(), rate.begin(), rate.end());
            if (first.empty()) {
                first = all;
            }
            for (size_t i = 0; i < all.size(); ++i) {
                ASSERT_EQ(bits(all[i]), bits(first[i])) << vmath::targetName(target) << i;
            }
            // A lane with x = 0 anywhere in the vectors is the caller's.
            std::vector<double> withZero = x;
            withZero[n - 3] = 0;
            const vmath::RepeatLanes zero{
                p.agePrevious,   p.s,         p.rate,   p.cPrevious, p.k30,
                withZero.data(), xPow.data(), c.data(), age.data(),  rate.data()};
            EXPECT_NE(vmath::kernels().repeatSteps(zero, n), 0u) << vmath::targetName(target);
        }
    }
    Pool fresh;
    fresh.s = 0.47;
    fresh.k30 = 0.01;
    const std::vector<double> far(vmath::kBlock, 35.0);
    std::vector<double> out(4 * vmath::kBlock);
    for (const vmath::Target target : vmath::availableTargets()) {
        vmath::useTarget(target);
        const vmath::RepeatLanes lanes{0,
                                       fresh.s,
                                       0,
                                       100,
                                       fresh.k30,
                                       far.data(),
                                       out.data(),
                                       out.data() + vmath::kBlock,
                                       out.data() + 2 * vmath::kBlock,
                                       out.data() + 3 * vmath::kBlock};
        EXPECT_NE(vmath::kernels().repeatSteps(lanes, vmath::kBlock), 0u)
            << vmath::targetName(target);
    }
}

// Counts that are not whole vectors: the last lanes get the same bits as the first, and nothing
// past the count is written (the arrays of Cohorts not yet created lie there).
TEST(VectorMath, NetReleaseAndCloseDayStopAtTheCountOnEveryTarget) {
    const TargetGuard guard;
    const size_t size = 3 * vmath::kBlock;
    std::mt19937_64 rng(3);
    std::uniform_real_distribution<double> unit(0.05, 0.95);
    std::vector<double> dC(size);
    std::vector<double> cn(size);
    std::vector<double> newC(size);
    std::vector<double> newAge(size);
    std::vector<double> newRate(size);
    std::vector<double> cPrevious(size);
    for (size_t i = 0; i < size; ++i) {
        dC[i] = 3 * unit(rng);
        cn[i] = 20 + 100 * unit(rng);
        cPrevious[i] = 1000 * unit(rng);
        newC[i] = cPrevious[i] - dC[i];
        newAge[i] = 100 * unit(rng);
        newRate[i] = unit(rng) / 100;
    }
    const double sentinel = -7.25;
    for (const vmath::Target target : vmath::availableTargets()) {
        vmath::useTarget(target);
        for (size_t count = 0; count <= size; ++count) {
            SCOPED_TRACE(::testing::Message() << vmath::targetName(target) << " count " << count);
            std::vector<double> net(size, sentinel);
            vmath::kernels().netRelease(dC.data(), cn.data(), 1.7, 9.5, net.data(), count);
            for (size_t i = 0; i < size; ++i) {
                const double expected =
                    i < count ? netNitrogenRelease(dC[i], dC[i] / 1.7, cn[i], 9.5) : sentinel;
                ASSERT_EQ(bits(net[i]), bits(expected)) << i;
            }
            for (const bool nitrogen : {true, false}) {
                std::vector<double> c(size, sentinel);
                std::vector<double> age(size, sentinel);
                std::vector<double> rate(size, sentinel);
                std::vector<double> agePrevious(size, sentinel);
                std::vector<double> previous = cPrevious;
                std::vector<double> ratio = cn;
                std::vector<double> held(size);
                for (size_t i = 0; i < size; ++i) {
                    held[i] = cPrevious[i] / cn[i];
                }
                const vmath::CloseLanes lanes{c.data(),           age.data(),      rate.data(),
                                              agePrevious.data(), previous.data(), ratio.data(),
                                              newC.data(),        newAge.data(),   newRate.data(),
                                              held.data(),        net.data(),      nitrogen};
                vmath::kernels().closeDay(lanes, count);
                for (size_t i = 0; i < size; ++i) {
                    const bool in = i < count;
                    ASSERT_EQ(bits(c[i]), bits(in ? newC[i] : sentinel)) << i;
                    ASSERT_EQ(bits(age[i]), bits(in ? newAge[i] : sentinel)) << i;
                    ASSERT_EQ(bits(rate[i]), bits(in ? newRate[i] : sentinel)) << i;
                    ASSERT_EQ(bits(agePrevious[i]), bits(in ? newAge[i] : sentinel)) << i;
                    ASSERT_EQ(bits(previous[i]), bits(in ? newC[i] : cPrevious[i])) << i;
                    const double expectedCN =
                        in && nitrogen ? newC[i] / (cPrevious[i] / cn[i] - net[i]) : cn[i];
                    ASSERT_EQ(bits(ratio[i]), bits(expectedCN)) << i;
                }
            }
        }
    }
}

} // namespace
} // namespace orvek
