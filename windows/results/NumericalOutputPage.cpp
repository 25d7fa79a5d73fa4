#include "windows/results/NumericalOutputPage.h"

#include "basics/Files.h"
#include "basics/Text.h"
#include "formats/ResultFiles.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <string_view>

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
    m_memo->setTabStopDistance(8 * QFontMetricsF(m_memo->font()).averageCharWidth());
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
        m_memo->clear();
        throw;
    }
    // The setting record always follows the table after exactly one empty line.
    text += QLatin1Char('\n');
    std::string record;
    try {
        record = readWholeFile(startFolder + kSettingRecordFileName);
    } catch (...) {
        m_memo->setPlainText(text);
        throw;
    }
    QString recordText;
    appendLines(recordText, record);
    text += QLatin1Char('\n');
    text += recordText;
    m_memo->setPlainText(text);
}

} // namespace orvek::ui
