#include "windows/results/GraphPage.h"

#include "FakeServices.h"
#include "TestFolder.h"
#include "basics/Errors.h"
#include "formats/ResultFiles.h"
#include "run/RunPipeline.h"
#include "run/StartUp.h"

#include <QCheckBox>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QPrinter>
#include <QPushButton>
#include <QSet>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace orvek::test {
namespace {

using ui::ChartAxis;
using ui::GraphPage;

constexpr DateSerial kStart = 38353; // 1 January 2005
constexpr DateSerial kEnd = 40178;   // 31 December 2009
constexpr int kDays = kEnd - kStart + 1;
constexpr int kMonths = 60;

// A start folder with the results of the bundled example, run as orvek-batch runs it: start-up in
// the folder, the setting file retrieved, one run.
class RunFolder {
public:
    explicit RunFolder(bool carbonOnly) {
        const QDir data(QStringLiteral(ORVEK_DATA_DIR));
        for (const QString& name : data.entryList(QDir::Files)) {
            QFile::copy(data.filePath(name), path() + name);
        }
        if (carbonOnly) {
            QFile stg(file("Example.stg"));
            stg.open(QIODevice::ReadWrite);
            QByteArray text = stg.readAll();
            text[0] = 'Y';
            stg.seek(0);
            stg.write(text);
        }
        Session session;
        EXPECT_EQ(startSession(session, path().toStdString()), "");
        retrieveSettings(session, session.startFolder + "Example.stg");
        RunEnvironment env;
        env.startFolder = session.startFolder;
        env.decimalSeparator = session.decimalSeparator;
        env.formats.shortDate = [](DateSerial d) { return std::to_string(d); };
        const RunOutcome outcome = performRun(session.page, env);
        EXPECT_TRUE(outcome.ok) << outcome.message;
    }
    QString path() const { return QString::fromStdString(m_folder.path()); }
    QString file(const char* name) const { return path() + QString::fromLatin1(name); }

private:
    test::TestFolder m_folder;
};

LastRun exampleRun(bool carbonOnly) {
    return LastRun{carbonOnly, kStart, kEnd, kDays};
}

// Clicks a check box on its indicator, as a person would.
void click(QCheckBox* box) {
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
}

class GraphPageTest : public ::testing::Test {
protected:
    GraphPageTest() {
        page.resize(880, 560);
        page.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&page));
    }
    ui::GraphChart& chart() { return page.chart(); }
    QCheckBox* box(int number) {
        return page.findChild<QCheckBox*>(QStringLiteral("CheckBox%1").arg(number));
    }
    QPushButton* toggle() { return page.findChild<QPushButton*>(QStringLiteral("BitBtn2")); }
    std::vector<qsizetype> pointCounts() {
        std::vector<qsizetype> counts;
        for (int s = 0; s < GraphPage::kSeriesCount; ++s) {
            counts.push_back(chart().seriesActive(s) ? chart().seriesPointCount(s) : -1);
        }
        return counts;
    }

    FakeServices fake;
    GraphPage page;
};

TEST_F(GraphPageTest, StartsWithItsFixedSettingsAndNoData) {
    EXPECT_EQ(chart().title(), QStringLiteral("Carbon and Nitrogen Dynamics"));
    EXPECT_EQ(chart().axisTitle(ChartAxis::Bottom), QStringLiteral("Days after start"));
    EXPECT_EQ(chart().axisTitle(ChartAxis::Left), QStringLiteral("Organic C (Mg/ha)"));
    EXPECT_EQ(chart().axisMinimum(ChartAxis::Left), 0.0);
    EXPECT_EQ(chart().axisGridStyle(ChartAxis::Left), Qt::DashDotDotLine);
    EXPECT_FALSE(chart().axisGridVisible(ChartAxis::Right));
    EXPECT_EQ(chart().minorTickCount(), 4);
    EXPECT_TRUE(chart().titleFont().bold());
    EXPECT_EQ(chart().titleFont().pixelSize(), 16);
    EXPECT_EQ(chart().titleColor(), QColor(Qt::blue));

    const char* captions[] = {"SOM-C",
                              "Substrate residual C",
                              "Total organic C",
                              "Accum. N mineralization",
                              "Total soil mineral N",
                              "Total soil N",
                              "C:N ratio of residues",
                              "C:N ratio of SOM"};
    const QColor colors[] = {Qt::red,    QColor(0, 128, 0), Qt::black,           Qt::blue,
                             Qt::yellow, QColor(0, 255, 0), QColor(255, 0, 255), QColor(0, 0, 128)};
    ASSERT_EQ(chart().seriesCount(), 8);
    for (int s = 0; s < 8; ++s) {
        EXPECT_EQ(box(14 + s)->text(), QString::fromLatin1(captions[s]));
        EXPECT_FALSE(box(14 + s)->isChecked());
        EXPECT_EQ(box(14 + s)->isEnabled(), s < 3);
        EXPECT_EQ(chart().seriesColor(s), colors[s]) << s;
        EXPECT_EQ(chart().seriesLineWidth(s), 2);
        EXPECT_EQ(chart().seriesAxis(s), s < 3 ? ChartAxis::Left : ChartAxis::Right);
        EXPECT_FALSE(chart().seriesActive(s));
    }
    EXPECT_EQ(toggle()->text(), QStringLiteral("Days / Date on X"));
    EXPECT_EQ(toggle()->palette().color(QPalette::ButtonText), QColor(Qt::blue));
    // Before a run a click draws nothing and reports no missing file.
    click(box(14));
    EXPECT_TRUE(fake.messages.empty());
    EXPECT_EQ(chart().seriesPointCount(0), 0);
}

TEST_F(GraphPageTest, ACarbonAndNitrogenRunDrawsTheDefaultSeriesAndTheBoxesChooseTheRest) {
    RunFolder run(false);
    page.setStartFolder(run.path());
    page.showRunResults(exampleRun(false), true);

    EXPECT_TRUE(box(15)->isChecked());
    EXPECT_TRUE(box(18)->isChecked());
    EXPECT_EQ(pointCounts(), (std::vector<qsizetype>{-1, kDays, -1, -1, kDays, -1, -1, -1}));
    EXPECT_EQ(chart().title(), QStringLiteral("Carbon and Nitrogen Mineralization Dynamics"));
    EXPECT_EQ(chart().axisTitle(ChartAxis::Bottom), QStringLiteral("Days after start (DAS)"));
    EXPECT_EQ(chart().axisTitle(ChartAxis::Right), QStringLiteral("Nitrogen (kg/ha)"));
    EXPECT_EQ(chart().axisMinimum(ChartAxis::Right), std::nullopt);
    EXPECT_TRUE(chart().axisGridVisible(ChartAxis::Left));
    EXPECT_FALSE(chart().axisGridVisible(ChartAxis::Right));
    EXPECT_EQ(toggle()->text(), QStringLiteral("DAS / Date on X"));
    EXPECT_EQ(toggle()->palette().color(QPalette::ButtonText), QColor(Qt::red));
    EXPECT_EQ(chart().seriesPoint(1, 0), QPointF(1, 0.0)); // DAS 1, no residue yet
    EXPECT_EQ(chart().seriesTitle(4), QStringLiteral("Total soil mineral N"));
    EXPECT_GE(chart().axisLow(ChartAxis::Left), 0.0);

    click(box(20));
    EXPECT_EQ(chart().axisTitle(ChartAxis::Right), QStringLiteral("Nitrogen (kg/ha) & C:N ratio"));
    EXPECT_EQ(chart().axisMinimum(ChartAxis::Right), 0.0);
    EXPECT_EQ(chart().axisLow(ChartAxis::Right), 0.0);

    // Only C:N ratios: their title, the right axis from 0, the right grid instead of the left.
    click(box(15));
    click(box(18));
    click(box(21));
    EXPECT_EQ(pointCounts(), (std::vector<qsizetype>{-1, -1, -1, -1, -1, -1, kDays, kDays}));
    EXPECT_EQ(chart().axisTitle(ChartAxis::Right), QStringLiteral("C:N ratio"));
    EXPECT_EQ(chart().axisMinimum(ChartAxis::Right), 0.0);
    EXPECT_FALSE(chart().axisGridVisible(ChartAxis::Left));
    EXPECT_TRUE(chart().axisGridVisible(ChartAxis::Right));

    // No box: nothing drawn, the right title unchanged, the right grid shown.
    click(box(20));
    click(box(21));
    EXPECT_EQ(pointCounts(), std::vector<qsizetype>(8, -1));
    for (int s = 0; s < 8; ++s) {
        EXPECT_EQ(chart().seriesPointCount(s), 0);
    }
    EXPECT_EQ(chart().axisTitle(ChartAxis::Right), QStringLiteral("C:N ratio"));
    EXPECT_TRUE(chart().axisGridVisible(ChartAxis::Right));

    // All eight, then monthly output.
    for (int b = 14; b <= 21; ++b) {
        click(box(b));
    }
    EXPECT_EQ(pointCounts(), std::vector<qsizetype>(8, kDays));
    page.timeStepChanged(false);
    EXPECT_EQ(pointCounts(), std::vector<qsizetype>(8, kMonths));
    EXPECT_EQ(chart().axisTitle(ChartAxis::Bottom), QStringLiteral("Months after start (MAS)"));
    EXPECT_EQ(toggle()->text(), QStringLiteral("MAS / Date on X"));
    EXPECT_EQ(toggle()->palette().color(QPalette::ButtonText), QColor(Qt::blue));
    EXPECT_EQ(chart().seriesPoint(0, 0).x(), 0.0); // MAS 0
    EXPECT_TRUE(fake.messages.empty());
}

TEST_F(GraphPageTest, ACarbonOnlyRunDisablesAndUnticksTheNitrogenBoxes) {
    RunFolder cn(false);
    page.setStartFolder(cn.path());
    page.showRunResults(exampleRun(false), true);
    click(box(17));
    click(box(20));
    ASSERT_EQ(chart().axisTitle(ChartAxis::Right), QStringLiteral("Nitrogen (kg/ha) & C:N ratio"));

    click(box(14));
    RunFolder carbon(true);
    page.setStartFolder(carbon.path());
    page.showRunResults(exampleRun(true), false);
    for (int b = 17; b <= 21; ++b) {
        EXPECT_FALSE(box(b)->isEnabled()) << b;
        EXPECT_FALSE(box(b)->isChecked()) << b;
    }
    EXPECT_EQ(pointCounts(), (std::vector<qsizetype>{kMonths, kMonths, -1, -1, -1, -1, -1, -1}));
    EXPECT_EQ(chart().title(), QStringLiteral("Carbon Mineralization Dynamics"));
    EXPECT_EQ(chart().axisTitle(ChartAxis::Right),
              QStringLiteral("Nitrogen (kg/ha) & C:N ratio")); // unchanged in C-only mode
    EXPECT_TRUE(fake.messages.empty());

    // A C & N run afterwards enables them again; the other boxes keep their state.
    page.setStartFolder(cn.path());
    page.showRunResults(exampleRun(false), false);
    EXPECT_TRUE(box(17)->isEnabled());
    EXPECT_FALSE(box(17)->isChecked());
    EXPECT_TRUE(box(18)->isChecked());
    EXPECT_TRUE(box(14)->isChecked());
}

TEST_F(GraphPageTest, TheXToggleShowsDatesAndTwiceReturnsToTheSameDrawing) {
    RunFolder run(false);
    page.setStartFolder(run.path());
    page.showRunResults(exampleRun(false), true);
    const auto before = pointCounts();
    const QPointF first = chart().seriesPoint(1, 0);
    const QPointF last = chart().seriesPoint(1, kDays - 1);

    QTest::mouseClick(toggle(), Qt::LeftButton);
    EXPECT_TRUE(page.xAxisDates());
    EXPECT_TRUE(chart().xValuesAreDates());
    EXPECT_EQ(chart().dateFormat(), QStringLiteral("M/d/yy"));
    EXPECT_EQ(chart().bottomLabelAngle(), 90);
    EXPECT_EQ(chart().axisTitle(ChartAxis::Bottom), QStringLiteral("Date (m/d/y)"));
    EXPECT_EQ(chart().seriesPoint(1, 0).x(), kStart); // DAS 1 lies on the start date
    EXPECT_EQ(chart().seriesPoint(1, kDays - 1).x(), kEnd);
    // The date axis spans whole months: 1/1/05 up to 1/1/10, just after the last day.
    EXPECT_EQ(chart().axisLow(ChartAxis::Bottom), kStart);
    EXPECT_EQ(chart().axisHigh(ChartAxis::Bottom), kEnd + 1);

    page.timeStepChanged(false); // months on dates: each row at its own date
    EXPECT_EQ(chart().seriesPoint(1, 0).x(), kStart);
    EXPECT_EQ(chart().seriesPoint(1, 10).x(), kStart + 304); // 1 November 2005
    page.timeStepChanged(true);

    QTest::mouseClick(toggle(), Qt::LeftButton);
    EXPECT_FALSE(chart().xValuesAreDates());
    EXPECT_EQ(chart().bottomLabelAngle(), 0);
    EXPECT_EQ(chart().dateFormat(), QStringLiteral("M/d/yy")); // left as it was
    EXPECT_EQ(chart().axisTitle(ChartAxis::Bottom), QStringLiteral("Days after start (DAS)"));
    EXPECT_EQ(pointCounts(), before);
    EXPECT_EQ(chart().seriesPoint(1, 0), first);
    EXPECT_EQ(chart().seriesPoint(1, kDays - 1), last);
}

TEST_F(GraphPageTest, ReadingStopsAfterEndDateOrAtTheEndOfTheFile) {
    RunFolder run(false);
    page.setStartFolder(run.path());
    // A later change of the page does not matter: the copy of the run decides.
    page.showRunResults(LastRun{false, kStart, kStart + 99, kDays}, true);
    EXPECT_EQ(chart().seriesPointCount(1), 100);
    EXPECT_EQ(chart().seriesPoint(1, 99).x(), 100);

    // Months: only a row dated EndDate (1 November 2005) stops early.
    page.setLastRun(LastRun{false, kStart, kStart + 304, kDays});
    page.timeStepChanged(false);
    EXPECT_EQ(chart().seriesPointCount(1), 11);
    page.setLastRun(LastRun{false, kStart, kStart + 300, kDays});
    page.timeStepChanged(false);
    EXPECT_EQ(chart().seriesPointCount(1), kMonths);

    // An end date past the weather: the whole file.
    page.setLastRun(LastRun{false, kStart, kEnd + 500, kDays});
    page.timeStepChanged(true);
    EXPECT_EQ(chart().seriesPointCount(1), kDays);
}

TEST_F(GraphPageTest, AnUnreadableFileIsReportedAndKeepsThePointsReadBeforeIt) {
    test::TestFolder dir;
    const QString folder = QString::fromStdString(dir.path());
    page.setStartFolder(folder);
    EXPECT_THROW(page.showRunResults(exampleRun(true), true), OrvekError);
    EXPECT_EQ(chart().seriesPointCount(1), 0);

    QFile daily(folder + QString::fromLatin1(kResultDailyFileName));
    ASSERT_TRUE(daily.open(QIODevice::WriteOnly));
    daily.write(resultFileHeader(true, true).c_str());
    daily.write("38353\t1\t50.00\t1.00\t51.00\t\r\n38354\t2\t50.00\t1.10\t51.10\t\r\n"
                "38355\t3\t50.00\tx\t51.20\t\r\n38356\t4\t50.00\t1.30\t51.30\t\r\n");
    daily.close();
    click(box(16)); // the handler shows the error in the error box
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_EQ(fake.messages[0].icon, ui::MessageIcon::Error);
    EXPECT_TRUE(fake.messages[0].text.endsWith(QStringLiteral(", line 7: Invalid numeric input")))
        << fake.messages[0].text.toStdString();
    EXPECT_EQ(chart().seriesPointCount(1), 2);
    EXPECT_EQ(chart().seriesPointCount(2), 2);
}

TEST_F(GraphPageTest, PrintGraphShowsItsTabFirstAndPrintsThePreviewedChart) {
    RunFolder run(false);
    QTabWidget tabs;
    auto* input = new QLabel(QStringLiteral("input page"));
    auto* graph = new GraphPage();
    tabs.addTab(input, QStringLiteral(" Input setting "));
    tabs.addTab(graph, QStringLiteral(" Graph "));
    tabs.resize(880, 600);
    tabs.show();
    graph->setStartFolder(run.path());
    graph->showRunResults(exampleRun(false), true);

    test::TestFolder out;
    fake.printToPdf = QString::fromStdString(out.file("graph.pdf"));
    QPrinter printer;
    graph->printGraph(printer, &tabs);
    EXPECT_EQ(tabs.currentWidget(), graph);
    EXPECT_EQ(fake.pausedMilliseconds, 1000);
    EXPECT_EQ(fake.previews, 1);
    EXPECT_GT(QFileInfo(fake.printToPdf).size(), 1000);

    graph->printGraph(printer, &tabs); // already in front: no wait
    EXPECT_EQ(fake.pausedMilliseconds, 1000);
    EXPECT_EQ(fake.previews, 2);
}

// The Date column of a result file's data rows.
std::vector<double> rowDates(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    const QList<QByteArray> lines = file.readAll().split('\n');
    std::vector<double> dates;
    for (qsizetype i = 4; i < lines.size(); ++i) {
        if (lines[i].contains('\t')) {
            dates.push_back(lines[i].left(lines[i].indexOf('\t')).toDouble());
        }
    }
    return dates;
}

QDate dayToDate(double day) {
    return QDate(1899, 12, 30).addDays(static_cast<qint64>(day));
}

TEST_F(GraphPageTest, MonthlyRowsAreDrawnAtTheirOwnDates) {
    RunFolder run(false);
    page.setStartFolder(run.path());
    page.showRunResults(exampleRun(false), false);
    QTest::mouseClick(toggle(), Qt::LeftButton); // dates on X
    const std::vector<double> dates = rowDates(run.file(kResultMonthlyFileName));
    ASSERT_EQ(dates.size(), static_cast<size_t>(kMonths));
    for (int s : {1, 4}) {
        const QList<QPointF> drawn = chart().plottedPoints(s);
        ASSERT_EQ(drawn.size(), kMonths);
        for (int m = 0; m < kMonths; ++m) {
            ASSERT_EQ(drawn[m].x(), dates[static_cast<size_t>(m)])
                << "series " << s << " MAS " << m;
        }
    }
    // The row of 1 July 2009 (MAS 54) stands on the tick labelled with its date, not months
    // before it as thirty days a month would put it.
    const QList<QPair<double, QString>> ticks = chart().dateTicks();
    const auto july = std::find_if(ticks.begin(), ticks.end(), [](const auto& t) {
        return t.second == QStringLiteral("7/1/09");
    });
    ASSERT_NE(july, ticks.end());
    const QPointF row = chart().plottedPoints(1).at(54);
    EXPECT_EQ(row.x(), july->first);
    EXPECT_EQ(chart().plotPosition(1, row).x(),
              chart().plotPosition(1, QPointF(july->first, 0)).x());
    EXPECT_NE(july->first, kStart + 30 * 54);
}

TEST_F(GraphPageTest, DateTicksFallOnMonthsOrYearsWithEveryLabelOnce) {
    auto ticksFor = [this](double first, double last) {
        QList<QPointF> points;
        for (double x = first; x < last; x += std::max(1.0, (last - first) / 500)) {
            points.append(QPointF(x, 1));
        }
        points.append(QPointF(last, 1));
        chart().setXValuesAreDates(true);
        chart().setSeriesActive(0, true);
        chart().setSeriesPoints(0, points);
        chart().rescale();
        return chart().dateTicks();
    };
    struct Span {
        QDate first;
        QDate last;
        int fewestTicks;
    };
    const Span spans[] = {
        {QDate(2005, 1, 30), QDate(2005, 1, 31), 2}, // a two-day run
        {QDate(2005, 1, 1), QDate(2005, 1, 1), 2},   // a single day
        {QDate(2005, 3, 15), QDate(2005, 8, 20), 6}, // months
        {QDate(2005, 1, 1), QDate(2009, 12, 31), 6}, // the example
        {QDate(1991, 1, 1), QDate(2020, 12, 31), 6}, // thirty years
        {QDate(1900, 1, 1), QDate(2150, 6, 30), 6}}; // two-digit years would repeat
    for (const Span& span : spans) {
        const double first = QDate(1899, 12, 30).daysTo(span.first);
        const double last = QDate(1899, 12, 30).daysTo(span.last);
        const QList<QPair<double, QString>> ticks = ticksFor(first, last);
        const std::string what = span.first.toString(Qt::ISODate).toStdString() + " to " +
                                 span.last.toString(Qt::ISODate).toStdString();
        EXPECT_GE(ticks.size(), span.fewestTicks) << what;
        EXPECT_LE(ticks.size(), 12) << what;
        QSet<QString> labels;
        for (const auto& [day, label] : ticks) {
            const QDate date = dayToDate(day);
            EXPECT_EQ(date.day(), 1) << what << ": " << label.toStdString();
            EXPECT_FALSE(labels.contains(label)) << what << ": " << label.toStdString();
            labels.insert(label);
            const QString shown = QLocale::c().toString(date, QStringLiteral("M/d/yy"));
            EXPECT_TRUE(label == shown ||
                        label == QLocale::c().toString(date, QStringLiteral("M/d/yyyy")))
                << what << ": " << label.toStdString();
            // Every tick lies within the axis, and the axis takes in every point.
            EXPECT_GE(day, chart().axisLow(ChartAxis::Bottom)) << what;
            EXPECT_LE(day, chart().axisHigh(ChartAxis::Bottom)) << what;
        }
        EXPECT_LE(chart().axisLow(ChartAxis::Bottom), first) << what;
        EXPECT_GE(chart().axisHigh(ChartAxis::Bottom), last) << what;
        // Ticks a year or more apart stand on 1 January.
        if (ticks.size() >= 2 && ticks[1].first - ticks[0].first > 300) {
            for (const auto& t : ticks) {
                EXPECT_EQ(dayToDate(t.first).month(), 1) << what;
            }
        }
    }
    // Nothing to draw: no ticks at all (no dates of 1899).
    chart().setSeriesPoints(0, {});
    chart().rescale();
    EXPECT_TRUE(chart().dateTicks().isEmpty());
}

TEST_F(GraphPageTest, AnEmptyMonthlyFileDrawsNoDateTicks) {
    RunFolder run(false);
    QFile monthly(run.file(kResultMonthlyFileName));
    ASSERT_TRUE(monthly.open(QIODevice::WriteOnly | QIODevice::Truncate));
    monthly.write(resultFileHeader(false, false).c_str());
    monthly.close();
    page.setStartFolder(run.path());
    page.showRunResults(exampleRun(false), false);
    QTest::mouseClick(toggle(), Qt::LeftButton);
    EXPECT_TRUE(fake.messages.empty());
    EXPECT_EQ(chart().seriesPointCount(1), 0);
    EXPECT_TRUE(chart().dateTicks().isEmpty());
    // Daily output of the same run has its ticks.
    page.timeStepChanged(true);
    EXPECT_FALSE(chart().dateTicks().isEmpty());
}

TEST_F(GraphPageTest, AxesWithoutSeriesKeepTheirFixedTitles) {
    RunFolder carbon(true);
    page.setStartFolder(carbon.path());
    page.showRunResults(exampleRun(true), true);
    ASSERT_TRUE(chart().axisTitleShown(ChartAxis::Left));
    // C only: the right axis never carries a series; its title stays all the same.
    click(box(15)); // the only series off
    EXPECT_EQ(pointCounts(), std::vector<qsizetype>(8, -1));
    EXPECT_TRUE(chart().axisTitleShown(ChartAxis::Left));
    EXPECT_EQ(chart().axisTitle(ChartAxis::Left), QStringLiteral("Organic C (Mg/ha)"));
    EXPECT_FALSE(chart().axisLabelsShown(ChartAxis::Left)); // no scale without series

    // C & N: the left title stays without carbon series; the right one goes with its series.
    RunFolder cn(false);
    page.setStartFolder(cn.path());
    page.showRunResults(exampleRun(false), true);
    click(box(15));
    EXPECT_EQ(pointCounts(), (std::vector<qsizetype>{-1, -1, -1, -1, kDays, -1, -1, -1}));
    EXPECT_TRUE(chart().axisTitleShown(ChartAxis::Left));
    EXPECT_TRUE(chart().axisTitleShown(ChartAxis::Right));
    EXPECT_TRUE(chart().axisLabelsShown(ChartAxis::Right));
    click(box(18));
    click(box(14));
    EXPECT_TRUE(chart().axisTitleShown(ChartAxis::Left));
    EXPECT_FALSE(chart().axisTitleShown(ChartAxis::Right));

    // Back to C only: the right title shows again, unchanged.
    page.setStartFolder(carbon.path());
    page.showRunResults(exampleRun(true), true);
    click(box(14));
    click(box(15));
    EXPECT_TRUE(chart().axisTitleShown(ChartAxis::Right));
    EXPECT_EQ(chart().axisTitle(ChartAxis::Right), QStringLiteral("Nitrogen (kg/ha)"));
}

} // namespace
} // namespace orvek::test
