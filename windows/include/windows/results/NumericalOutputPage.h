#pragma once

#include <QSet>
#include <QString>
#include <QWidget>

#include <string>

class QFontMetricsF;
class QPlainTextEdit;
class QPushButton;

namespace orvek::ui {

// The " Numerical output" tab: the daily or monthly table of the last run followed by its
// setting record, and the "Open result in Excel" button.
class NumericalOutputPage : public QWidget {
    Q_OBJECT
public:
    explicit NumericalOutputPage(QWidget* parent = nullptr);

    QPlainTextEdit* memo() const { return m_memo; }
    QPushButton* excelButton() const { return m_excel; }

    // Fills the memo from the memo variant of the chosen time step and the setting record in
    // the start folder, in one go. Raises OrvekError when a file cannot be read; the memo then
    // holds what was read before it.
    void loadMemo(const std::string& startFolder, bool daily);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setTabStops();

    QPlainTextEdit* m_memo = nullptr;
    QPushButton* m_excel = nullptr;
    QSet<QString> m_cells; // the texts followed by a TAB, which the tab stops must clear
};

// The distinct texts of a memo that a TAB follows.
QSet<QString> tabbedCells(const QString& text);
// The width of the widest of them in the given font.
double widestCell(const QSet<QString>& cells, const QFontMetricsF& metrics);

// The memo's font: a small sans-serif face, as the text device prints it too.
QFont memoFont();

} // namespace orvek::ui
