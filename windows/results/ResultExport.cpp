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

namespace {

struct ExportTexts {
    std::string result;
    std::string record;
};

ExportTexts resultTexts(const ResultExportSource& source) {
    return {readWholeFile(source.startFolder +
                          (source.dailyOutput ? kResultDailyFileName : kResultMonthlyFileName)),
            readWholeFile(source.startFolder + kSettingRecordFileName)};
}

std::string resultName(const std::string& workingFolder, int n) {
    return workingFolder + "Result-" + std::to_string(n) + ".xls";
}

} // namespace

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
    // The values are read before anything is written, so a bad result file leaves no file.
    const ExportTexts texts = resultTexts(source);
    saveResultWorkbook(texts.result, texts.record, source.last.carbonOnly, WorkbookStop::AtEndDate,
                       source.last.endDate, source.last.lastDAS, path.toStdString());
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
        const std::string candidate = resultName(workingFolder, n);
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
    const ExportTexts texts = resultTexts(source);
    // The workbook takes the first free number in one step, so a file another program makes
    // meanwhile under that name is never replaced.
    std::string path = saveNewResultWorkbook(
        texts.result, texts.record, source.last.carbonOnly,
        source.dailyOutput ? WorkbookStop::AtLastDAS : WorkbookStop::AtEndDate, source.last.endDate,
        source.last.lastDAS, [&source](int n) { return resultName(source.workingFolder, n); });
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
