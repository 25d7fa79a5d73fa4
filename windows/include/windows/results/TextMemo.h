#pragma once

#include "windows/results/MemoText.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QFont>
#include <QStringList>

#include <compare>
#include <memory>
#include <unordered_map>

class QMenu;
class QTextLayout;

namespace orvek::ui {

// A place in a memo between two characters: the line and the UTF-16 offset in its text.
struct MemoPosition {
    qsizetype line = 0;
    qsizetype column = 0;
    auto operator<=>(const MemoPosition&) const = default;
};

// A read-only text box for long texts: it lays out and paints only the lines in view, each
// TAB-separated cell at the next tab stop. Selection with the mouse and the keyboard, copying,
// a context menu with Copy and Select All.
class TextMemo : public QAbstractScrollArea {
    Q_OBJECT
public:
    using Position = MemoPosition;
    enum class Move {
        Left,
        Right,
        WordLeft,
        WordRight,
        Up,
        Down,
        PageUp,
        PageDown,
        LineStart,
        LineEnd,
        TextStart,
        TextEnd
    };

    explicit TextMemo(QWidget* parent = nullptr);
    ~TextMemo() override;

    // Shows the text from its first line, nothing selected.
    void setText(std::shared_ptr<const MemoText> text);
    void setPlainText(const QString& text);
    void clear();
    const std::shared_ptr<const MemoText>& text() const { return m_text; }
    QString toPlainText() const;
    QStringList lines() const;
    qsizetype lineCount() const { return m_text->lineCount(); }
    QString lineText(qsizetype line) const;
    bool isReadOnly() const { return true; }

    double tabStopDistance() const { return m_tabStop; }
    void setTabStopDistance(double distance);

    Position caret() const { return m_caret; }
    Position anchor() const { return m_anchor; }
    bool hasSelection() const { return m_caret != m_anchor; }
    QString selectedText() const; // lines joined by line feeds
    // Moves the caret there and scrolls it into view; keepAnchor extends the selection.
    void setCaret(Position at, bool keepAnchor = false);
    void moveCaret(Move move, bool keepAnchor = false);
    void selectAll();
    void copy() const;
    void centerOnLine(qsizetype line);

    int lineHeight() const { return m_lineHeight; }
    int contentWidth() const { return m_contentWidth; }
    // The texts of the lines the last paint drew, top to bottom.
    QStringList paintedLines() const;
    // Where a column of a line is drawn, from the left edge of its text.
    double columnX(qsizetype line, qsizetype column) const;
    // The point of the viewport where a position is drawn (the top of its line), and back.
    QPoint pointOf(Position at) const;
    Position positionAt(QPoint point) const;
    QMenu* createContextMenu(QWidget* parent);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    enum class Unit { Character, Word, Line };
    // The room between the frame and the text, as a text box leaves it.
    static constexpr int kMargin = 4;

    const QTextLayout& layoutOf(qsizetype line) const;
    void relayout(bool force);
    void measureWidth();
    void updateScrollBars();
    int linesPerPage() const;
    void ensureVisible(Position at);
    Position clamped(Position at) const;
    Position textEnd() const;
    // The word, run of blanks or run of other characters around a position.
    std::pair<Position, Position> wordAround(Position at) const;
    std::pair<Position, Position> lineAround(Position at) const;
    void selectUnits(Position at);
    void dragTo(QPoint point);
    void selectionChanged();

    std::shared_ptr<const MemoText> m_text;
    double m_tabStop = 80;
    int m_lineHeight = 1;
    int m_contentWidth = 0;
    QFont m_laidOutFont;
    double m_laidOutTabStop = -1;
    const MemoText* m_laidOutText = nullptr;
    mutable std::unordered_map<qsizetype, std::unique_ptr<QTextLayout>> m_layouts;

    Position m_caret;
    Position m_anchor;
    double m_preferredX = -1; // where Up and Down keep the caret
    Unit m_unit = Unit::Character;
    std::pair<Position, Position> m_firstUnit; // the word or line a double/triple click chose
    bool m_dragging = false;
    QPoint m_dragPoint;
    QBasicTimer m_autoScroll;
    QBasicTimer m_tripleClick;
    QPoint m_doubleClickPoint;
    qsizetype m_paintedFirst = 0;
    qsizetype m_paintedCount = 0;
};

} // namespace orvek::ui
