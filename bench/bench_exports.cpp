// The CSV and .xlsx exports of a 100-year daily C & N run (36,525 rows x 10 columns), and the
// .xlsx library alone writing the same cells from memory, in its default and constant-memory
// modes. Prints the best and the median of several repetitions.

#include "BenchCentury.h"

#include "basics/Files.h"
#include "formats/ResultCsv.h"
#include "formats/ResultFiles.h"
#include "formats/ResultWorkbook.h"
#include "run/ResultExports.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

namespace {

double seconds(const std::function<void()>& step) {
    const auto start = std::chrono::steady_clock::now();
    step();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double report(const char* what, const std::function<void()>& step, int repetitions) {
    std::vector<double> times;
    for (int i = 0; i < repetitions; ++i) {
        times.push_back(seconds(step));
    }
    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2];
    std::printf("%-58s best %.4f s, median %.4f s\n", what, times.front(), median);
    return median;
}

// The library alone: the cells already in memory as numbers and texts.
void libraryAlone(const std::vector<orvek::WorkbookCell>& cells, const std::string& path,
                  bool constantMemory) {
    lxw_workbook_options options{};
    options.constant_memory = constantMemory ? LXW_TRUE : LXW_FALSE;
    lxw_workbook* book = workbook_new_opt(path.c_str(), &options);
    lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
    lxw_format* date = workbook_add_format(book);
    format_set_num_format(date, "mm/dd/yy");
    for (const orvek::WorkbookCell& c : cells) {
        const auto row = static_cast<lxw_row_t>(c.row);
        const auto col = static_cast<lxw_col_t>(c.column);
        if (c.kind == orvek::WorkbookCell::Kind::String) {
            if (!c.text.empty()) {
                worksheet_write_string(sheet, row, col, c.text.c_str(), nullptr);
            }
        } else {
            worksheet_write_number(sheet, row, col, c.number,
                                   c.kind == orvek::WorkbookCell::Kind::Date ? date : nullptr);
        }
    }
    workbook_close(book);
}

} // namespace

int main() {
    const orvek::bench::CenturyRun run = orvek::bench::centuryRun("orvek-bench-exports");
    std::printf("100-year daily C & N run: %d rows\n", run.last.lastDAS);
    const orvek::ResultExportFiles files{run.folder, run.last, true};
    const std::string daily = orvek::readWholeFile(run.folder + orvek::kResultDailyFileName);
    const std::string record = orvek::readWholeFile(run.folder + orvek::kSettingRecordFileName);

    orvek::CsvRequest request;
    request.carbonOnly = false;
    request.endDate = run.last.endDate;
    size_t bytes = 0;
    report(
        "CSV text from the result file (in memory)",
        [&] { bytes = orvek::resultCsv(daily, record, request).size(); }, 21);
    report(
        "CSV export (files read, CSV written and renamed)",
        [&] { orvek::saveResultsCsv(files, run.folder + "out.csv", false); }, 21);
    std::printf("  CSV size %zu bytes\n", bytes);

    const auto cells = orvek::resultWorkbookCells(
        daily, record, false, orvek::WorkbookStop::AtEndDate, run.last.endDate, run.last.lastDAS);
    const double aloneDefault = report(
        "libxlsxwriter alone, default mode",
        [&] { libraryAlone(cells, run.folder + "a.xlsx", false); }, 5);
    const double oursDefault = report(
        ".xlsx export, default mode",
        [&] { orvek::saveResultsXlsx(files, run.folder + "out.xlsx"); }, 5);
    const double aloneConstant = report(
        "libxlsxwriter alone, constant-memory mode",
        [&] { libraryAlone(cells, run.folder + "c.xlsx", true); }, 5);
    const double oursConstant = report(
        ".xlsx export, constant-memory mode",
        [&] {
            orvek::saveResultsXlsx(files, run.folder + "outc.xlsx",
                                   orvek::XlsxMemory::ConstantMemory);
        },
        5);
    std::printf("  ratio export / library alone: default %.2f, constant memory %.2f\n",
                oursDefault / aloneDefault, oursConstant / aloneConstant);
    std::printf("  peak memory %ld kB\n", orvek::bench::peakKilobytes());
    if (!std::getenv("ORVEK_BENCH_KEEP")) {
        std::filesystem::remove_all(run.folder);
    }
    return 0;
}
