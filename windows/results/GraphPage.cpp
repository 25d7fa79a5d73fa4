#include "windows/results/GraphPage.h"

#include "uibase/HandlerGuard.h"

#include "basics/Errors.h"
#include "basics/Files.h"
#include "formats/ResultFiles.h"
#include "formats/ResultTable.h"
#include "uibase/PlatformServices.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QMenu>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTabWidget>
#include <QVBoxLayout>

#include <filesystem>

namespace orvek::ui {

namespace {

struct SeriesLook {
    const char* box;
    const char* caption;
    ChartAxis axis;
    QColor color;
};

// Series1..Series8 in file order of their values.
const SeriesLook kSeries[GraphPage::kSeriesCount] = {
    {"CheckBox14", "SOM-C", ChartAxis::Left, QColor(255, 0, 0)},
    {"CheckBox15", "Substrate residual C", ChartAxis::Left, QColor(0, 128, 0)},
    {"CheckBox16", "Total organic C", ChartAxis::Left, QColor(0, 0, 0)},
    {"CheckBox17", "Accum. N mineralization", ChartAxis::Right, QColor(0, 0, 255)},
    {"CheckBox18", "Total soil mineral N", ChartAxis::Right, QColor(255, 255, 0)},
    {"CheckBox19", "Total soil N", ChartAxis::Right, QColor(0, 255, 0)},
    {"CheckBox20", "C:N ratio of residues", ChartAxis::Right, QColor(255, 0, 255)},
    {"CheckBox21", "C:N ratio of SOM", ChartAxis::Right, QColor(0, 0, 128)}};

constexpr int kSubstrateC = 1;    // CheckBox15
constexpr int kFirstN = 3;        // CheckBox17
constexpr int kTotalMineralN = 4; // CheckBox18
constexpr int kFirstRatio = 6;    // CheckBox20, the ratios up to the last series

QFont titleFont() {
    QFont font;
    if (QFontDatabase::hasFamily(QStringLiteral("Dotum"))) {
        font.setFamily(QStringLiteral("Dotum"));
    } else {
        font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        font.setStyleHint(QFont::SansSerif);
    }
    font.setPixelSize(16);
    font.setBold(true);
    return font;
}

void setCaptionColor(QPushButton* button, const QColor& color) {
    QPalette palette = button->palette();
    palette.setColor(QPalette::ButtonText, color);
    button->setPalette(palette);
}

} // namespace

GraphPage::GraphPage(QWidget* parent)
    : QWidget(parent), m_chart(std::make_unique<GraphChart>(this)) {
    GraphChart& chart = *m_chart;
    chart.setBackground(Qt::white);
    chart.setTitleFont(titleFont(), QColor(0, 0, 255));
    chart.setTitle(QStringLiteral("Carbon and Nitrogen Dynamics"));
    chart.setAxisTitle(ChartAxis::Bottom, QStringLiteral("Days after start"));
    chart.setAxisTitle(ChartAxis::Left, QStringLiteral("Organic C (Mg/ha)"));
    // The left title is fixed: it stays when no carbon series is shown.
    chart.setAxisTitleKept(ChartAxis::Left, true);
    chart.setAxisMinimum(ChartAxis::Left, 0.0);
    chart.setAxisGridStyle(ChartAxis::Left, Qt::DashDotDotLine);
    chart.setAxisGridVisible(ChartAxis::Right, false);
    chart.setMinorTickCount(4);
    chart.setLegend(QColor(192, 192, 192), 2);
    for (const SeriesLook& look : kSeries) {
        const int s = chart.addSeries(QString::fromLatin1(look.caption), look.color, look.axis, 2);
        chart.setSeriesActive(s, false);
    }
    chart.rescale();

    auto* boxes = new QGridLayout();
    boxes->setHorizontalSpacing(18);
    boxes->setVerticalSpacing(2);
    // Carbon series in the first column, nitrogen in the second, C:N ratios in the third.
    const int columnOf[kSeriesCount] = {0, 0, 0, 1, 1, 1, 2, 2};
    const int rowOf[kSeriesCount] = {0, 1, 2, 0, 1, 2, 0, 1};
    for (int i = 0; i < kSeriesCount; ++i) {
        auto* box = new QCheckBox(QString::fromLatin1(kSeries[i].caption), this);
        box->setObjectName(QString::fromLatin1(kSeries[i].box));
        box->setEnabled(i < kFirstN);
        boxes->addWidget(box, rowOf[i], columnOf[i]);
        m_boxes[static_cast<size_t>(i)] = box;
        connect(box, &QCheckBox::toggled, this, &GraphPage::CheckBox14Click);
    }
    m_xToggle = new QPushButton(QStringLiteral("Days / Date on X"), this);
    m_xToggle->setObjectName(QStringLiteral("BitBtn2"));
    setCaptionColor(m_xToggle, QColor(0, 0, 255));
    connect(m_xToggle, &QPushButton::clicked, this, &GraphPage::BitBtn2Click);
    boxes->setColumnStretch(3, 1);
    boxes->addWidget(m_xToggle, 0, 4, 3, 1, Qt::AlignRight | Qt::AlignVCenter);
    buildComparisonControls();
    boxes->addWidget(m_keepButton, 0, 5, 2, 1);
    boxes->addWidget(m_clearKeptButton, 2, 5);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(chart.widget(), 1);
    layout->addLayout(boxes);
}

GraphPage::~GraphPage() = default;

void GraphPage::setStartFolder(const QString& folder) {
    m_startFolder = folder.isEmpty()
                        ? folder
                        : QString::fromStdString(withTrailingSeparator(folder.toStdString()));
}

void GraphPage::setLastRun(const LastRun& last) {
    m_last = last;
    m_tables = {}; // a run has rewritten the files
    m_hasResults = true;
    m_lastRunKept = false;
    updateComparisonControls();
}

void GraphPage::showRunResults(const LastRun& last, bool dailyOutput) {
    setLastRun(last);
    m_dailyOutput = dailyOutput;
    {
        // One drawing at the end, not one per box the program ticks.
        const QSignalBlocker block15(seriesBox(kSubstrateC));
        const QSignalBlocker block18(seriesBox(kTotalMineralN));
        seriesBox(kSubstrateC)->setChecked(true);
        seriesBox(kTotalMineralN)->setChecked(!last.carbonOnly);
    }
    plotGraph();
}

void GraphPage::timeStepChanged(bool daily) {
    m_dailyOutput = daily;
    if (m_hasResults) {
        plotGraph();
    }
}

bool GraphPage::checked(int series) const {
    return m_boxes[static_cast<size_t>(series)]->isChecked();
}

bool GraphPage::anyChecked(int first, int end) const {
    for (int i = first; i < end; ++i) {
        if (checked(i)) {
            return true;
        }
    }
    return false;
}

void GraphPage::plotGraph() {
    setXAxisMode();
    setXtoggleButton();
    setChartTitles();
    enableNitrogenBoxes();
    clearAllSeries();
    showCheckedSeries();
    if (!m_last.carbonOnly) {
        setRightAxisTitle();
    }
    // In C-only mode no series can use the right axis, whose title then stays as it was.
    m_chart->setAxisTitleKept(ChartAxis::Right, m_last.carbonOnly);
    scaleRightAxis();
    setGrids();
    loadPoints();
}

void GraphPage::setXAxisMode() {
    GraphChart& chart = *m_chart;
    chart.setXValuesAreDates(m_xAxisDates);
    if (m_xAxisDates) {
        chart.setDateFormat(QStringLiteral("M/d/yy"));
        chart.setBottomLabelAngle(90);
    } else {
        chart.setBottomLabelAngle(0);
    }
}

void GraphPage::setXtoggleButton() {
    if (m_dailyOutput) {
        m_xToggle->setText(QStringLiteral("DAS / Date on X"));
        setCaptionColor(m_xToggle, QColor(255, 0, 0));
    } else {
        m_xToggle->setText(QStringLiteral("MAS / Date on X"));
        setCaptionColor(m_xToggle, QColor(0, 0, 255));
    }
}

void GraphPage::setChartTitles() {
    GraphChart& chart = *m_chart;
    chart.setTitle(m_last.carbonOnly
                       ? QStringLiteral("Carbon Mineralization Dynamics")
                       : QStringLiteral("Carbon and Nitrogen Mineralization Dynamics"));
    if (m_xAxisDates) {
        chart.setAxisTitle(ChartAxis::Bottom, QStringLiteral("Date (m/d/y)"));
    } else {
        chart.setAxisTitle(ChartAxis::Bottom, m_dailyOutput
                                                  ? QStringLiteral("Days after start (DAS)")
                                                  : QStringLiteral("Months after start (MAS)"));
    }
}

void GraphPage::enableNitrogenBoxes() {
    for (int i = kFirstN; i < kSeriesCount; ++i) {
        QCheckBox* box = seriesBox(i);
        box->setEnabled(!m_last.carbonOnly);
        if (m_last.carbonOnly) {
            // Unticking here must not start another drawing from inside this one.
            const QSignalBlocker block(box);
            box->setChecked(false);
        }
    }
}

void GraphPage::clearAllSeries() {
    for (int i = 0; i < kSeriesCount; ++i) {
        m_chart->clearSeries(i);
    }
}

void GraphPage::showCheckedSeries() {
    for (int i = 0; i < kSeriesCount; ++i) {
        m_chart->setSeriesActive(i, checked(i));
    }
}

void GraphPage::setRightAxisTitle() {
    const bool nitrogen = anyChecked(kFirstN, kFirstRatio);
    const bool ratio = anyChecked(kFirstRatio, kSeriesCount);
    if (nitrogen && ratio) {
        m_chart->setAxisTitle(ChartAxis::Right, QStringLiteral("Nitrogen (kg/ha) & C:N ratio"));
    } else if (nitrogen) {
        m_chart->setAxisTitle(ChartAxis::Right, QStringLiteral("Nitrogen (kg/ha)"));
    } else if (ratio) {
        m_chart->setAxisTitle(ChartAxis::Right, QStringLiteral("C:N ratio"));
    }
}

void GraphPage::scaleRightAxis() {
    const bool ratio = anyChecked(kFirstRatio, kSeriesCount);
    m_chart->setAxisMinimum(ChartAxis::Right, ratio ? std::optional<double>(0.0) : std::nullopt);
}

void GraphPage::setGrids() {
    const bool carbon = anyChecked(0, kFirstN);
    m_chart->setAxisGridVisible(ChartAxis::Left, carbon);
    m_chart->setAxisGridVisible(ChartAxis::Right, !carbon);
}

void GraphPage::loadPoints() {
    if (!m_hasResults) {
        m_chart->rescale();
        return;
    }
    ResultTableRequest request;
    request.daily = m_dailyOutput;
    request.carbonOnly = m_last.carbonOnly;
    request.startDate = m_last.startDate;
    request.endDate = m_last.endDate;
    const QString path =
        m_startFolder +
        QString::fromLatin1(m_dailyOutput ? kResultDailyFileName : kResultMonthlyFileName);
    const std::shared_ptr<const ResultTable> read = resultTable(path.toStdString(), request);
    const ResultTable& table = *read;

    const std::vector<double>& x = m_xAxisDates ? table.date : table.count;
    for (int i = 0; i < kSeriesCount && i < table.valueColumns; ++i) {
        if (!checked(i) || table.rows() == 0) {
            continue;
        }
        const std::vector<double>& y = table.values[static_cast<size_t>(i)];
        QList<QPointF> points;
        points.reserve(static_cast<qsizetype>(table.rows()));
        for (size_t r = 0; r < table.rows(); ++r) {
            points.append(QPointF(x[r], y[r]));
        }
        m_chart->setSeriesTitle(i, seriesBox(i)->text());
        m_chart->setSeriesPoints(i, std::move(points));
    }
    drawKeptRuns();
    m_chart->rescale();
    if (!table.error.empty()) {
        throw OrvekError(table.error);
    }
}

std::shared_ptr<const ResultTable> GraphPage::resultTable(const std::string& path,
                                                          const ResultTableRequest& request) {
    namespace fs = std::filesystem;
    std::error_code e1;
    std::error_code e2;
    const auto size = fs::file_size(path, e1);
    const auto time = fs::last_write_time(path, e2);
    const bool stamped = !e1 && !e2;
    const std::array<std::int64_t, 2> stamp = {
        stamped ? static_cast<std::int64_t>(size) : 0,
        stamped ? static_cast<std::int64_t>(time.time_since_epoch().count()) : 0};
    ReadTable& kept = m_tables[request.daily ? 0 : 1];
    if (stamped && kept.table && kept.path == path && kept.stamp == stamp &&
        kept.run.carbonOnly == request.carbonOnly && kept.run.startDate == request.startDate &&
        kept.run.endDate == request.endDate) {
        return kept.table;
    }
    auto table = std::make_shared<const ResultTable>(readResultTable(path, request));
    // A file that could not be read whole is read again next time, and reported again.
    const LastRun run{request.carbonOnly, request.startDate, request.endDate, 0};
    kept = stamped && table->error.empty() ? ReadTable{path, run, stamp, table} : ReadTable{};
    return table;
}

void GraphPage::CheckBox14Click() {
    guarded(window(), [this] { plotGraph(); });
}

void GraphPage::BitBtn2Click() {
    m_xAxisDates = !m_xAxisDates;
    guarded(window(), [this] { plotGraph(); });
}

void GraphPage::printGraph(QPrinter& printer, QWidget* owner) {
    // The chart is drawn only on a visible page: bring its tab to the front and give the
    // window a moment to paint it.
    bool switched = false;
    for (QWidget* page = this; page && page->parentWidget(); page = page->parentWidget()) {
        auto* stack = qobject_cast<QStackedWidget*>(page->parentWidget());
        auto* tabs = stack ? qobject_cast<QTabWidget*>(stack->parentWidget()) : nullptr;
        if (tabs && tabs->indexOf(page) >= 0 && tabs->currentWidget() != page) {
            tabs->setCurrentWidget(page);
            switched = true;
        }
    }
    if (switched) {
        services().pause(1000);
    }
    services().printPreview(owner ? owner : window(), printer,
                            [this](QPrinter* p) { paintOnPrinter(p); });
    m_chart->repaint();
}

void GraphPage::paintOnPrinter(QPrinter* printer) {
    QPainter painter(printer);
    if (!painter.isActive()) {
        return;
    }
    // The chart takes the width of the printable area and at most three quarters of it in
    // height, so that it keeps the proportions of a chart on a portrait page too.
    const QRect page = printer->pageLayout().paintRectPixels(printer->resolution());
    const qreal height = std::min<qreal>(page.height(), page.width() * 0.75);
    m_chart->render(&painter, QRectF(0, 0, page.width(), height));
}

} // namespace orvek::ui
