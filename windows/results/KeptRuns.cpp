#include "windows/results/KeptRuns.h"

#include "basics/Errors.h"
#include "formats/ResultFiles.h"
#include "formats/ResultTable.h"

#include <QList>

#include <QPointF>
#include <algorithm>

namespace orvek::ui {

namespace {

// Dash and gap lengths, in line widths: a pattern per kept run, told apart at a glance.
const QList<qreal> kDashes[KeptRuns::kMaximum] = {
    {6, 3}, {1, 3}, {8, 3, 1, 3}, {12, 4}, {3, 3, 3, 8}, {8, 3, 1, 3, 1, 3}, {2, 6}, {16, 4, 4, 4}};

constexpr int kOverlayLineWidth = 1;

// Up to eight kept runs of eight series each would hand the chart over half a million points
// for a century of days. A kept run's line is drawn from the first, lowest, highest and last
// point of each of 1024 slices of its X range: at any size a screen or an exported image gives
// the graph a slice is about a pixel wide, so the thin dashed line looks the same.
QList<QPointF> overlayPoints(const std::vector<double>& x, const std::vector<double>& y) {
    constexpr size_t kSlices = 1024;
    const size_t n = x.size();
    QList<QPointF> out;
    if (n <= 4 * kSlices || !(x.back() > x.front())) {
        out.reserve(static_cast<qsizetype>(n));
        for (size_t r = 0; r < n; ++r) {
            out.append(QPointF(x[r], y[r]));
        }
        return out;
    }
    const double width = (x.back() - x.front()) / kSlices;
    const auto slice = [&](size_t i) {
        return std::min(static_cast<size_t>((x[i] - x.front()) / width), kSlices - 1);
    };
    out.reserve(4 * kSlices);
    for (size_t first = 0; first < n;) {
        const size_t b = slice(first);
        size_t last = first;
        size_t lowest = first;
        size_t highest = first;
        while (last + 1 < n && slice(last + 1) == b) {
            ++last;
            lowest = y[last] < y[lowest] ? last : lowest;
            highest = y[last] > y[highest] ? last : highest;
        }
        const size_t keep[4] = {first, std::min(lowest, highest), std::max(lowest, highest), last};
        for (int k = 0; k < 4; ++k) {
            if (k == 0 || keep[k] != keep[k - 1]) {
                out.append(QPointF(x[keep[k]], y[keep[k]]));
            }
        }
        first = last + 1;
    }
    return out;
}

std::shared_ptr<const ResultTable> readTable(const QString& startFolder, const LastRun& last,
                                             bool daily) {
    ResultTableRequest request;
    request.daily = daily;
    request.carbonOnly = last.carbonOnly;
    request.startDate = last.startDate;
    request.endDate = last.endDate;
    const QString path =
        startFolder + QString::fromLatin1(daily ? kResultDailyFileName : kResultMonthlyFileName);
    ResultTable table = readResultTable(path.toStdString(), request);
    if (!table.error.empty()) {
        throw OrvekError(table.error);
    }
    return std::make_shared<const ResultTable>(std::move(table));
}

} // namespace

QString KeptRuns::nameFor(const QString& settingName) const {
    const QString base =
        settingName.isEmpty() ? QStringLiteral("Run %1").arg(m_runsNamed + 1) : settingName;
    QString name = base;
    for (int n = 2;; ++n) {
        bool taken = false;
        for (const KeptRun& run : m_runs) {
            taken = taken || run.name == name;
        }
        if (!taken) {
            return name;
        }
        name = QStringLiteral("%1 (%2)").arg(base).arg(n);
    }
}

void KeptRuns::keep(const QString& name, const QString& startFolder, const LastRun& last) {
    if (count() >= kMaximum) {
        throw OrvekError("Up to 8 runs can be kept for comparison. Clear the kept runs first.");
    }
    KeptRun run;
    run.name = name;
    run.last = last;
    run.daily = readTable(startFolder, last, true);
    run.monthly = readTable(startFolder, last, false);
    m_runs.push_back(std::move(run));
    ++m_runsNamed;
}

void KeptRuns::clear() {
    m_runs.clear();
}

int KeptRuns::overlayIndex(int run, int series) const {
    return m_firstOverlay < 0 ? -1 : m_firstOverlay + run * KeptRunsView::kSeries + series;
}

void KeptRuns::draw(GraphChart& chart, const KeptRunsView& view) {
    if (m_firstOverlay < 0) {
        if (m_runs.empty()) {
            return; // the chart carries no overlay series until a run is kept
        }
        m_firstOverlay = chart.seriesCount();
        for (int k = 0; k < kMaximum; ++k) {
            for (int i = 0; i < KeptRunsView::kSeries; ++i) {
                const int s =
                    chart.addSeries(view.captions[static_cast<size_t>(i)], chart.seriesColor(i),
                                    chart.seriesAxis(i), kOverlayLineWidth);
                chart.setSeriesDashPattern(s, kDashes[k]);
                chart.setSeriesActive(s, false);
            }
        }
    }
    for (int k = 0; k < kMaximum; ++k) {
        const KeptRun* run = k < count() ? &m_runs[static_cast<size_t>(k)] : nullptr;
        const bool sameMode = run != nullptr && run->last.carbonOnly == view.carbonOnly;
        for (int i = 0; i < KeptRunsView::kSeries; ++i) {
            const int s = overlayIndex(k, i);
            const ResultTable* table =
                sameMode ? (view.daily ? run->daily.get() : run->monthly.get()) : nullptr;
            const bool shown = table != nullptr && view.checked[static_cast<size_t>(i)] &&
                               i < table->valueColumns && table->rows() > 0;
            chart.clearSeries(s);
            chart.setSeriesActive(s, shown);
            if (!shown) {
                continue;
            }
            QList<QPointF> points = overlayPoints(view.dates ? table->date : table->count,
                                                  table->values[static_cast<size_t>(i)]);
            chart.setSeriesTitle(s, view.captions[static_cast<size_t>(i)] + QStringLiteral(" — ") +
                                        run->name);
            chart.setSeriesPoints(s, std::move(points));
        }
    }
}

} // namespace orvek::ui
