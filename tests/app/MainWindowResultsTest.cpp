// The result pages of the real window after runs: the graph, the workbook commands and the
// Parameters dialog reached from the menu.

#include "WindowTestSupport.h"
#include "formats/ResultFiles.h"
#include "windows/inputs/PageWidgets.h"
#include "windows/parameters/ParametersDialog.h"
#include "windows/results/GraphPage.h"
#include "windows/results/NumericalOutputPage.h"
#include "windows/results/ResultExport.h"
#include "xls/Workbook.h"

#include <QDir>
#include <QFileInfo>
#include <QTabBar>

namespace orvek::test {

namespace {

using ui::ChartAxis;
using ui::GraphPage;

constexpr DateSerial kStart = 38353; // 1 January 2005, the example's start
constexpr int kDays = 1826;          // to 31 December 2009

class MainWindowResultsTest : public WindowTest {
protected:
    void SetUp() override {
        start();
        retrieve(work.path(QStringLiteral("Example.stg")));
    }

    GraphPage& graph() const { return *window->graphPage(); }
    ui::GraphChart& chart() const { return graph().chart(); }

    void showTab(int index) const {
        QTabBar* bar = window->pageControl()->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
    }
    void run() {
        showTab(0);
        click(window->inputPage()->runButton());
        ASSERT_TRUE(fake.messages.empty())
            << fake.messageTexts().join(QLatin1Char('|')).toStdString();
    }
    // For each series: its point count when it is shown, -1 when it is not.
    std::vector<qsizetype> shownPoints() const {
        std::vector<qsizetype> counts;
        for (int s = 0; s < GraphPage::kSeriesCount; ++s) {
            counts.push_back(chart().seriesActive(s) ? chart().seriesPointCount(s) : -1);
        }
        return counts;
    }
    int monthlyRows() const {
        return static_cast<int>(work.read(QStringLiteral("ResultMonthly.~")).count("\r\n")) - 4;
    }
    QCheckBox* seriesBox(int number) const {
        return graph().findChild<QCheckBox*>(QStringLiteral("CheckBox%1").arg(number));
    }
};

TEST_F(MainWindowResultsTest, RunsInBothModesAndTimeStepsDrawTheirSeries) {
    EXPECT_FALSE(window->pageControl()->isTabEnabled(2));
    run();
    EXPECT_TRUE(window->pageControl()->isTabEnabled(2));
    EXPECT_TRUE(find<QPushButton>("BitBtn3")->isEnabled());
    EXPECT_EQ(window->pageControl()->currentWidget(), window->outputPage());
    // C & N, daily: "Substrate residual C" and "Total soil mineral N", one point a day.
    const qsizetype no = -1;
    EXPECT_EQ(shownPoints(), (std::vector<qsizetype>{no, kDays, no, no, kDays, no, no, no}));
    EXPECT_EQ(chart().title(), QStringLiteral("Carbon and Nitrogen Mineralization Dynamics"));
    EXPECT_EQ(graph().xToggleButton()->text(), QStringLiteral("DAS / Date on X"));

    showTab(2);
    click(seriesBox(20)); // "C:N ratio of residues"
    EXPECT_EQ(chart().seriesPointCount(6), kDays);
    EXPECT_EQ(chart().axisTitle(ChartAxis::Right), QStringLiteral("Nitrogen (kg/ha) & C:N ratio"));

    click(radio("RadioButton2")); // Monthly
    const int months = monthlyRows();
    ASSERT_GT(months, 50);
    EXPECT_EQ(shownPoints(), (std::vector<qsizetype>{no, months, no, no, months, no, months, no}));
    EXPECT_EQ(graph().xToggleButton()->text(), QStringLiteral("MAS / Date on X"));
    EXPECT_EQ(chart().axisTitle(ChartAxis::Bottom), QStringLiteral("Months after start (MAS)"));

    // C only, monthly: the nitrogen boxes are unticked and locked, only carbon is drawn.
    showTab(0);
    click(radio("RadioButton3"));
    run();
    EXPECT_EQ(shownPoints(), (std::vector<qsizetype>{no, monthlyRows(), no, no, no, no, no, no}));
    for (int number = 17; number <= 21; ++number) {
        EXPECT_FALSE(seriesBox(number)->isEnabled()) << number;
        EXPECT_FALSE(seriesBox(number)->isChecked()) << number;
    }
    EXPECT_EQ(chart().title(), QStringLiteral("Carbon Mineralization Dynamics"));

    // Back to daily: the page's later changes do not change how the files are read.
    showTab(0);
    date("DateTimePicker2")->setDate(ymd(2006, 6, 30));
    showTab(1);
    click(radio("RadioButton1"));
    EXPECT_EQ(shownPoints(), (std::vector<qsizetype>{no, kDays, no, no, no, no, no, no}));
    EXPECT_EQ(graph().xToggleButton()->text(), QStringLiteral("DAS / Date on X"));
    EXPECT_TRUE(fake.messages.empty());
}

TEST_F(MainWindowResultsTest, TheXToggleTwiceReturnsToTheSameDrawing) {
    run();
    showTab(2);
    QPushButton* toggle = graph().xToggleButton();
    const QPointF firstByCount = chart().seriesPoint(1, 0);
    const QPointF lastByCount = chart().seriesPoint(1, kDays - 1);
    EXPECT_EQ(firstByCount.x(), 1);

    click(toggle);
    EXPECT_TRUE(chart().xValuesAreDates());
    EXPECT_EQ(chart().axisTitle(ChartAxis::Bottom), QStringLiteral("Date (m/d/y)"));
    EXPECT_EQ(chart().bottomLabelAngle(), 90);
    EXPECT_EQ(chart().seriesPoint(1, 0), QPointF(kStart, firstByCount.y()));
    EXPECT_EQ(chart().seriesPoint(1, kDays - 1), QPointF(kStart + kDays - 1, lastByCount.y()));

    click(toggle);
    EXPECT_FALSE(chart().xValuesAreDates());
    EXPECT_EQ(chart().bottomLabelAngle(), 0);
    EXPECT_EQ(chart().axisTitle(ChartAxis::Bottom), QStringLiteral("Days after start (DAS)"));
    EXPECT_EQ(chart().seriesPointCount(1), kDays);
    EXPECT_EQ(chart().seriesPoint(1, 0), firstByCount);
    EXPECT_EQ(chart().seriesPoint(1, kDays - 1), lastByCount);
}

TEST_F(MainWindowResultsTest, PrintGraphShowsTheGraphTabAndPreviewsOnTheSharedPrinter) {
    run();
    EXPECT_TRUE(window->action("Printgraph1")->isEnabled());
    EXPECT_TRUE(window->action("Printdetailedresult1")->isEnabled());
    fake.printToPdf = work.path(QStringLiteral("graph.pdf"));
    trigger("Printgraph1");
    EXPECT_EQ(window->pageControl()->currentWidget()->objectName(), QStringLiteral("TabSheet3"));
    EXPECT_EQ(fake.pausedMilliseconds, 1500 + 1000);
    EXPECT_EQ(fake.previews, 1);
    EXPECT_GT(QFileInfo(fake.printToPdf).size(), 1000);
    // Already on the graph: no wait.
    trigger("Printgraph1");
    EXPECT_EQ(fake.pausedMilliseconds, 1500 + 1000);
    EXPECT_EQ(fake.previews, 2);
}

// Cells of the workbook the commands write, through the same reading the commands use.
TEST_F(MainWindowResultsTest, TheWorkbookStopsAtTheEndDateOrTheLastSimulatedDay) {
    run();
    ui::ResultExportSource source{work.folder(), work.folder(), *window->lastRun(), true};
    const auto lastDataRow = [](const std::vector<WorkbookCell>& cells) {
        int row = -1;
        for (const WorkbookCell& c : cells) {
            if (c.kind == WorkbookCell::Kind::Integer) {
                row = std::max(row, c.row);
            }
        }
        return row;
    };
    EXPECT_EQ(lastDataRow(ui::resultCells(source, WorkbookStop::AtLastDAS)), 4 + kDays - 1);
    EXPECT_EQ(lastDataRow(ui::resultCells(source, WorkbookStop::AtEndDate)), 4 + kDays - 1);
    source.last.lastDAS = 10; // the run's copy decides, not the file
    EXPECT_EQ(lastDataRow(ui::resultCells(source, WorkbookStop::AtLastDAS)), 4 + 9);
    source.dailyOutput = false;
    EXPECT_EQ(lastDataRow(ui::resultCells(source, WorkbookStop::AtEndDate)), 4 + monthlyRows() - 1);

    QFile::remove(work.path(QStringLiteral("SettingRecord.~")));
    EXPECT_THROW(ui::resultCells(source, WorkbookStop::AtEndDate), OrvekError);
}

TEST_F(MainWindowResultsTest, OpenResultInExcelFillsTheFirstGapInTheNumbering) {
    run();
    work.write(QStringLiteral("Result-2.xls"), "kept");
    click(find<QPushButton>("BitBtn3"));
    ASSERT_TRUE(fake.messages.empty()) << fake.messageTexts().join('|').toStdString();
    EXPECT_TRUE(work.read(QStringLiteral("Result-1.xls")).startsWith("\xD0\xCF\x11\xE0"));
    EXPECT_EQ(work.read(QStringLiteral("Result-2.xls")), QByteArray("kept"));
    ASSERT_EQ(fake.openedDocuments.size(), 1u);
    EXPECT_EQ(fake.openedDocuments[0], work.path(QStringLiteral("Result-1.xls")));
    xls::TXLSFile book;
    book.OpenFile(work.path(QStringLiteral("Result-1.xls")).toStdString());
    const xls::TCells& cells = book.Workbook().Sheets().Items(0).Cells();
    EXPECT_EQ(cells.ValueAt(0, 0).ToString(), "Simulated C and N mineralization dynamics");
    EXPECT_EQ(cells.ValueAt(3, 9).ToString(), "SOM-C:N");
    EXPECT_EQ(cells.ValueAt(4, 0).ToDouble(), kStart);
    EXPECT_EQ(cells.Find(4, 0)->NumberFormatIndex(), xls::TFormatStrings::kDateFormat);
    EXPECT_EQ(cells.ValueAt(4 + kDays - 1, 1).ToInt(), kDays); // the last simulated day
    EXPECT_EQ(cells.ValueAt(4 + kDays, 0).ToString(), "");
    EXPECT_FALSE(cells.ValueAt(4 + kDays + 1, 0).ToString().empty()); // the setting record

    // A desktop that fails to open it: the user is told where the workbook is, and the same
    // workbook is not written a second time.
    fake.openDocumentSucceeds = false;
    click(find<QPushButton>("BitBtn3"));
    EXPECT_EQ(fake.openedDocuments.back(), work.path(QStringLiteral("Result-3.xls")));
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_EQ(fake.messages[0].text,
              QStringLiteral("Result-1.xls was saved in %1, but no spreadsheet program is set up "
                             "to open .xls files.")
                  .arg(QDir::toNativeSeparators(
                      QFileInfo(work.path(QStringLiteral("x"))).absolutePath())));
    EXPECT_FALSE(work.exists(QStringLiteral("Result-3.xls")));

    // A result file that cannot be read is reported and leaves no workbook behind.
    fake.messages.clear();
    QFile::remove(work.path(QStringLiteral("ResultDaily.~")));
    click(find<QPushButton>("BitBtn3"));
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_TRUE(fake.messages[0].text.startsWith(QStringLiteral("Cannot open file")));
    EXPECT_FALSE(work.exists(QStringLiteral("Result-3.xls")));
    EXPECT_EQ(fake.openedDocuments.size(), 2u);
}

TEST_F(MainWindowResultsTest, OpenResultInExcelWithoutASpreadsheetProgramSaysWhereTheFileIs) {
    run();
    fake.defaultApp = QString(); // the desktop knows no program for .xls files
    const QString expected =
        QStringLiteral("Result-1.xls was saved in %1, but no spreadsheet program is set up to "
                       "open .xls files.")
            .arg(
                QDir::toNativeSeparators(QFileInfo(work.path(QStringLiteral("x"))).absolutePath()));
    for (int click3 = 0; click3 < 3; ++click3) {
        click(find<QPushButton>("BitBtn3"));
    }
    // The desktop was asked for the spreadsheet type; nothing was handed to its opener, which
    // would have reported success all the same.
    ASSERT_FALSE(fake.defaultAppQueries.empty());
    EXPECT_EQ(fake.defaultAppQueries.back(), QStringLiteral("application/vnd.ms-excel"));
    EXPECT_TRUE(fake.openedDocuments.empty());
    ASSERT_EQ(fake.messages.size(), 3u);
    for (const auto& m : fake.messages) {
        EXPECT_EQ(m.text, expected);
    }
    // Three clicks on the same results leave one workbook, not three.
    EXPECT_TRUE(work.read(QStringLiteral("Result-1.xls")).startsWith("\xD0\xCF\x11\xE0"));
    EXPECT_FALSE(work.exists(QStringLiteral("Result-2.xls")));

    // Other results are another workbook; a later run's workbook never replaces an earlier one.
    click(radio("RadioButton2"));
    click(find<QPushButton>("BitBtn3"));
    EXPECT_TRUE(work.exists(QStringLiteral("Result-2.xls")));
    EXPECT_TRUE(fake.messages.back().text.startsWith(QStringLiteral("Result-2.xls was saved in")));

    // A desktop that cannot be asked: the opener decides.
    fake.defaultApp.reset();
    click(find<QPushButton>("BitBtn3"));
    ASSERT_EQ(fake.openedDocuments.size(), 1u);
    EXPECT_EQ(fake.openedDocuments[0], work.path(QStringLiteral("Result-3.xls")));
    EXPECT_EQ(fake.messages.size(), 4u);
}

TEST_F(MainWindowResultsTest, SaveAsExcelAsksOnTheNumericalOutputPageOnly) {
    run();
    showTab(2);
    trigger("Savedetailedresult1");
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_EQ(fake.messages[0].text, QStringLiteral("First select page 'Detailed result'"));
    EXPECT_EQ(fake.beeps.back(), BeepKind::Hand);
    EXPECT_TRUE(fake.saveRequests.empty());

    showTab(1);
    trigger("Savedetailedresult1"); // cancelled
    ASSERT_EQ(fake.saveRequests.size(), 1u);
    const ui::FileDialogRequest& request = fake.saveRequests[0];
    EXPECT_EQ(request.initialFolder, QString::fromStdString(work.folder()));
    EXPECT_EQ(request.defaultSuffix, QStringLiteral("xls"));
    EXPECT_EQ(request.filters,
              (QStringList{QStringLiteral("Excel (*.xls)"), QStringLiteral("any file (*.*)")}));
    EXPECT_TRUE(request.confirmOverwrite);
    EXPECT_EQ(QDir(work.path(QString())).entryList({QStringLiteral("*.xls")}), QStringList());

    // ".xls" is added only for the Excel filter and a name without an extension.
    const std::vector<std::pair<ui::FileDialogResult, QString>> cases = {
        {{work.path(QStringLiteral("daily")), 0}, QStringLiteral("daily.xls")},
        {{work.path(QStringLiteral("plain")), 1}, QStringLiteral("plain")},
        {{work.path(QStringLiteral("named.dat")), 0}, QStringLiteral("named.dat")}};
    for (const auto& [answer, written] : cases) {
        fake.saveAnswers.push_back(answer);
        trigger("Savedetailedresult1");
        EXPECT_TRUE(work.read(written).startsWith("\xD0\xCF\x11\xE0")) << written.toStdString();
    }
    EXPECT_FALSE(work.exists(QStringLiteral("plain.xls")));
    EXPECT_EQ(fake.messages.size(), 1u);
}

TEST_F(MainWindowResultsTest, ModelParametersLockTheWindowUntilTheDialogClosesHoweverItCloses) {
    QAction* entry = window->action("Parameters1");
    const auto settle = [] { QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); };
    const auto open = [&] {
        trigger("Parameters1");
        ui::TForm4* dialog = window->parametersDialog();
        EXPECT_NE(dialog, nullptr);
        if (dialog) {
            EXPECT_TRUE(dialog->isVisible());
            EXPECT_TRUE(dialog->isEnabled());
            EXPECT_FALSE(window->isEnabled());
            EXPECT_FALSE(entry->isEnabled());
            EXPECT_EQ(dialog->field(0)->text(), QStringLiteral("0.00013"));
        }
        return dialog;
    };

    ui::TForm4* dialog = open();
    ASSERT_NE(dialog, nullptr);
    click(dialog->findChild<QPushButton*>(QStringLiteral("Button2"))); // Cancel
    settle();
    EXPECT_EQ(window->parametersDialog(), nullptr);
    EXPECT_TRUE(window->isEnabled());
    EXPECT_TRUE(entry->isEnabled());

    dialog = open();
    ASSERT_NE(dialog, nullptr);
    dialog->close(); // the window's close box
    settle();
    EXPECT_TRUE(window->isEnabled());
    EXPECT_TRUE(entry->isEnabled());

    dialog = open();
    ASSERT_NE(dialog, nullptr);
    QTest::keyClick(dialog, Qt::Key_Escape);
    settle();
    EXPECT_EQ(window->parametersDialog(), nullptr);
    EXPECT_TRUE(window->isEnabled());

    // A parameter file that cannot be read: the error, no dialog, a usable window.
    QFile::remove(work.path(QStringLiteral("Parameter.Orvek")));
    trigger("Parameters1");
    EXPECT_EQ(window->parametersDialog(), nullptr);
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_TRUE(fake.messages[0].text.startsWith(QStringLiteral("Cannot open file")));
    EXPECT_TRUE(window->isEnabled());
    EXPECT_TRUE(entry->isEnabled());
}

} // namespace

} // namespace orvek::test
