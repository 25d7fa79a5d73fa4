// The portable sample generator: the same numbers everywhere, the right distributions, and the
// percentiles of the bands.

#include "model/Sampling.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace orvek {
namespace {

// Pinned outputs: a change of compiler, library or platform must not change a seed's samples.
TEST(SampleGeneratorPortable, ASeedGivesTheSameNumbersEverywhere) {
    SampleGenerator g(42);
    EXPECT_EQ(g.next(), 1546998764402558742ULL);
    EXPECT_EQ(g.next(), 6990951692964543102ULL);
    SampleGenerator s(7, 3, 12);
    double u = s.uniform();
    double n = s.normal();
    std::uint64_t bu = 0, bn = 0;
    std::memcpy(&bu, &u, sizeof u);
    std::memcpy(&bn, &n, sizeof n);
    EXPECT_EQ(bu, 4604763755276653971ULL);
    EXPECT_EQ(bn, 13824689506982557207ULL);
}

TEST(SampleGeneratorPortable, RowsAndSamplesGetTheirOwnStreams) {
    SampleGenerator a(7, 0, 1), b(7, 1, 0), c(7, 0, 2), d(8, 0, 1), again(7, 0, 1);
    const std::uint64_t first = a.next();
    EXPECT_NE(first, b.next());
    EXPECT_NE(first, c.next());
    EXPECT_NE(first, d.next());
    EXPECT_EQ(first, again.next());
}

TEST(SampleGeneratorPortable, OwnLogarithmWithinOneUlpOfTheLibrary) {
    SampleGenerator g(1);
    for (int i = 0; i < 200000; ++i) {
        const double x = std::ldexp(g.uniform() + 1e-300, static_cast<int>(g.next() % 200) - 100);
        const double mine = portableLog(x);
        const double lib = std::log(x);
        EXPECT_LE(std::fabs(mine - lib),
                  2 * std::nextafter(std::fabs(lib), INFINITY) - 2 * std::fabs(lib) + 1e-300)
            << x;
    }
    EXPECT_EQ(portableLog(1.0), 0.0);
}

TEST(SampleDistributions, UniformAndNormalHaveTheirMoments) {
    SampleGenerator g(2024);
    const int n = 200000;
    double su = 0, sn = 0, sn2 = 0, lo = 1, hi = 0;
    for (int i = 0; i < n; ++i) {
        const double u = g.uniform();
        lo = std::min(lo, u);
        hi = std::max(hi, u);
        su += u;
        const double z = g.normal();
        sn += z;
        sn2 += z * z;
    }
    EXPECT_GE(lo, 0.0);
    EXPECT_LT(hi, 1.0);
    EXPECT_NEAR(su / n, 0.5, 0.005);
    EXPECT_NEAR(sn / n, 0.0, 0.01);
    EXPECT_NEAR(std::sqrt(sn2 / n - (sn / n) * (sn / n)), 1.0, 0.01);

    VarySpec spec;
    ASSERT_EQ(parseVarySpec("q10=uniform:1.5:2.5", spec), "");
    for (int i = 0; i < 1000; ++i) {
        const double x = drawSample(spec, g);
        ASSERT_GE(x, 1.5);
        ASSERT_LT(x, 2.5);
    }
}

TEST(SampleSpecs, FaultsAreRefusedWithTheReason) {
    VarySpec s;
    EXPECT_EQ(parseVarySpec("som_s=normal:0.5:0.05", s), "");
    EXPECT_EQ(s.name, "som_s");
    EXPECT_EQ(s.kind, SampleKind::Normal);
    EXPECT_DOUBLE_EQ(s.b, 0.05);
    EXPECT_NE(parseVarySpec("q10", s), "");
    EXPECT_NE(parseVarySpec("q10=beta:1:2", s), "");
    EXPECT_NE(parseVarySpec("q10=uniform:3:2", s), "");
    EXPECT_NE(parseVarySpec("q10=normal:2:-1", s), "");
    EXPECT_NE(parseVarySpec("q10=uniform:a:2", s), "");
    EXPECT_NE(parseVarySpec("q10=uniform:1:2:3", s), "");
    EXPECT_NE(parseVarySpec("q10=uniform:1:nan", s), "");
}

TEST(Percentiles, LinearInterpolationBetweenOrderStatistics) {
    const std::vector<double> v = {1, 2, 3, 4};
    EXPECT_DOUBLE_EQ(percentileOfSorted(v, 0.5), 2.5);
    EXPECT_DOUBLE_EQ(percentileOfSorted(v, 0.05), 1.15);
    EXPECT_DOUBLE_EQ(percentileOfSorted(v, 0.95), 3.85);
    EXPECT_DOUBLE_EQ(percentileOfSorted(v, 1.0), 4.0);
    EXPECT_DOUBLE_EQ(percentileOfSorted({7}, 0.05), 7.0);
}

} // namespace
} // namespace orvek
