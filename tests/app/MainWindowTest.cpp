#include "WindowTestSupport.h"
#include "app/AboutBox.h"
#include "app/HelpWindow.h"
#include "basics/Errors.h"
#include "basics/FolderLock.h"
#include "windows/inputs/PageWidgets.h"
#include "windows/results/NumericalOutputPage.h"
#include "windows/results/TextMemo.h"

#include <QDir>
#include <QGroupBox>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTextBrowser>
#include <QWindow>

namespace orvek::test {

namespace {

class MainWindowTest : public WindowTest {
protected:
    void SetUp() override { start(); }

    QWidget* shownWindow(const char* name) const {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->objectName() == QLatin1String(name) && w->isVisible()) {
                return w;
            }
        }
        return nullptr;
    }
};

TEST_F(MainWindowTest, TheWindowHasItsTabsGroupsAndMenus) {
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Orvek C&N "));
    QTabWidget* tabs = window->pageControl();
    EXPECT_EQ(tabs->objectName(), QStringLiteral("PageControl1"));
    ASSERT_EQ(tabs->count(), 3);
    EXPECT_EQ(tabs->tabText(0), QStringLiteral(" Input setting "));
    EXPECT_EQ(tabs->tabText(1), QStringLiteral(" Numerical output"));
    EXPECT_EQ(tabs->tabText(2), QStringLiteral(" Graph "));
    EXPECT_EQ(tabs->widget(2)->objectName(), QStringLiteral("TabSheet3"));
    EXPECT_TRUE(tabs->isTabEnabled(0));
    EXPECT_FALSE(tabs->isTabEnabled(1));
    EXPECT_FALSE(tabs->isTabEnabled(2));
    EXPECT_FALSE(find<QPushButton>("BitBtn3")->isEnabled());
    EXPECT_FALSE(find<QProgressBar>("ProgressBar1")->isVisible());
    EXPECT_EQ(find<QProgressBar>("ProgressBar1")->maximum(), 1000);
    EXPECT_EQ(find<QPushButton>("BitBtn1")->text(), QStringLiteral("Run..."));
    EXPECT_EQ(find<QGroupBox>("GroupBox4")->title(), QStringLiteral("Output time step "));
    EXPECT_EQ(radio("RadioButton4")->text(), QStringLiteral("C && N"));
    EXPECT_TRUE(find<ui::TextMemo>("Memo1")->toPlainText().isEmpty());

    // Every control of the input page under its name.
    QStringList names = {QStringLiteral("StaticText1"), QStringLiteral("StaticText2"),
                         QStringLiteral("StaticText3"), QStringLiteral("StaticText4"),
                         QStringLiteral("StaticText5"), QStringLiteral("Button2"),
                         QStringLiteral("Button3"),     QStringLiteral("Button4"),
                         QStringLiteral("Button8"),     QStringLiteral("Label15")};
    for (int k = 2; k <= 11; ++k) {
        names << QStringLiteral("CheckBox%1").arg(k);
    }
    for (int k = 1; k <= 12; ++k) {
        names << QStringLiteral("DateTimePicker%1").arg(k) << QStringLiteral("ComboBox%1").arg(k);
    }
    for (int k = 4; k <= 27; ++k) {
        names << QStringLiteral("adpEdit%1").arg(k);
    }
    for (int k = 1; k <= 6; ++k) {
        names << QStringLiteral("RadioButton%1").arg(k);
    }
    for (const QString& name : names) {
        EXPECT_NE(window->findChild<QWidget*>(name), nullptr) << name.toStdString();
    }
    EXPECT_EQ(edit("adpEdit4")->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
    EXPECT_FALSE(date("DateTimePicker3")->calendarPopup());

    // The menus in their order, separators as empty entries.
    const std::vector<std::pair<QString, QStringList>> menus = {
        {QStringLiteral("Setting"),
         {QStringLiteral("Retrieve input settings"),
          QStringLiteral("Save input settings"),
          {},
          QStringLiteral("Reset all settings"),
          {},
          QStringLiteral("Options..."),
          {},
          QStringLiteral("Model parameters..."),
          {},
          QStringLiteral("Exit")}},
        {QStringLiteral("Save"),
         {QStringLiteral("Save numerical ouput as Excel file"), QString(),
          QStringLiteral("Save result as CSV..."), QStringLiteral("Save result as .xlsx..."),
          QStringLiteral("Save graph as...")}},
        {QStringLiteral("Print"),
         {QStringLiteral("Print graph"),
          QStringLiteral("Print numerical output"),
          {},
          QStringLiteral("Printer setup")}},
        {QStringLiteral("Utilities"),
         {QStringLiteral("Calculator"), QStringLiteral("Import weather...")}},
        {QStringLiteral("Help"),
         {QStringLiteral("User's instruction"),
          {},
          QStringLiteral("Reference on model formulation "),
          {},
          QStringLiteral("About the Orvek C&&N model")}}};
    const QList<QAction*> bar = window->menuBar()->actions();
    ASSERT_EQ(bar.size(), static_cast<qsizetype>(menus.size()));
    for (size_t i = 0; i < menus.size(); ++i) {
        EXPECT_EQ(bar[static_cast<qsizetype>(i)]->text(), menus[i].first);
        QStringList items;
        for (QAction* a : bar[static_cast<qsizetype>(i)]->menu()->actions()) {
            items << (a->isSeparator() ? QString() : a->text());
        }
        EXPECT_EQ(items, menus[i].second);
    }
    EXPECT_EQ(window->action("Retrieveinputsettings1")->shortcut(),
              QKeySequence(QStringLiteral("Ctrl+R")));
    EXPECT_EQ(window->action("Saveinputsettings1")->shortcut(),
              QKeySequence(QStringLiteral("Ctrl+S")));
    EXPECT_EQ(window->action("Exit1")->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));
    EXPECT_EQ(window->action("Usersinstruction1")->shortcut(), QKeySequence(QStringLiteral("F1")));
    for (const char* entry : {"Parameters1", "Savedetailedresult1"}) {
        EXPECT_TRUE(window->action(entry)->isEnabled()) << entry;
    }
    // Nothing to print before a run.
    for (const char* entry : {"Printgraph1", "Printdetailedresult1"}) {
        EXPECT_FALSE(window->action(entry)->isEnabled()) << entry;
    }
}

TEST_F(MainWindowTest, CaptionsReadExactlyAsGivenWithNothingAppended) {
    // The application has no display name of its own, which the desktop would append to every
    // caption ("Orvek C&N  - Orvek C&N"): the display name follows the application's name.
    const QString name = QCoreApplication::applicationName();
    EXPECT_EQ(name, QStringLiteral("Orvek C&N"));
    QCoreApplication::setApplicationName(QStringLiteral("probe"));
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QStringLiteral("probe"));
    QCoreApplication::setApplicationName(name);

    EXPECT_EQ(window->windowTitle(), QStringLiteral("Orvek C&N "));
    EXPECT_EQ(window->windowHandle()->title(), QStringLiteral("Orvek C&N "));
    trigger("Options1");
    QWidget* options = shownWindow("TForm3");
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(options->windowHandle()->title(), QStringLiteral("Options"));
    options->close();
    trigger("AboutOrvekCNmodel1");
    QWidget* about = shownWindow("TForm2");
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->windowHandle()->title(), QStringLiteral("About Orvek C&N model"));
    about->close();
    trigger("Parameters1");
    QWidget* parameters = shownWindow("Form4");
    ASSERT_NE(parameters, nullptr);
    EXPECT_EQ(parameters->windowHandle()->title(), QStringLiteral("Parameters"));
    parameters->close();
}

TEST_F(MainWindowTest, TheTabKeyFollowsTheReadingOrder) {
    const QStringList order = {QStringLiteral("RadioButton3"),    QStringLiteral("Button2"),
                               QStringLiteral("DateTimePicker1"), QStringLiteral("DateTimePicker2"),
                               QStringLiteral("RadioButton5"),    QStringLiteral("Button3"),
                               QStringLiteral("Button8"),         QStringLiteral("CheckBox2"),
                               QStringLiteral("DateTimePicker3"), QStringLiteral("ComboBox1"),
                               QStringLiteral("adpEdit4"),        QStringLiteral("adpEdit14"),
                               QStringLiteral("CheckBox3"),       QStringLiteral("adpEdit23"),
                               QStringLiteral("adpEdit24"),       QStringLiteral("adpEdit25"),
                               QStringLiteral("adpEdit26"),       QStringLiteral("adpEdit27"),
                               QStringLiteral("ComboBox11"),      QStringLiteral("ComboBox12"),
                               QStringLiteral("BitBtn1")};
    QStringList chain;
    QWidget* w = find<QWidget>("RadioButton3");
    for (int i = 0; i < 400 && w != nullptr; ++i, w = w->nextInFocusChain()) {
        if (order.contains(w->objectName()) && !chain.contains(w->objectName())) {
            chain << w->objectName();
        }
    }
    EXPECT_EQ(chain, order);
}

TEST_F(MainWindowTest, AFullRunFromThePageToTheMemo) {
    fake.openAnswers.push_back({work.path(QStringLiteral("milwaukee_1991_2020_daily.wth")), 0});
    click(find<QPushButton>("Button2"));
    date("DateTimePicker1")->setDate(ymd(2010, 1, 1));
    date("DateTimePicker2")->setDate(ymd(2011, 12, 31));
    click(check("CheckBox2"));
    type(edit("adpEdit4"), QStringLiteral("2.5"));
    type(edit("adpEdit14"), QStringLiteral("60"));
    list("ComboBox1")->setCurrentIndex(2);

    QString runCaption;
    QColor runColour;
    fake.onPause = [this, &runCaption, &runColour] {
        QPushButton* run = window->inputPage()->runButton();
        runCaption = run->text();
        runColour = run->palette().color(QPalette::ButtonText);
    };
    click(window->inputPage()->runButton());
    ASSERT_TRUE(fake.messages.empty()) << fake.messageTexts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(runCaption, QStringLiteral("It's done!"));
    EXPECT_EQ(runColour, QColor(0, 128, 0));
    EXPECT_EQ(fake.pausedMilliseconds, 1500);
    ASSERT_EQ(fake.beeps.size(), 1u);
    EXPECT_EQ(fake.beeps[0], BeepKind::Asterisk);
    QPushButton* run = window->inputPage()->runButton();
    EXPECT_EQ(run->text(), QStringLiteral("Run..."));
    EXPECT_EQ(run->palette().color(QPalette::ButtonText), QColor(Qt::red));
    EXPECT_FALSE(window->inputPage()->progressBar()->isVisible());

    EXPECT_TRUE(window->pageControl()->isTabEnabled(1));
    EXPECT_EQ(window->pageControl()->currentWidget(), window->outputPage());
    QGroupBox* step = find<QGroupBox>("GroupBox4");
    EXPECT_TRUE(step->isVisible());
    EXPECT_TRUE(step->isEnabled());
    const QStringList memo = find<ui::TextMemo>("Memo1")->toPlainText().split(QLatin1Char('\n'));
    ASSERT_GT(memo.size(), 735);
    EXPECT_TRUE(memo[4].startsWith(QStringLiteral("1/1/10\t1\t")));
    EXPECT_TRUE(memo[4 + 729].startsWith(QStringLiteral("12/31/11\t730\t")));
    const QString event = QStringLiteral("    1, %1, Legume residues (3), 2.5, 60")
                              .arg(ui::shortDateText(ui::toSerial(ymd(2010, 1, 1))));
    EXPECT_TRUE(memo.contains(event)) << memo.mid(735).join(QLatin1Char('\n')).toStdString();
    ASSERT_TRUE(window->lastRun().has_value());
    EXPECT_EQ(window->lastRun()->lastDAS, 730);
    EXPECT_FALSE(window->lastRun()->carbonOnly);
}

TEST_F(MainWindowTest, AFailedCheckLeavesThePreviousResultsAndMemo) {
    retrieve(work.path(QStringLiteral("Example.stg")));
    click(window->inputPage()->runButton());
    ASSERT_TRUE(fake.messages.empty());
    const QString memo = find<ui::TextMemo>("Memo1")->toPlainText();
    const QByteArray daily = work.read(QStringLiteral("ResultDaily.~"));
    window->pageControl()->setCurrentIndex(0);

    type(edit("adpEdit4"), QStringLiteral("0"));
    fake.beeps.clear();
    click(window->inputPage()->runButton());
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_EQ(fake.messages[0].text,
              QStringLiteral("Amount of C input or substrate C:N ratio not specified"));
    EXPECT_EQ(fake.messages[0].icon, ui::MessageIcon::Error);
    ASSERT_FALSE(fake.beeps.empty());
    EXPECT_EQ(fake.beeps.back(), BeepKind::Hand);
    EXPECT_EQ(find<ui::TextMemo>("Memo1")->toPlainText(), memo);
    EXPECT_EQ(work.read(QStringLiteral("ResultDaily.~")), daily);
    EXPECT_EQ(window->pageControl()->currentIndex(), 0);
    EXPECT_EQ(window->lastRun()->lastDAS, 1826);

    // A run error (a weather file gone since it was chosen) is shown and changes nothing either.
    type(edit("adpEdit4"), QStringLiteral("2.5"));
    QFile::remove(work.path(QStringLiteral("milwaukee_1991_2020_daily.wth")));
    click(window->inputPage()->runButton());
    EXPECT_EQ(fake.messages.size(), 2u);
    EXPECT_EQ(work.read(QStringLiteral("ResultDaily.~")), daily);
    EXPECT_FALSE(window->inputPage()->progressBar()->isVisible());
}

TEST_F(MainWindowTest, TheAboutBoxLocksTheMainWindowUntilItClosesHoweverItCloses) {
    work.copyBundled("Option.Orvek");
    trigger("AboutOrvekCNmodel1");
    auto* about = qobject_cast<ui::TForm2*>(shownWindow("TForm2"));
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->windowTitle(), QStringLiteral("About Orvek C&N model"));
    EXPECT_EQ(about->size(), QSize(590, 521));
    EXPECT_FALSE(window->isEnabled());
    EXPECT_TRUE(
        about->textArea(1)->toPlainText().contains(QStringLiteral("the Orvek C&N developers")));
    EXPECT_TRUE(about->textArea(2)->toPlainText().startsWith(
        QStringLiteral("For more information contact:")));
    // It credits the developers and shows no invented address.
    EXPECT_TRUE(
        about->textArea(2)->toPlainText().contains(QStringLiteral("The Orvek C&N developers")));
    for (int k = 1; k <= 3; ++k) {
        EXPECT_FALSE(about->textArea(k)->toPlainText().contains(QStringLiteral("example."))) << k;
        EXPECT_FALSE(about->textArea(k)->toPlainText().contains(QStringLiteral("http"))) << k;
    }
    EXPECT_TRUE(about->textArea(3)->toPlainText().startsWith(QStringLiteral("DISCLAIMER")));

    // Clicking and typing in a text area neither closes the box nor shows a caret.
    QPlainTextEdit* area = about->textArea(1);
    const QString text = area->toPlainText();
    QTest::mouseClick(area->viewport(), Qt::LeftButton);
    QTest::keyClick(area, Qt::Key_A);
    EXPECT_TRUE(about->isVisible());
    EXPECT_FALSE(area->hasFocus());
    EXPECT_EQ(area->cursorWidth(), 0);
    EXPECT_EQ(area->toPlainText(), text);

    // The main window takes no input meanwhile: no second window can be opened from it.
    QTest::keyClick(window.get(), Qt::Key_R, Qt::ControlModifier);
    EXPECT_TRUE(fake.openRequests.empty());

    QTest::keyClick(about, Qt::Key_Escape);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(shownWindow("TForm2"), nullptr);
    EXPECT_TRUE(window->isEnabled());

    trigger("AboutOrvekCNmodel1");
    ASSERT_NE(shownWindow("TForm2"), nullptr);
    shownWindow("TForm2")->close(); // the window's close box
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window->isEnabled());

    trigger("AboutOrvekCNmodel1");
    click(shownWindow("TForm2")->findChild<QPushButton*>(QStringLiteral("Button1")));
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(shownWindow("TForm2"), nullptr);
    EXPECT_TRUE(window->isEnabled());
}

TEST_F(MainWindowTest, UtilitiesAndHelpGoThroughTheDesktop) {
    fake.calculatorFound = false;
    trigger("Calculator1");
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_EQ(fake.messages[0].text, QStringLiteral("Sorry, MS calculator is not found."));
    EXPECT_EQ(fake.beeps, std::vector<BeepKind>{BeepKind::Hand});
    fake.calculatorFound = true;
    trigger("Calculator1");
    EXPECT_EQ(fake.calculatorStarts, 2);
    EXPECT_EQ(fake.messages.size(), 1u);

    trigger("Derivationandvalidationofmodelformulation1");
    ASSERT_EQ(fake.openedDocuments.size(), 1u);
    EXPECT_EQ(fake.openedDocuments[0], work.path(QStringLiteral("Orvek model formulation.html")));

    trigger("Printersetup1");
    EXPECT_EQ(fake.pageSetups, 1);

    trigger("Usersinstruction1"); // no guide in this folder
    EXPECT_EQ(fake.messages.size(), 2u);
    QDir().mkpath(work.path(QStringLiteral("help")));
    work.write(QStringLiteral("help/index.html"), "<html><body><h1>Guide</h1></body></html>");
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_F1);
    auto* help = qobject_cast<ui::HelpWindow*>(shownWindow("HelpWindow"));
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->browser()->toPlainText().contains(QStringLiteral("Guide")));
    EXPECT_TRUE(window->isEnabled());
    help->close();
}

TEST_F(MainWindowTest, ExitRemovesTheWorkingFiles) {
    retrieve(work.path(QStringLiteral("Example.stg")));
    click(window->inputPage()->runButton());
    ASSERT_TRUE(work.exists(QStringLiteral("ResultDaily.~")));
    trigger("Exit1");
    EXPECT_FALSE(window->isVisible());
    for (const char* name : {"ResultDaily.~", "ResultMonthly.~", "ResultDailyForMemo.~",
                             "ResultMonthlyForMemo.~", "SettingRecord.~"}) {
        EXPECT_FALSE(work.exists(QString::fromLatin1(name))) << name;
    }
    EXPECT_TRUE(work.exists(QStringLiteral("Example.stg")));
}

// The window holds its start folder for its whole session; a second one started there says so
// and closes without touching the first one's files.
TEST_F(WindowTest, ASecondWindowOnTheSameFolderSaysItIsInUseAndCloses) {
    work.write(QStringLiteral("ResultDaily.~"), "the other window's results");
    std::string folder = work.folder();
    folder.pop_back();
    {
        const FolderLock other(work.folder());
        start();
        EXPECT_FALSE(window->ownsStartFolder());
        ASSERT_FALSE(fake.messages.empty());
        EXPECT_EQ(
            fake.messages.back().text,
            QString::fromStdString("Folder '" + folder + "' is in use by another Orvek C&N run."));
        EXPECT_EQ(fake.messages.back().icon, ui::MessageIcon::Error);
        EXPECT_TRUE(QTest::qWaitFor([this] { return !window->isVisible(); }, 2000));
        EXPECT_EQ(work.read(QStringLiteral("ResultDaily.~")), "the other window's results");
        window.reset();
    }
    // The first window's session has ended: the next one takes the folder.
    start();
    EXPECT_TRUE(window->ownsStartFolder());
    EXPECT_THROW(FolderLock(work.folder(), std::chrono::milliseconds(100)), OrvekError);
}

} // namespace

} // namespace orvek::test
