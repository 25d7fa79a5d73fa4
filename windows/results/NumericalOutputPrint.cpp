#include "windows/results/NumericalOutputPrint.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>

#include <algorithm>
#include <cmath>
#include <vector>

namespace orvek::ui {

namespace {

class TextDevice {
public:
    TextDevice(const TextDeviceMetrics& m, const PlaceText& place) : m_m(m), m_place(place) {}

    void writeLine(const QString& line) {
        m_usedPages = m_page + 1;
        const QStringList pieces = line.split(QLatin1Char('\t'));
        for (qsizetype k = 0; k < pieces.size(); ++k) {
            if (k > 0) {
                tab();
            }
            write(pieces[k]);
        }
        newLine();
    }

    // A page is begun by the line that starts on it, not by the end of the last line.
    int pages() const { return m_usedPages; }

private:
    double tabWidth() const { return 8 * m_m.averageCharWidth; }

    void tab() {
        const double stop = tabWidth();
        if (stop <= 0) {
            return;
        }
        m_x = (std::floor(m_x / stop + 1e-9) + 1) * stop;
        if (m_x > m_m.pageWidth) {
            newLine();
        }
    }

    void write(QString text) {
        while (!text.isEmpty()) {
            const double room = m_m.pageWidth - m_x;
            if (m_m.advance(text) <= room) {
                place(text);
                m_x += m_m.advance(text);
                return;
            }
            qsizetype fits = fittingLength(text, room);
            if (fits == 0 && m_x > 0) {
                newLine();
                continue;
            }
            fits = std::max<qsizetype>(fits, 1); // a page narrower than one character
            place(text.left(fits));
            text.remove(0, fits);
            newLine();
        }
    }

    // The longest beginning of the text whose width fits the room.
    qsizetype fittingLength(const QString& text, double room) const {
        qsizetype low = 0;
        qsizetype high = text.size();
        while (low < high) {
            const qsizetype mid = (low + high + 1) / 2;
            if (m_m.advance(text.left(mid)) <= room) {
                low = mid;
            } else {
                high = mid - 1;
            }
        }
        return low;
    }

    void place(const QString& text) {
        m_usedPages = std::max(m_usedPages, m_page + 1);
        m_place(m_page, m_x, m_y, text);
    }

    void newLine() {
        m_x = 0;
        m_y += m_m.lineHeight;
        if (m_m.pageHeight - m_y < 2 * m_m.lineHeight) {
            ++m_page;
            m_y = 0;
        }
    }

    const TextDeviceMetrics& m_m;
    const PlaceText& m_place;
    int m_page = 0;
    int m_usedPages = 1;
    double m_x = 0;
    double m_y = 0;
};

} // namespace

int layoutTextDevice(const QStringList& lines, const TextDeviceMetrics& metrics,
                     const PlaceText& place) {
    TextDevice device(metrics, place);
    for (const QString& line : lines) {
        device.writeLine(line);
    }
    return device.pages();
}

QStringList printoutLines(const QStringList& memoLines) {
    QStringList out;
    out.reserve(memoLines.size() + 5);
    for (int i = 0; i < 5; ++i) {
        out << QString();
    }
    const QString indent(15, QLatin1Char(' '));
    for (const QString& line : memoLines) {
        out << indent + line;
    }
    return out;
}

QStringList alignColumns(const QStringList& lines, const TextDeviceMetrics& metrics) {
    const double stop = 8 * metrics.averageCharWidth;
    if (stop <= 0) {
        return lines;
    }
    const double blank = metrics.advance(QStringLiteral(" "));
    std::vector<QStringList> cells(static_cast<size_t>(lines.size()));
    qsizetype columns = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i].contains(QLatin1Char('\t'))) {
            cells[static_cast<size_t>(i)] = lines[i].split(QLatin1Char('\t'));
            columns = std::max(columns, cells[static_cast<size_t>(i)].size());
        }
    }
    if (columns < 2) {
        return lines;
    }
    // The stop each column starts at: the first one at least a blank beyond the widest text of
    // the column before it, in every row alike.
    const auto stopIndex = [stop](double x) { return std::floor(x / stop + 1e-9); };
    std::vector<double> start(static_cast<size_t>(columns), 0.0);
    for (qsizetype k = 1; k < columns; ++k) {
        double widest = 0;
        for (const QStringList& row : cells) {
            if (row.size() > k) {
                widest = std::max(widest, metrics.advance(row[k - 1]));
            }
        }
        const double needed = start[static_cast<size_t>(k - 1)] + widest + blank;
        start[static_cast<size_t>(k)] = std::ceil(needed / stop - 1e-9) * stop;
    }
    QStringList out = lines;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QStringList& row = cells[static_cast<size_t>(i)];
        if (row.isEmpty()) {
            continue;
        }
        QString line = row[0];
        for (qsizetype k = 1; k < row.size(); ++k) {
            const double end = start[static_cast<size_t>(k - 1)] + metrics.advance(row[k - 1]);
            const auto tabs = static_cast<qsizetype>(
                std::lround(start[static_cast<size_t>(k)] / stop - stopIndex(end)));
            line += QString(std::max<qsizetype>(tabs, 1), QLatin1Char('\t'));
            line += row[k];
        }
        out[i] = line;
    }
    return out;
}

int printMemo(QPrinter& printer, const QFont& font, const QStringList& memoLines) {
    QPainter painter;
    if (!painter.begin(&printer)) {
        return 0;
    }
    QFont printed(font);
    painter.setFont(printed);
    const QFontMetricsF fm(painter.font(), painter.device());
    TextDeviceMetrics m;
    m.pageWidth = painter.device()->width();
    m.pageHeight = painter.device()->height();
    m.lineHeight = fm.lineSpacing();
    m.averageCharWidth = fm.averageCharWidth();
    m.advance = [&fm](const QString& text) { return fm.horizontalAdvance(text); };
    const double ascent = fm.ascent();
    int current = 0;
    const int pages = layoutTextDevice(alignColumns(printoutLines(memoLines), m), m,
                                       [&](int page, double x, double y, const QString& text) {
                                           while (current < page) {
                                               printer.newPage();
                                               ++current;
                                           }
                                           painter.drawText(QPointF(x, y + ascent), text);
                                       });
    while (current + 1 < pages) { // pages whose lines are all empty
        printer.newPage();
        ++current;
    }
    painter.end();
    return pages;
}

} // namespace orvek::ui
