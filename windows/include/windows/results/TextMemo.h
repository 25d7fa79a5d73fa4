#pragma once

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QFont>
#include <QHash>
#include <QStringList>

#include <array>
#include <compare>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class QFontMetricsF;
class QMenu;
class QTextLayout;

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
