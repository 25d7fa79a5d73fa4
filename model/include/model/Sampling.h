#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orvek {

// Random samples that are the same on every machine and with every compiler and library: the
// generator is xoshiro256** seeded through SplitMix64, uniform numbers are the top 53 bits of
// its output scaled to [0, 1), and normal numbers come from the polar method with a logarithm
// of our own made of IEEE additions, multiplications and divisions only (the standard
// library's distributions and its log differ between versions).
class SampleGenerator {
public:
    // The stream of one sample: the seed of the ensemble, the row's position in the run table
    // and the sample's number, so that a sample does not depend on which process draws it.
    SampleGenerator(std::uint64_t seed, std::uint64_t row, std::uint64_t sample);
    explicit SampleGenerator(std::uint64_t seed);

    std::uint64_t next();
    double uniform(); // [0, 1)
    double normal();  // mean 0, standard deviation 1

private:
    std::uint64_t m_s[4];
};

std::uint64_t splitMix64(std::uint64_t& state);

// The natural logarithm of a positive finite number, to within 1 ulp, from arithmetic alone.
double portableLog(double x);

enum class SampleKind { Uniform, Normal };

// One "--vary NAME=uniform:LOW:HIGH" or "NAME=normal:MEAN:SD".
struct VarySpec {
    std::string name;
    SampleKind kind = SampleKind::Uniform;
    double a = 0; // LOW or MEAN
    double b = 0; // HIGH or SD
};

// Parses the text after "--vary"; returns the reason it cannot be used, or an empty text.
std::string parseVarySpec(const std::string& text, VarySpec& out);

double drawSample(const VarySpec& spec, SampleGenerator& g);

// The p-quantile (0..1) of sorted values by linear interpolation between the order statistics
// at (n - 1) p.
double percentileOfSorted(const std::vector<double>& sorted, double p);

} // namespace orvek
