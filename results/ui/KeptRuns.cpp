#include "results/ui/KeptRuns.h"

#include "engine/Errors.h"
#include "results/ResultFiles.h"
#include "results/ResultTable.h"

#include <QList>
#include <QPointF>

namespace orvek::ui {

namespace {

// Dash and gap lengths, in line widths: a pattern per kept run, told apart at a glance.
const QList<qreal> kDashes[KeptRuns::kMaximum] = {
    {6, 3}, {1, 3}, {8, 3, 1, 3}, {12, 4}, {3, 3, 3, 8}, {8, 3, 1, 3, 1, 3}, {2, 6}, {16, 4, 4, 4}};

constexpr int kOverlayLineWidth = 1;

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
            const std::vector<double>& x = view.dates ? table->date : table->count;
            const std::vector<double>& y = table->values[static_cast<size_t>(i)];
            QList<QPointF> points;
            points.reserve(static_cast<qsizetype>(table->rows()));
            for (size_t r = 0; r < table->rows(); ++r) {
                points.append(QPointF(x[r], y[r]));
            }
            chart.setSeriesTitle(s, view.captions[static_cast<size_t>(i)] + QStringLiteral(" — ") +
                                        run->name);
            chart.setSeriesPoints(s, std::move(points));
        }
    }
}

} // namespace orvek::ui
