#include "TestFolder.h"

#include "basics/Errors.h"
#include "model/Parameters.h"

#include <gtest/gtest.h>

namespace orvek {
namespace {

TEST(ParameterLine, NumberThenTheRestOfTheLine) {
    ParameterLine p;
    ASSERT_TRUE(parseParameterLine("  0.078\tR of cereal crop residues, day^(S-1)", p));
    EXPECT_EQ(p.numberText, "0.078");
    EXPECT_EQ(p.rest, "\tR of cereal crop residues, day^(S-1)");
    EXPECT_DOUBLE_EQ(p.value, 0.078);
    ASSERT_TRUE(parseParameterLine("-2.5e-1 label 3", p));
    EXPECT_DOUBLE_EQ(p.value, -0.25);
    EXPECT_EQ(p.rest, " label 3");
    ASSERT_TRUE(parseParameterLine("+35", p));
    EXPECT_DOUBLE_EQ(p.value, 35);
    EXPECT_EQ(p.rest, "");
    for (const char* bad : {"", "abc", ".5", "5abc", "5,2", "1e", "1e+", "1.2.3", "1e999"}) {
        EXPECT_FALSE(parseParameterLine(bad, p)) << bad;
    }
}

TEST(ParameterFile, BundledFilesHoldUsableValues) {
    for (const char* name : {"Parameter.Orvek", "Parameter, default.orvek"}) {
        const ParameterSet set = readParameterFile(test::dataDir() + name);
        EXPECT_DOUBLE_EQ(set[kSomS], 0.2) << name;
        EXPECT_DOUBLE_EQ(set[kReferenceT], 9) << name;
        EXPECT_DOUBLE_EQ(set[kClayS], 95) << name;
    }
}

TEST(ParameterFile, ShortFileNamesTheMissingLine) {
    test::TestFolder f;
    f.write("p", "Internal parameters\r\n0.1\r\n0.2\r\n");
    try {
        readParameterFile(f.file("p"));
        FAIL();
    } catch (const OrvekError& e) {
        EXPECT_EQ(std::string(e.what()), "File \"" + f.file("p") +
                                             "\", line 4: the line of the R of cereal crop "
                                             "residues is missing");
    }
}

TEST(ParameterProblems, WhatTheModelCannotUse) {
    ParameterSet set = readParameterFile(test::dataDir() + "Parameter.Orvek");
    const auto problem = [&set](int index, double value) {
        const double old = set[static_cast<size_t>(index)];
        set[static_cast<size_t>(index)] = value;
        auto p = parameterProblem(set, index);
        set[static_cast<size_t>(index)] = old;
        return p.value_or("");
    };
    EXPECT_EQ(problem(kSomS, 1), "must be less than 1");
    EXPECT_EQ(problem(substrateSIndex(4), 1.2), "must be less than 1");
    EXPECT_EQ(problem(substrateRIndex(2), -0.1), "must not be negative");
    EXPECT_EQ(problem(kSomCN, 0), "must be greater than 0");
    EXPECT_EQ(problem(kMicrobialCNMin, -1), "must be greater than 0");
    EXPECT_EQ(problem(kDAMax, 1.5), "must be greater than the minimum D:A ratio");
    EXPECT_EQ(problem(kReferenceT, 0), "must be greater than 0");
    EXPECT_EQ(problem(kQ10, 0), "must be greater than 0");
    EXPECT_EQ(problem(kClayR, -5), "must not be negative");
    EXPECT_EQ(problem(kSoilMinusAirT, -3), ""); // a cooler soil is possible
    EXPECT_EQ(problem(kSomS, 0.99), "");
}

} // namespace
} // namespace orvek
