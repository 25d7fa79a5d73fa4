#include "windows/results/ResultExport.h"

#include "basics/Files.h"
#include "formats/ResultFiles.h"
#include "uibase/PlatformServices.h"

#include <QDir>
#include <QFileInfo>

#include <filesystem>
#include <system_error>

namespace orvek::ui {

std::vector<WorkbookCell> resultCells(const ResultExportSource& source, WorkbookStop stop) {
    const std::string result = readWholeFile(
        source.startFolder + (source.dailyOutput ? kResultDailyFileName : kResultMonthlyFileName));
    const std::string record = readWholeFile(source.startFolder + kSettingRecordFileName);
    return resultWorkbookCells(result, record, source.last.carbonOnly, stop, source.last.endDate,
                               source.last.lastDAS);
}

std::string firstFreeResultName(const std::string& workingFolder) {
    for (int n = 1;; ++n) {
        std::string candidate = workingFolder + "Result-" + std::to_string(n) + ".xls";
        // A folder that cannot be searched ends the search; saving there reports the reason.
        std::error_code unreadable;
        if (!std::filesystem::exists(candidate, unreadable)) {
            return candidate;
        }
    }
}

void saveResultsAs(QWidget* parent, const ResultExportSource& source) {
    FileDialogRequest request;
    request.title = QStringLiteral("Save numerical output as Excel file");
    request.initialFolder = QString::fromStdString(source.workingFolder);
    request.filters = {QStringLiteral("Excel (*.xls)"), QStringLiteral("any file (*.*)")};
    request.defaultSuffix = QStringLiteral("xls");
    request.confirmOverwrite = true;
    const FileDialogResult chosen = services().saveFile(parent, request);
    if (chosen.path.isEmpty()) {
        return;
    }
    QString path = chosen.path;
    if (chosen.filterIndex == 0 && QFileInfo(path).suffix().isEmpty()) {
        path += QStringLiteral(".xls");
    }
    // The cells are read before anything is written, so a bad result file leaves no file.
    saveResultWorkbook(resultCells(source, WorkbookStop::AtEndDate), path.toStdString());
}

namespace {

bool sameContent(const std::string& a, const std::string& b) {
    try {
        return readWholeFile(a) == readWholeFile(b);
    } catch (const std::exception&) {
        return false;
    }
}

// An earlier numbered workbook with exactly the content of the one just written, which is
// then removed: a workbook nobody could open is not written a second time.
std::string keepEarlierCopy(const std::string& written, const std::string& workingFolder) {
    for (int n = 1;; ++n) {
        const std::string candidate = workingFolder + "Result-" + std::to_string(n) + ".xls";
        if (candidate == written) {
            return written;
        }
        std::error_code unreadable;
        if (std::filesystem::is_regular_file(candidate, unreadable) &&
            sameContent(candidate, written)) {
            std::filesystem::remove(written, unreadable);
            return candidate;
        }
    }
}

} // namespace

std::string openResultsInSpreadsheet(QWidget* parent, const ResultExportSource& source) {
    // Daily output ends at the last simulated day; monthly output at the end date.
    const std::vector<WorkbookCell> cells =
        resultCells(source, source.dailyOutput ? WorkbookStop::AtLastDAS : WorkbookStop::AtEndDate);
    std::string path = firstFreeResultName(source.workingFolder);
    saveResultWorkbook(cells, path);
    // The desktop's opener reports success as soon as it starts, even when no program takes
    // the workbook; so the desktop is asked first whether any program is set up for it.
    const std::optional<QString> application =
        services().defaultApplication(QStringLiteral("application/vnd.ms-excel"));
    const bool opened = !(application && application->isEmpty()) &&
                        services().openDocument(QString::fromStdString(path));
    if (!opened) {
        path = keepEarlierCopy(path, source.workingFolder);
        const QFileInfo file(QString::fromStdString(path));
        services().message(
            parent,
            QStringLiteral("%1 was saved in %2, but no spreadsheet program is set up "
                           "to open .xls files.")
                .arg(file.fileName(), QDir::toNativeSeparators(file.absolutePath())),
            MessageIcon::Information);
    }
    return path;
}

} // namespace orvek::ui
