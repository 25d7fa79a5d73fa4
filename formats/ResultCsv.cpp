#include "formats/ResultCsv.h"

#include "basics/Errors.h"
#include "basics/Text.h"

#include <charconv>
#include <cmath>

namespace orvek {

namespace {

constexpr std::string_view kDailyHeader = "date,DAS,SOM_C_Mg_ha,res_C_Mg_ha,ttl_C_Mg_ha,"
                                          "net_Nm_kg_ha,ttl_Nm_kg_ha,ttl_N_kg_ha,res_CN,SOM_CN";
constexpr std::string_view kMonthlyHeader = "date,MAS,SOM_C_Mg_ha,res_C_Mg_ha,ttl_C_Mg_ha,"
                                            "net_Nm_kg_ha,ttl_Nm_kg_ha,ttl_N_kg_ha,res_CN,SOM_CN";
constexpr size_t kCarbonOnlyHeaderLength = 44; // up to and without ",net_Nm_kg_ha"

[[noreturn]] void badRow(int row, const std::string& what) {
    throw OrvekError("The result file's data row " + std::to_string(row) + ": " + what);
}

// Result files write fixed-point numbers ("-12.34", "5103") of at most 20 characters. Checking
// that shape is all the CSV needs, since the text is copied as it stands, and it is several
// times faster than converting every value.
bool isFixedNumber(std::string_view t) {
    size_t i = (!t.empty() && t[0] == '-') ? 1 : 0;
    const size_t intStart = i;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') {
        ++i;
    }
    if (i == intStart) {
        return false;
    }
    if (i < t.size() && t[i] == '.') {
        const size_t fracStart = ++i;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9') {
            ++i;
        }
        if (i == fracStart) {
            return false;
        }
    }
    return i == t.size() && t.size() <= 20;
}

// The file's number text, checked: a value a reader could not take never reaches the CSV.
std::string_view numberText(std::string_view text, int row) {
    const std::string_view t = trimBlanks(text);
    if (!isFixedNumber(t)) {
        badRow(row, invalidFloatMessage(std::string(text)));
    }
    return t;
}

bool parseDayNumber(std::string_view text, double& out) {
    const std::string_view t = trimBlanks(text);
    long day = 0;
    const auto res = std::from_chars(t.data(), t.data() + t.size(), day);
    if (res.ec != std::errc() || res.ptr != t.data() + t.size()) {
        return false;
    }
    out = static_cast<double>(day);
    return true;
}

void appendIsoDate(std::string& out, double serial, int row) {
    if (serial != std::trunc(serial) || serial < 1 || serial > 2958465) { // up to 31/12/9999
        badRow(row, "'" + formatGeneral(serial) + "' is not a valid date");
    }
    const CalendarDate c = decodeDate(serial);
    char buf[16];
    const int digits[3] = {c.year, c.month, c.day};
    const int widths[3] = {4, 2, 2};
    size_t n = 0;
    for (int part = 0; part < 3; ++part) {
        if (part > 0) {
            buf[n++] = '-';
        }
        int value = digits[part];
        for (int w = widths[part] - 1; w >= 0; --w) {
            buf[n + static_cast<size_t>(w)] = static_cast<char>('0' + value % 10);
            value /= 10;
        }
        n += static_cast<size_t>(widths[part]);
    }
    out.append(buf, n);
}

} // namespace

std::string_view resultCsvHeader(bool daily, bool carbonOnly) {
    const std::string_view full = daily ? kDailyHeader : kMonthlyHeader;
    return carbonOnly ? full.substr(0, kCarbonOnlyHeaderLength) : full;
}

std::string resultCsv(std::string_view result, std::string_view record, const CsvRequest& request) {
    std::string out;
    out.reserve(result.size() + record.size() + 256);
    std::string_view line;
    if (request.settingComments) {
        LineCursor lines(record);
        while (lines.next(line)) {
            out += line.empty() ? "#" : "# ";
            out += line;
            out += '\n';
        }
    }
    out += resultCsvHeader(request.daily, request.carbonOnly);
    out += '\n';

    LineCursor lines(result);
    for (int skip = 0; skip < 4 && lines.next(line); ++skip) {
    }
    const size_t values = request.carbonOnly ? 3 : 8;
    int row = 0;
    while (lines.next(line)) {
        ++row;
        if (trimBlanks(line).empty()) {
            break; // the end of the data
        }
        size_t start = 0;
        size_t field = 0;
        double date = 0;
        for (; field < 2 + values; ++field) {
            const size_t tab = line.find('\t', start);
            if (tab == std::string_view::npos && field + 1 < 2 + values) {
                badRow(row, "the row is incomplete.");
            }
            const std::string_view text =
                line.substr(start, (tab == std::string_view::npos ? line.size() : tab) - start);
            start = tab + 1;
            if (field == 0) {
                if (!parseDayNumber(text, date)) {
                    badRow(row, "'" + std::string(text) + "' is not a valid date");
                }
                appendIsoDate(out, date, row);
                continue;
            }
            out += ',';
            out += numberText(text, row);
        }
        out += '\n';
        if (date == request.endDate) {
            break;
        }
    }
    return out;
}

} // namespace orvek
