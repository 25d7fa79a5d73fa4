#include "run/ResultExports.h"

#include "basics/Files.h"
#include "formats/ResultCsv.h"
#include "formats/ResultFiles.h"

namespace orvek {

namespace {

std::string resultText(const ResultExportFiles& files) {
    return readWholeFile(files.startFolder +
                         (files.daily ? kResultDailyFileName : kResultMonthlyFileName));
}

std::string recordText(const ResultExportFiles& files) {
    return readWholeFile(files.startFolder + kSettingRecordFileName);
}

} // namespace

void saveResultsCsv(const ResultExportFiles& files, const std::string& path, bool settingComments) {
    CsvRequest request;
    request.daily = files.daily;
    request.carbonOnly = files.last.carbonOnly;
    request.endDate = files.last.endDate;
    request.settingComments = settingComments;
    writeFileAtomically(path, resultCsv(resultText(files), recordText(files), request));
}

void saveResultsXlsx(const ResultExportFiles& files, const std::string& path, XlsxMemory memory) {
    saveResultXlsx(resultWorkbookCells(resultText(files), recordText(files), files.last.carbonOnly,
                                       WorkbookStop::AtEndDate, files.last.endDate,
                                       files.last.lastDAS),
                   path, memory);
}

} // namespace orvek
