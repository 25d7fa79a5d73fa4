// orvek-batch: performs the "Run..." of the window without a window.
//   orvek-batch [--start-folder DIR] [--out DIR] [--xls FILE] [--xlsx FILE]
//               [--csv FILE [--csv-comments]] SETTINGS.stg
// and the commands of batch/Commands.h (weather import, ensembles, merging of shards).
// DIR (default: the current folder) is filled with the bundled files when it is missing or
// empty.
// Exit status: 0 after a run, 1 when a check of the inputs fails, 2 for a file, format or usage
// error.

#include "basics/Errors.h"
#include "basics/Files.h"
#include "basics/FolderLock.h"
#include "basics/LargePages.h"
#include "basics/Text.h"
#include "batch/Commands.h"
#include "batch/RunFolders.h"
#include "formats/ResultFiles.h"
#include "formats/ResultWorkbook.h"
#include "run/ResultExports.h"
#include "run/RunPipeline.h"
#include "run/StartFolder.h"
#include "run/StartUp.h"

#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kExitRun = 0;
constexpr int kExitCheck = 1;
constexpr int kExitError = 2;

void usage() {
    std::cerr << "Usage: orvek-batch [--start-folder DIR] [--out DIR] [--xls FILE] [--xlsx FILE]\n"
                 "                   [--csv FILE [--csv-comments]] SETTINGS.stg\n"
                 "       orvek-batch --import-weather IN OUT.wth [--fill-gaps linear]\n"
                 "       orvek-batch [--start-folder DIR] --runs RUNS.csv --out DIR [--jobs N]\n"
                 "                   [--keep-files] [--resume] [--shard K/N]\n"
                 "                   [--vary NAME=uniform:LOW:HIGH|normal:MEAN:SD ...]\n"
                 "                   [--samples K] [--seed S]\n"
                 "       orvek-batch --merge DIR... --out DIR\n";
}

// The decimal separator of the user's locale (LC_ALL, LC_NUMERIC, LANG), which numbers in the
// setting file and the options may use beside ".". The C library itself is put back to the C
// locale for numbers, so that nothing this program writes depends on it.
char localeDecimalSeparator() {
    std::setlocale(LC_ALL, "");
    char separator = '.';
    const std::lconv* conventions = std::localeconv();
    if (conventions != nullptr && conventions->decimal_point != nullptr &&
        conventions->decimal_point[0] != '\0' && conventions->decimal_point[1] == '\0') {
        separator = conventions->decimal_point[0];
    }
    std::setlocale(LC_NUMERIC, "C");
    return separator;
}

// Writes the whole text to standard output; false with errno set when it cannot (a full disk, a
// closed pipe), which a run must report rather than end as if all went well.
bool writeToStandardOutput(const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(STDOUT_FILENO, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            if (n == 0) {
                errno = EIO;
            }
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    // A closed pipe on standard output is reported as a write error, not a silent death.
    std::signal(SIGPIPE, SIG_IGN);
    orvek::growHeapInLargePages(orvek::kSingleRunHeap);
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (const int command = orvek::batch::dispatchCommand(args); command >= 0) {
        return command;
    }
    std::string startFolder;
    std::string outFolder;
    std::string xlsFile;
    std::string xlsxFile;
    std::string csvFile;
    bool csvComments = false;
    std::string settings;
    bool startFolderGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--start-folder" || arg == "--out" || arg == "--xls" || arg == "--xlsx" ||
             arg == "--csv") &&
            i + 1 < argc) {
            const std::string value = argv[++i];
            if (value.empty()) {
                std::cerr << "orvek-batch: " << arg << " needs a name.\n";
                usage();
                return kExitError;
            }
            if (arg == "--xls") {
                xlsFile = value;
            } else if (arg == "--xlsx") {
                xlsxFile = value;
            } else if (arg == "--csv") {
                csvFile = value;
            } else if (arg == "--out") {
                outFolder = value;
            } else {
                startFolder = value;
                startFolderGiven = true;
            }
        } else if (arg == "--csv-comments") {
            csvComments = true;
        } else if (arg == "-h" || arg == "--help") {
            usage();
            return kExitRun;
        } else if (!arg.empty() && arg[0] == '-') {
            usage();
            return kExitError;
        } else if (settings.empty() && !arg.empty()) {
            settings = arg;
        } else {
            usage();
            return kExitError;
        }
    }
    if (settings.empty() || (csvComments && csvFile.empty())) {
        usage();
        return kExitError;
    }
    if (!startFolderGiven) {
        std::error_code ec;
        startFolder = std::filesystem::current_path(ec).string();
    } else {
        // A new folder gets the bundled files, as the window's own folder does; a folder that
        // holds anything already is the user's and is used as it is.
        try {
            const orvek::FillOutcome filled = orvek::fillStartFolder(
                startFolder, orvek::bundledDataFolder(orvek::executablePath(argv[0])),
                orvek::FillRule::IfEmptyOnly);
            for (const std::string& problem : filled.problems) {
                std::cerr << "orvek-batch: " << problem << "\n";
            }
        } catch (const std::exception& e) {
            std::cerr << "orvek-batch: " << e.what() << "\n";
            return kExitError;
        }
    }
    const char decimalSeparator = localeDecimalSeparator();
    std::string written;
    try {
        // Held to the end of the run: no other run or window writes in the same folder meanwhile.
        std::unique_ptr<orvek::FolderLock> lock;
        if (!outFolder.empty()) {
            outFolder = orvek::batch::makeFolder(outFolder);
            lock = orvek::claimFolder(outFolder);
            for (std::string* file : {&xlsFile, &xlsxFile, &csvFile}) {
                if (!file->empty()) {
                    *file = orvek::batch::inFolder(outFolder, *file);
                }
            }
        } else {
            lock = orvek::claimFolder(startFolder);
        }
        orvek::Session session;
        session.decimalSeparator = decimalSeparator;
        // With --out the start folder is only read, so any number of runs may share it.
        const std::string startError =
            outFolder.empty() ? orvek::startSession(session, startFolder)
                              : orvek::batch::startReadOnlySession(session, startFolder);
        if (!startError.empty()) {
            std::cerr << "orvek-batch: " << startError << "\n";
        }
        orvek::retrieveSettings(session, settings);
        orvek::RunEnvironment env;
        env.startFolder = session.startFolder;
        env.outputFolder = outFolder;
        env.decimalSeparator = session.decimalSeparator;
        env.formats = orvek::plainRecordFormats();
        const bool terminal = ::isatty(STDERR_FILENO) != 0;
        int days = 0;
        if (terminal) {
            env.progress = [&days](int) {
                if (++days % 3650 == 0) {
                    std::cerr << "\r" << days << " days simulated" << std::flush;
                }
            };
        }
        const orvek::PageState& page = session.page;
        if (!xlsFile.empty() && page.dailyOutput && page.endDate >= page.startDate &&
            !orvek::resultWorkbookFits(static_cast<size_t>(page.endDate - page.startDate) + 1, 0)) {
            // Days of a run that long cannot fit on a worksheet: say so before running it.
            std::cerr << orvek::kTooManyRowsMessage << "\n";
            return kExitError;
        }
        const orvek::RunOutcome outcome = orvek::performRun(session.page, env);
        if (terminal && days >= 3650) {
            std::cerr << "\r" << std::string(30, ' ') << "\r" << std::flush;
        }
        if (!outcome.ok) {
            std::cerr << outcome.message << "\n";
            return kExitCheck;
        }
        written = std::to_string(outcome.last.lastDAS) + " daily rows written to " +
                  env.filesFolder() + orvek::kResultDailyFileName + " (with " +
                  orvek::kResultMonthlyFileName + ", " + orvek::kResultDailyMemoFileName + ", " +
                  orvek::kResultMonthlyMemoFileName + " and " + orvek::kSettingRecordFileName + ")";
        if (!xlsFile.empty()) {
            // As "Save numerical ouput as Excel file" does, for the setting file's time step.
            const bool daily = session.page.dailyOutput;
            const std::string& folder = env.filesFolder();
            orvek::saveResultWorkbook(
                orvek::readWholeFile(
                    folder + (daily ? orvek::kResultDailyFileName : orvek::kResultMonthlyFileName)),
                orvek::readWholeFile(folder + orvek::kSettingRecordFileName),
                outcome.last.carbonOnly, orvek::WorkbookStop::AtEndDate, outcome.last.endDate,
                outcome.last.lastDAS, xlsFile);
            written +=
                std::string("; ") + (daily ? "daily" : "monthly") + " results saved in " + xlsFile;
        }
        // The other exports, for the same time step; their paths are taken as given.
        const orvek::ResultExportFiles files{env.filesFolder(), outcome.last,
                                             session.page.dailyOutput};
        const char* step = files.daily ? "daily" : "monthly";
        if (!xlsxFile.empty()) {
            orvek::saveResultsXlsx(files, xlsxFile);
            written += std::string("; ") + step + " results saved in " + xlsxFile;
        }
        if (!csvFile.empty()) {
            orvek::saveResultsCsv(files, csvFile, csvComments);
            written += std::string("; ") + step + " results saved in " + csvFile;
        }
        written += "\n";
    } catch (const std::exception& e) {
        std::cerr << e.what() << "\n";
        return kExitError;
    }
    if (!writeToStandardOutput(written)) {
        std::cerr << "orvek-batch: Cannot write to standard output. " << std::strerror(errno)
                  << "\n";
        return kExitError;
    }
    return kExitRun;
}
