#include "WindowTestSupport.h"
#include "basics/Text.h"
#include "windows/inputs/OptionsDialog.h"

#include <QCheckBox>
#include <QDir>
#include <QPushButton>

namespace orvek::test {

namespace {

using StartUpTest = WindowTest;

ui::TForm3* openOptions(ui::TForm1& window) {
    window.action("Options1")->trigger();
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<ui::TForm3*>(w); dialog != nullptr && dialog->isVisible()) {
            return dialog;
        }
    }
    return nullptr;
}

template <typename T> T* in(QWidget* dialog, const char* name) {
    T* w = dialog->findChild<T*>(QLatin1String(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

TEST_F(StartUpTest, LeftoverWorkingFilesGoButHiddenFilesStay) {
    work.write(QStringLiteral("~x.xls"), "lock");
    work.write(QStringLiteral(".~y.xls"), "hidden");
    work.write(QStringLiteral("DailyWth.~"), "old");
    work.write(QStringLiteral("ResultDaily.~"), "old");
    work.write(QStringLiteral("keep.xls"), "mine");
    start();
    EXPECT_FALSE(work.exists(QStringLiteral("~x.xls")));
    EXPECT_FALSE(work.exists(QStringLiteral("DailyWth.~")));
    EXPECT_FALSE(work.exists(QStringLiteral("ResultDaily.~")));
    EXPECT_TRUE(work.exists(QStringLiteral(".~y.xls")));
    EXPECT_TRUE(work.exists(QStringLiteral("keep.xls")));
    EXPECT_TRUE(fake.messages.empty());

    EXPECT_EQ(window->programValues().startFolder, work.folder());
    EXPECT_EQ(window->pageControl()->currentIndex(), 0);
    EXPECT_EQ(list("ComboBox10")->count(), 6);
    EXPECT_EQ(list("ComboBox10")->itemText(5), QStringLiteral("Animal manures"));
    EXPECT_EQ(list("ComboBox10")->currentIndex(), -1);
    EXPECT_TRUE(radio("RadioButton4")->isChecked());
    EXPECT_EQ(date("DateTimePicker1")->date(), ymd(2005, 1, 1));
    EXPECT_EQ(edit("adpEdit27")->text(), QStringLiteral("40"));
    EXPECT_EQ(list("ComboBox11")->currentIndex(), 1);

    // Closing removes the working files again.
    work.write(QStringLiteral("ResultMonthly.~"), "run");
    window->close();
    EXPECT_FALSE(work.exists(QStringLiteral("ResultMonthly.~")));
}

TEST_F(StartUpTest, ASubstrateListWithSevenLinesOffersSevenEntries) {
    work.write(QStringLiteral("Substrates.Orvek"), "a\r\nb\r\nc\r\nd\r\ne\r\nf\r\ng\r\n\r\n");
    start();
    for (int k = 1; k <= 10; ++k) {
        EXPECT_EQ(list(("ComboBox" + std::to_string(k)).c_str())->count(), 7);
    }
}

TEST_F(StartUpTest, AMissingSubstrateListStopsTheStartUpButTheWindowOpens) {
    QFile::remove(work.path(QStringLiteral("Substrates.Orvek")));
    start();
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_TRUE(fake.messages[0].text.startsWith(QStringLiteral("Cannot open file")));
    EXPECT_EQ(list("ComboBox1")->count(), 0);
    EXPECT_TRUE(edit("adpEdit24")->text().isEmpty()); // the defaults were not applied
    EXPECT_TRUE(window->isVisible());
}

TEST_F(StartUpTest, AMissingOptionsFileIsReported) {
    QFile::remove(work.path(QStringLiteral("Option.Orvek")));
    start();
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_EQ(fake.messages[0].text, QStringLiteral("File not found"));
    EXPECT_EQ(list("ComboBox1")->count(), 6);
}

TEST_F(StartUpTest, AFolderThatNoLongerExistsFallsBackToTheStartFolder) {
    work.write(QStringLiteral("Option.Orvek"),
               "Y\r\n38353\r\n10\r\n1.2\r\n20\r\n30\r\n0\r\n0\r\nN\r\n/no/such/weather\r\n\r\n");
    start();
    EXPECT_TRUE(radio("RadioButton3")->isChecked());
    click(find<QPushButton>("Button2"));
    ASSERT_EQ(fake.openRequests.size(), 1u);
    EXPECT_EQ(fake.openRequests[0].initialFolder, QString::fromStdString(work.folder()));
    EXPECT_EQ(window->programValues().workingFolder, work.folder());
}

TEST_F(StartUpTest, OptionsOkWithUpdateNowAppliesTheDefaultsAtOnce) {
    work.write(QStringLiteral("Option.Orvek"),
               "Y\r\n38353\r\n10\r\n1.2\r\n20\r\n30\r\n0\r\n0\r\nN\r\n\r\n\r\n");
    start();
    QDir().mkpath(work.path(QStringLiteral("weather")));
    ui::TForm3* dialog = openOptions(*window);
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(window->isEnabled());
    EXPECT_TRUE(in<QRadioButton>(dialog, "RadioButton3")->isChecked());
    EXPECT_EQ(in<QLineEdit>(dialog, "Edit4")->text(), QStringLiteral("10"));

    click(in<QRadioButton>(dialog, "RadioButton4"));
    type(in<QLineEdit>(dialog, "Edit4"), QStringLiteral("12"));
    fake.folderAnswers.push_back(work.path(QStringLiteral("weather")));
    click(in<QPushButton>(dialog, "Button3"));
    EXPECT_EQ(in<QLineEdit>(dialog, "Edit8")->text(), work.path(QStringLiteral("weather")));
    in<QComboBox>(dialog, "ComboBox1")->setCurrentIndex(2);
    click(in<QPushButton>(dialog, "Button1"));
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    EXPECT_TRUE(window->isEnabled());
    const std::vector<std::string> lines =
        splitLines(work.read(QStringLiteral("Option.Orvek")).toStdString());
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines[0], "N");
    EXPECT_EQ(lines[1], "38353");
    EXPECT_EQ(lines[2], "12");
    EXPECT_EQ(lines[6], "2");
    EXPECT_EQ(lines[9], work.path(QStringLiteral("weather")).toStdString());
    EXPECT_EQ(lines[10], "");

    EXPECT_TRUE(radio("RadioButton4")->isChecked());
    EXPECT_TRUE(edit("adpEdit27")->isEnabled());
    EXPECT_EQ(edit("adpEdit24")->text(), QStringLiteral("12"));
    EXPECT_EQ(list("ComboBox11")->currentIndex(), 2);
    click(find<QPushButton>("Button2"));
    EXPECT_EQ(fake.openRequests.back().initialFolder, work.path(QStringLiteral("weather/")));
}

TEST_F(StartUpTest, OptionsOkWithoutUpdateNowChangesOnlyTheFolders) {
    start();
    QDir().mkpath(work.path(QStringLiteral("mine")));
    ui::TForm3* dialog = openOptions(*window);
    ASSERT_NE(dialog, nullptr);
    type(in<QLineEdit>(dialog, "Edit4"), QStringLiteral("99"));
    type(in<QLineEdit>(dialog, "Edit1"), work.path(QStringLiteral("mine")));
    click(in<QCheckBox>(dialog, "CheckBox1"));
    click(in<QPushButton>(dialog, "Button1"));
    EXPECT_TRUE(window->isEnabled());
    EXPECT_EQ(edit("adpEdit24")->text(), QStringLiteral("12.5"));
    trigger("Saveinputsettings1");
    EXPECT_EQ(fake.saveRequests.back().initialFolder, work.path(QStringLiteral("mine/")));

    // A blank folder text names no folder: the user's documents are used (the work folder
    // stands for them in these tests).
    dialog = openOptions(*window);
    ASSERT_NE(dialog, nullptr);
    type(in<QLineEdit>(dialog, "Edit1"), QStringLiteral("  "));
    click(in<QPushButton>(dialog, "Button1"));
    EXPECT_EQ(window->programValues().workingFolder, work.folder());
}

TEST_F(StartUpTest, ConfirmingTheOptionsUnchangedKeepsTheWeatherFileInUse) {
    start();
    retrieve(work.path(QStringLiteral("Example.stg")));
    QDir().mkpath(work.path(QStringLiteral("elsewhere")));
    const QString weather = work.path(QStringLiteral("elsewhere/milwaukee_1991_2020_daily.wth"));
    ASSERT_TRUE(QFile::copy(work.path(QStringLiteral("milwaukee_1991_2020_daily.wth")), weather));
    fake.openAnswers.push_back({weather, 0});
    click(find<QPushButton>("Button2"));
    const auto runOnce = [this] {
        window->pageControl()->setCurrentIndex(0);
        fake.messages.clear();
        click(window->inputPage()->runButton());
        return fake.messageTexts().join(QLatin1Char('|'));
    };
    ASSERT_EQ(runOnce(), QString());

    // OK with "Update now" ticked, then unticked, nothing else changed: the same file runs.
    for (const bool updateNow : {true, false}) {
        ui::TForm3* dialog = openOptions(*window);
        ASSERT_NE(dialog, nullptr);
        if (!updateNow) {
            click(in<QCheckBox>(dialog, "CheckBox1"));
        }
        click(in<QPushButton>(dialog, "Button1"));
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(box("StaticText3")->text(), QStringLiteral("milwaukee_1991_2020_daily.wth"));
        EXPECT_EQ(runOnce(), QString()) << updateNow;
    }
    // A setting file saved now names the file that exists.
    fake.saveAnswers.push_back({work.path(QStringLiteral("saved.stg")), 0});
    trigger("Saveinputsettings1");
    const std::vector<std::string> lines =
        splitLines(work.read(QStringLiteral("saved.stg")).toStdString());
    ASSERT_GT(lines.size(), 2u);
    EXPECT_EQ(lines[1], weather.toStdString());

    // A weather folder the user changes is the folder the next run looks in.
    QDir().mkpath(work.path(QStringLiteral("empty")));
    ui::TForm3* dialog = openOptions(*window);
    ASSERT_NE(dialog, nullptr);
    type(in<QLineEdit>(dialog, "Edit8"), work.path(QStringLiteral("empty")));
    click(in<QPushButton>(dialog, "Button1"));
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(runOnce(), QStringLiteral("Weather file not specified or not found!"));
}

TEST_F(StartUpTest, TheSaveDialogOpensInAWorkingFolderChangedInOptions) {
    start();
    fake.saveAnswers.push_back({work.path(QStringLiteral("first.stg")), 0});
    trigger("Saveinputsettings1");
    ASSERT_TRUE(work.exists(QStringLiteral("first.stg")));
    QDir().mkpath(work.path(QStringLiteral("mine")));
    ui::TForm3* dialog = openOptions(*window);
    ASSERT_NE(dialog, nullptr);
    type(in<QLineEdit>(dialog, "Edit1"), work.path(QStringLiteral("mine")));
    click(in<QPushButton>(dialog, "Button1"));
    trigger("Saveinputsettings1");
    ASSERT_EQ(fake.saveRequests.size(), 2u);
    // The name last used is proposed without the folder it was saved in.
    EXPECT_EQ(fake.saveRequests[1].initialFolder, work.path(QStringLiteral("mine/")));
    EXPECT_EQ(fake.saveRequests[1].fileName, QStringLiteral("first.stg"));
}

TEST_F(StartUpTest, OptionsCancelWritesNothing) {
    start();
    const QByteArray before = work.read(QStringLiteral("Option.Orvek"));
    ui::TForm3* dialog = openOptions(*window);
    ASSERT_NE(dialog, nullptr);
    type(in<QLineEdit>(dialog, "Edit4"), QStringLiteral("99"));
    click(in<QPushButton>(dialog, "Button2"));
    EXPECT_TRUE(window->isEnabled());
    EXPECT_EQ(work.read(QStringLiteral("Option.Orvek")), before);

    // Closing with the window's close box enables the main window as well.
    dialog = openOptions(*window);
    ASSERT_NE(dialog, nullptr);
    dialog->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window->isEnabled());
}

TEST_F(StartUpTest, AnOptionsFileThatCannotBeWrittenKeepsTheDialogOpen) {
    start();
    QFile::remove(work.path(QStringLiteral("Option.Orvek")));
    QDir().mkpath(work.path(QStringLiteral("Option.Orvek")));
    ui::TForm3* dialog = openOptions(*window);
    ASSERT_NE(dialog, nullptr);
    ASSERT_EQ(fake.messages.size(), 1u); // reading failed: design values shown
    EXPECT_FALSE(in<QRadioButton>(dialog, "RadioButton3")->isChecked());
    EXPECT_FALSE(in<QRadioButton>(dialog, "RadioButton4")->isChecked());
    EXPECT_EQ(in<QDateEdit>(dialog, "DateTimePicker1")->date(), ymd(2005, 1, 11));
    click(in<QPushButton>(dialog, "Button1"));
    EXPECT_EQ(fake.messages.size(), 2u);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(window->isEnabled());
    dialog->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window->isEnabled());
}

} // namespace

} // namespace orvek::test
