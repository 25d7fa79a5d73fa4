#include "formats/ResultFiles.h"

#include "basics/Errors.h"
#include "basics/Text.h"
#include "model/RunState.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace orvek {

std::string resultFileHeader(bool daily, bool carbonOnly) {
    std::string h;
    if (carbonOnly) {
        h += daily ? "Simulated C mineralization dynamics\r\n"
                   : "Simulated C mineralization dynamics.\r\n";
        h += daily ? "C variables in Mg/ha, DAS: days after start.\r\n"
                   : "C variables in Mg/ha, MAS: months after start.\r\n";
    } else {
        h += daily ? "Simulated C and N mineralization dynamics\r\n"
                   : "Simulated C and N mineralization dynamics.\r\n";
        h += daily ? "C variables in Mg/ha; N variables in kg/ha; DAS: days after start.\r\n"
                   : "C variables in Mg/ha; N variables in kg/ha; MAS: months after start.\r\n";
    }
    h += "\r\n";
    h += daily ? "Date\tDAS\tSOM-C\tres-C\tttl-C" : "Date\tMAS\tSOM-C\tres-C\tttl-C";
    if (!carbonOnly) {
        h += "\tnet-Nm\tttl-Nm\tttl-N\tres-C:N\tSOM-C:N";
    }
    h += "\r\n";
    return h;
}

namespace {

// Wider numbers are no quantity of a soil; they come from inputs or parameters far outside
// any range the model was made for, and would make result files nobody can read.
constexpr size_t kMaxResultNumberWidth = 20;

std::string onDay(DateSerial date) {
    const CalendarDate c = decodeDate(date);
    return std::to_string(c.month) + "/" + std::to_string(c.day) + "/" + std::to_string(c.year);
}

void appendValue(std::string& out, double value, int decimals, DateSerial date) {
    if (!std::isfinite(value)) {
        throw OrvekError("The simulation gave a value that is not a finite number on " +
                         onDay(date) + "; check the model parameters and the inputs of the run.");
    }
    const size_t before = out.size();
    appendFixed(out, value, decimals);
    if (out.size() - before > kMaxResultNumberWidth) {
        out.resize(before);
        throw OrvekError("The simulation gave a value too large to write on " + onDay(date) +
                         "; check the model parameters and the inputs of the run.");
    }
    out += '\t';
}

void appendInt(std::string& out, long value) {
    char buf[24];
    const auto res = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, res.ptr);
}

// A data row split into its date, its count and the rest of the line from the TAB after the
// count. Rows that do not have this shape end the reading.
struct ResultRow {
    long date = 0;
    long count = 0;
    std::string_view rest;
};

bool parseResultRow(std::string_view line, ResultRow& row) {
    const size_t tab1 = line.find('\t');
    if (tab1 == std::string_view::npos) {
        return false;
    }
    const size_t tab2 = line.find('\t', tab1 + 1);
    const size_t countEnd = tab2 == std::string_view::npos ? line.size() : tab2;
    const auto r1 = std::from_chars(line.data(), line.data() + tab1, row.date);
    const auto r2 = std::from_chars(line.data() + tab1 + 1, line.data() + countEnd, row.count);
    if (r1.ec != std::errc() || r1.ptr != line.data() + tab1 || r2.ec != std::errc() ||
        r2.ptr != line.data() + countEnd) {
        return false;
    }
    row.rest = line.substr(countEnd);
    return true;
}

} // namespace

std::array<double, kDailyValues> dailyRowValues(const RunState& run) {
    const SoilTotals& s = run.soil;
    return {s.somC / 1000,    s.residueC / 1000, (s.somC + s.residueC) / 1000,
            s.cumulativeNetN, s.mineralN,        s.totalN,
            s.residueCN,      run.som.cn};
}

int monthlyRowDay(DateSerial startDate) {
    const int day = decodeDate(startDate).day;
    return day > 28 ? 1 : day;
}

void appendDailyRow(std::string& out, int das, DateSerial date, const RunState& run) {
    static constexpr int kDecimals[kDailyValues] = {2, 2, 2, 1, 1, 0, 1, 1};
    const auto values = dailyRowValues(run);
    // The row is put together in place and appended once; a value the quick form cannot write
    // goes through appendValue, with its checks.
    char row[24 * (kDailyValues + 2)];
    char* p = std::to_chars(row, row + 24, date).ptr;
    *p++ = '\t';
    p = std::to_chars(p, p + 24, das).ptr;
    *p++ = '\t';
    const int count = run.carbonOnly ? kDailyCarbonValues : kDailyValues;
    for (int i = 0; i < count; ++i) {
        const double value = values[static_cast<size_t>(i)];
        char* end = std::isfinite(value) ? writeFixed(p, value, kDecimals[i]) : nullptr;
        if (end == nullptr) {
            out.append(row, static_cast<size_t>(p - row));
            appendValue(out, value, kDecimals[i], date);
            p = row;
            continue;
        }
        p = end;
        *p++ = '\t';
    }
    *p++ = '\r';
    *p++ = '\n';
    out.append(row, static_cast<size_t>(p - row));
}

std::string monthlyFromDaily(std::string_view daily, DateSerial startDate, int lastDAS,
                             bool carbonOnly) {
    std::string out = resultFileHeader(false, carbonOnly);
    const int target = monthlyRowDay(startDate);
    LineCursor walker(daily);
    std::string_view line;
    for (int k = 0; k < 4 && walker.next(line); ++k) {
    }
    long mas = -1;
    ResultRow row;
    while (walker.next(line) && parseResultRow(line, row)) {
        if (decodeDate(static_cast<DateSerial>(row.date)).day == target) {
            ++mas;
            appendInt(out, row.date);
            out += '\t';
            appendInt(out, mas);
            out.append(row.rest);
            out += "\r\n";
        }
        if (row.count == lastDAS) {
            break;
        }
    }
    return out;
}

namespace {

// month/day/yy, the year's last two digits with a leading zero; at most 8 characters.
char* writeMemoDate(char* out, DateSerial date) {
    const CalendarDate c = decodeDate(date);
    const int yy = ((c.year % 100) + 100) % 100;
    out = std::to_chars(out, out + 2, c.month).ptr;
    *out++ = '/';
    out = std::to_chars(out, out + 2, c.day).ptr;
    *out++ = '/';
    *out++ = static_cast<char>('0' + yy / 10);
    *out++ = static_cast<char>('0' + yy % 10);
    return out;
}

} // namespace

std::string memoDate(DateSerial date) {
    char buf[8];
    return std::string(buf, writeMemoDate(buf, date));
}

std::string memoFromResult(std::string_view result, DateSerial endDate) {
    std::string out;
    // A memo date is at most three characters longer than a date's serial number.
    out.reserve(result.size() + result.size() / 8);
    LineCursor walker(result);
    std::string_view line;
    for (int k = 0; k < 4 && walker.next(line); ++k) {
        out.append(line);
        out += "\r\n";
    }
    while (walker.next(line)) {
        const size_t tab = line.find('\t');
        long date = 0;
        const auto r = std::from_chars(
            line.data(), line.data() + (tab == std::string_view::npos ? line.size() : tab), date);
        if (r.ec != std::errc() || tab == std::string_view::npos) {
            break;
        }
        // Rows of a result file are short: each is put together in place and appended once.
        const std::string_view rest = line.substr(tab);
        char row[256];
        char* p = writeMemoDate(row, static_cast<DateSerial>(date));
        if (rest.size() + 2 <= sizeof row - static_cast<size_t>(p - row)) {
            p = std::copy(rest.begin(), rest.end(), p);
            *p++ = '\r';
            *p++ = '\n';
            out.append(row, static_cast<size_t>(p - row));
        } else {
            out.append(row, static_cast<size_t>(p - row));
            out.append(rest);
            out += "\r\n";
        }
        if (date == endDate) {
            break;
        }
    }
    return out;
}

DerivedResultRows::DerivedResultRows(DateSerial startDate, bool carbonOnly, size_t days)
    : m_day(monthlyRowDay(startDate)) {
    dailyMemo = resultFileHeader(true, carbonOnly);
    monthly = resultFileHeader(false, carbonOnly);
    monthlyMemo = monthly;
    // Rows of at most about 80 characters; a month of rows for every 28 days.
    dailyMemo.reserve(dailyMemo.size() + days * 80);
    monthly.reserve(monthly.size() + days / 28 * 80);
    monthlyMemo.reserve(monthly.capacity());
}

void DerivedResultRows::add(DateSerial date, std::string_view dailyRow) {
    // The row's date is replaced by the memo's, and for the monthly rows its DAS by the MAS.
    const size_t dateEnd = dailyRow.find('\t');
    const size_t countEnd = dailyRow.find('\t', dateEnd + 1);
    char memo[8];
    const size_t memoSize = static_cast<size_t>(writeMemoDate(memo, date) - memo);
    dailyMemo.append(memo, memoSize);
    dailyMemo.append(dailyRow.substr(dateEnd));
    if (decodeDate(date).day != m_day) {
        return;
    }
    ++m_mas;
    char head[48];
    char* p = head;
    *p++ = '\t';
    p = std::to_chars(p, head + sizeof head, m_mas).ptr;
    const std::string_view rest = dailyRow.substr(countEnd);
    appendInt(monthly, date);
    monthly.append(head, p);
    monthly.append(rest);
    monthlyMemo.append(memo, memoSize);
    monthlyMemo.append(head, p);
    monthlyMemo.append(rest);
}

} // namespace orvek
