// The program's own start folder: where it is, how it is filled and kept up to date, and where
// the user's documents go.

#include "TestFolder.h"

#include "basics/Errors.h"
#include "run/StartFolder.h"
#include "run/StartUp.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sys/stat.h>

namespace orvek {
namespace {

namespace fs = std::filesystem;

Environment fakeEnvironment(std::map<std::string, std::string> values) {
    auto shared = std::make_shared<std::map<std::string, std::string>>(std::move(values));
    return [shared](const char* name) -> const char* {
        const auto it = shared->find(name);
        return it == shared->end() ? nullptr : it->second.c_str();
    };
}

// A bundled data folder of the shape an installation has, with our own small contents.
struct Bundle {
    test::TestFolder data;
    Bundle() {
        fs::create_directory(data.file("help"));
        setVersion("1");
    }
    void setVersion(const std::string& v) const {
        for (const char* name :
             {"Option.Orvek", "Parameter.Orvek", "Substrates.Orvek", "Parameter, default.orvek",
              "Example.stg", "Input Template.Orvek", "weather.wth", "help/index.html"}) {
            data.write(name, std::string(name) + " v" + v);
        }
    }
};

// --- Filling and updating --------------------------------------------------------------------

TEST(StartFolderFill, ANewFolderGetsEveryBundledFileAndItsParentsAreMade) {
    Bundle bundle;
    test::TestFolder home;
    const std::string folder = home.file(".local/share/orvek-cn/");
    const FillOutcome outcome = fillStartFolder(folder, bundle.data.path(), FillRule::Refresh);
    EXPECT_TRUE(outcome.problems.empty());
    EXPECT_EQ(outcome.written.size(), 8u);
    EXPECT_EQ(test::readFile(folder + "help/index.html"), "help/index.html v1");
    EXPECT_EQ(test::readFile(folder + "Option.Orvek"), "Option.Orvek v1");
}

TEST(StartFolderFill, LaterStartsUpdateTheBundledFilesButNeverTheUsersOwn) {
    Bundle bundle;
    test::TestFolder folder;
    fillStartFolder(folder.path(), bundle.data.path(), FillRule::Refresh);
    folder.write("Option.Orvek", "my options");
    folder.write("Parameter.Orvek", "my parameters");
    folder.write("Substrates.Orvek", "my substrates");
    folder.write("Example.stg", "changed example");
    folder.write("Mine.stg", "my settings");
    bundle.setVersion("2");

    const FillOutcome outcome =
        fillStartFolder(folder.path(), bundle.data.path(), FillRule::Refresh);
    EXPECT_TRUE(outcome.problems.empty());
    EXPECT_EQ(folder.read("Option.Orvek"), "my options");
    EXPECT_EQ(folder.read("Parameter.Orvek"), "my parameters");
    EXPECT_EQ(folder.read("Substrates.Orvek"), "my substrates");
    for (const char* updated : {"Parameter, default.orvek", "Example.stg", "Input Template.Orvek",
                                "weather.wth", "help/index.html"}) {
        EXPECT_EQ(folder.read(updated), std::string(updated) + " v2") << updated;
    }
    EXPECT_EQ(folder.read("Mine.stg"), "my settings");
    EXPECT_EQ(outcome.written.size(), 5u);
}

TEST(StartFolderFill, AStartWithNothingNewWritesNothing) {
    Bundle bundle;
    test::TestFolder folder;
    fillStartFolder(folder.path(), bundle.data.path(), FillRule::Refresh);
    EXPECT_TRUE(
        fillStartFolder(folder.path(), bundle.data.path(), FillRule::Refresh).written.empty());
}

TEST(StartFolderFill, TheUsersFilesInAnotherLetterCaseAreNotDuplicated) {
    Bundle bundle;
    test::TestFolder folder;
    folder.write("option.orvek", "my options");
    folder.write("PARAMETER.ORVEK", "my parameters");
    fillStartFolder(folder.path(), bundle.data.path(), FillRule::Refresh);
    EXPECT_FALSE(fs::exists(folder.file("Option.Orvek")));
    EXPECT_FALSE(fs::exists(folder.file("Parameter.Orvek")));
    EXPECT_EQ(folder.read("option.orvek"), "my options");
    EXPECT_EQ(folder.read("Substrates.Orvek"), "Substrates.Orvek v1"); // missing, so added
}

TEST(StartFolderFill, AReadOnlyCopyIsTheUsersAndStays) {
    Bundle bundle;
    test::TestFolder folder;
    folder.write("Example.stg", "kept");
    ::chmod(folder.file("Example.stg").c_str(), 0444);
    const FillOutcome outcome =
        fillStartFolder(folder.path(), bundle.data.path(), FillRule::Refresh);
    EXPECT_TRUE(outcome.problems.empty());
    EXPECT_EQ(folder.read("Example.stg"), "kept");
}

TEST(StartFolderFill, AFileThatCannotBeWrittenIsReportedAndTheOthersStillGoIn) {
    Bundle bundle;
    test::TestFolder folder;
    fs::create_directory(folder.file("Example.stg")); // a folder where the file belongs
    const FillOutcome outcome =
        fillStartFolder(folder.path(), bundle.data.path(), FillRule::Refresh);
    ASSERT_EQ(outcome.problems.size(), 1u);
    EXPECT_NE(outcome.problems[0].find("Example.stg"), std::string::npos) << outcome.problems[0];
    EXPECT_EQ(folder.read("weather.wth"), "weather.wth v1");
    EXPECT_EQ(folder.read("Option.Orvek"), "Option.Orvek v1");
}

TEST(StartFolderFill, TheCommandLineRunnerFillsOnlyAnEmptyOrMissingFolder) {
    Bundle bundle;
    test::TestFolder parent;
    const std::string missing = parent.file("new/");
    fillStartFolder(missing, bundle.data.path(), FillRule::IfEmptyOnly);
    EXPECT_EQ(test::readFile(missing + "Example.stg"), "Example.stg v1");

    // Hidden entries such as a lock file do not make a folder the user's.
    test::TestFolder hiddenOnly;
    hiddenOnly.write(".orvek.lock", "");
    fillStartFolder(hiddenOnly.path(), bundle.data.path(), FillRule::IfEmptyOnly);
    EXPECT_TRUE(hiddenOnly.exists("Substrates.Orvek"));

    test::TestFolder used;
    used.write("Example.stg", "mine");
    const FillOutcome outcome =
        fillStartFolder(used.path(), bundle.data.path(), FillRule::IfEmptyOnly);
    EXPECT_TRUE(outcome.written.empty());
    EXPECT_FALSE(used.exists("Substrates.Orvek"));
    EXPECT_EQ(used.read("Example.stg"), "mine");
}

TEST(StartFolderFill, MissingBundleOrBlockedFolderIsAnErrorNamingIt) {
    Bundle bundle;
    test::TestFolder parent;
    try {
        fillStartFolder(parent.file("a/"), parent.file("no-such-data/"), FillRule::Refresh);
        FAIL() << "no error";
    } catch (const OrvekError& e) {
        EXPECT_NE(std::string(e.what()).find("no-such-data"), std::string::npos) << e.what();
    }
    parent.write("blocked", "a file, not a folder");
    try {
        fillStartFolder(parent.file("blocked/"), bundle.data.path(), FillRule::Refresh);
        FAIL() << "no error";
    } catch (const OrvekError& e) {
        EXPECT_NE(std::string(e.what()).find("could not be created"), std::string::npos)
            << e.what();
    }
}

TEST(StartFolderFill, AFolderFilledFromTheRealBundleStartsCleanly) {
    test::TestFolder folder;
    const FillOutcome outcome =
        fillStartFolder(folder.file("start/"), test::dataDir(), FillRule::Refresh);
    EXPECT_TRUE(outcome.problems.empty());
    Session s;
    EXPECT_EQ(startSession(s, folder.file("start/")), "");
    EXPECT_EQ(s.substrates.size(), 6u);
    EXPECT_TRUE(fs::exists(folder.file("start/help/index.html")));
}

// --- Which folder --------------------------------------------------------------------------

TEST(StartFolderChoice, OptionBeforeVariableBeforeDataLocation) {
    const Environment all = fakeEnvironment({{"ORVEK_START_FOLDER", "/from/variable"},
                                             {"XDG_DATA_HOME", "/data/home"},
                                             {"HOME", "/home/u"}});
    EXPECT_EQ(windowStartFolder("/from/option", all), "/from/option/");
    EXPECT_EQ(windowStartFolder("", all), "/from/variable/");
    EXPECT_EQ(windowStartFolder(
                  "", fakeEnvironment({{"XDG_DATA_HOME", "/data/home"}, {"HOME", "/home/u"}})),
              "/data/home/orvek-cn/");
    EXPECT_EQ(windowStartFolder("", fakeEnvironment({{"HOME", "/home/u"}})),
              "/home/u/.local/share/orvek-cn/");
    // A relative XDG_DATA_HOME is invalid and ignored; so is an empty variable.
    EXPECT_EQ(windowStartFolder("", fakeEnvironment({{"XDG_DATA_HOME", "rel"},
                                                     {"ORVEK_START_FOLDER", ""},
                                                     {"HOME", "/home/u/"}})),
              "/home/u/.local/share/orvek-cn/");
}

TEST(StartFolderChoice, ARelativeFolderIsTakenFromTheCurrentFolder) {
    const std::string cwd = fs::current_path().string();
    EXPECT_EQ(windowStartFolder("work", fakeEnvironment({})), cwd + "/work/");
    EXPECT_EQ(windowStartFolder("", fakeEnvironment({{"ORVEK_START_FOLDER", "./w/../x"}})),
              cwd + "/x/");
}

TEST(StartFolderChoice, BundledFilesBesideAnInstalledOrABuiltProgram) {
    test::TestFolder prefix;
    fs::create_directories(prefix.file("bin"));
    EXPECT_EQ(bundledDataFolder(prefix.file("bin/orvek")), "");
    fs::create_directories(prefix.file("share/orvek-cn"));
    EXPECT_EQ(bundledDataFolder(prefix.file("bin/orvek")), prefix.file("share/orvek-cn/"));

    test::TestFolder build;
    fs::create_directory_symlink(test::dataDir(), build.file("data"));
    EXPECT_EQ(bundledDataFolder(build.file("orvek")), build.file("data/"));
    EXPECT_EQ(bundledDataFolder(""), "");
}

// --- The user's documents --------------------------------------------------------------------

TEST(DocumentsFolder, VariableThenUserDirsThenHome) {
    test::TestFolder home;
    fs::create_directories(home.file("Docs"));
    fs::create_directories(home.file("Papers"));
    fs::create_directories(home.file(".config"));
    home.write(".config/user-dirs.dirs",
               "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
               "XDG_DOCUMENTS_DIR=\"$HOME/Papers\"\n");
    const std::string h = home.path().substr(0, home.path().size() - 1);
    EXPECT_EQ(
        documentsFolder(fakeEnvironment({{"HOME", h}, {"XDG_DOCUMENTS_DIR", home.file("Docs")}})),
        home.file("Docs/"));
    EXPECT_EQ(documentsFolder(fakeEnvironment({{"HOME", h}})), home.file("Papers/"));
    // A documents folder that does not exist is no place to start a dialog in.
    EXPECT_EQ(documentsFolder(fakeEnvironment({{"HOME", h},
                                               {"XDG_DOCUMENTS_DIR", home.file("gone")},
                                               {"XDG_CONFIG_HOME", home.file("none")}})),
              home.path());
}

TEST(DocumentsFolder, AnEmptyOrMissingWorkingFolderMeansTheDocumentsFolder) {
    test::TestFolder docs;
    test::TestFolder mine;
    const Environment env = fakeEnvironment({{"XDG_DOCUMENTS_DIR", docs.path()}});
    EXPECT_EQ(workingFolderFromOption("", env), docs.path());
    EXPECT_EQ(workingFolderFromOption("  ", env), docs.path());
    EXPECT_EQ(workingFolderFromOption(mine.file("gone"), env), docs.path());
    const std::string given = mine.path().substr(0, mine.path().size() - 1);
    EXPECT_EQ(workingFolderFromOption(given, env), mine.path());
}

} // namespace
} // namespace orvek
