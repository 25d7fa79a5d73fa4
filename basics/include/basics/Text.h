#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace orvek {

// Walks the lines of a text written with CR LF or LF without copying them; a final line break
// does not start another line.
class LineCursor {
public:
    explicit LineCursor(std::string_view text) : m_text(text) {}
    // The next line without its line break; false at the end of the text.
    bool next(std::string_view& line);
    // The 1-based number of the line last returned.
    int lineNumber() const { return m_lineNumber; }

private:
    std::string_view m_text;
    size_t m_pos = 0;
    int m_lineNumber = 0;
};

// Lines of a text file written with CR LF or LF; a final line break does not start another line.
std::vector<std::string> splitLines(std::string_view content);

// A line that is valid UTF-8 is kept; any other is taken as Windows-1252 (files written by
// Windows programs) and converted.
std::string toUtf8(std::string_view text);
bool isValidUtf8(std::string_view text);

std::string_view trimBlanks(std::string_view text);

// A text as a message quotes it: at most the first 60 characters, "..." when more follow, and
// control characters and bytes that are not UTF-8 shown as \xNN, so that a hostile file can
// neither flood a message box nor hide text in it.
std::string quotedText(std::string_view text);

// The text of a text file without the marks some editors add: a UTF-8 byte-order mark at the
// start, and a Ctrl-Z (the old end-of-file mark) with nothing but line breaks after it.
std::string_view withoutTextMarks(std::string_view content);

// Whether the bytes are UTF-16 text: a UTF-16 byte-order mark, or the zero byte of every other
// position that plain characters written as UTF-16 show.
bool looksLikeUtf16(std::string_view content);

// Number texts as the user types them: blanks around the number are ignored, the decimal
// separator is "." or the given one (the locale's), an exponent is allowed, and the value must
// be finite.
bool parseDouble(std::string_view text, char decimalSeparator, double& out);
// True for a number (as parseDouble takes it) and for a text that typing on can still turn
// into one: "", "-", ".", "1e", "1e-". False for anything else ("1x", "--", "1e999").
bool canBecomeNumber(std::string_view text, char decimalSeparator);
// A whole number that fits in 32 bits, blanks around it ignored.
bool parseInt32(std::string_view text, int& out);

// Fixed-point with the given number of decimals and "." as separator; a value that rounds to
// zero is written without a minus sign.
void appendFixed(std::string& out, double value, int decimals);
// The same written to out when rounding the value in binary decides the digits (values below
// 2^52 / 10^decimals, at most 8 decimals, not near a midway point): the end of what it wrote,
// at most kFixedQuickWidth characters. Otherwise nullptr, and nothing is written.
constexpr size_t kFixedQuickWidth = 20;
char* writeFixed(char* out, double value, int decimals);
// The same, digit by digit from the value's shortest decimal form: what appendFixed does where
// rounding the value in binary could decide otherwise.
void appendFixedByDigits(std::string& out, double value, int decimals);
std::string formatFixed(double value, int decimals);

// The shortest general form with up to 15 significant digits and no trailing zeros
// (50.625, 26, 0.0001, 1.5E-6).
std::string formatGeneral(double value, char decimalSeparator = '.');

} // namespace orvek
