#include "formats/ResultXlsx.h"

#include "basics/Errors.h"
#include "basics/Files.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <map>
#include <sys/stat.h>

namespace orvek {

namespace {

constexpr int kFirstDataRow = 4;
constexpr double kMinimumWidth = 8;

// Characters a number takes in its shortest form, the way a spreadsheet shows it.
int shownLength(double value) {
    char buf[32];
    const auto res = std::to_chars(buf, buf + sizeof buf, value);
    return static_cast<int>(res.ptr - buf);
}

// The widths that fit the column titles and the data; the title, units and setting record lines
// of column 0 are left to run on into the empty cells beside them, as in the .xls export.
std::map<int, double> fittingWidths(const std::vector<WorkbookCell>& cells) {
    std::map<int, int> longest;
    int lastDataRow = kFirstDataRow - 1;
    for (const WorkbookCell& c : cells) {
        if (c.row < kFirstDataRow - 1) {
            continue;
        }
        if (c.row >= kFirstDataRow && c.kind == WorkbookCell::Kind::String) {
            break; // the separator before the setting record
        }
        lastDataRow = std::max(lastDataRow, c.row);
        int length = 0;
        switch (c.kind) {
        case WorkbookCell::Kind::String:
            length = static_cast<int>(c.text.size());
            break;
        case WorkbookCell::Kind::Date:
            length = static_cast<int>(kResultDateColumnWidth);
            break;
        default:
            length = shownLength(c.number);
            break;
        }
        int& best = longest[c.column];
        best = std::max(best, length);
    }
    std::map<int, double> widths;
    for (const auto& [column, length] : longest) {
        widths[column] = std::max(kMinimumWidth, length + 2.0);
    }
    widths[0] = std::max(widths[0], kResultDateColumnWidth);
    return widths;
}

void writeCells(lxw_worksheet* sheet, const std::vector<WorkbookCell>& cells, lxw_format* date) {
    for (const WorkbookCell& c : cells) {
        const auto row = static_cast<lxw_row_t>(c.row);
        const auto col = static_cast<lxw_col_t>(c.column);
        switch (c.kind) {
        case WorkbookCell::Kind::String:
            if (!c.text.empty()) { // an empty text is an empty cell in this format
                worksheet_write_string(sheet, row, col, c.text.c_str(), nullptr);
            }
            break;
        case WorkbookCell::Kind::Date:
            worksheet_write_number(sheet, row, col, c.number, date);
            break;
        default:
            worksheet_write_number(sheet, row, col, c.number, nullptr);
            break;
        }
    }
}

std::string failure(const std::string& path, lxw_error error, int savedErrno) {
    std::string message = "Cannot write file \"" + path + "\". " + lxw_strerror(error);
    if (savedErrno != 0) {
        message += std::string(" (") + std::strerror(savedErrno) + ")";
    }
    return message;
}

} // namespace

void saveResultXlsx(const std::vector<WorkbookCell>& cells, const std::string& path,
                    XlsxMemory memory) {
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0 && (existing.st_mode & S_IWUSR) == 0) {
        // A read-only file is the user's statement that it must not change.
        throw OrvekError("Cannot create file \"" + path + "\". " + std::strerror(EACCES));
    }
    const std::string folder = folderPart(path);
    if (!folder.empty() && !folderExists(folder)) {
        // Checked here so that the library has no cause to print a message of its own.
        throw OrvekError("Cannot create file \"" + path + "\". " + std::strerror(ENOENT));
    }
    const std::string temp = temporaryNameFor(path);
    lxw_workbook_options options{};
    options.constant_memory = memory == XlsxMemory::ConstantMemory ? LXW_TRUE : LXW_FALSE;
    lxw_workbook* book = workbook_new_opt(temp.c_str(), &options);
    if (book == nullptr) {
        throw OrvekError("Cannot create file \"" + path + "\". " + std::strerror(ENOMEM));
    }
    lxw_worksheet* sheet = workbook_add_worksheet(book, "Sheet1");
    lxw_format* date = workbook_add_format(book);
    format_set_num_format(date, "mm/dd/yy");
    for (const auto& [column, width] : fittingWidths(cells)) {
        const auto col = static_cast<lxw_col_t>(column);
        worksheet_set_column(sheet, col, col, width, nullptr);
    }
    worksheet_freeze_panes(sheet, kFirstDataRow, 0);
    writeCells(sheet, cells, date);
    errno = 0;
    const lxw_error error = workbook_close(book);
    const int savedErrno = errno;
    if (error != LXW_NO_ERROR) {
        std::remove(temp.c_str());
        throw OrvekError(failure(path, error, savedErrno));
    }
    if (existing.st_mode != 0) {
        ::chmod(temp.c_str(), existing.st_mode & 07777); // the permissions of the file replaced
    }
    try {
        replaceFile(temp, path);
    } catch (...) {
        std::remove(temp.c_str());
        throw;
    }
}

} // namespace orvek
