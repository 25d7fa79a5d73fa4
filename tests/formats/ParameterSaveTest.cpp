#include "formats/ParameterSave.h"

#include "TestFolder.h"

#include "basics/Errors.h"
#include "basics/Files.h"
#include "basics/Text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace orvek {
namespace {

namespace fs = std::filesystem;

// A fresh folder holding a copy of the bundled parameter file.
class ParameterFolder : public test::TestFolder {
public:
    ParameterFolder() {
        write(kParameterFileName, test::readFile(test::dataDir() + "Parameter.Orvek"));
    }
    std::vector<std::string> names() const {
        std::vector<std::string> list;
        for (const auto& entry : fs::directory_iterator(path())) {
            list.push_back(entry.path().filename().string());
        }
        std::sort(list.begin(), list.end());
        return list;
    }
};

ParameterTexts textsOf(const std::string& path) {
    const std::vector<ParameterLine> lines = readParameterLines(path);
    ParameterTexts texts;
    for (int k = 0; k < kParameterCount; ++k) {
        texts[static_cast<size_t>(k)] = lines[static_cast<size_t>(k)].numberText;
    }
    return texts;
}

bool writable(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && (st.st_mode & 0222) != 0;
}

TEST(ParameterFormat, RoundsToSignificantDigitsThenShowsTheDecimals) {
    struct Case {
        double value;
        int precision;
        int decimals;
        const char* text;
    };
    const Case cases[] = {{0.00013, 5, 5, "0.00013"},
                          {0.2, 5, 3, "0.200"},
                          {0.078, 5, 4, "0.0780"},
                          {10, 4, 1, "10.0"},
                          {85, 5, 1, "85.0"},
                          {0, 5, 3, "0.000"},
                          {0.125, 5, 2, "0.13"},
                          {1.23456789, 4, 6, "1.235000"},
                          {9.99996, 5, 3, "10.000"},
                          {123456, 4, 1, "1.235E+05"},
                          {99999.5, 5, 1, "1.0000E+05"},
                          {-2.25, 4, 1, "-2.3"},
                          {-0.01, 4, 1, "0.0"},
                          {0.0006, 5, 3, "0.001"},
                          {0.0004, 5, 3, "0.000"},
                          {12345.6, 5, 1, "12346.0"},
                          {1e-20, 5, 5, "0.00000"}};
    for (const Case& c : cases) {
        EXPECT_EQ(formatParameterValue(c.value, c.precision, c.decimals), c.text)
            << c.value << " " << c.precision << "/" << c.decimals;
    }
}

TEST(ParameterCheck, AcceptsTheBundledValuesAndNamesTheFirstUnusableField) {
    ParameterTexts texts = textsOf(std::string(ORVEK_DATA_DIR) + "/Parameter.Orvek");
    EXPECT_FALSE(checkParameterTexts(texts));
    texts[3] = " 0.5 "; // blanks around a number are harmless
    EXPECT_FALSE(checkParameterTexts(texts));

    for (const char* bad : {"abc", "", "0.5 x", "0,5", "1e", "0.5\tlabel"}) {
        ParameterTexts t = texts;
        t[9] = bad;
        const auto problem = checkParameterTexts(t);
        ASSERT_TRUE(problem) << bad;
        EXPECT_EQ(problem->index, 9);
        EXPECT_EQ(problem->message,
                  "'" + std::string(bad) + "' is not a valid number for the S of legume roots.");
    }
    ParameterTexts t = texts;
    t[kSomS] = "1";
    auto problem = checkParameterTexts(t);
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->index, kSomS);
    EXPECT_EQ(problem->message, "The S of soil organic matter must be less than 1.");

    t = texts;
    t[kDAMax] = "1.5"; // not above the minimum 1.5
    problem = checkParameterTexts(t);
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->index, kDAMax);
}

TEST(ParameterCheck, ATextureEffectThatLiftsAnAdjustedSToOneIsRefusedOnItsOwnField) {
    const ParameterTexts texts = textsOf(std::string(ORVEK_DATA_DIR) + "/Parameter.Orvek");
    // The largest bundled S is 0.62 (green manures): 161 % keeps it below 1, 162 % does not.
    ParameterTexts t = texts;
    t[kLoamS] = "161";
    EXPECT_FALSE(checkParameterTexts(t));
    t[kLoamS] = "162";
    auto problem = checkParameterTexts(t);
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->index, kLoamS);
    EXPECT_EQ(problem->message, "The loam effect on S of 162 % makes the S of green manures "
                                "1.0044 on loam soil; the model needs it below 1.");
    t = texts;
    t[kClayS] = "200";
    problem = checkParameterTexts(t);
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->index, kClayS);
    EXPECT_NE(problem->message.find("the S of cereal crop residues 1.1 on clay soil"),
              std::string::npos);
    // Effects on R have no such bound, and the soil organic matter is never adjusted.
    t = texts;
    t[kLoamR] = "900";
    t[kSomS] = "0.9";
    t[kClayS] = "110";
    EXPECT_FALSE(checkParameterTexts(t));
}

TEST(ParameterSave, TwiceInARowKeepsOneBackupWithTheValuesBeforeTheSecondSave) {
    ParameterFolder folder;
    const std::string original = folder.read(kParameterFileName);
    ParameterTexts texts = textsOf(folder.path() + kParameterFileName);

    texts[kSomR] = "0.00014";
    saveParameterFile(folder.path(), texts);
    EXPECT_EQ(folder.read(kOldParameterFileName), original);
    const std::string first = folder.read(kParameterFileName);
    EXPECT_FALSE(writable(folder.path() + kParameterFileName));
    EXPECT_FALSE(writable(folder.path() + kOldParameterFileName));

    texts[kQ10] = "2.5";
    saveParameterFile(folder.path(), texts); // both files read-only: still saved
    EXPECT_EQ(folder.read(kOldParameterFileName), first);
    EXPECT_EQ(folder.names(),
              (std::vector<std::string>{kOldParameterFileName, kParameterFileName}));

    // Labels survive, numbers are written as given, the heading is the program's own.
    const std::vector<std::string> lines = splitLines(folder.read(kParameterFileName));
    const std::vector<std::string> before = splitLines(original);
    ASSERT_EQ(lines.size(), 28u);
    EXPECT_EQ(lines[0], "Internal parameters");
    EXPECT_EQ(lines[1], "0.00014\tR of soil organic matter, day^(S-1)");
    EXPECT_EQ(lines[kQ10 + 1], "2.5\tQ10 coefficient, -");
    for (size_t i = 2; i < 28; ++i) {
        if (i != kQ10 + 1) {
            EXPECT_EQ(lines[i], before[i]);
        }
    }
    EXPECT_NE(folder.read(kParameterFileName).find("\r\n"), std::string::npos);
    EXPECT_DOUBLE_EQ(readParameterFile(folder.path() + kParameterFileName)[kQ10], 2.5);
}

TEST(ParameterSave, LinesWithoutLabelsOrOtherLetterCasesAreHandled) {
    ParameterFolder folder;
    fs::remove(folder.path() + kParameterFileName);
    std::string text = "whatever heading\n";
    for (int k = 0; k < kParameterCount; ++k) {
        text += k == 19 ? "9\n"
                        : (k == 20 ? "2 two words\n" : "0.5\tlabel " + std::to_string(k) + "\n");
    }
    std::ofstream(folder.path() + "parameter.orvek") << text;
    std::ofstream(folder.path() + "PARAMETER, OLD.ORVEK") << "stale";

    ParameterTexts texts = textsOf(folder.path() + "parameter.orvek");
    texts[kDAMax] = "4";
    saveParameterFile(folder.path(), texts);
    EXPECT_EQ(folder.names(),
              (std::vector<std::string>{kOldParameterFileName, kParameterFileName}));
    EXPECT_EQ(folder.read(kOldParameterFileName), text);
    const std::vector<std::string> lines = splitLines(folder.read(kParameterFileName));
    EXPECT_EQ(lines[20], "9");
    EXPECT_EQ(lines[21], "2 two words");
    EXPECT_EQ(lines[19], "4\tlabel 18");
}

TEST(ParameterSave, ARefusedValueOrAFailedRotationChangesNothing) {
    ParameterFolder folder;
    const std::string original = folder.read(kParameterFileName);
    ParameterTexts texts = textsOf(folder.path() + kParameterFileName);

    ParameterTexts bad = texts;
    bad[kReferenceT] = "0";
    EXPECT_THROW(saveParameterFile(folder.path(), bad), OrvekError);
    EXPECT_EQ(folder.names(), std::vector<std::string>{kParameterFileName});
    EXPECT_EQ(folder.read(kParameterFileName), original);

    // A backup name that cannot be replaced (a folder with content) stops the rotation.
    fs::create_directories(folder.path() + kOldParameterFileName + "/inside");
    texts[kSomR] = "0.0002";
    EXPECT_THROW(saveParameterFile(folder.path(), texts), OrvekError);
    EXPECT_EQ(folder.read(kParameterFileName), original);
    EXPECT_EQ(folder.names(),
              (std::vector<std::string>{kOldParameterFileName, kParameterFileName}));
}

TEST(ParameterSave, AMissingOrBrokenParameterFileIsReported) {
    ParameterFolder folder;
    const ParameterTexts texts = textsOf(folder.path() + kParameterFileName);
    std::ofstream(folder.path() + kParameterFileName, std::ios::trunc) << "Internal parameters\r\n";
    EXPECT_THROW(saveParameterFile(folder.path(), texts), OrvekError);
    fs::remove(folder.path() + kParameterFileName);
    try {
        saveParameterFile(folder.path(), texts);
        FAIL();
    } catch (const OrvekError& e) {
        EXPECT_NE(std::string(e.what()).find("Cannot open file"), std::string::npos);
    }
    EXPECT_TRUE(folder.names().empty());
}

} // namespace
} // namespace orvek
