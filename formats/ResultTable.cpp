#include "formats/ResultTable.h"

#include "basics/Errors.h"
#include "basics/Files.h"
#include "basics/Text.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

namespace orvek {

namespace {

// Result files of a century of days are a few megabytes; anything far beyond is not ours.
constexpr size_t kResultFileLimit = size_t{256} << 20;

bool isSeparator(char c) {
    return c == '\t' || c == ' ';
}

// Numbers of a row are separated by TABs; blanks around them are tolerated as well, so that a
// result file realigned by hand or by an editor still reads.
class Tokens {
public:
    explicit Tokens(std::string_view text) : m_text(text) {}

    bool next(std::string_view& token) {
        while (m_pos < m_text.size() && isSeparator(m_text[m_pos])) {
            ++m_pos;
        }
        if (m_pos >= m_text.size()) {
            return false;
        }
        const size_t start = m_pos;
        while (m_pos < m_text.size() && !isSeparator(m_text[m_pos])) {
            ++m_pos;
        }
        token = m_text.substr(start, m_pos - start);
        return true;
    }

private:
    std::string_view m_text;
    size_t m_pos = 0;
};

std::string_view withoutPlus(std::string_view t) {
    return !t.empty() && t.front() == '+' ? t.substr(1) : t;
}

bool parseCount(std::string_view token, int& out) {
    const std::string_view t = withoutPlus(token);
    const auto res = std::from_chars(t.data(), t.data() + t.size(), out);
    return res.ec == std::errc() && res.ptr == t.data() + t.size();
}

bool parseValue(std::string_view token, double& out) {
    const std::string_view t = withoutPlus(token);
    if (t.empty() || !(std::isdigit(static_cast<unsigned char>(t.back())) || t.back() == '.')) {
        return false; // refuses "inf", "nan" and the like before conversion
    }
    const auto res = std::from_chars(t.data(), t.data() + t.size(), out);
    return res.ec == std::errc() && res.ptr == t.data() + t.size() && std::isfinite(out);
}

// One data row: the Date column up to its TAB, then the count and the values.
bool parseRow(std::string_view line, int valueColumns, std::int64_t& date, int& count,
              std::array<double, kResultColumnCount>& values) {
    const size_t tab = line.find('\t');
    if (tab == std::string_view::npos) {
        return false;
    }
    const std::string_view dateText = line.substr(0, tab);
    const auto parsed = std::from_chars(dateText.data(), dateText.data() + dateText.size(), date);
    if (parsed.ec != std::errc() || parsed.ptr != dateText.data() + dateText.size()) {
        date = std::numeric_limits<std::int64_t>::min();
    }
    Tokens tokens(line.substr(tab + 1));
    std::string_view token;
    if (!tokens.next(token) || !parseCount(token, count)) {
        return false;
    }
    for (int c = 0; c < valueColumns; ++c) {
        if (!tokens.next(token) || !parseValue(token, values[static_cast<size_t>(c)])) {
            return false;
        }
    }
    return true;
}

bool isBlank(std::string_view line) {
    for (char c : line) {
        if (!isSeparator(c)) {
            return false;
        }
    }
    return true;
}

} // namespace

ResultTable parseResultTable(std::string_view content, const std::string& name,
                             const ResultTableRequest& request) {
    ResultTable table;
    table.valueColumns = request.carbonOnly ? 3 : kResultColumnCount;
    std::array<double, kResultColumnCount> values{};
    LineCursor cursor(content);
    std::string_view line;
    while (cursor.next(line)) {
        const int lineNumber = cursor.lineNumber();
        if (lineNumber <= 4 || isBlank(line)) {
            continue; // the four header lines
        }
        int count = 0;
        std::int64_t ownDate = 0;
        // A monthly row stands at its own date: months differ in length, so a date counted
        // from the start in months of 30 days drifts by months over a long run.
        if (!parseRow(line, table.valueColumns, ownDate, count, values) ||
            (!request.daily && ownDate == std::numeric_limits<std::int64_t>::min())) {
            table.error = atLine(name, lineNumber, "Invalid numeric input");
            break;
        }
        const std::int64_t date =
            request.daily ? std::int64_t{request.startDate} + count - 1 : ownDate;
        table.count.push_back(count);
        table.date.push_back(static_cast<double>(date));
        for (int c = 0; c < table.valueColumns; ++c) {
            table.values[static_cast<size_t>(c)].push_back(values[static_cast<size_t>(c)]);
        }
        if (date == request.endDate) {
            break;
        }
    }
    return table;
}

ResultTable readResultTable(const std::string& path, const ResultTableRequest& request) {
    std::string content;
    try {
        content = readWholeFile(path, kResultFileLimit);
    } catch (const OrvekError& e) {
        ResultTable table;
        table.valueColumns = request.carbonOnly ? 3 : kResultColumnCount;
        table.error = e.what();
        return table;
    }
    return parseResultTable(content, path, request);
}

} // namespace orvek
