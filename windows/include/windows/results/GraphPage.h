#pragma once

#include "run/RunPipeline.h"
#include "windows/results/GraphChart.h"
#include "windows/results/KeptRuns.h"

#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>
#include <string>

class QCheckBox;
class QMenu;
class QPrinter;
class QPushButton;

namespace orvek {
struct ResultTable;
struct ResultTableRequest;
} // namespace orvek

namespace orvek::ui {

// The graph of the last run (the " Graph " tab): eight series read from the daily or monthly
// result file, chosen by the check boxes under the chart, with days or months or dates on X.
// Every change rebuilds the chart from the result file; the points come from nothing else.
class GraphPage : public QWidget {
    Q_OBJECT

public:
    static constexpr int kSeriesCount = 8;

    explicit GraphPage(QWidget* parent = nullptr);
    ~GraphPage() override;

    // The folder of the result files (with a trailing separator).
    void setStartFolder(const QString& folder);
    QString startFolder() const { return m_startFolder; }
    // What the files are read with: the copy taken at the end of the last successful run.
    void setLastRun(const LastRun& last);
    const LastRun& lastRun() const { return m_last; }
    void setDailyOutput(bool daily) { m_dailyOutput = daily; }
    bool dailyOutput() const { return m_dailyOutput; }
    bool xAxisDates() const { return m_xAxisDates; }
    bool hasResults() const { return m_hasResults; }

    // The end of a successful run, after the numerical output is filled: the run's copy and
    // time step are taken, "Substrate residual C" is checked, "Total soil mineral N" is checked
    // in C & N mode and unchecked in C-only mode, and the graph drawn. Raises OrvekError when
    // the result file cannot be read (the series then hold the points read before).
    void showRunResults(const LastRun& last, bool dailyOutput);
    // The "Daily"/"Monthly" switch: redraws once a run has produced results. Raises OrvekError.
    void timeStepChanged(bool daily);

    // Redraws everything from the result file. Raises OrvekError as showRunResults does.
    void plotGraph();
    void setXtoggleButton();
    // "Print graph": shows this page first if it sits on a tab that is not the current one,
    // then the print preview of the chart on the given printer; repaints the chart after.
    void printGraph(QPrinter& printer, QWidget* owner);

    // Runs kept for comparison: "Keep this run for comparison" keeps the last run under the
    // name of the setting file last saved or retrieved (settingName, empty for "Run N"); "Clear
    // kept runs" forgets them. Both redraw. keepRun raises OrvekError.
    void setSettingName(const QString& name) { m_settingName = name; }
    void keepRun();
    void clearKeptRuns();
    const KeptRuns& keptRuns() const { return m_kept; }
    QPushButton* keepButton() const { return m_keepButton; }
    QPushButton* clearKeptButton() const { return m_clearKeptButton; }
    // The chart's context menu: "Save graph as...", "Keep this run for comparison", "Clear
    // kept runs".
    QMenu* contextMenu() const { return m_menu; }

    GraphChart& chart() { return *m_chart; }
    QCheckBox* seriesBox(int series) const { return m_boxes[static_cast<size_t>(series)]; }
    QPushButton* xToggleButton() const { return m_xToggle; }

signals:
    // "Save graph as..." was chosen in the chart's context menu.
    void saveGraphRequested();

public slots:
    // Every series box redraws the graph through the one handler; CheckBox15Click is the name
    // the substrate C box's handler is known by.
    void CheckBox14Click();
    void CheckBox15Click() { CheckBox14Click(); }
    void BitBtn2Click();

private:
    void setXAxisMode();
    void setChartTitles();
    void enableNitrogenBoxes();
    void clearAllSeries();
    void showCheckedSeries();
    void setRightAxisTitle();
    void scaleRightAxis();
    void setGrids();
    void loadPoints();
    // The result file's rows, read again only when the file has changed since they were read.
    std::shared_ptr<const ResultTable> resultTable(const std::string& path,
                                                   const ResultTableRequest& request);
    void paintOnPrinter(QPrinter* printer);
    bool checked(int series) const;
    // Whether any of the series first..end-1 is checked.
    bool anyChecked(int first, int end) const;
    void buildComparisonControls();
    void drawKeptRuns();
    void updateComparisonControls();

    std::unique_ptr<GraphChart> m_chart;
    std::array<QCheckBox*, kSeriesCount> m_boxes{};
    QPushButton* m_xToggle = nullptr;

    QString m_startFolder;
    LastRun m_last;
    bool m_dailyOutput = true;
    bool m_xAxisDates = false;
    bool m_hasResults = false;

    struct ReadTable {
        std::string path;
        LastRun run;                         // the request's mode and period
        std::array<std::int64_t, 2> stamp{}; // size and time of change of the file
        std::shared_ptr<const ResultTable> table;
    };
    std::array<ReadTable, 2> m_tables; // daily, monthly

    KeptRuns m_kept;
    QString m_settingName;
    bool m_lastRunKept = false;
    QPushButton* m_keepButton = nullptr;
    QPushButton* m_clearKeptButton = nullptr;
    QMenu* m_menu = nullptr;
};

} // namespace orvek::ui
