#include "windows/results/NumericalOutputPage.h"

#include "basics/Files.h"
#include "basics/Text.h"
#include "formats/ResultFiles.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QHash>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <string_view>
#include <vector>

namespace orvek::ui {

namespace {

// The lines of a text file written with CR LF (or LF), joined by line feeds.
void appendLines(QString& out, std::string_view content) {
    out.reserve(out.size() + static_cast<qsizetype>(content.size()));
    LineCursor cursor(content);
    std::string_view line;
    while (cursor.next(line)) {
        if (cursor.lineNumber() > 1) {
            out += QLatin1Char('\n');
        }
        out += QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
    }
}

} // namespace

QFont memoFont() {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(8);
    return font;
}

NumericalOutputPage::NumericalOutputPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("TabSheet2"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    m_memo = new QPlainTextEdit(this);
    m_memo->setObjectName(QStringLiteral("Memo1"));
    m_memo->setReadOnly(true);
    m_memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_memo->setUndoRedoEnabled(false);
    m_memo->setFont(memoFont());
    setTabStops();
    m_memo->installEventFilter(this);
    layout->addWidget(m_memo, 1);

    auto* buttons = new QHBoxLayout;
    m_excel = new QPushButton(QStringLiteral("Open result in Excel"), this);
    m_excel->setObjectName(QStringLiteral("BitBtn3"));
    m_excel->setEnabled(false);
    buttons->addStretch(1);
    buttons->addWidget(m_excel);
    layout->addLayout(buttons);
}

void NumericalOutputPage::setTabStops() {
    // Eight average characters, as the text device counts them, unless a column holds wider
    // texts (a date such as 12/31/05 in a proportional font): then the widest of them and a
    // blank, so that every row lines up under its headings at any size of the font.
    const QFontMetricsF metrics(m_memo->font());
    double distance = 8 * metrics.averageCharWidth();
    const double widest = widestCell(m_cells, metrics);
    if (widest > 0) {
        distance =
            std::max(distance, std::ceil(widest + metrics.horizontalAdvance(QLatin1Char(' '))));
    }
    m_memo->setTabStopDistance(distance);
}

double widestCell(const QSet<QString>& cells, const QFontMetricsF& metrics) {
    if (cells.isEmpty()) {
        return 0;
    }
    // The texts are estimated from the widths of their characters and only the widest few are
    // measured as drawn: a long run has tens of thousands of distinct cells, and the font
    // changes with every step of a proportional resize.
    QHash<QChar, double> advance;
    std::vector<std::pair<double, const QString*>> estimates;
    estimates.reserve(static_cast<size_t>(cells.size()));
    for (const QString& cell : cells) {
        double sum = 0;
        for (const QChar c : cell) {
            auto it = advance.find(c);
            if (it == advance.end()) {
                it = advance.insert(c, metrics.horizontalAdvance(c));
            }
            sum += it.value();
        }
        estimates.emplace_back(sum, &cell);
    }
    constexpr size_t kMeasured = 32;
    const size_t measured = std::min(kMeasured, estimates.size());
    std::partial_sort(estimates.begin(), estimates.begin() + static_cast<std::ptrdiff_t>(measured),
                      estimates.end(),
                      [](const auto& a, const auto& b) { return a.first > b.first; });
    double widest = 0;
    for (size_t i = 0; i < measured; ++i) {
        widest =
            std::max({widest, estimates[i].first, metrics.horizontalAdvance(*estimates[i].second)});
    }
    return widest;
}

bool NumericalOutputPage::eventFilter(QObject* watched, QEvent* event) {
    // The tab stops are counted in characters of the memo's font, whatever size it is given.
    if (watched == m_memo && event->type() == QEvent::FontChange) {
        setTabStops();
    }
    return QWidget::eventFilter(watched, event);
}

void NumericalOutputPage::loadMemo(const std::string& startFolder, bool daily) {
    const std::string memoPath =
        startFolder + (daily ? kResultDailyMemoFileName : kResultMonthlyMemoFileName);
    QString text;
    try {
        appendLines(text, readWholeFile(memoPath));
    } catch (...) {
        m_cells.clear();
        setTabStops();
        m_memo->clear();
        throw;
    }
    // The setting record always follows the table after exactly one empty line.
    text += QLatin1Char('\n');
    std::string record;
    try {
        record = readWholeFile(startFolder + kSettingRecordFileName);
    } catch (...) {
        m_cells = tabbedCells(text);
        setTabStops();
        m_memo->setPlainText(text);
        throw;
    }
    QString recordText;
    appendLines(recordText, record);
    text += QLatin1Char('\n');
    text += recordText;
    m_cells = tabbedCells(text);
    setTabStops();
    m_memo->setPlainText(text);
}

QSet<QString> tabbedCells(const QString& text) {
    QSet<QString> cells;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\t')) {
            cells.insert(text.mid(start, i - start));
            start = i + 1;
        } else if (c == QLatin1Char('\n')) {
            start = i + 1;
        }
    }
    return cells;
}

} // namespace orvek::ui
