#include "basics/Text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace orvek {

bool LineCursor::next(std::string_view& line) {
    if (m_pos >= m_text.size()) {
        return false;
    }
    size_t end = m_text.find('\n', m_pos);
    const size_t after = end == std::string_view::npos ? m_text.size() : end + 1;
    if (end == std::string_view::npos) {
        end = m_text.size();
    }
    if (end > m_pos && m_text[end - 1] == '\r') {
        --end;
    }
    line = m_text.substr(m_pos, end - m_pos);
    m_pos = after;
    ++m_lineNumber;
    return true;
}

std::vector<std::string> splitLines(std::string_view content) {
    std::vector<std::string> lines;
    LineCursor cursor(content);
    std::string_view line;
    while (cursor.next(line)) {
        lines.emplace_back(line);
    }
    return lines;
}

bool isValidUtf8(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        int extra = 0;
        unsigned min = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1;
            min = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            min = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            min = 0x10000;
        } else {
            return false;
        }
        if (i + static_cast<size_t>(extra) >= s.size()) {
            return false;
        }
        unsigned cp = c & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            const auto cc = static_cast<unsigned char>(s[i + static_cast<size_t>(k)]);
            if ((cc & 0xC0) != 0x80) {
                return false;
            }
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            return false;
        }
        i += static_cast<size_t>(extra) + 1;
    }
    return true;
}

namespace {

void appendUtf8(std::string& out, unsigned cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Windows-1252 code points of the bytes 0x80..0x9F; the five undefined ones map to themselves.
const unsigned short kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

} // namespace

std::string toUtf8(std::string_view text) {
    if (isValidUtf8(text)) {
        return std::string(text);
    }
    std::string out;
    out.reserve(text.size() + text.size() / 2);
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out += ch;
        } else if (c < 0xA0) {
            appendUtf8(out, kCp1252High[c - 0x80]);
        } else {
            appendUtf8(out, c);
        }
    }
    return out;
}

std::string_view trimBlanks(std::string_view text) {
    size_t b = 0;
    size_t e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t')) {
        ++b;
    }
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t')) {
        --e;
    }
    return text.substr(b, e - b);
}

std::string quotedText(std::string_view text) {
    constexpr size_t kMaxCharacters = 60;
    static const char* const kHex = "0123456789ABCDEF";
    std::string out;
    size_t characters = 0;
    size_t i = 0;
    while (i < text.size() && characters < kMaxCharacters) {
        const auto c = static_cast<unsigned char>(text[i]);
        size_t length = 1;
        if (c >= 0x80) {
            length = (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
            if (length == 0 || i + length > text.size() || !isValidUtf8(text.substr(i, length))) {
                length = 0;
            }
        }
        if (length == 0 || c < 0x20 || c == 0x7F) {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
            ++i;
        } else {
            out.append(text, i, length);
            i += length;
        }
        ++characters;
    }
    if (i < text.size()) {
        out += "...";
    }
    return out;
}

std::string_view withoutTextMarks(std::string_view content) {
    if (content.starts_with("\xEF\xBB\xBF")) {
        content.remove_prefix(3);
    }
    const size_t eof = content.find('\x1A');
    if (eof != std::string_view::npos &&
        content.find_first_not_of("\x1A\r\n", eof) == std::string_view::npos) {
        content = content.substr(0, eof);
    }
    return content;
}

bool looksLikeUtf16(std::string_view content) {
    if (content.starts_with("\xFF\xFE") || content.starts_with("\xFE\xFF")) {
        return true;
    }
    // Without a mark: the first characters are plain letters and digits, so one byte of each
    // pair is zero and the other is not.
    const size_t pairs = std::min<size_t>(content.size() / 2, 64);
    if (pairs < 2) {
        return false;
    }
    int zeroFirst = 0;
    int zeroSecond = 0;
    for (size_t k = 0; k < pairs; ++k) {
        const char a = content[2 * k];
        const char b = content[2 * k + 1];
        zeroFirst += a == 0 && b != 0;
        zeroSecond += a != 0 && b == 0;
    }
    const int need = static_cast<int>(pairs) * 3 / 4;
    return zeroFirst >= need || zeroSecond >= need;
}

bool parseDouble(std::string_view text, char decimalSeparator, double& out) {
    const std::string_view t = trimBlanks(text);
    if (t.empty() || t.size() > 400) {
        return false;
    }
    // Validate the shape first, then let the standard library do the exact conversion.
    std::string normal;
    normal.reserve(t.size());
    size_t i = 0;
    if (t[i] == '+' || t[i] == '-') {
        normal += t[i];
        ++i;
    }
    size_t digits = 0;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') {
        normal += t[i++];
        ++digits;
    }
    // "." is always a separator so that files written on any desktop read everywhere; a number
    // holds at most one separator and no thousands separators, so both can be accepted.
    if (i < t.size() && (t[i] == '.' || t[i] == decimalSeparator)) {
        normal += '.';
        ++i;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9') {
            normal += t[i++];
            ++digits;
        }
    }
    if (digits == 0) {
        return false;
    }
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        normal += 'e';
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
            normal += t[i++];
        }
        size_t expDigits = 0;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9') {
            normal += t[i++];
            ++expDigits;
        }
        if (expDigits == 0) {
            return false;
        }
    }
    if (i != t.size()) {
        return false;
    }
    double value = 0;
    const char* first = normal.data();
    if (*first == '+') {
        ++first;
    }
    const auto res = std::from_chars(first, normal.data() + normal.size(), value);
    if (res.ec != std::errc() || res.ptr != normal.data() + normal.size() ||
        !std::isfinite(value)) {
        return false;
    }
    out = value;
    return true;
}

bool canBecomeNumber(std::string_view text, char decimalSeparator) {
    double unused = 0;
    if (parseDouble(text, decimalSeparator, unused)) {
        return true;
    }
    // The beginning of a number: blanks, a sign, digits, a separator, digits, an exponent mark,
    // its sign and digits, each part possibly missing at the end of the text. A complete
    // number that does not parse (too large) can no longer become one by typing on.
    const auto digitsAt = [&text](size_t& i) {
        size_t n = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            ++i;
            ++n;
        }
        return n;
    };
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    size_t digits = digitsAt(i);
    if (i < text.size() && (text[i] == '.' || text[i] == decimalSeparator)) {
        ++i;
        digits += digitsAt(i);
    }
    if (i == text.size()) {
        return digits == 0;
    }
    if (digits == 0 || (text[i] != 'e' && text[i] != 'E')) {
        return false;
    }
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    const size_t exponentDigits = digitsAt(i);
    return i == text.size() && exponentDigits == 0;
}

bool parseInt32(std::string_view text, int& out) {
    std::string_view t = trimBlanks(text);
    if (!t.empty() && t[0] == '+') {
        t.remove_prefix(1);
        if (!t.empty() && t[0] == '-') {
            return false;
        }
    }
    if (t.empty()) {
        return false;
    }
    int value = 0;
    const auto res = std::from_chars(t.data(), t.data() + t.size(), value);
    if (res.ec != std::errc() || res.ptr != t.data() + t.size()) {
        return false;
    }
    out = value;
    return true;
}

namespace {

// value x 10^decimals rounded half away from zero, as appendFixedByDigits rounds the value's
// shortest decimal form, when one product in doubles decides it: the shortest form S and the
// value differ by half a unit in the last place at most, and the product adds half a unit more,
// so a product farther than that from the midway point between two integers rounds like S.
// False where it cannot decide (near a midway point, large values, many decimals), and for
// values that are not finite.
bool roundedFixed(double value, int decimals, std::uint64_t& units) {
    static constexpr double kScale[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8};
    if (decimals < 0 || decimals > 8) {
        return false;
    }
    const double y = std::fabs(value) * kScale[decimals];
    if (!(y < 0x1p52)) {
        return false; // also infinities and NaN
    }
    const double whole = std::floor(y);
    const double fraction = y - whole; // exact: y < 2^52
    const double margin = y * 0x1p-50;
    if (std::fabs(fraction - 0.5) <= margin + 0x1p-1074) {
        return false;
    }
    units = static_cast<std::uint64_t>(whole) + (fraction > 0.5 ? 1 : 0);
    return true;
}

} // namespace

char* writeFixed(char* out, double value, int decimals) {
    std::uint64_t units = 0;
    if (!roundedFixed(value, decimals, units)) {
        return nullptr;
    }
    // A minus sign only before a value that does not round to zero; the digits of units, at
    // least one before the point.
    if (value < 0 && units != 0) {
        *out++ = '-';
    }
    char digits[24];
    char* const end = digits + sizeof digits;
    char* p = end;
    int written = 0;
    do {
        *--p = static_cast<char>('0' + units % 10);
        units /= 10;
        ++written;
    } while (units != 0 || written <= decimals);
    const int intLength = written - decimals;
    for (int k = 0; k < intLength; ++k) {
        *out++ = *p++;
    }
    if (decimals > 0) {
        *out++ = '.';
        while (p != end) {
            *out++ = *p++;
        }
    }
    return out;
}

void appendFixed(std::string& out, double value, int decimals) {
    char buf[kFixedQuickWidth];
    const char* end = writeFixed(buf, value, decimals);
    if (end == nullptr) {
        appendFixedByDigits(out, value, decimals);
        return;
    }
    out.append(buf, static_cast<size_t>(end - buf));
}

void appendFixedByDigits(std::string& out, double value, int decimals) {
    // Round the shortest decimal form of the value, half away from zero, so that a value that
    // reads 50.625 is written 50.63 as a person would round it.
    char buf[400];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    if (res.ec != std::errc() || !std::isfinite(value)) {
        out += "0";
        return;
    }
    std::string_view text(buf, static_cast<size_t>(res.ptr - buf));
    const bool negative = !text.empty() && text[0] == '-';
    if (negative) {
        text.remove_prefix(1);
    }
    const size_t dot = text.find('.');
    std::string digits(text.substr(0, dot)); // integer digits
    std::string_view fraction =
        dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
    const size_t keep = static_cast<size_t>(decimals);
    std::string frac(fraction.substr(0, std::min(keep, fraction.size())));
    frac.append(keep - frac.size(), '0');
    digits += frac;
    if (fraction.size() > keep && fraction[keep] >= '5') {
        size_t i = digits.size();
        while (i > 0) {
            --i;
            if (digits[i] == '9') {
                digits[i] = '0';
            } else {
                ++digits[i];
                break;
            }
            if (i == 0) {
                digits.insert(digits.begin(), '1');
            }
        }
    }
    const size_t intLength = digits.size() - keep;
    bool zero = true;
    for (char c : digits) {
        if (c != '0') {
            zero = false;
            break;
        }
    }
    if (negative && !zero) {
        out += '-';
    }
    out.append(digits, 0, intLength);
    if (keep > 0) {
        out += '.';
        out.append(digits, intLength, keep);
    }
}

std::string formatFixed(double value, int decimals) {
    std::string s;
    appendFixed(s, value, decimals);
    return s;
}

std::string formatGeneral(double value, char decimalSeparator) {
    if (!std::isfinite(value)) {
        return std::isnan(value) ? "NAN" : (value > 0 ? "INF" : "-INF");
    }
    if (value == 0) {
        return "0";
    }
    // Fifteen significant digits, then drop trailing zeros.
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
    std::string sci(buf, res.ptr);
    const size_t ePos = sci.find('e');
    const int exponent = std::atoi(sci.c_str() + ePos + 1);
    std::string mantissa = sci.substr(0, ePos);
    const bool negative = mantissa[0] == '-';
    if (negative) {
        mantissa.erase(0, 1);
    }
    std::string digits;
    for (char c : mantissa) {
        if (c != '.') {
            digits += c;
        }
    }
    while (digits.size() > 1 && digits.back() == '0') {
        digits.pop_back();
    }
    std::string out = negative ? "-" : "";
    if (exponent >= 15 || std::fabs(value) < 0.00001) {
        out += digits[0];
        if (digits.size() > 1) {
            out += decimalSeparator;
            out.append(digits, 1, std::string::npos);
        }
        out += 'E';
        out += std::to_string(exponent);
        return out;
    }
    if (exponent < 0) {
        out += '0';
        out += decimalSeparator;
        out.append(static_cast<size_t>(-exponent - 1), '0');
        out += digits;
        return out;
    }
    const size_t intDigits = static_cast<size_t>(exponent) + 1;
    if (digits.size() <= intDigits) {
        out += digits;
        out.append(intDigits - digits.size(), '0');
    } else {
        out.append(digits, 0, intDigits);
        out += decimalSeparator;
        out.append(digits, intDigits, std::string::npos);
    }
    return out;
}

} // namespace orvek
