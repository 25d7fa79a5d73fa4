// orvek-batch: performs the "Run..." of the window without a window.
//   orvek-batch [--start-folder DIR] [--xls FILE] SETTINGS.stg
// Exit status: 0 after a run, 1 when a check of the inputs fails, 2 for a file, format or usage
// error.

#include "basics/Errors.h"
#include "basics/Files.h"
#include "basics/Text.h"
#include "formats/ResultFiles.h"
#include "formats/ResultWorkbook.h"
#include "run/RunPipeline.h"
#include "run/StartUp.h"

#include <clocale>
#include <filesystem>
#include <iostream>
#include <string>
#include <unistd.h>

namespace {

constexpr int kExitRun = 0;
constexpr int kExitCheck = 1;
constexpr int kExitError = 2;

void usage() {
    std::cerr << "Usage: orvek-batch [--start-folder DIR] [--xls FILE] SETTINGS.stg\n";
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

} // namespace

int main(int argc, char** argv) {
    std::string startFolder;
    std::string xlsFile;
    std::string settings;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--start-folder" || arg == "--xls") && i + 1 < argc) {
            (arg == "--xls" ? xlsFile : startFolder) = argv[++i];
        } else if (arg == "-h" || arg == "--help") {
            usage();
            return kExitRun;
        } else if (!arg.empty() && arg[0] == '-') {
            usage();
            return kExitError;
        } else if (settings.empty()) {
            settings = arg;
        } else {
            usage();
            return kExitError;
        }
    }
    if (settings.empty()) {
        usage();
        return kExitError;
    }
    if (startFolder.empty()) {
        std::error_code ec;
        startFolder = std::filesystem::current_path(ec).string();
    }
    orvek::Session session;
    session.decimalSeparator = localeDecimalSeparator();
    const std::string startError = orvek::startSession(session, startFolder);
    if (!startError.empty()) {
        std::cerr << "orvek-batch: " << startError << "\n";
    }
    try {
        orvek::retrieveSettings(session, settings);
        orvek::RunEnvironment env;
        env.startFolder = session.startFolder;
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
        std::cout << outcome.last.lastDAS << " daily rows written to " << session.startFolder
                  << orvek::kResultDailyFileName << " (with " << orvek::kResultMonthlyFileName
                  << ", " << orvek::kResultDailyMemoFileName << ", "
                  << orvek::kResultMonthlyMemoFileName << " and " << orvek::kSettingRecordFileName
                  << ")";
        if (!xlsFile.empty()) {
            // As "Save numerical ouput as Excel file" does, for the setting file's time step.
            const bool daily = session.page.dailyOutput;
            const std::string& folder = session.startFolder;
            const auto cells = orvek::resultWorkbookCells(
                orvek::readWholeFile(
                    folder + (daily ? orvek::kResultDailyFileName : orvek::kResultMonthlyFileName)),
                orvek::readWholeFile(folder + orvek::kSettingRecordFileName),
                outcome.last.carbonOnly, orvek::WorkbookStop::AtEndDate, outcome.last.endDate,
                outcome.last.lastDAS);
            orvek::saveResultWorkbook(cells, xlsFile);
            std::cout << "; " << (daily ? "daily" : "monthly") << " results saved in " << xlsFile;
        }
        std::cout << "\n";
        return kExitRun;
    } catch (const std::exception& e) {
        std::cerr << e.what() << "\n";
        return kExitError;
    }
}
