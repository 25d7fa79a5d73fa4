#include "windows/results/ResultExport.h"

#include "basics/Files.h"
#include "formats/ResultFiles.h"
#include "uibase/PlatformServices.h"

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

std::string openResultsInSpreadsheet(const ResultExportSource& source) {
    // Daily output ends at the last simulated day; monthly output at the end date.
    const std::vector<WorkbookCell> cells =
        resultCells(source, source.dailyOutput ? WorkbookStop::AtLastDAS : WorkbookStop::AtEndDate);
    const std::string path = firstFreeResultName(source.workingFolder);
    saveResultWorkbook(cells, path);
    services().openDocument(QString::fromStdString(path)); // its failure is not reported
    return path;
}

} // namespace orvek::ui
