#include "windows/results/MemoText.h"

#include <QByteArrayView>
#include <QFontMetricsF>
#include <QString>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace orvek::ui {

MemoText::MemoText() : m_starts{0} {}

MemoText::MemoText(std::string utf8) : m_bytes(std::move(utf8)) {
    if (!QByteArrayView(m_bytes.data(), static_cast<qsizetype>(m_bytes.size())).isValidUtf8()) {
        m_bytes = QString::fromUtf8(m_bytes.data(), static_cast<qsizetype>(m_bytes.size()))
                      .toUtf8()
                      .toStdString();
    }
    m_starts.reserve(static_cast<size_t>(std::count(m_bytes.begin(), m_bytes.end(), '\n')) + 1);
    m_starts.push_back(0);
    const char* data = m_bytes.data();
    const char* end = data + m_bytes.size();
    for (const char* p = data; p < end;) {
        const auto* feed = static_cast<const char*>(std::memchr(p, '\n', end - p));
        if (feed == nullptr) {
            break;
        }
        m_starts.push_back(static_cast<size_t>(feed - data) + 1);
        p = feed + 1;
    }
}

std::string_view MemoText::line(qsizetype i) const {
    const auto k = static_cast<size_t>(i);
    const size_t start = m_starts[k];
    const size_t end = k + 1 < m_starts.size() ? m_starts[k + 1] - 1 : m_bytes.size();
    return std::string_view(m_bytes).substr(start, end - start);
}

std::string_view MemoText::linesBetween(qsizetype a, qsizetype b) const {
    const size_t start = m_starts[static_cast<size_t>(a)];
    const size_t end = b < lineCount() ? m_starts[static_cast<size_t>(b)] : m_bytes.size();
    return std::string_view(m_bytes).substr(start, end - start);
}

CharAdvances::CharAdvances(const QFontMetricsF& metrics) : m_metrics(metrics) {
    for (size_t c = 32; c < m_ascii.size(); ++c) {
        m_ascii[c] = units(metrics.horizontalAdvance(QChar(static_cast<char16_t>(c))));
    }
}

std::int64_t CharAdvances::units(double pixels) const {
    return std::llround(pixels * kUnitsPerPixel);
}

std::int64_t CharAdvances::other(std::string_view text, size_t& i) {
    const auto lead = static_cast<unsigned char>(text[i++]);
    const int more = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
    char32_t code = lead & (0x3Fu >> more);
    for (int k = 0; k < more && i < text.size(); ++k) {
        code = (code << 6) | (static_cast<unsigned char>(text[i++]) & 0x3Fu);
    }
    auto it = m_others.find(code);
    if (it == m_others.end()) {
        it = m_others.insert(code, units(m_metrics.horizontalAdvance(QString::fromUcs4(&code, 1))));
    }
    return it.value();
}

} // namespace orvek::ui
