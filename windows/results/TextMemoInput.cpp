#include "windows/results/TextMemo.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QScrollBar>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

// The caret, the selection and what moves them: the mouse, the keys and the context menu.

namespace orvek::ui {

namespace {

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
