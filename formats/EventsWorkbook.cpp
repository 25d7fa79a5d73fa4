#include "formats/EventsWorkbook.h"

#include "basics/Errors.h"
#include "basics/Files.h"
#include "basics/Text.h"
#include "model/Events.h"
#include "model/RunState.h"
#include "xls/Workbook.h"
#include "xls/XLSErrors.h"

#include <cmath>
#include <limits>
#include <set>
#include <sys/stat.h>
#include <utility>

namespace orvek {

namespace {

// A value the conversion cannot use: a boolean or error cell, a number that is not finite or a
// whole number beyond 32 bits. It is reported like any other faulty row.
struct Unusable {};

double numberOf(const EventCell& c, char decimalSeparator) {
    switch (c.kind) {
    case EventCell::Kind::Empty:
        return 0;
    case EventCell::Kind::Number:
        if (!std::isfinite(c.number)) {
            throw Unusable{};
        }
        return c.number;
    case EventCell::Kind::Text: {
        if (trimBlanks(c.text).empty()) {
            return 0;
        }
        double v = 0;
        if (!parseDouble(c.text, decimalSeparator, v)) {
            throw OrvekError(invalidFloatMessage(c.text));
        }
        return v;
    }
    case EventCell::Kind::Other:
        break;
    }
    throw Unusable{};
}

int integerOf(const EventCell& c, char decimalSeparator) {
    const double rounded = std::nearbyint(numberOf(c, decimalSeparator)); // a half to even
    if (rounded < std::numeric_limits<int>::min() || rounded > std::numeric_limits<int>::max()) {
        throw Unusable{};
    }
    return static_cast<int>(rounded);
}

} // namespace

std::string convertEventRows(const EventCellLookup& cell, RunState& run, char sep) {
    std::string out = inputEventsHeading();
    for (int row = kFirstEventRow; row <= kLastEventRow; ++row) {
        int values[5] = {0, 0, 0, 0, 0};
        double c = 0;
        double cn = 0;
        try {
            for (int col = 0; col < 5; ++col) {
                values[col] = integerOf(cell(row, col), sep);
            }
            c = numberOf(cell(row, 5), sep);
            if (!run.carbonOnly) {
                cn = numberOf(cell(row, 6), sep);
            }
        } catch (const Unusable&) {
            run.fail(kInputIncorrectMessage, 1);
            return out;
        }
        const bool dataRow = values[0] != 0 && values[1] != 0 && values[2] != 0 && values[3] != 0 &&
                             values[4] != 0 && c != 0;
        if (!dataRow) {
            break;
        }
        if (!run.carbonOnly && cn == 0) {
            run.fail("C:N ratio is not specified in the input events file!", 1);
            return out;
        }
        // An amount the run would hold in kg C/ha, or the N it brings, must stay a number.
        if (!std::isfinite(c * 1000)) {
            run.fail(invalidFloatMessage(formatGeneral(c)), 1);
            return out;
        }
        if (!run.carbonOnly && !std::isfinite(c * 1000 / cn)) {
            run.fail(invalidFloatMessage(formatGeneral(cn)), 1);
            return out;
        }
        appendInputEventLine(out, values[0], values[1], values[2], values[3], values[4], c, cn,
                             !run.carbonOnly);
    }
    return out;
}

void convertEventsWorkbook(RunState& run, const std::string& eventsFile, char decimalSeparator) {
    const std::string path = resolveFileName(eventsFile);
    // A workbook is read whole; one far larger than any list of 500 events is not read at all.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
        static_cast<unsigned long long>(st.st_size) > kEventsWorkbookLimit) {
        run.fail(tooLargeMessage(eventsFile, kEventsWorkbookLimit), 1);
        return;
    }
    xls::TXLSFile workbook;
    try {
        // Every column takes the number the cell stores, whatever format shows it.
        workbook.OpenFile(path, xls::TCellNumbers::AsStored);
        if (workbook.Workbook().Sheets().Count() == 0) {
            throw xls::EXLSError(xls::EXLSError::NoSheets);
        }
    } catch (const std::exception&) {
        // Locked, missing or not a workbook: the user gets one message for all of them.
        run.fail(kWorkbookOpenMessage, 1);
        return;
    }
    const xls::TCells& cells = workbook.Workbook().Sheets().Items(0).Cells();
    // An error value (#DIV/0!, a formula gone wrong) must not read as an empty cell, which would
    // end the list there and drop the events after it without a word.
    std::set<std::pair<int, int>> errors;
    for (const xls::TErrorCell& e : workbook.ErrorCells()) {
        if (e.Sheet == 0) {
            errors.emplace(e.Row, e.Col);
        }
    }
    const EventCellLookup lookup = [&cells, &errors](int row, int column) {
        const xls::Variant& v = cells.ValueAt(row, column);
        EventCell cell;
        if (errors.count({row, column}) != 0) {
            cell.kind = EventCell::Kind::Other;
        } else if (v.IsEmpty()) {
            cell.kind = EventCell::Kind::Empty;
        } else if (v.IsNumber() || v.Type() == xls::VarType::Date) {
            cell.kind = EventCell::Kind::Number;
            cell.number = v.ToDouble();
        } else if (v.IsText()) {
            cell.kind = EventCell::Kind::Text;
            cell.text = v.ToString();
        } else {
            cell.kind = EventCell::Kind::Other;
        }
        return cell;
    };
    const std::string text = convertEventRows(lookup, run, decimalSeparator);
    writeWorkingFile(run.eventsPath, text);
}

} // namespace orvek
