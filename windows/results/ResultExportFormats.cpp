#include "windows/results/ResultExportFormats.h"

#include "run/ResultExports.h"
#include "uibase/PlatformServices.h"

#include <QFileInfo>

namespace orvek::ui {

namespace {

// The chosen path, with the suffix added when the first filter was chosen and none was typed;
// empty when the dialog was cancelled.
QString askTarget(QWidget* parent, const QString& title, const QString& filter,
                  const QString& suffix, const ResultExportSource& source) {
    FileDialogRequest request;
    request.title = title;
    request.initialFolder = QString::fromStdString(source.workingFolder);
    request.filters = {filter, QStringLiteral("any file (*.*)")};
    request.defaultSuffix = suffix;
    request.confirmOverwrite = true;
    const FileDialogResult chosen = services().saveFile(parent, request);
    QString path = chosen.path;
    if (!path.isEmpty() && chosen.filterIndex == 0 && QFileInfo(path).suffix().isEmpty()) {
        path += QLatin1Char('.') + suffix;
    }
    return path;
}

ResultExportFiles exportFiles(const ResultExportSource& source) {
    return ResultExportFiles{source.startFolder, source.last, source.dailyOutput};
}

} // namespace

void saveResultsAsCsv(QWidget* parent, const ResultExportSource& source) {
    const QString path = askTarget(parent, QStringLiteral("Save result as CSV"),
                                   QStringLiteral("CSV (*.csv)"), QStringLiteral("csv"), source);
    if (!path.isEmpty()) {
        saveResultsCsv(exportFiles(source), path.toStdString(), false);
    }
}

void saveResultsAsXlsx(QWidget* parent, const ResultExportSource& source) {
    const QString path =
        askTarget(parent, QStringLiteral("Save result as .xlsx"),
                  QStringLiteral("Excel workbook (*.xlsx)"), QStringLiteral("xlsx"), source);
    if (!path.isEmpty()) {
        saveResultsXlsx(exportFiles(source), path.toStdString());
    }
}

} // namespace orvek::ui
