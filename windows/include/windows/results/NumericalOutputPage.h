#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class QFontMetricsF;
class QPushButton;

namespace orvek::ui {

class MemoText;
class TextMemo;

// The " Numerical output" tab: the daily or monthly table of the last run followed by its
// setting record, and the "Open result in Excel" button.
class NumericalOutputPage : public QWidget {
    Q_OBJECT
public:
    explicit NumericalOutputPage(QWidget* parent = nullptr);

    TextMemo* memo() const { return m_memo; }
    QPushButton* excelButton() const { return m_excel; }

    // Fills the memo from the memo variant of the chosen time step and the setting record in
    // the start folder, in one go. Raises OrvekError when a file cannot be read; the memo then
    // holds what was read before it.
    void loadMemo(const std::string& startFolder, bool daily);
    // The same for a change of the time step: a table shown before from files that have not
    // changed since is shown again as it was kept, rather than read anew.
    void showTimeStep(const std::string& startFolder, bool daily);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // What a memo was read from: the sizes and times of change of its two files.
    struct Stamp {
        std::array<std::int64_t, 4> values{};
        bool valid = false;
        bool operator==(const Stamp&) const = default;
    };
    struct Shown {
        std::shared_ptr<const MemoText> text;
        Stamp stamp;
        QStringList cells;
    };
    void fill(const std::string& startFolder, bool daily);
    void show(Shown& shown);
    void setTabStops();

    TextMemo* m_memo = nullptr;
    QPushButton* m_excel = nullptr;
    QStringList m_cells; // the widest texts followed by a TAB, which the tab stops must clear
    std::array<Shown, 2> m_shown; // daily, monthly
};

// The distinct texts of a memo (UTF-8) that a TAB follows, at most count of them: the widest in
// the given font, widest first.
QStringList widestTabbedCells(std::string_view text, const QFontMetricsF& metrics, int count);
// The width of the widest of them in the given font.
double widestCell(const QStringList& cells, const QFontMetricsF& metrics);

namespace detail {
// The lines of a text file written with CR LF or LF, joined by line feeds, as the memo shows
// them.
std::string joinedLines(std::string content);
} // namespace detail

// The memo's font: a small sans-serif face, as the text device prints it too.
QFont memoFont();

} // namespace orvek::ui
