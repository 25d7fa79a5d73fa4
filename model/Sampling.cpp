#include "model/Sampling.h"

#include "basics/Text.h"

#include <cmath>

namespace orvek {

namespace {

std::uint64_t rotl(std::uint64_t x, int k) {
    return (x << k) | (x >> (64 - k));
}

} // namespace

std::uint64_t splitMix64(std::uint64_t& state) {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

SampleGenerator::SampleGenerator(std::uint64_t seed) {
    std::uint64_t state = seed;
    for (std::uint64_t& s : m_s) {
        s = splitMix64(state);
    }
}

SampleGenerator::SampleGenerator(std::uint64_t seed, std::uint64_t row, std::uint64_t sample) {
    // Each part goes through the mixer in turn, so neighbouring rows and samples get unrelated
    // streams.
    std::uint64_t state = seed;
    std::uint64_t key = splitMix64(state);
    state = key ^ (row * 0xD1B54A32D192ED03ULL);
    key = splitMix64(state);
    state = key ^ (sample * 0xAEF17502108EF2D9ULL);
    key = splitMix64(state);
    state = key;
    for (std::uint64_t& s : m_s) {
        s = splitMix64(state);
    }
}

std::uint64_t SampleGenerator::next() {
    const std::uint64_t result = rotl(m_s[1] * 5, 7) * 9;
    const std::uint64_t t = m_s[1] << 17;
    m_s[2] ^= m_s[0];
    m_s[3] ^= m_s[1];
    m_s[1] ^= m_s[2];
    m_s[0] ^= m_s[3];
    m_s[2] ^= t;
    m_s[3] = rotl(m_s[3], 45);
    return result;
}

double SampleGenerator::uniform() {
    return static_cast<double>(next() >> 11) * 0x1.0p-53;
}

double SampleGenerator::normal() {
    // Polar method: a point uniform in the unit disc gives a normal number without sine or
    // cosine; only the first of the pair is used, so each draw takes a whole number of points.
    for (;;) {
        const double u = 2 * uniform() - 1;
        const double v = 2 * uniform() - 1;
        const double s = u * u + v * v;
        if (s > 0 && s < 1) {
            return u * std::sqrt(-2 * portableLog(s) / s); // sqrt is exact in IEEE arithmetic
        }
    }
}

double portableLog(double x) {
    // x = m 2^e with m in [sqrt(1/2), sqrt(2)); ln m = 2 atanh(t), t = (m - 1) / (m + 1), |t| <
    // 0.172, whose odd series reaches double precision within 12 terms.
    int e = 0;
    double m = std::frexp(x, &e); // exact: [0.5, 1)
    if (m < 0.70710678118654752440) {
        m *= 2;
        --e;
    }
    const double t = (m - 1) / (m + 1);
    const double t2 = t * t;
    double sum = 0;
    for (int k = 23; k >= 1; k -= 2) {
        sum = sum * t2 + 1.0 / k;
    }
    constexpr double kLn2High = 0.693147180369123816490; // ln 2 split for an exact e * high
    constexpr double kLn2Low = 1.90821492927058770002e-10;
    return e * kLn2High + (2 * t * sum + e * kLn2Low);
}

std::string parseVarySpec(const std::string& text, VarySpec& out) {
    const size_t eq = text.find('=');
    if (eq == std::string::npos || eq == 0) {
        return "'" + text + "' is not NAME=uniform:LOW:HIGH or NAME=normal:MEAN:SD";
    }
    out.name = text.substr(0, eq);
    const std::string rest = text.substr(eq + 1);
    const size_t c1 = rest.find(':');
    const size_t c2 = c1 == std::string::npos ? c1 : rest.find(':', c1 + 1);
    if (c2 == std::string::npos || rest.find(':', c2 + 1) != std::string::npos) {
        return "'" + text + "' is not NAME=uniform:LOW:HIGH or NAME=normal:MEAN:SD";
    }
    const std::string kind = rest.substr(0, c1);
    if (kind == "uniform") {
        out.kind = SampleKind::Uniform;
    } else if (kind == "normal") {
        out.kind = SampleKind::Normal;
    } else {
        return "'" + kind + "' is not a distribution (uniform or normal)";
    }
    if (!parseDouble(rest.substr(c1 + 1, c2 - c1 - 1), '.', out.a) ||
        !parseDouble(rest.substr(c2 + 1), '.', out.b)) {
        return "'" + text + "' holds a value that is not a number";
    }
    if (out.kind == SampleKind::Uniform && !(out.a <= out.b)) {
        return "'" + text + "': LOW must not exceed HIGH";
    }
    if (out.kind == SampleKind::Normal && !(out.b >= 0)) {
        return "'" + text + "': SD must not be negative";
    }
    return std::string();
}

double drawSample(const VarySpec& spec, SampleGenerator& g) {
    if (spec.kind == SampleKind::Uniform) {
        return spec.a + (spec.b - spec.a) * g.uniform();
    }
    return spec.a + spec.b * g.normal();
}

double percentileOfSorted(const std::vector<double>& sorted, double p) {
    if (sorted.empty()) {
        return 0;
    }
    const double h = static_cast<double>(sorted.size() - 1) * p;
    const auto lo = static_cast<size_t>(std::floor(h));
    const size_t hi = lo + 1 < sorted.size() ? lo + 1 : lo;
    return sorted[lo] + (h - static_cast<double>(lo)) * (sorted[hi] - sorted[lo]);
}

} // namespace orvek
