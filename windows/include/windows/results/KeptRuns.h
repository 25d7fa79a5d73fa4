#pragma once

#include "run/RunPipeline.h"
#include "windows/results/GraphChart.h"

#include <QColor>
#include <QString>

#include <array>
#include <memory>
#include <vector>

namespace orvek {
struct ResultTable;
}

namespace orvek::ui {

// One run kept for comparison: both time steps of its results, read when it was kept, so that
// it outlives the result files of later runs.
struct KeptRun {
    QString name;
    LastRun last;
    std::shared_ptr<const ResultTable> daily;
    std::shared_ptr<const ResultTable> monthly;
};

// What the graph shows now, which the kept runs are drawn to match.
struct KeptRunsView {
    static constexpr int kSeries = 8;
    bool daily = true;
    bool dates = false;
    bool carbonOnly = true;
    std::array<bool, kSeries> checked{};
    std::array<QString, kSeries> captions;
};

// The runs kept for comparison in this session, drawn over the graph: each ticked series of
// every kept run of the same mode, in the colour of its series, thinner and with a dash of its
// own, named "<series> — <run>" in the legend.
class KeptRuns {
public:
    static constexpr int kMaximum = 8;

    int count() const { return static_cast<int>(m_runs.size()); }
    const KeptRun& at(int index) const { return m_runs.at(static_cast<size_t>(index)); }

    // The name a new kept run takes: the setting file's name, else "Run N", made unique
    // among the kept runs.
    QString nameFor(const QString& settingName) const;
    // Keeps the results of the last run from the result files in startFolder. Raises
    // OrvekError when 8 runs are kept already or a result file cannot be read; nothing is kept
    // then.
    void keep(const QString& name, const QString& startFolder, const LastRun& last);
    void clear();

    // Sets the overlay series of the chart (added after its own series the first time a run
    // is kept) to match the view. The caller rescales the chart.
    void draw(GraphChart& chart, const KeptRunsView& view);

    // The chart series that draws series of kept run k, or -1 before the first draw.
    int overlayIndex(int run, int series) const;

private:
    std::vector<KeptRun> m_runs;
    int m_firstOverlay = -1;
    int m_runsNamed = 0; // for "Run N": counts every run kept in the session
};

} // namespace orvek::ui
