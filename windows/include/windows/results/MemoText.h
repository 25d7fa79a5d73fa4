#pragma once

#include <QFont>
#include <QHash>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class QFontMetricsF;

namespace orvek::ui {

// A text kept as one block of UTF-8 with the offset where each line begins: a table of tens of
// thousands of lines costs little more than its own bytes.
class MemoText {
public:
    MemoText();
    // Lines separated by line feeds; bytes that are not UTF-8 become replacement characters.
    explicit MemoText(std::string utf8);

    qsizetype lineCount() const { return static_cast<qsizetype>(m_starts.size()); }
    std::string_view line(qsizetype i) const; // without its line feed
    std::string_view bytes() const { return m_bytes; }
    // The bytes from the start of line a to the start of line b (its line feeds included).
    std::string_view linesBetween(qsizetype a, qsizetype b) const;

    // The width of the widest line, kept with the text for the font and tab stops it was
    // measured in: a text shown again in them is not measured again.
    struct Measured {
        QFont font;
        double tabStop = -1;
        double width = 0;
    };
    Measured& measured() const { return m_measured; }

private:
    std::string m_bytes;
    std::vector<size_t> m_starts;
    mutable Measured m_measured;
};

// The widths of characters in one font, each measured once, in 64ths of a pixel: whole numbers
// add up along a line of millions of characters faster than fractions do.
class CharAdvances {
public:
    static constexpr double kUnitsPerPixel = 64;

    explicit CharAdvances(const QFontMetricsF& metrics);
    // The width of the character whose UTF-8 bytes start at i; i moves past them.
    std::int64_t next(std::string_view text, size_t& i) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            ++i;
            return m_ascii[lead];
        }
        return other(text, i);
    }

private:
    std::int64_t other(std::string_view text, size_t& i);
    std::int64_t units(double pixels) const;

    const QFontMetricsF& m_metrics;
    std::array<std::int64_t, 128> m_ascii{};
    QHash<char32_t, std::int64_t> m_others;
};

} // namespace orvek::ui
