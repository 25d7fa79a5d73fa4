// Runs in the real window work on a thread of their own: the window keeps painting and the
// progress bar moves while a long run works, input stays blocked, closing the window during a
// run asks whether to stop it, and a stopped run leaves the previous result files as they were.

#include "TestFolder.h"
#include "WindowTestSupport.h"
#include "basics/Text.h"
#include "formats/PageState.h"
#include "run/RunPipeline.h"
#include "windows/inputs/PageWidgets.h"
#include "windows/results/NumericalOutputPage.h"
#include "windows/results/TextMemo.h"

#include <QProgressBar>
#include <QSet>
#include <QTimer>

#include <map>

namespace orvek::test {

namespace {

const char* const kResultFiles[] = {"ResultDaily.~", "ResultMonthly.~", "ResultDailyForMemo.~",
                                    "ResultMonthlyForMemo.~", "SettingRecord.~"};
const QString kStopQuestion = QStringLiteral("A run is in progress.\nDo you want to stop it?");

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
        }
        return false;
    }
};

class MainWindowRunThreadTest : public WindowTest {
protected:
    void SetUp() override {
        start();
        writeMillennium();
    }

    // A thousand years of daily weather, 2001 to 3000, each year copied from an observed year
    // of the same length.
    void writeMillennium() const {
        const QList<QByteArray> lines =
            work.read(QStringLiteral("milwaukee_1991_2020_daily.wth")).split('\n');
        QByteArray out;
        QList<QByteArray> common;
        QList<QByteArray> leap;
        for (qsizetype i = 0; i < lines.size(); ++i) {
            if (i < 4) {
                out += lines[i] + '\n';
            } else if (lines[i].startsWith("1991\t")) {
                common << lines[i].mid(4);
            } else if (lines[i].startsWith("1992\t")) {
                leap << lines[i].mid(4);
            }
        }
        ASSERT_EQ(common.size(), 365);
        ASSERT_EQ(leap.size(), 366);
        for (int year = 2001; year <= 3000; ++year) {
            for (const QByteArray& rest : QDate::isLeapYear(year) ? leap : common) {
                out += QByteArray::number(year) + rest + '\n';
            }
        }
        work.write(QStringLiteral("millennium.wth"), out);
    }
    // The example's settings on that weather, from its start (1 January 2005) to the end of
    // lastYear.
    void retrieveRunTo(int lastYear) {
        std::vector<std::string> stg =
            splitLines(work.read(QStringLiteral("Example.stg")).toStdString());
        stg[1] = "millennium.wth";
        stg[4] = "1/1/01 - 12/31/00";
        stg[6] = std::to_string(ui::toSerial(ymd(lastYear, 12, 31)));
        std::string text;
        for (const std::string& line : stg) {
            text += line + "\r\n";
        }
        work.write(QStringLiteral("long.stg"), QByteArray::fromStdString(text));
        retrieve(work.path(QStringLiteral("long.stg")));
        ASSERT_TRUE(fake.messages.empty());
    }
    std::map<QString, QByteArray> results() const {
        std::map<QString, QByteArray> files;
        for (const char* name : kResultFiles) {
            files[QString::fromLatin1(name)] = work.read(QString::fromLatin1(name));
        }
        return files;
    }
    void runFromThePage() {
        window->pageControl()->setCurrentIndex(0);
        click(window->inputPage()->runButton());
    }
    // A close request as the window's close box makes it, once the run is under way.
    void closeDuringTheRun() {
        QTimer::singleShot(0, window.get(), [this] { window->close(); });
    }
};

TEST_F(MainWindowRunThreadTest, TheBarMovesAndTheWindowPaintsWhileInputStaysBlocked) {
    retrieveRunTo(3000);
    QProgressBar* bar = window->inputPage()->progressBar();
    QCheckBox* row = check("CheckBox3");
    const bool rowChecked = row->isChecked();
    const PaintCounter painted(bar);
    QSet<int> positions;
    bool closed = false;
    bool clicked = false;
    QTimer watch;
    watch.setInterval(10);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (bar->isVisible()) {
            positions.insert(bar->value());
        }
        if (!clicked && !positions.isEmpty()) {
            clicked = true;
            click(row); // dropped: the page takes no input while the run works
        }
        if (!closed && positions.size() >= 5) {
            closed = true;
            window->close();
        }
    });
    fake.yesNoCancelAnswers.push_back(ui::Answer::Yes);
    watch.start();
    runFromThePage();
    watch.stop();

    EXPECT_GE(positions.size(), 5); // the bar moved while the run worked
    EXPECT_GE(painted.paints, 2);   // and was painted meanwhile
    EXPECT_TRUE(clicked);
    EXPECT_EQ(row->isChecked(), rowChecked);
    EXPECT_EQ(fake.questions, std::vector<QString>{kStopQuestion});
    EXPECT_TRUE(fake.messages.empty());
    EXPECT_FALSE(bar->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([this] { return !window->isVisible(); }));
}

TEST_F(MainWindowRunThreadTest, StoppingARunLeavesThePreviousResultFilesAndClosesTheWindow) {
    retrieveRunTo(2009);
    runFromThePage();
    ASSERT_TRUE(fake.messages.empty()) << fake.messageTexts().join(QLatin1Char('|')).toStdString();
    const auto before = results();
    ASSERT_FALSE(before.at(QStringLiteral("ResultDaily.~")).isEmpty());
    const QString memo = find<ui::TextMemo>("Memo1")->toPlainText();
    fake.beeps.clear();

    retrieveRunTo(3000);
    fake.yesNoCancelAnswers.push_back(ui::Answer::Yes);
    closeDuringTheRun();
    runFromThePage();
    EXPECT_EQ(fake.questions, std::vector<QString>{kStopQuestion});
    // Compared before the window closes, which clears its working files away.
    EXPECT_EQ(results(), before);
    EXPECT_EQ(find<ui::TextMemo>("Memo1")->toPlainText(), memo);
    EXPECT_EQ(window->lastRun()->lastDAS, 1826);
    EXPECT_TRUE(fake.messages.empty());
    EXPECT_TRUE(fake.beeps.empty()); // no "It's done!" for a stopped run
    EXPECT_EQ(fake.pausedMilliseconds, 1500);
    EXPECT_TRUE(QTest::qWaitFor([this] { return !window->isVisible(); }));
}

TEST_F(MainWindowRunThreadTest, DecliningToStopLetsTheRunFinishAndKeepsTheWindowOpen) {
    retrieveRunTo(2009);
    fake.yesNoCancelAnswers.push_back(ui::Answer::No);
    closeDuringTheRun();
    runFromThePage();
    EXPECT_EQ(fake.questions, std::vector<QString>{kStopQuestion});
    ASSERT_TRUE(window->lastRun().has_value());
    EXPECT_EQ(window->lastRun()->lastDAS, 1826);
    EXPECT_EQ(window->pageControl()->currentWidget(), window->outputPage());
    QTest::qWait(50);
    EXPECT_TRUE(window->isVisible());

    // Cancel lets the run finish too; once no run works, closing asks nothing.
    fake.questions.clear();
    fake.yesNoCancelAnswers.push_back(ui::Answer::Cancel);
    closeDuringTheRun();
    runFromThePage();
    EXPECT_EQ(fake.questions.size(), 1u);
    EXPECT_EQ(window->lastRun()->lastDAS, 1826);
    window->close();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(fake.questions.size(), 1u); // no run: closed without a question
}

TEST_F(MainWindowRunThreadTest, ARunOnItsThreadWritesWhatTheEngineWrites) {
    retrieve(work.path(QStringLiteral("Example.stg")));
    runFromThePage();
    ASSERT_TRUE(fake.messages.empty());

    TestFolder direct;
    direct.copyStandardFiles();
    RunEnvironment env;
    env.startFolder = direct.path();
    env.decimalSeparator = ui::localeDecimalSeparator();
    env.formats.shortDate = [](DateSerial d) { return ui::shortDateText(d).toStdString(); };
    ASSERT_TRUE(performRun(window->inputPage()->pageState(), env).ok);
    // The setting record carries the time of its run; the tables must match byte for byte.
    for (const char* name :
         {"ResultDaily.~", "ResultMonthly.~", "ResultDailyForMemo.~", "ResultMonthlyForMemo.~"}) {
        EXPECT_EQ(work.read(QString::fromLatin1(name)).toStdString(), direct.read(name)) << name;
    }
}

} // namespace

} // namespace orvek::test
