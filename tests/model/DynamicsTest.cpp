#include "model/Dynamics.h"

#include <gtest/gtest.h>

#include <cmath>

namespace orvek {
namespace {

ParameterSet exampleParameters() {
    ParameterSet p{};
    p[kReferenceT] = 20;
    p[kQ10] = 2;
    p[kSoilMinusAirT] = 2;
    p[kTmaxCutoff] = 35;
    return p;
}

TEST(TemperatureFactor, WorkedExamples) {
    const ParameterSet p = exampleParameters();
    EXPECT_NEAR(temperatureFactor(30, 10, p, true), std::pow(2.0, 0.2), 1e-12);  // T = 22
    EXPECT_NEAR(temperatureFactor(40, 20, p, true), std::pow(2.0, 0.95), 1e-12); // capped, 29.5
    EXPECT_NEAR(temperatureFactor(12, 4, p, true), 0.5, 1e-12);                  // T = 10
    EXPECT_NEAR(temperatureFactor(30, 10, p, true), 1.1487, 1e-4);
    EXPECT_NEAR(temperatureFactor(40, 20, p, true), 1.9319, 1e-4);
}

TEST(TemperatureFactor, ReferenceFreezingAndSwitch) {
    const ParameterSet p = exampleParameters();
    EXPECT_DOUBLE_EQ(temperatureFactor(24, 12, p, true), 1.0); // exactly the reference
    EXPECT_DOUBLE_EQ(temperatureFactor(-10, -20, p, true), 0.0001);
    EXPECT_DOUBLE_EQ(temperatureFactor(-2, -2, p, true), 0.0001); // 0 after the difference
    EXPECT_NEAR(temperatureFactor(12, 4, p, false), 0.4, 1e-12);  // no soil difference
}

TEST(AgeingExponent, EqualsSTimesXPower) {
    EXPECT_NEAR(temperatureAdjustedS(0.4, 0.5, 0.5), 0.44166, 1e-5);
    EXPECT_DOUBLE_EQ(temperatureAdjustedS(0.4, 0.5, 1.0), 0.5); // a reference day keeps S
    for (double x : {0.0001, 0.3, 1.7, 12.0}) {
        EXPECT_NEAR(temperatureAdjustedS(0.078, 0.55, x), 0.55 * std::pow(x, 0.179), 1e-14);
    }
}

TEST(NetNitrogenRelease, ReleaseMinusUptake) {
    EXPECT_DOUBLE_EQ(netNitrogenRelease(10, 5, 30, 10), 15.0 / 30 - 0.5);
    // At the critical C:N, microbial C:N x (D:A + 1), nothing is released or taken up.
    EXPECT_NEAR(netNitrogenRelease(3, 2, 10 * (1.5 + 1), 10), 0.0, 1e-15);
}

Pool pool(double r, double s) {
    Pool p;
    p.r = r;
    p.s = s;
    p.k30 = r * std::pow(30.0, -s);
    p.c = p.cPrevious = 1000;
    return p;
}

TEST(DecompositionStep, ConstantRateDuringTheFirstThirtyDays) {
    const Pool p = pool(0.4, 0.5);
    EXPECT_NEAR(p.k30, 0.073030, 1e-6);
    // One step ending just below an age of 30: the continuous law's 30-day fraction.
    const double x = 29.999999;
    const StepResult st = decompositionStep(p, x, std::pow(x, 0.179));
    EXPECT_NEAR(st.c / 1000, std::exp(-0.4 * std::sqrt(30.0)), 1e-6);
    EXPECT_NEAR(st.c / 1000, 0.11182, 1e-5);
    EXPECT_NEAR(st.rate, 0.036515, 1e-6);
    EXPECT_DOUBLE_EQ(st.age, x);
}

TEST(DecompositionStep, PowerLawIntegralFromTheRateOfThePreviousDay) {
    Pool p = pool(0.4, 0.5);
    p.agePrevious = 40;
    p.rate = 0.02;
    const double x = 2.5;
    const double s = 0.5 * std::pow(x, 0.179);
    const double a = 40;
    const double b = 42.5;
    const double integral =
        p.rate * std::pow(a, s) / (1 - s) * (std::pow(b, 1 - s) - std::pow(a, 1 - s));
    const StepResult st = decompositionStep(p, x, std::pow(x, 0.179));
    EXPECT_NEAR(st.c, 1000 * std::exp(-integral), 1e-9);
    EXPECT_NEAR(st.rate, p.rate * std::pow(a, s) * std::pow(b, -s), 1e-15);
    EXPECT_DOUBLE_EQ(st.age, b);
}

TEST(DecompositionStep, StepReachingExactlyThirtyIsAlreadyPowerLaw) {
    Pool p = pool(0.4, 0.5);
    p.agePrevious = 29;
    p.rate = (1 - p.s) * p.k30;
    const StepResult st = decompositionStep(p, 1, 1);
    const double integral = p.rate * 29 / 0.5 * (std::sqrt(30.0 / 29) - 1);
    EXPECT_NEAR(st.c, 1000 * std::exp(-integral), 1e-9);
    EXPECT_NEAR(st.rate, p.rate * std::sqrt(29.0 / 30), 1e-15);
}

TEST(DecompositionStep, ZeroLengthStepChangesNothing) {
    Pool p = pool(0.4, 0.5);
    p.agePrevious = 50;
    p.rate = 0.01;
    const StepResult st = decompositionStep(p, 0, 0);
    EXPECT_EQ(st.c, 1000);
    EXPECT_EQ(st.age, 50);
    EXPECT_EQ(st.rate, 0.01);
}

TEST(DecompositionStep, ExponentOfOneUsesTheLogarithmicLimit) {
    Pool p = pool(0.4, 1.0);
    p.agePrevious = 40;
    p.rate = 0.02;
    const StepResult st = decompositionStep(p, 1, 1); // S_step = 1 x 1^0.179 = 1
    EXPECT_NEAR(st.c, 1000 * std::exp(-0.02 * 40 * std::log(41.0 / 40)), 1e-9);
    EXPECT_TRUE(std::isfinite(st.rate));
}

TEST(DecompositionStep, FirstStepBeyondThirtySplitsAtThirty) {
    const Pool p = pool(0.4, 0.5);
    const double x = 36;
    const double s = 0.5 * std::pow(x, 0.179);
    const double k = 0.5 * p.k30;
    const double integral = 30 * p.k30 + k * std::pow(30.0, s) / (1 - s) *
                                             (std::pow(36.0, 1 - s) - std::pow(30.0, 1 - s));
    const StepResult st = decompositionStep(p, x, std::pow(x, 0.179));
    EXPECT_NEAR(st.c, 1000 * std::exp(-integral), 1e-9);
    EXPECT_GT(st.rate, 0);
}

} // namespace
} // namespace orvek
