#include "windows/results/NumericalOutputPage.h"

#include "basics/Files.h"
#include "basics/Text.h"
#include "formats/ResultFiles.h"
#include "windows/results/TextMemo.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QHash>
#include <QPushButton>
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

// The lines of a text file written with CR LF (or LF), joined by line feeds: the CR before
// each LF and the final line break are dropped where the file's own bytes lie, so that a
// table of several megabytes is never copied on its way into the memo.
void joinLinesInPlace(std::string& content, size_t from) {
    size_t out = from;
    for (size_t in = from; in < content.size(); ++in) {
        const char c = content[in];
        if (c == '\r' && in + 1 < content.size() && content[in + 1] == '\n') {
            continue;
        }
        content[out++] = c;
    }
    // A last line ends with the file, with or without its line break.
    if (out > from && (content[out - 1] == '\n' || content[out - 1] == '\r')) {
        --out;
    }
    content.resize(out);
}

} // namespace

namespace detail {

std::string joinedLines(std::string content) {
    joinLinesInPlace(content, 0);
    return content;
}

} // namespace detail

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
    m_memo = new TextMemo(this);
    m_memo->setObjectName(QStringLiteral("Memo1"));
    // A screen reader names the table by what the tab shows.
    m_memo->setAccessibleName(QStringLiteral("Numerical output"));
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

QStringList widestTabbedCells(std::string_view text, const QFontMetricsF& metrics, int count) {
    // One pass over the text, each cell estimated from the widths of its characters; only the
    // widest few distinct cells are kept, never a set of the tens of thousands a long run has.
    CharAdvances advances(metrics);
    struct Candidate {
        double width;
        size_t start;
        size_t length;
    };
    std::vector<Candidate> best; // widest first
    const size_t limit = static_cast<size_t>(std::max(count, 0));
    const auto consider = [&](double width, size_t start, size_t length) {
        if (limit == 0 || (best.size() == limit && width <= best.back().width)) {
            return;
        }
        // Equal texts have equal estimates: only cells of the same width can repeat one.
        auto at = std::lower_bound(best.begin(), best.end(), width,
                                   [](const Candidate& c, double w) { return c.width > w; });
        for (auto it = at; it != best.end() && it->width == width; ++it) {
            if (text.substr(it->start, it->length) == text.substr(start, length)) {
                return;
            }
        }
        best.insert(at, Candidate{width, start, length});
        if (best.size() > limit) {
            best.pop_back();
        }
    };
    size_t start = 0;
    std::int64_t sum = 0;
    for (size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (c == '\t') {
            consider(static_cast<double>(sum) / CharAdvances::kUnitsPerPixel, start, i - start);
            start = ++i;
            sum = 0;
        } else if (c == '\n') {
            start = ++i;
            sum = 0;
        } else {
            sum += advances.next(text, i);
        }
    }
    QStringList cells;
    cells.reserve(static_cast<qsizetype>(best.size()));
    for (const Candidate& c : best) {
        cells.append(QString::fromUtf8(text.data() + c.start, static_cast<qsizetype>(c.length)));
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
    m_shown[daily ? 1 : 0] = Shown{};
    fill(startFolder, daily);
}

void NumericalOutputPage::showTimeStep(const std::string& startFolder, bool daily) {
    Shown& shown = m_shown[daily ? 0 : 1];
    if (shown.text && shown.stamp.valid) {
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
    // The text this one replaces goes before the new one takes its room.
    Shown& shown = m_shown[daily ? 0 : 1];
    shown = Shown{};
    m_memo->clear();
    std::string joined;
    std::exception_ptr error;
    try {
        joined = readWholeFile(memoPath);
        joinLinesInPlace(joined, 0);
        // The setting record always follows the table after exactly one empty line.
        joined += '\n';
        try {
            const std::string record = readWholeFile(recordPath);
            const size_t from = joined.size() + 1;
            joined.reserve(from + record.size()); // the text is kept as it is: no room to spare
            joined += '\n';
            joined += record;
            joinLinesInPlace(joined, from);
        } catch (...) {
            error = std::current_exception();
        }
    } catch (...) {
        error = std::current_exception();
        joined.clear();
    }

    shown.stamp = error ? Stamp{} : stamp;
    shown.cells = widestTabbedCells(joined, QFontMetricsF(m_memo->font()), kWidestCells);
    shown.text = std::make_shared<const MemoText>(std::move(joined));
    show(shown);
    if (error) {
        std::rethrow_exception(error);
    }
}

void NumericalOutputPage::show(Shown& shown) {
    // The tab stops first, then the text: the text is measured once, for its own stops.
    m_memo->clear();
    m_cells = shown.cells;
    setTabStops();
    m_memo->setText(shown.text);
}

} // namespace orvek::ui
