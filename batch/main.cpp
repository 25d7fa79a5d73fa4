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

#include <cstdio>
#include <ctime>
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

// The C locale's short date (M/d/yy) and long time (HH:mm:ss).
std::string shortDate(orvek::DateSerial date) {
    const orvek::CalendarDate c = orvek::decodeDate(date);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%d/%d/%02d", c.month, c.day, ((c.year % 100) + 100) % 100);
    return buf;
}

orvek::RecordFormats batchFormats() {
    orvek::RecordFormats f;
    f.shortDate = shortDate;
    f.decimalSeparator = '.';
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char date[32];
    char time[32];
    std::snprintf(date, sizeof date, "%d/%d/%02d", local.tm_mon + 1, local.tm_mday,
                  local.tm_year % 100);
    std::strftime(time, sizeof time, "%H:%M:%S", &local);
    f.runDate = date;
    f.runTime = time;
    return f;
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
    const std::string startError = orvek::startSession(session, startFolder);
    if (!startError.empty()) {
        std::cerr << "orvek-batch: " << startError << "\n";
    }
    try {
        orvek::retrieveSettings(session, settings);
        orvek::RunEnvironment env;
        env.startFolder = session.startFolder;
        env.decimalSeparator = session.decimalSeparator;
        env.formats = batchFormats();
        const bool terminal = ::isatty(STDERR_FILENO) != 0;
        int days = 0;
        if (terminal) {
            env.progress = [&days](int) {
                if (++days % 3650 == 0) {
                    std::cerr << "\r" << days << " days simulated" << std::flush;
                }
            };
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
