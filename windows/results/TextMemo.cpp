#include "windows/results/TextMemo.h"

#include <QFontMetricsF>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace orvek::ui {

namespace {

// Lines laid out and kept for painting again: a few screens full.
constexpr size_t kKeptLayouts = 512;
// Longer lines are measured by their characters' widths alone, never laid out to measure them.
constexpr size_t kMeasuredBytes = 16384;

} // namespace

TextMemo::TextMemo(QWidget* parent)
    : QAbstractScrollArea(parent), m_text(std::make_shared<MemoText>()) {
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    viewport()->setCursor(Qt::IBeamCursor);
    relayout(true);
}

TextMemo::~TextMemo() = default;

void TextMemo::setText(std::shared_ptr<const MemoText> text) {
    m_text = text ? std::move(text) : std::make_shared<MemoText>();
    m_caret = m_anchor = Position{};
    m_preferredX = -1;
    m_dragging = false;
    m_autoScroll.stop();
    relayout(true);
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
}

void TextMemo::setPlainText(const QString& text) {
    setText(std::make_shared<MemoText>(text.toStdString()));
}

void TextMemo::clear() {
    setText(nullptr);
}

QString TextMemo::toPlainText() const {
    const std::string_view all = m_text->bytes();
    return QString::fromUtf8(all.data(), static_cast<qsizetype>(all.size()));
}

QStringList TextMemo::lines() const {
    QStringList out;
    out.reserve(lineCount());
    for (qsizetype i = 0; i < lineCount(); ++i) {
        out.append(lineText(i));
    }
    return out;
}

QString TextMemo::lineText(qsizetype line) const {
    const std::string_view text = m_text->line(line);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void TextMemo::setTabStopDistance(double distance) {
    m_tabStop = distance;
    relayout(false);
}

// ---- layout -----------------------------------------------------------------------------------

const QTextLayout& TextMemo::layoutOf(qsizetype line) const {
    const auto found = m_layouts.find(line);
    if (found != m_layouts.end()) {
        return *found->second;
    }
    if (m_layouts.size() >= kKeptLayouts) {
        m_layouts.clear();
    }
    auto layout = std::make_unique<QTextLayout>(lineText(line), font());
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    option.setTabStopDistance(m_tabStop);
    layout->setTextOption(option);
    layout->setCacheEnabled(true);
    layout->beginLayout();
    QTextLine row = layout->createLine();
    if (row.isValid()) {
        row.setLineWidth(1e7);
        row.setPosition(QPointF(0, 0));
    }
    layout->endLayout();
    return *m_layouts.emplace(line, std::move(layout)).first->second;
}

void TextMemo::relayout(bool force) {
    // A font or a tab stop set again to what it was, or the font change that follows a new tab
    // stop for that font, lays nothing out again.
    if (!force && m_laidOutFont == font() && m_laidOutTabStop == m_tabStop &&
        m_laidOutText == m_text.get()) {
        return;
    }
    m_laidOutFont = font();
    m_laidOutTabStop = m_tabStop;
    m_laidOutText = m_text.get();
    m_layouts.clear();
    const QFontMetricsF metrics(font());
    m_lineHeight = std::max(1, static_cast<int>(std::ceil(metrics.height())));
    measureWidth();
    updateScrollBars();
    viewport()->update();
}

void TextMemo::measureWidth() {
    MemoText::Measured& measured = m_text->measured();
    if (measured.tabStop == m_tabStop && measured.font == font()) {
        m_contentWidth = static_cast<int>(std::ceil(measured.width)) + 2 * kMargin + 1;
        return;
    }
    // Every line is measured by the widths of its characters, which is quick; the widest few
    // are then laid out as they are drawn, for the pairs of characters a font moves together.
    const QFontMetricsF metrics(font());
    CharAdvances advances(metrics);
    const std::int64_t tab = std::max<std::int64_t>(
        1, std::llround((m_tabStop > 0 ? m_tabStop : 80) * CharAdvances::kUnitsPerPixel));
    constexpr size_t kLaidOut = 4;
    std::vector<std::pair<std::int64_t, qsizetype>> widest; // widest first
    for (qsizetype i = 0; i < lineCount(); ++i) {
        const std::string_view line = m_text->line(i);
        std::int64_t x = 0;
        for (size_t k = 0; k < line.size();) {
            if (line[k] == '\t') {
                x = (x / tab + 1) * tab;
                ++k;
            } else {
                x += advances.next(line, k);
            }
        }
        if (widest.size() < kLaidOut || x > widest.back().first) {
            const auto at = std::find_if(widest.begin(), widest.end(),
                                         [x](const auto& w) { return w.first < x; });
            widest.insert(at, {x, i});
            if (widest.size() > kLaidOut) {
                widest.pop_back();
            }
        }
    }
    double width = widest.empty()
                       ? 0
                       : static_cast<double>(widest.front().first) / CharAdvances::kUnitsPerPixel;
    for (const auto& [estimate, line] : widest) {
        if (m_text->line(line).size() <= kMeasuredBytes) {
            width = std::max(width, layoutOf(line).lineAt(0).naturalTextWidth());
        }
    }
    measured = {font(), m_tabStop, width};
    m_contentWidth = static_cast<int>(std::ceil(width)) + 2 * kMargin + 1;
}

int TextMemo::linesPerPage() const {
    return std::max(1, (viewport()->height() - kMargin) / m_lineHeight);
}

void TextMemo::updateScrollBars() {
    QScrollBar* v = verticalScrollBar();
    const int page = linesPerPage();
    v->setRange(0, static_cast<int>(std::max<qsizetype>(0, lineCount() - page)));
    v->setPageStep(page);
    v->setSingleStep(1);
    QScrollBar* h = horizontalScrollBar();
    const int width = viewport()->width();
    h->setRange(0, std::max(0, m_contentWidth - width));
    h->setPageStep(std::max(1, width));
    h->setSingleStep(std::max(1, 2 * QFontMetrics(font()).averageCharWidth()));
}

void TextMemo::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void TextMemo::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        relayout(false);
    } else if (event->type() == QEvent::PaletteChange ||
               event->type() == QEvent::ActivationChange ||
               event->type() == QEvent::EnabledChange) {
        viewport()->update();
    }
}

void TextMemo::scrollContentsBy(int, int) {
    viewport()->update();
}

// ---- painting ---------------------------------------------------------------------------------

double TextMemo::columnX(qsizetype line, qsizetype column) const {
    const QTextLayout& layout = layoutOf(line);
    return layout.lineCount() > 0 ? layout.lineAt(0).cursorToX(static_cast<int>(column)) : 0.0;
}

QPoint TextMemo::pointOf(Position at) const {
    const double x = columnX(at.line, at.column);
    return {kMargin - horizontalScrollBar()->value() + static_cast<int>(std::lround(x)),
            kMargin + static_cast<int>(at.line - verticalScrollBar()->value()) * m_lineHeight};
}

TextMemo::Position TextMemo::positionAt(QPoint point) const {
    const int row = static_cast<int>(
        std::floor(static_cast<double>(point.y() - kMargin) / static_cast<double>(m_lineHeight)));
    Position at;
    at.line = std::clamp<qsizetype>(verticalScrollBar()->value() + row, 0, lineCount() - 1);
    const QTextLayout& layout = layoutOf(at.line);
    if (layout.lineCount() > 0) {
        const double x = point.x() - kMargin + horizontalScrollBar()->value();
        at.column = layout.lineAt(0).xToCursor(x, QTextLine::CursorBetweenCharacters);
    }
    return at;
}

QStringList TextMemo::paintedLines() const {
    QStringList out;
    for (qsizetype i = m_paintedFirst; i < m_paintedFirst + m_paintedCount && i < lineCount();
         ++i) {
        out.append(lineText(i));
    }
    return out;
}

void TextMemo::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QRect area = event->rect();
    const QPalette::ColorGroup group = !isEnabled()       ? QPalette::Disabled
                                       : isActiveWindow() ? QPalette::Active
                                                          : QPalette::Inactive;
    const QPalette& colours = palette();
    const QColor text = colours.color(group, QPalette::Text);
    QTextCharFormat selected;
    selected.setBackground(colours.brush(group, QPalette::Highlight));
    selected.setForeground(colours.brush(group, QPalette::HighlightedText));
    const Position from = std::min(m_caret, m_anchor);
    const Position to = std::max(m_caret, m_anchor);
    const double left = kMargin - horizontalScrollBar()->value();
    const double blank = QFontMetricsF(font()).horizontalAdvance(QLatin1Char(' '));

    const qsizetype first = verticalScrollBar()->value();
    m_paintedFirst = first;
    m_paintedCount = 0;
    painter.setPen(text);
    for (qsizetype i = first; i < lineCount(); ++i) {
        const int top = kMargin + static_cast<int>(i - first) * m_lineHeight;
        if (top >= viewport()->height()) {
            break;
        }
        ++m_paintedCount;
        if (top + m_lineHeight <= area.top() || top >= area.bottom() + 1) {
            continue;
        }
        const QTextLayout& layout = layoutOf(i);
        QList<QTextLayout::FormatRange> ranges;
        if (hasSelection() && from.line <= i && i <= to.line) {
            const qsizetype start = i == from.line ? from.column : 0;
            const qsizetype end = i == to.line ? to.column : layout.text().size();
            if (end > start) {
                ranges.append({static_cast<int>(start), static_cast<int>(end - start), selected});
            }
            if (i < to.line && layout.lineCount() > 0) { // the line break is selected too
                const double x = left + layout.lineAt(0).naturalTextWidth();
                painter.fillRect(QRectF(x, top, blank, m_lineHeight), selected.background());
            }
        }
        layout.draw(&painter, QPointF(left, top), ranges);
        if (hasFocus() && m_caret.line == i) {
            layout.drawCursor(&painter, QPointF(left, top), static_cast<int>(m_caret.column), 1);
        }
    }
}

} // namespace orvek::ui
