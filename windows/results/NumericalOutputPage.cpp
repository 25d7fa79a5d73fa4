#include "windows/results/NumericalOutputPage.h"

#include "basics/Files.h"
#include "basics/Text.h"
#include "formats/ResultFiles.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QHash>
#include <QPlainTextDocumentLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTextDocument>
#include <QTextOption>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <cmath>
#include <exception>
#include <filesystem>
#include <string_view>
#include <vector>

namespace orvek::ui {

namespace {

// The lines of a text file written with CR LF (or LF), joined by line feeds, converted from
// UTF-8 in one go.
void appendLines(QString& out, std::string_view content) {
    std::string joined;
    joined.reserve(content.size());
    LineCursor cursor(content);
    std::string_view line;
    while (cursor.next(line)) {
        if (cursor.lineNumber() > 1) {
            joined += '\n';
        }
        joined += line;
    }
    out += QString::fromUtf8(joined.data(), static_cast<qsizetype>(joined.size()));
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

double widestCell(const QStringList& cells, const QFontMetricsF& metrics) {
    if (cells.isEmpty()) {
        return 0;
    }
    // The texts are estimated from the widths of their characters and only the widest few are
    // measured as drawn: the font changes with every step of a proportional resize.
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

QStringList widestTabbedCells(const QString& text, const QFontMetricsF& metrics, int count) {
    // One pass over the text, each cell estimated from the widths of its characters; only the
    // widest few distinct cells are kept, never a set of the tens of thousands a long run has.
    std::array<double, 256> latin{};
    std::array<bool, 256> known{};
    QHash<QChar, double> others;
    const auto advance = [&](QChar c) {
        const char16_t u = c.unicode();
        if (u < 256) {
            if (!known[u]) {
                known[u] = true;
                latin[u] = metrics.horizontalAdvance(c);
            }
            return latin[u];
        }
        auto it = others.find(c);
        if (it == others.end()) {
            it = others.insert(c, metrics.horizontalAdvance(c));
        }
        return it.value();
    };
    struct Candidate {
        double width;
        qsizetype start;
        qsizetype length;
    };
    std::vector<Candidate> best; // widest first
    const QStringView all(text);
    const auto consider = [&](double width, qsizetype start, qsizetype length) {
        const size_t limit = static_cast<size_t>(std::max(count, 0));
        if (limit == 0 || (best.size() == limit && width <= best.back().width)) {
            return;
        }
        // Equal texts have equal estimates: only cells of the same width can repeat one.
        auto at = std::lower_bound(best.begin(), best.end(), width,
                                   [](const Candidate& c, double w) { return c.width > w; });
        for (auto it = at; it != best.end() && it->width == width; ++it) {
            if (it->length == length && all.mid(it->start, length) == all.mid(start, length)) {
                return;
            }
        }
        best.insert(at, Candidate{width, start, length});
        if (best.size() > limit) {
            best.pop_back();
        }
    };
    const QChar* data = text.constData();
    qsizetype start = 0;
    double sum = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = data[i];
        if (c == QLatin1Char('\t')) {
            consider(sum, start, i - start);
            start = i + 1;
            sum = 0;
        } else if (c == QLatin1Char('\n')) {
            start = i + 1;
            sum = 0;
        } else {
            sum += advance(c);
        }
    }
    QStringList cells;
    cells.reserve(static_cast<qsizetype>(best.size()));
    for (const Candidate& c : best) {
        cells.append(text.mid(c.start, c.length));
    }
    return cells;
}

bool NumericalOutputPage::eventFilter(QObject* watched, QEvent* event) {
    // The tab stops are counted in characters of the memo's font, whatever size it is given.
    if (watched == m_memo && event->type() == QEvent::FontChange) {
        setTabStops();
    }
    return QWidget::eventFilter(watched, event);
}

namespace {

// Enough of the widest cells that the widest in any size of the memo's font is among them:
// sizes of one family scale the widths of the characters nearly alike.
constexpr int kWidestCells = 256;

void addStamp(std::array<std::int64_t, 4>& values, size_t at, const std::string& path,
              bool& valid) {
    namespace fs = std::filesystem;
    std::error_code e1;
    std::error_code e2;
    const auto size = fs::file_size(path, e1);
    const auto time = fs::last_write_time(path, e2);
    valid = valid && !e1 && !e2;
    values[at] = valid ? static_cast<std::int64_t>(size) : 0;
    values[at + 1] = valid ? static_cast<std::int64_t>(time.time_since_epoch().count()) : 0;
}

} // namespace

void NumericalOutputPage::loadMemo(const std::string& startFolder, bool daily) {
    // A run has rewritten the files: the other time step is read anew when it is chosen.
    Shown& other = m_shown[daily ? 1 : 0];
    QTextDocument* stale = other.document;
    other = Shown{};
    if (stale != nullptr && stale != m_memo->document()) {
        delete stale; // before the new text takes its room
        stale = nullptr;
    }
    const auto drop = qScopeGuard([this, stale] {
        if (stale != nullptr && stale != m_memo->document()) {
            delete stale;
        }
    });
    fill(startFolder, daily);
}

void NumericalOutputPage::showTimeStep(const std::string& startFolder, bool daily) {
    Shown& shown = m_shown[daily ? 0 : 1];
    if (shown.document != nullptr && shown.stamp.valid) {
        Stamp now;
        now.valid = true;
        addStamp(now.values, 0,
                 startFolder + (daily ? kResultDailyMemoFileName : kResultMonthlyMemoFileName),
                 now.valid);
        addStamp(now.values, 2, startFolder + kSettingRecordFileName, now.valid);
        if (now == shown.stamp) {
            show(shown);
            return;
        }
    }
    fill(startFolder, daily);
}

void NumericalOutputPage::fill(const std::string& startFolder, bool daily) {
    const std::string memoPath =
        startFolder + (daily ? kResultDailyMemoFileName : kResultMonthlyMemoFileName);
    const std::string recordPath = startFolder + kSettingRecordFileName;
    // Taken before the files are read: a file changed meanwhile is read again next time.
    Stamp stamp;
    stamp.valid = true;
    addStamp(stamp.values, 0, memoPath, stamp.valid);
    addStamp(stamp.values, 2, recordPath, stamp.valid);
    QString text;
    std::exception_ptr error;
    try {
        appendLines(text, readWholeFile(memoPath));
        // The setting record always follows the table after exactly one empty line.
        text += QLatin1Char('\n');
        try {
            const std::string record = readWholeFile(recordPath);
            QString recordText;
            appendLines(recordText, record);
            text += QLatin1Char('\n');
            text += recordText;
        } catch (...) {
            error = std::current_exception();
        }
    } catch (...) {
        error = std::current_exception();
        text.clear();
    }

    // Laid out in a document of its own, kept for the next change of the time step. The memo
    // is given the document while it is empty (or as it is when it shows it already), and its
    // tab stops, before the text goes in: the memo lays out a document it is given again from
    // the first line to the last, where a new text is laid out only as far as it is shown.
    Shown& shown = m_shown[daily ? 0 : 1];
    if (shown.document == nullptr) {
        shown.document = new QTextDocument(this);
        shown.document->setDocumentLayout(new QPlainTextDocumentLayout(shown.document));
        shown.document->setUndoRedoEnabled(false);
        QTextOption option = shown.document->defaultTextOption();
        option.setWrapMode(QTextOption::NoWrap);
        shown.document->setDefaultTextOption(option);
    } else if (shown.document != m_memo->document()) {
        shown.document->clear();
    }
    shown.stamp = error ? Stamp{} : stamp;
    shown.cells = widestTabbedCells(text, QFontMetricsF(m_memo->font()), kWidestCells);
    show(shown);
    shown.document->setPlainText(text);
    if (error) {
        std::rethrow_exception(error);
    }
}

void NumericalOutputPage::show(Shown& shown) {
    if (m_memo->document() != shown.document) {
        m_memo->setDocument(shown.document);
    }
    // The font may have changed while the document was put aside.
    if (shown.document->defaultFont() != m_memo->font()) {
        shown.document->setDefaultFont(m_memo->font());
    }
    m_cells = shown.cells;
    setTabStops();
}

} // namespace orvek::ui
