// What goes wrong around the files: special files where inputs belong, inputs far too large,
// things in the way of results, read-only targets, a full disk, another run in the same folder,
// a killed run, another locale. Every child process runs under a time limit, so a reader that
// waits on a pipe fails the test instead of hanging it.

#include "RunFixture.h"
#include "TestFolder.h"

#include "basics/Errors.h"
#include "basics/FileCommit.h"
#include "basics/Files.h"
#include "basics/FolderLock.h"
#include "formats/EventsWorkbook.h"
#include "formats/ResultWorkbook.h"
#include "run/StartUp.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <set>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace orvek {
namespace {

namespace fs = std::filesystem;

struct Batch {
    int status = -1; // 124 when the time limit ended it
    std::string output;
};

// orvek-batch in `folder`, its output and errors together, ended after `seconds`.
Batch runBatch(const std::string& arguments, const std::string& folder, int seconds = 30,
               const std::string& environment = {}) {
    const std::string command = "cd '" + folder + "' && " + environment + " timeout -k 2 " +
                                std::to_string(seconds) + " '" + ORVEK_BATCH_EXE + "' " +
                                arguments + " 2>&1";
    Batch r;
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

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// A folder with the bundled files, the example setting file and its weather.
struct BatchFolder {
    test::TestFolder folder;
    BatchFolder() {
        folder.copyStandardFiles();
        folder.copyData("Example.stg");
        folder.copyData("milwaukee_1991_2020_daily.wth");
    }
    // The example with some of its lines (1-based) replaced.
    void writeSettings(const std::string& name,
                       const std::vector<std::pair<int, std::string>>& lines) const {
        std::vector<std::string> all;
        const std::string text = folder.read("Example.stg");
        size_t pos = 0;
        while (pos < text.size()) {
            const size_t end = text.find("\r\n", pos);
            all.push_back(text.substr(pos, end - pos));
            pos = end + 2;
        }
        for (const auto& [line, content] : lines) {
            all[static_cast<size_t>(line - 1)] = content;
        }
        std::string out;
        for (const std::string& l : all) {
            out += l + "\r\n";
        }
        folder.write(name, out);
    }
};

// The names in a folder written by the program under a temporary or backup name.
std::vector<std::string> leftovers(const std::string& folder) {
    std::vector<std::string> out;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.ends_with(kTemporarySuffix) || name.ends_with(kBackupSuffix)) {
            out.push_back(name);
        }
    }
    return out;
}

// A process id that belonged to a process which has ended.
pid_t endedProcessId() {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::_exit(0);
    }
    ::waitpid(pid, nullptr, 0);
    return pid;
}

const char* const kResultNames[] = {"ResultDaily.~", "SettingRecord.~", "ResultDailyForMemo.~",
                                    "ResultMonthly.~", "ResultMonthlyForMemo.~"};

// ---------------------------------------------------------------- special files

TEST(FaultSpecialFiles, PipesWhereInputsBelongAreNotFound) {
    for (const char* name : {"Parameter.Orvek", "Substrates.Orvek", "monthly.wth"}) {
        BatchFolder f;
        f.writeSettings("m.stg", {{2, "monthly.wth"}, {3, "N"}, {4, "Monthly weather data"}});
        if (std::string(name) != "monthly.wth") {
            f.folder.copyData("milwaukee_1991_2020_monthly.wth");
            fs::rename(f.folder.file("milwaukee_1991_2020_monthly.wth"),
                       f.folder.file("monthly.wth"));
        }
        fs::remove(f.folder.file(name));
        ASSERT_EQ(::mkfifo(f.folder.file(name).c_str(), 0600), 0);
        const Batch r = runBatch("m.stg", f.folder.path(), 10);
        EXPECT_NE(r.status, 124) << name << ": the run waited on the pipe";
        EXPECT_NE(r.status, 0) << name;
        EXPECT_TRUE(contains(r.output, name)) << r.output;
        EXPECT_FALSE(f.folder.exists("ResultDaily.~")) << name;
    }
}

TEST(FaultSpecialFiles, DevicesAndFoldersAreNotReadAsFiles) {
    test::TestFolder f;
    fs::create_symlink("/dev/zero", f.file("zero.wth"));
    fs::create_directory(f.file("folder.stg"));
    for (const char* name : {"zero.wth", "folder.stg"}) {
        try {
            readWholeFile(f.file(name));
            ADD_FAILURE() << name << " was read";
        } catch (const OrvekError& e) {
            EXPECT_TRUE(contains(e.what(), "No such file or directory")) << e.what();
        }
    }
}

// ---------------------------------------------------------------- sizes

TEST(FaultSizes, MonthlyWeatherThatWouldExpandPastTheLimitWritesNothing) {
    BatchFolder f;
    // Twenty years of months whose lines carry 100 kB of further values: 24 MB that would
    // become more than 700 MB of daily weather.
    std::string monthly = "h1\r\nh2\r\nh3\r\nh4\r\n";
    const std::string tail(100000, '7');
    for (int year = 2000; year < 2020; ++year) {
        for (int month = 1; month <= 12; ++month) {
            monthly +=
                std::to_string(year) + "\t" + std::to_string(month) + "\t10\t2\t" + tail + "\r\n";
        }
    }
    f.folder.write("big.wth", monthly);
    monthly.clear();
    f.folder.write("DailyWth.~", "earlier");
    f.writeSettings("m.stg", {{2, "big.wth"}, {3, "N"}, {4, "Monthly weather data"}});
    const Batch r = runBatch("m.stg", f.folder.path(), 60);
    EXPECT_EQ(r.status, 2) << r.output;
    EXPECT_TRUE(contains(r.output, "big.wth\" is too large")) << r.output;
    EXPECT_EQ(f.folder.read("DailyWth.~"), "earlier");
    EXPECT_TRUE(leftovers(f.folder.path()).empty());
}

TEST(FaultSizes, HugeEventsWorkbookIsRefusedWithoutReadingIt) {
    test::RunFixture run;
    run.useMilwaukeeWeather();
    run.page.startDate = test::date(2005, 1, 1);
    run.page.endDate = test::date(2005, 12, 31);
    run.page.eventsOnPanel = false;
    run.page.eventsFile = run.folder.file("events.xls");
    run.page.eventsFileName = "events.xls";
    run.folder.write("events.xls", "");
    ASSERT_EQ(::truncate(run.page.eventsFile.c_str(), off_t{65} << 20), 0); // sparse: no disk
    const RunOutcome out = run.run();
    EXPECT_FALSE(out.ok);
    EXPECT_TRUE(contains(out.message, "events.xls\" is too large")) << out.message;
    EXPECT_FALSE(run.folder.exists("ResultDaily.~"));
}

// ---------------------------------------------------------------- results replaced together

TEST(FaultResultSet, FolderInTheWayOfOneResultKeepsAllPreviousFiles) {
    test::RunFixture run;
    run.useMilwaukeeWeather();
    run.page.startDate = test::date(2005, 1, 1);
    run.page.endDate = test::date(2005, 6, 30);
    ASSERT_TRUE(run.run().ok);
    fs::remove(run.folder.file("ResultMonthly.~"));
    fs::create_directory(run.folder.file("ResultMonthly.~"));
    std::vector<std::string> before;
    for (const char* name : kResultNames) {
        before.push_back(run.folder.read(name));
    }
    run.page.endDate = test::date(2005, 12, 31);
    try {
        run.run();
        ADD_FAILURE() << "the run succeeded";
    } catch (const OrvekError& e) {
        EXPECT_TRUE(contains(e.what(), run.folder.file("ResultMonthly.~") + "\". Is a directory"))
            << e.what();
    }
    for (size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(run.folder.read(kResultNames[i]), before[i]) << kResultNames[i];
    }
    EXPECT_TRUE(leftovers(run.folder.path()).empty());
}

// A run killed between its renames leaves its journal and the copies of the files it replaced;
// the next run in the folder puts them back before anything else.
TEST(FaultResultSet, CommitOfAKilledRunIsPutBack) {
    test::TestFolder f;
    const std::string pid = std::to_string(endedProcessId());
    f.write("ResultDaily.~", "new daily");
    f.write(".ResultDaily.~." + pid + ".0.orvek-bak", "old daily");
    f.write("ResultMonthly.~", "new monthly, no earlier file");
    f.write(".SettingRecord.~." + pid + ".1.orvek-bak", "old record"); // not yet replaced
    ::link(f.file(".SettingRecord.~." + pid + ".1.orvek-bak").c_str(),
           f.file("SettingRecord.~").c_str());
    f.write(".ResultDailyForMemo.~." + pid + ".4.orvek-tmp", "new memo, not yet renamed");
    f.write(".orvek-commit." + pid + ".2.orvek-bak",
            "ResultDaily.~\t.ResultDaily.~." + pid +
                ".0.orvek-bak\nSettingRecord.~\t.SettingRecord.~." + pid +
                ".1.orvek-bak\nResultMonthly.~\t\n");
    { const auto lock = claimFolder(f.path()); }
    EXPECT_EQ(f.read("ResultDaily.~"), "old daily");
    EXPECT_EQ(f.read("SettingRecord.~"), "old record");
    EXPECT_FALSE(f.exists("ResultMonthly.~"));
    EXPECT_TRUE(leftovers(f.path()).empty());
}

// ---------------------------------------------------------------- leftovers and other files

TEST(FaultLeftovers, BatchDeletesNoFileItDidNotWrite) {
    BatchFolder f;
    f.folder.write("~Budget 2024.xls", "budget");
    f.folder.write("draft.~", "draft");
    EXPECT_EQ(runBatch("nosuch.stg", f.folder.path()).status, 2);
    fs::remove(f.folder.file("Option.Orvek"));
    EXPECT_EQ(runBatch("Example.stg", f.folder.path()).status, 0);
    EXPECT_EQ(f.folder.read("~Budget 2024.xls"), "budget");
    EXPECT_EQ(f.folder.read("draft.~"), "draft");
}

TEST(FaultLeftovers, TemporariesOfEndedProcessesAreSweptOthersKept) {
    BatchFolder f;
    const std::string dead = std::to_string(endedProcessId());
    const std::string alive = std::to_string(::getpid());
    const std::vector<std::string> swept = {".ResultDaily.~." + dead + ".3.orvek-tmp",
                                            ".~keep.xls." + dead + ".1.51234.tmp",
                                            ".ResultDaily.~." + dead + ".4.~"};
    const std::vector<std::string> kept = {".x.stg." + alive + ".0.orvek-tmp", ".notours.tmp",
                                           ".ResultDaily.~.abc.1.orvek-tmp", ".plain.~"};
    for (const auto& name : swept) {
        f.folder.write(name, "x");
    }
    for (const auto& name : kept) {
        f.folder.write(name, "x");
    }
    EXPECT_EQ(runBatch("Example.stg", f.folder.path()).status, 0);
    for (const auto& name : swept) {
        EXPECT_FALSE(f.folder.exists(name)) << name;
    }
    for (const auto& name : kept) {
        EXPECT_TRUE(f.folder.exists(name)) << name;
    }
}

TEST(FaultLeftovers, ASaveSweepsBesideItsTarget) {
    test::TestFolder f;
    const std::string name = ".old.stg." + std::to_string(endedProcessId()) + ".0.orvek-tmp";
    f.write(name, "half a setting file");
    Session s;
    saveSettings(s, f.file("new.stg"));
    EXPECT_FALSE(f.exists(name));
    EXPECT_TRUE(f.exists("new.stg"));
}

TEST(FaultLeftovers, StartFolderThatCannotBeMadeIsNamed) {
    // A missing start folder is made and filled; one whose parent is a file cannot be.
    test::TestFolder f;
    f.write("plain", "x");
    const Batch r = runBatch("--start-folder '" + f.file("plain/nowhere") + "' x.stg", f.path());
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(contains(r.output, f.file("plain/nowhere"))) << r.output;
    EXPECT_EQ(f.read("plain"), "x");
}

// ---------------------------------------------------------------- read-only targets

// We run the tests as the superuser in CI: the system would let us write anything, and the
// program still keeps its hands off a file without a write bit.
TEST(FaultReadOnly, ReadOnlyWorkbookIsNeverReplaced) {
    BatchFolder f;
    f.folder.write("kept.xls", "mine");
    ::chmod(f.folder.file("kept.xls").c_str(), 0444);
    const Batch r = runBatch("--xls kept.xls Example.stg", f.folder.path());
    EXPECT_EQ(r.status, 2) << r.output;
    EXPECT_TRUE(contains(r.output, "Can not create a docfile \"kept.xls\". Permission denied"))
        << r.output;
    EXPECT_EQ(f.folder.read("kept.xls"), "mine");
    std::vector<WorkbookCell> cells = {{0, 0, WorkbookCell::Kind::String, "x", 0}};
    EXPECT_THROW(saveResultWorkbook(cells, f.folder.file("kept.xls")), OrvekError);
    EXPECT_EQ(f.folder.read("kept.xls"), "mine");
}

TEST(FaultReadOnly, ReadOnlySettingFileIsNeverReplaced) {
    test::TestFolder f;
    f.write("kept.stg", "mine");
    ::chmod(f.file("kept.stg").c_str(), 0444);
    Session s;
    EXPECT_THROW(saveSettings(s, f.file("kept.stg")), OrvekError);
    EXPECT_EQ(f.read("kept.stg"), "mine");
    EXPECT_TRUE(leftovers(f.path()).empty());
}

// ---------------------------------------------------------------- write errors

TEST(FaultWriteErrors, EmptyWorkbookNameIsAUsageError) {
    BatchFolder f;
    const Batch r = runBatch("--xls '' Example.stg", f.folder.path());
    EXPECT_EQ(r.status, 2) << r.output;
    EXPECT_FALSE(f.folder.exists("ResultDaily.~"));
}

TEST(FaultWriteErrors, FailedWriteToStandardOutputIsAFailure) {
    BatchFolder f;
    const std::string command = "cd '" + f.folder.path() + "' && timeout 30 '" + ORVEK_BATCH_EXE +
                                "' Example.stg > /dev/full 2> err.txt";
    const int status = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << status;
    EXPECT_TRUE(contains(f.folder.read("err.txt"), "No space left on device"))
        << f.folder.read("err.txt");
}

// Content written straight into the temporary file: a write the system refused, or a failure
// of the writer itself, leaves the previous file and no temporary one.
TEST(FaultWriteErrors, AFileWrittenThroughItsDescriptorIsKeptOnlyWhenComplete) {
    test::TestFolder f;
    f.write("kept.xls", "earlier");
    const auto halfThen = [](int result) {
        return [result](int fd) {
            EXPECT_EQ(::write(fd, "half", 4), 4);
            return result;
        };
    };
    try {
        writeFileAtomically(f.file("kept.xls"), halfThen(ENOSPC), SaveTexts{"No file", "No room"});
        ADD_FAILURE() << "a refused write was reported as saved";
    } catch (const OrvekError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "No room \"" + f.file("kept.xls") + "\". No space left on device");
    }
    EXPECT_THROW(writeFileAtomically(f.file("kept.xls"),
                                     [](int) -> int { throw std::runtime_error("broken"); }),
                 std::runtime_error);
    EXPECT_EQ(f.read("kept.xls"), "earlier");
    EXPECT_TRUE(leftovers(f.path()).empty());
    // A new numbered file the same way: nothing under the temporary name remains.
    const std::string temp = temporaryNameFor(f.file("new.xls"));
    EXPECT_THROW(writeNewFile(temp, halfThen(EIO), f.file("new.xls")), OrvekError);
    EXPECT_FALSE(fs::exists(temp));
    // A complete one replaces the file, keeping its permissions.
    ::chmod(f.file("kept.xls").c_str(), 0640);
    writeFileAtomically(f.file("kept.xls"), halfThen(0));
    EXPECT_EQ(f.read("kept.xls"), "half");
    struct stat st {};
    ASSERT_EQ(::stat(f.file("kept.xls").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_TRUE(leftovers(f.path()).empty());
}

// A small file system of its own, mounted for the test (we run as the superuser in CI).
class FaultFullDisk : public ::testing::Test {
protected:
    void SetUp() override {
        mount = work.file("disk");
        fs::create_directory(mount);
        if (::mount("tmpfs", mount.c_str(), "tmpfs", 0, "size=256k") != 0) {
            GTEST_SKIP() << "no small file system for this test: mounting a tmpfs needs the "
                            "superuser ("
                         << std::strerror(errno) << ")";
        }
        mounted = true;
        mount += "/";
    }
    void TearDown() override {
        if (mounted) {
            ::umount2(mount.c_str(), MNT_DETACH);
        }
    }
    test::TestFolder work;
    std::string mount;
    bool mounted = false;
};

TEST_F(FaultFullDisk, ResultsThatDoNotFitNameTheFileAndKeepThePreviousOnes) {
    for (const char* name : {"Parameter.Orvek", "Option.Orvek", "Substrates.Orvek"}) {
        test::TestFolder::writeFile(mount + name, test::readFile(test::dataDir() + name));
    }
    test::TestFolder::writeFile(mount + "ResultDaily.~", "earlier");
    test::TestFolder::writeFile(mount + "fill", std::string(160 << 10, 'x'));
    work.copyData("Example.stg");
    work.copyData("milwaukee_1991_2020_daily.wth");
    const Batch r =
        runBatch("--start-folder '" + mount + "' '" + work.file("Example.stg") + "'", work.path());
    EXPECT_EQ(r.status, 2) << r.output;
    EXPECT_TRUE(contains(r.output, "No space left on device")) << r.output;
    EXPECT_TRUE(contains(r.output, "Cannot write file \"" + mount)) << r.output;
    EXPECT_FALSE(contains(r.output, kTemporarySuffix)) << r.output;
    EXPECT_TRUE(test::readFile(mount + "ResultDaily.~") == "earlier");
    EXPECT_TRUE(leftovers(mount).empty());
}

TEST_F(FaultFullDisk, WorkbookThatDoesNotFitKeepsTheLibraryTextAndAddsPathAndReason) {
    test::TestFolder::writeFile(mount + "fill", std::string(200 << 10, 'x'));
    test::TestFolder::writeFile(mount + "r.xls", "earlier");
    std::vector<WorkbookCell> cells;
    for (int row = 0; row < 3000; ++row) {
        cells.push_back({row, 0, WorkbookCell::Kind::String, "row " + std::to_string(row), 0});
    }
    try {
        saveResultWorkbook(cells, mount + "r.xls");
        ADD_FAILURE() << "saved on a full disk";
    } catch (const OrvekError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Can not write to a stream \"" + mount + "r.xls\". No space left on device");
    }
    EXPECT_EQ(test::readFile(mount + "r.xls"), "earlier");
    EXPECT_TRUE(leftovers(mount).empty());
}

// ---------------------------------------------------------------- two runs, one folder

TEST(FaultConcurrency, SecondRunWaitsThenSaysTheFolderIsInUse) {
    BatchFolder f;
    FolderLock held(f.folder.path());
    const Batch r = runBatch("Example.stg", f.folder.path());
    EXPECT_EQ(r.status, 2) << r.output;
    std::string folder = f.folder.path();
    folder.pop_back();
    EXPECT_TRUE(contains(r.output, "Folder '" + folder + "' is in use by another Orvek C&N run."))
        << r.output;
    EXPECT_FALSE(f.folder.exists("ResultDaily.~"));
}

TEST(FaultConcurrency, SecondRunProceedsWhenTheFirstEndsInTime) {
    BatchFolder f;
    auto held = std::make_unique<FolderLock>(f.folder.path());
    std::thread release([&held] {
        std::this_thread::sleep_for(std::chrono::milliseconds(1000));
        held.reset();
    });
    const Batch r = runBatch("Example.stg", f.folder.path());
    release.join();
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(f.folder.exists(".orvek.lock")); // never deleted
}

TEST(FaultConcurrency, LockIsHeldAgainstThisProcessToo) {
    test::TestFolder f;
    FolderLock first(f.path());
    EXPECT_THROW(FolderLock(f.path(), std::chrono::milliseconds(200)), OrvekError);
}

// Numbered new files ("Result-3.xls") saved by two writers at once each get a name of their
// own, never one the other (or a folder, or a dangling link) already holds.
TEST(FaultConcurrency, NumberedNewFilesNeverReplaceEachOther) {
    test::TestFolder f;
    f.write("Result-2.xls", "kept");
    fs::create_directory(f.file("Result-4.xls"));
    fs::create_symlink(f.file("nowhere"), f.file("Result-5.xls"));
    const auto nameFor = [&f](int n) { return f.file("Result-" + std::to_string(n) + ".xls"); };
    constexpr int kEach = 40;
    std::vector<std::string> names[2];
    std::vector<std::thread> writers;
    for (int w = 0; w < 2; ++w) {
        writers.emplace_back([&, w] {
            for (int i = 0; i < kEach; ++i) {
                const std::string temp = temporaryNameFor(nameFor(1));
                writeNewFile(temp, std::to_string(w) + ":" + std::to_string(i), nameFor(1));
                names[w].push_back(publishUnderFirstFreeName(temp, nameFor));
            }
        });
    }
    for (std::thread& t : writers) {
        t.join();
    }
    std::set<std::string> all;
    for (int w = 0; w < 2; ++w) {
        for (int i = 0; i < kEach; ++i) {
            const std::string& name = names[w][static_cast<size_t>(i)];
            EXPECT_EQ(test::readFile(name), std::to_string(w) + ":" + std::to_string(i));
            all.insert(name);
        }
    }
    EXPECT_EQ(all.size(), size_t{2 * kEach});
    EXPECT_EQ(all.count(nameFor(2)) + all.count(nameFor(4)) + all.count(nameFor(5)), 0u);
    EXPECT_EQ(f.read("Result-2.xls"), "kept");
    EXPECT_TRUE(fs::is_symlink(f.file("Result-5.xls")));
    EXPECT_FALSE(fs::exists(f.file("nowhere")));
    EXPECT_TRUE(leftovers(f.path()).empty());

    // A folder that refuses the file names the first candidate, and leaves nothing behind.
    const std::string temp = temporaryNameFor(nameFor(1));
    writeNewFile(temp, "x", nameFor(1));
    try {
        publishUnderFirstFreeName(
            temp, [&f](int n) { return f.file("missing/Result-" + std::to_string(n) + ".xls"); });
        ADD_FAILURE() << "published into a missing folder";
    } catch (const OrvekError& e) {
        EXPECT_TRUE(contains(e.what(), "missing/Result-1.xls")) << e.what();
    }
    EXPECT_TRUE(leftovers(f.path()).empty());
}

// ---------------------------------------------------------------- killed runs

// The result files of a folder after a run of `settings`, the setting record left out (it
// carries the time of the run).
std::vector<std::string> resultSet(const std::string& folder) {
    std::vector<std::string> set;
    for (const char* name : kResultNames) {
        if (std::string(name) != "SettingRecord.~") {
            set.push_back(test::readFile(folder + name));
        }
    }
    return set;
}

TEST(FaultKilledRun, KilledRunLeavesOneSetAndTheNextRunClearsUp) {
    BatchFolder reference;
    reference.writeSettings("long.stg", {{7, "44196"}}); // to the end of 2020
    ASSERT_EQ(runBatch("long.stg", reference.folder.path()).status, 0);
    const std::vector<std::string> newSet = resultSet(reference.folder.path());

    BatchFolder f;
    f.writeSettings("long.stg", {{7, "44196"}});
    ASSERT_EQ(runBatch("Example.stg", f.folder.path()).status, 0);
    const std::vector<std::string> oldSet = resultSet(f.folder.path());
    std::string oldRecord = f.folder.read("SettingRecord.~"); // it carries the run's time
    ASSERT_NE(oldSet, newSet);

    for (int delay = 0; delay <= 600; delay += 40) {
        const pid_t child = ::fork();
        if (child == 0) {
            if (::chdir(f.folder.path().c_str()) == 0) {
                ::execl(ORVEK_BATCH_EXE, ORVEK_BATCH_EXE, "long.stg", static_cast<char*>(nullptr));
            }
            ::_exit(127);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(delay));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        const std::vector<std::string> now = resultSet(f.folder.path());
        const bool old = now == oldSet && f.folder.read("SettingRecord.~") == oldRecord;
        EXPECT_TRUE(old || now == newSet) << "a mix after a kill at " << delay << " ms";
        if (!old) {
            // Back to the earlier set for the next kill.
            ASSERT_EQ(runBatch("Example.stg", f.folder.path()).status, 0);
            ASSERT_EQ(resultSet(f.folder.path()), oldSet);
            oldRecord = f.folder.read("SettingRecord.~");
            continue;
        }
        const std::string killed = "." + std::to_string(child) + ".";
        ASSERT_EQ(runBatch("long.stg", f.folder.path()).status, 0) << delay;
        for (const auto& entry : fs::directory_iterator(f.folder.path())) {
            EXPECT_FALSE(contains(entry.path().filename().string(), killed))
                << entry.path() << " left by the run killed at " << delay << " ms";
        }
        EXPECT_EQ(resultSet(f.folder.path()), newSet);
        ASSERT_EQ(runBatch("Example.stg", f.folder.path()).status, 0);
        ASSERT_EQ(resultSet(f.folder.path()), oldSet);
        oldRecord = f.folder.read("SettingRecord.~");
    }
}

// ---------------------------------------------------------------- another locale

TEST(FaultLocale, CommaLocaleGivesTheSameResults) {
    BatchFolder c;
    BatchFolder comma;
    ASSERT_EQ(runBatch("Example.stg", c.folder.path(), 30, "LC_ALL=C").status, 0);
    const Batch r = runBatch("Example.stg", comma.folder.path(), 30, "LC_ALL=de_DE.UTF-8");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(resultSet(comma.folder.path()), resultSet(c.folder.path()));
}

} // namespace
} // namespace orvek
