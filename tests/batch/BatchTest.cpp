// orvek-batch as a user calls it: exit status, messages and files.

#include "TestFolder.h"

#include "basics/Text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <sys/wait.h>

namespace orvek {
namespace {

struct Result {
    int status = -1;
    std::string output; // stdout and stderr
};

Result runBatch(const std::string& arguments, const std::string& folder,
                const std::string& environment = std::string()) {
    const std::string command = "cd '" + folder + "' && " + environment + " '" + ORVEK_BATCH_EXE +
                                "' " + arguments + " 2>&1";
    Result r;
    FILE* pipe = ::popen(command.c_str(), "r");
    char buf[4096];
    size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) {
        r.output.append(buf, n);
    }
    const int status = ::pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

struct BatchFixture {
    test::TestFolder folder;
    BatchFixture() {
        folder.copyStandardFiles();
        folder.copyData("Example.stg");
        folder.copyData("milwaukee_1991_2020_daily.wth");
    }
};

TEST(Batch, RunsTheExampleAndNamesWhatItWrote) {
    BatchFixture f;
    f.folder.write("DailyWth.~", "left over");
    const Result r = runBatch("Example.stg", f.folder.path());
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("1826 daily rows written to " + f.folder.file("ResultDaily.~")),
              std::string::npos)
        << r.output;
    EXPECT_TRUE(f.folder.exists("ResultMonthlyForMemo.~"));
    // A file it did not write is left alone: a window may be showing it.
    EXPECT_EQ(f.folder.read("DailyWth.~"), "left over");
}

TEST(Batch, ANewStartFolderIsFilledWithTheBundledFiles) {
    test::TestFolder parent;
    const std::string folder = parent.file("new folder/");
    const Result r =
        runBatch("--start-folder '" + folder + "' '" + folder + "Example.stg'", parent.path());
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_FALSE(test::readFile(folder + "ResultDaily.~").empty());
    EXPECT_FALSE(test::readFile(folder + "help/index.html").empty());
    EXPECT_EQ(test::readFile(folder + "Parameter.Orvek"),
              test::readFile(test::dataDir() + "Parameter.Orvek"));
}

TEST(Batch, AFolderInUseIsNotFilled) {
    test::TestFolder folder;
    folder.write("Mine.stg", "N\r\n");
    const Result r = runBatch("--start-folder . Mine.stg", folder.path());
    EXPECT_EQ(r.status, 2) << r.output;
    EXPECT_FALSE(folder.exists("Substrates.Orvek"));
    EXPECT_FALSE(folder.exists("Example.stg"));
}

TEST(Batch, StartFolderAndCheckFailure) {
    BatchFixture f;
    test::TestFolder elsewhere;
    std::string settings = f.folder.read("Example.stg");
    // End date (line 7) before the start date.
    const size_t line7 = settings.find("\r\n40178\r\n");
    ASSERT_NE(line7, std::string::npos);
    settings.replace(line7, 9, "\r\n38000\r\n");
    elsewhere.write("late.stg", settings);
    elsewhere.copyData("milwaukee_1991_2020_daily.wth"); // found beside the setting file
    const Result r =
        runBatch("--start-folder '" + f.folder.path() + "' '" + elsewhere.file("late.stg") + "'",
                 elsewhere.path());
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find("Simulation ending date set before the start date."),
              std::string::npos);
    EXPECT_FALSE(f.folder.exists("ResultDaily.~"));
}

TEST(Batch, SavesTheResultWorkbook) {
    BatchFixture f;
    const Result r = runBatch("--xls out.xls Example.stg", f.folder.path());
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("; daily results saved in out.xls"), std::string::npos) << r.output;
    const std::string xls = f.folder.read("out.xls");
    ASSERT_GT(xls.size(), 8u);
    EXPECT_EQ(xls.substr(0, 8), std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8));
}

TEST(Batch, UsageAndFileErrors) {
    BatchFixture f;
    EXPECT_EQ(runBatch("", f.folder.path()).status, 2);
    EXPECT_EQ(runBatch("--bogus Example.stg", f.folder.path()).status, 2);
    EXPECT_EQ(runBatch("a.stg b.stg", f.folder.path()).status, 2);
    const Result missing = runBatch("none.stg", f.folder.path());
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.output.find("File not found"), std::string::npos);
    f.folder.write("Parameter.Orvek", "Internal parameters\r\nx\r\n");
    const Result broken = runBatch("Example.stg", f.folder.path());
    EXPECT_EQ(broken.status, 2);
    EXPECT_NE(broken.output.find("line 2: the line does not start with a number"),
              std::string::npos);
}

// The setting file with some of its lines (numbered as in the file) replaced.
std::string withLines(const std::string& settings,
                      const std::vector<std::pair<int, std::string>>& lines) {
    std::vector<std::string> all = splitLines(settings);
    for (const auto& [number, text] : lines) {
        all[static_cast<size_t>(number - 1)] = text;
    }
    std::string out;
    for (const std::string& l : all) {
        out += l + "\r\n";
    }
    return out;
}

TEST(Batch, TakesTheLocalesDecimalSeparatorBesideTheDot) {
    const char* before = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = before ? before : "C";
    ASSERT_NE(std::setlocale(LC_NUMERIC, "de_DE.UTF-8"), nullptr)
        << "the de_DE.UTF-8 locale is needed: run scripts/setup-deps";
    std::setlocale(LC_NUMERIC, saved.c_str());

    BatchFixture f;
    const std::string settings = f.folder.read("Example.stg");
    f.folder.write("comma.stg", withLines(settings, {{60, "12,5"}, {30, "2,5"}}));
    const std::string german = "LC_ALL=de_DE.UTF-8";
    const Result comma = runBatch("comma.stg", f.folder.path(), german);
    EXPECT_EQ(comma.status, 0) << comma.output;
    const std::string daily = f.folder.read("ResultDaily.~");
    const std::string record = f.folder.read("SettingRecord.~");
    EXPECT_NE(record.find("    Soil C content (g/kg): 12,5\r\n"), std::string::npos) << record;
    // The record's dates are the C locale's M/d/yy in orvek-batch, and its numbers go with them.
    EXPECT_NE(record.find("    1, 9/15/05, Cereal crop residues (1), 2.5, 80\r\n"),
              std::string::npos)
        << record;

    const Result dot = runBatch("Example.stg", f.folder.path(), german);
    EXPECT_EQ(dot.status, 0) << dot.output;
    EXPECT_EQ(f.folder.read("ResultDaily.~"), daily); // the same numbers, read either way

    // In the C locale a comma is no separator.
    const Result plain = runBatch("comma.stg", f.folder.path(), "LC_ALL=C");
    EXPECT_EQ(plain.status, 2);
    EXPECT_NE(plain.output.find("'12,5' is not a valid floating point value"), std::string::npos)
        << plain.output;
}

TEST(Batch, ADailyResultLongerThanAWorksheetIsRefusedBeforeTheRun) {
    BatchFixture f;
    // 200 years of days: more rows than a worksheet holds.
    f.folder.write("long.stg", withLines(f.folder.read("Example.stg"), {{7, "111400"}}));
    const Result r = runBatch("--xls out.xls long.stg", f.folder.path());
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.output.find("The result has more rows than a worksheet holds (65,536); save the "
                            "monthly output instead."),
              std::string::npos)
        << r.output;
    EXPECT_FALSE(f.folder.exists("ResultDaily.~"));
    EXPECT_FALSE(f.folder.exists("out.xls"));
}

} // namespace
} // namespace orvek
