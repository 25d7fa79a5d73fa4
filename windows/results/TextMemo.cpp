#include "windows/results/TextMemo.h"

#include <QAction>
#include <QApplication>
#include <QByteArrayView>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

namespace orvek::ui {

// ---- MemoText ---------------------------------------------------------------------------------

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

// ---- CharAdvances -----------------------------------------------------------------------------

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

// ---- TextMemo ---------------------------------------------------------------------------------

namespace {

// The room between the frame and the text, as a text box leaves it.
constexpr int kMargin = 4;
// Lines laid out and kept for painting again: a few screens full.
constexpr size_t kKeptLayouts = 512;
// Longer lines are measured by their characters' widths alone, never laid out to measure them.
constexpr size_t kMeasuredBytes = 16384;

struct KeyMove {
    QKeySequence::StandardKey key;
    TextMemo::Move move;
    bool select;
};

using M = TextMemo::Move;
constexpr KeyMove kKeyMoves[] = {
    {QKeySequence::MoveToPreviousChar, M::Left, false},
    {QKeySequence::SelectPreviousChar, M::Left, true},
    {QKeySequence::MoveToNextChar, M::Right, false},
    {QKeySequence::SelectNextChar, M::Right, true},
    {QKeySequence::MoveToPreviousWord, M::WordLeft, false},
    {QKeySequence::SelectPreviousWord, M::WordLeft, true},
    {QKeySequence::MoveToNextWord, M::WordRight, false},
    {QKeySequence::SelectNextWord, M::WordRight, true},
    {QKeySequence::MoveToPreviousLine, M::Up, false},
    {QKeySequence::SelectPreviousLine, M::Up, true},
    {QKeySequence::MoveToNextLine, M::Down, false},
    {QKeySequence::SelectNextLine, M::Down, true},
    {QKeySequence::MoveToPreviousPage, M::PageUp, false},
    {QKeySequence::SelectPreviousPage, M::PageUp, true},
    {QKeySequence::MoveToNextPage, M::PageDown, false},
    {QKeySequence::SelectNextPage, M::PageDown, true},
    {QKeySequence::MoveToStartOfLine, M::LineStart, false},
    {QKeySequence::SelectStartOfLine, M::LineStart, true},
    {QKeySequence::MoveToEndOfLine, M::LineEnd, false},
    {QKeySequence::SelectEndOfLine, M::LineEnd, true},
    {QKeySequence::MoveToStartOfDocument, M::TextStart, false},
    {QKeySequence::SelectStartOfDocument, M::TextStart, true},
    {QKeySequence::MoveToEndOfDocument, M::TextEnd, false},
    {QKeySequence::SelectEndOfDocument, M::TextEnd, true},
};

const KeyMove* keyMove(QKeyEvent* event) {
    for (const KeyMove& k : kKeyMoves) {
        if (event->matches(k.key)) {
            return &k;
        }
    }
    return nullptr;
}

// What a double click takes together: letters and digits with the marks of a number, blanks,
// or anything else.
int charClass(QChar c) {
    if (c.isLetterOrNumber() || c.isMark() || c == QLatin1Char('_') || c == QLatin1Char('.') ||
        c == QLatin1Char(',')) {
        return 0;
    }
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') ? 1 : 2;
}

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

// ---- caret and selection ----------------------------------------------------------------------

TextMemo::Position TextMemo::textEnd() const {
    return {lineCount() - 1, lineText(lineCount() - 1).size()};
}

TextMemo::Position TextMemo::clamped(Position at) const {
    at.line = std::clamp<qsizetype>(at.line, 0, lineCount() - 1);
    at.column = std::clamp<qsizetype>(at.column, 0, lineText(at.line).size());
    return at;
}

void TextMemo::setCaret(Position at, bool keepAnchor) {
    m_caret = clamped(at);
    if (!keepAnchor) {
        m_anchor = m_caret;
    }
    ensureVisible(m_caret);
    viewport()->update();
}

void TextMemo::selectAll() {
    m_anchor = Position{};
    m_caret = textEnd();
    viewport()->update();
}

QString TextMemo::selectedText() const {
    const Position from = std::min(m_caret, m_anchor);
    const Position to = std::max(m_caret, m_anchor);
    if (from.line == to.line) {
        return lineText(from.line).mid(from.column, to.column - from.column);
    }
    QString out = lineText(from.line).mid(from.column);
    out += QLatin1Char('\n');
    const std::string_view middle = m_text->linesBetween(from.line + 1, to.line);
    out += QString::fromUtf8(middle.data(), static_cast<qsizetype>(middle.size()));
    out += lineText(to.line).left(to.column);
    return out;
}

void TextMemo::copy() const {
    if (hasSelection()) {
        QGuiApplication::clipboard()->setText(selectedText());
    }
}

void TextMemo::selectionChanged() {
    // Where the system keeps a selection of its own, the text selected goes there too.
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (hasSelection() && clipboard->supportsSelection()) {
        clipboard->setText(selectedText(), QClipboard::Selection);
    }
}

void TextMemo::ensureVisible(Position at) {
    QScrollBar* v = verticalScrollBar();
    const int page = linesPerPage();
    if (at.line < v->value()) {
        v->setValue(static_cast<int>(at.line));
    } else if (at.line >= v->value() + page) {
        v->setValue(static_cast<int>(at.line - page + 1));
    }
    QScrollBar* h = horizontalScrollBar();
    const int x = static_cast<int>(std::lround(columnX(at.line, at.column)));
    const int room = viewport()->width() - 2 * kMargin;
    if (x < h->value()) {
        h->setValue(x);
    } else if (x > h->value() + room) {
        h->setValue(x - room);
    }
}

void TextMemo::centerOnLine(qsizetype line) {
    setCaret({line, 0});
    verticalScrollBar()->setValue(static_cast<int>(line - linesPerPage() / 2));
}

void TextMemo::moveCaret(Move move, bool keepAnchor) {
    Position at = m_caret;
    const QTextLayout& layout = layoutOf(at.line);
    const qsizetype length = layout.text().size();
    const auto column = static_cast<int>(at.column);
    const bool vertical =
        move == Move::Up || move == Move::Down || move == Move::PageUp || move == Move::PageDown;
    if (vertical && m_preferredX < 0) {
        m_preferredX = columnX(at.line, at.column);
    }
    const auto toLine = [&](qsizetype line) {
        at.line = std::clamp<qsizetype>(line, 0, lineCount() - 1);
        const QTextLayout& target = layoutOf(at.line);
        at.column = target.lineCount() > 0 ? target.lineAt(0).xToCursor(m_preferredX) : 0;
    };
    const int page = linesPerPage();
    switch (move) {
    case Move::Left:
    case Move::WordLeft:
        if (at.column > 0) {
            at.column = layout.previousCursorPosition(
                column, move == Move::Left ? QTextLayout::SkipCharacters : QTextLayout::SkipWords);
        } else if (at.line > 0) {
            at = {at.line - 1, lineText(at.line - 1).size()};
        }
        break;
    case Move::Right:
    case Move::WordRight:
        if (at.column < length) {
            at.column = layout.nextCursorPosition(
                column, move == Move::Right ? QTextLayout::SkipCharacters : QTextLayout::SkipWords);
        } else if (at.line + 1 < lineCount()) {
            at = {at.line + 1, 0};
        }
        break;
    case Move::Up:
        toLine(at.line - 1);
        break;
    case Move::Down:
        toLine(at.line + 1);
        break;
    case Move::PageUp:
        verticalScrollBar()->setValue(verticalScrollBar()->value() - page);
        toLine(at.line - page);
        break;
    case Move::PageDown:
        verticalScrollBar()->setValue(verticalScrollBar()->value() + page);
        toLine(at.line + page);
        break;
    case Move::LineStart:
        at.column = 0;
        break;
    case Move::LineEnd:
        at.column = length;
        break;
    case Move::TextStart:
        at = Position{};
        break;
    case Move::TextEnd:
        at = textEnd();
        break;
    }
    if (!vertical) {
        m_preferredX = -1;
    }
    setCaret(at, keepAnchor);
    if (keepAnchor) {
        selectionChanged();
    }
}

std::pair<TextMemo::Position, TextMemo::Position> TextMemo::wordAround(Position at) const {
    const QString line = lineText(at.line);
    if (line.isEmpty()) {
        return {at, at};
    }
    const qsizetype probe = at.column < line.size() ? at.column : line.size() - 1;
    const int kind = charClass(line.at(probe));
    qsizetype start = probe;
    qsizetype end = probe + 1;
    while (start > 0 && charClass(line.at(start - 1)) == kind) {
        --start;
    }
    while (end < line.size() && charClass(line.at(end)) == kind) {
        ++end;
    }
    return {{at.line, start}, {at.line, end}};
}

std::pair<TextMemo::Position, TextMemo::Position> TextMemo::lineAround(Position at) const {
    if (at.line + 1 < lineCount()) {
        return {{at.line, 0}, {at.line + 1, 0}};
    }
    return {{at.line, 0}, textEnd()};
}

void TextMemo::selectUnits(Position at) {
    // A drag after a double or triple click selects whole words or lines, from the first one on.
    const auto unit = m_unit == Unit::Word ? wordAround(at) : lineAround(at);
    if (at < m_firstUnit.first) {
        m_anchor = m_firstUnit.second;
        m_caret = unit.first;
    } else {
        m_anchor = m_firstUnit.first;
        m_caret = std::max(unit.second, m_firstUnit.second);
    }
    ensureVisible(m_caret);
    viewport()->update();
}

// ---- mouse ------------------------------------------------------------------------------------

void TextMemo::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    const QPoint point = event->position().toPoint();
    const Position at = positionAt(point);
    m_preferredX = -1;
    m_dragging = true;
    m_dragPoint = point;
    if (m_tripleClick.isActive() &&
        (point - m_doubleClickPoint).manhattanLength() < QApplication::startDragDistance()) {
        m_tripleClick.stop();
        m_unit = Unit::Line;
        m_firstUnit = lineAround(at);
        selectUnits(at);
    } else {
        m_unit = Unit::Character;
        setCaret(at, event->modifiers().testFlag(Qt::ShiftModifier));
    }
    event->accept();
}

void TextMemo::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseDoubleClickEvent(event);
        return;
    }
    const QPoint point = event->position().toPoint();
    const Position at = positionAt(point);
    m_unit = Unit::Word;
    m_firstUnit = wordAround(at);
    m_dragging = true;
    selectUnits(at);
    m_doubleClickPoint = point;
    m_tripleClick.start(QApplication::doubleClickInterval(), this);
    event->accept();
}

void TextMemo::dragTo(QPoint point) {
    const Position at = positionAt(point);
    if (m_unit == Unit::Character) {
        setCaret(at, true);
    } else {
        selectUnits(at);
    }
}

void TextMemo::mouseMoveEvent(QMouseEvent* event) {
    if (!m_dragging || !(event->buttons() & Qt::LeftButton)) {
        return;
    }
    m_dragPoint = event->position().toPoint();
    dragTo(m_dragPoint);
    // Beyond the edges the text scrolls on by itself while the button is held.
    if (viewport()->rect().contains(m_dragPoint)) {
        m_autoScroll.stop();
    } else if (!m_autoScroll.isActive()) {
        m_autoScroll.start(50, this);
    }
}

void TextMemo::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && m_dragging) {
        m_dragging = false;
        m_autoScroll.stop();
        selectionChanged();
    }
}

void TextMemo::timerEvent(QTimerEvent* event) {
    if (event->timerId() == m_tripleClick.timerId()) {
        m_tripleClick.stop();
    } else if (event->timerId() == m_autoScroll.timerId()) {
        QScrollBar* v = verticalScrollBar();
        QScrollBar* h = horizontalScrollBar();
        if (m_dragPoint.y() < 0) {
            v->setValue(v->value() - 1);
        } else if (m_dragPoint.y() >= viewport()->height()) {
            v->setValue(v->value() + 1);
        }
        if (m_dragPoint.x() < 0) {
            h->setValue(h->value() - h->singleStep());
        } else if (m_dragPoint.x() >= viewport()->width()) {
            h->setValue(h->value() + h->singleStep());
        }
        dragTo(m_dragPoint);
    } else {
        QAbstractScrollArea::timerEvent(event);
    }
}

// ---- keyboard, focus and menu -----------------------------------------------------------------

bool TextMemo::event(QEvent* event) {
    // The memo's own keys go to it before any shortcut of the window.
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Copy) || key->matches(QKeySequence::SelectAll) ||
            keyMove(key) != nullptr) {
            event->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

void TextMemo::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        copy();
    } else if (event->matches(QKeySequence::SelectAll)) {
        selectAll();
        selectionChanged();
    } else if (const KeyMove* k = keyMove(event)) {
        moveCaret(k->move, k->select);
    } else {
        event->ignore(); // read-only: typing goes to the window
        return;
    }
    event->accept();
}

void TextMemo::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void TextMemo::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

QMenu* TextMemo::createContextMenu(QWidget* parent) {
    auto* menu = new QMenu(parent);
    QAction* copyAction = menu->addAction(tr("&Copy"), this, &TextMemo::copy);
    copyAction->setObjectName(QStringLiteral("Copy"));
    copyAction->setShortcut(QKeySequence::Copy);
    copyAction->setEnabled(hasSelection());
    menu->addSeparator();
    QAction* all = menu->addAction(tr("Select All"), this, [this] {
        selectAll();
        selectionChanged();
    });
    all->setObjectName(QStringLiteral("SelectAll"));
    all->setShortcut(QKeySequence::SelectAll);
    all->setEnabled(lineCount() > 1 || !m_text->bytes().empty());
    return menu;
}

void TextMemo::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = createContextMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

} // namespace orvek::ui
