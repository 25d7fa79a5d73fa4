// The export commands of the Save menu in the real window: enabled once a run has left
// results, from any page; the files they write; the image size dialog; kept-run names.

#include "WindowTestSupport.h"
#include "windows/results/GraphPage.h"

#include <QDialog>
#include <QImage>
#include <QMenu>
#include <QSpinBox>
#include <QTabBar>
#include <QTimer>

namespace orvek::test {

namespace {

class MainWindowExportsTest : public WindowTest {
protected:
    void SetUp() override {
        start();
        retrieve(work.path(QStringLiteral("Example.stg")));
    }
    void run() {
        window->pageControl()->setCurrentIndex(0);
        click(window->inputPage()->runButton());
        ASSERT_TRUE(fake.messages.empty())
            << fake.messageTexts().join(QLatin1Char('|')).toStdString();
    }
    void answerSave(const QString& name, int filter = 0) {
        fake.saveAnswers.push_back({work.path(name), filter});
    }
};

const char* const kExportActions[] = {"SaveResultCsv1", "SaveResultXlsx1", "SaveGraphAs1"};

TEST_F(MainWindowExportsTest, EnabledOnceARunHasLeftResultsAndWorkFromAnyPage) {
    for (const char* name : kExportActions) {
        EXPECT_FALSE(window->action(name)->isEnabled()) << name;
    }
    run();
    window->pageControl()->setCurrentIndex(0); // the input page
    for (const char* name : kExportActions) {
        EXPECT_TRUE(window->action(name)->isEnabled()) << name;
    }
    EXPECT_EQ(window->action("SaveResultCsv1")->text(), QStringLiteral("Save result as CSV..."));

    answerSave(QStringLiteral("result")); // the first filter adds the extension
    trigger("SaveResultCsv1");
    EXPECT_TRUE(fake.messages.empty()) << fake.messageTexts().join(QLatin1Char('|')).toStdString();
    const QByteArray csv = work.read(QStringLiteral("result.csv"));
    EXPECT_TRUE(csv.startsWith("date,DAS,SOM_C_Mg_ha,")) << csv.left(100).toStdString();
    EXPECT_EQ(csv.count('\n'), 1 + 1826);
    ASSERT_FALSE(fake.saveRequests.empty());
    EXPECT_EQ(fake.saveRequests.back().filters.first(), QStringLiteral("CSV (*.csv)"));

    // Monthly output exports months.
    window->pageControl()->setCurrentIndex(1);
    click(radio("RadioButton2"));
    answerSave(QStringLiteral("months.xlsx"));
    trigger("SaveResultXlsx1");
    EXPECT_TRUE(fake.messages.empty());
    EXPECT_TRUE(work.read(QStringLiteral("months.xlsx")).startsWith("PK"));

    // A cancelled dialog writes nothing; a read-only target is reported and kept.
    trigger("SaveResultCsv1");
    work.write(QStringLiteral("locked.csv"), "keep me");
    QFile::setPermissions(work.path(QStringLiteral("locked.csv")), QFileDevice::ReadOwner);
    answerSave(QStringLiteral("locked.csv"));
    trigger("SaveResultCsv1");
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_TRUE(fake.messageTexts().first().contains(QStringLiteral("locked.csv")));
    EXPECT_EQ(work.read(QStringLiteral("locked.csv")), QByteArray("keep me"));
}

TEST_F(MainWindowExportsTest, SaveGraphAsAsksThePixelSizeOfAPng) {
    run();
    answerSave(QStringLiteral("graph.png"));
    // The size dialog: a person types the width and height and presses Enter.
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        for (const auto& [name, value] :
             {std::pair{"imageWidth", "640"}, std::pair{"imageHeight", "400"}}) {
            auto* spin = dialog->findChild<QSpinBox*>(QLatin1String(name));
            spin->selectAll();
            QTest::keyClicks(spin, QLatin1String(value));
        }
        QTest::keyClick(dialog, Qt::Key_Return);
    });
    window->graphPage()->contextMenu()->actions().first()->trigger();
    EXPECT_TRUE(fake.messages.empty()) << fake.messageTexts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(QImage(work.path(QStringLiteral("graph.png"))).size(), QSize(640, 400));

    answerSave(QStringLiteral("graph"), 1); // the SVG filter, no extension typed
    trigger("SaveGraphAs1");
    EXPECT_TRUE(work.read(QStringLiteral("graph.svg")).contains("<svg"));
}

TEST_F(MainWindowExportsTest, KeptRunsTakeTheNameOfTheSettingFileRetrieved) {
    run();
    ui::GraphPage* graph = window->graphPage();
    window->pageControl()->setCurrentWidget(graph->parentWidget());
    click(graph->keepButton());
    ASSERT_EQ(graph->keptRuns().count(), 1);
    EXPECT_EQ(graph->keptRuns().at(0).name, QStringLiteral("Example"));
    run();
    EXPECT_EQ(graph->keptRuns().count(), 1); // a new run keeps it
    EXPECT_TRUE(graph->keepButton()->isEnabled());
}

} // namespace
} // namespace orvek::test
