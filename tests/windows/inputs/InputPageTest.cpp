#include "WindowTestSupport.h"
#include "windows/inputs/PageWidgets.h"

#include <QDir>
#include <QGroupBox>
#include <QPushButton>

namespace orvek::test {

namespace {

class InputPageTest : public WindowTest {
protected:
    void SetUp() override { start(); }

    bool white(QWidget* w) const { return ui::fieldColour(w) == ui::enabledFieldColour(); }
    bool grey(QWidget* w) const { return ui::fieldColour(w) == ui::disabledFieldColour(); }

    // The four value controls of a row (1..10) are enabled and white, or disabled and grey.
    void expectRow(int row, bool enabled, bool cnEnabled) const {
        const std::string n = std::to_string(row);
        QWidget* type = list(("ComboBox" + n).c_str());
        QWidget* c = edit(("adpEdit" + std::to_string(row + 3)).c_str());
        QWidget* cn = edit(("adpEdit" + std::to_string(row + 13)).c_str());
        QWidget* d = date(("DateTimePicker" + std::to_string(row + 2)).c_str());
        for (QWidget* w : {type, c, d}) {
            EXPECT_EQ(w->isEnabled(), enabled)
                << "row " << row << " " << w->objectName().toStdString();
            EXPECT_TRUE(enabled ? white(w) : grey(w)) << "row " << row;
        }
        EXPECT_EQ(cn->isEnabled(), cnEnabled) << "row " << row;
        EXPECT_TRUE(cnEnabled ? white(cn) : grey(cn)) << "row " << row;
    }
};

TEST_F(InputPageTest, CheckedRowsTakeTheirDatesFromTheStartTheRowAboveAndTheEnd) {
    // The bundled options choose C & N; every row starts unchecked and grey.
    for (int row = 1; row <= 10; ++row) {
        expectRow(row, false, false);
    }
    date("DateTimePicker1")->setDate(ymd(2005, 3, 1));
    date("DateTimePicker2")->setDate(ymd(2007, 1, 15));

    click(check("CheckBox2"));
    expectRow(1, true, true);
    EXPECT_EQ(date("DateTimePicker3")->date(), ymd(2005, 3, 1));
    EXPECT_EQ(list("ComboBox1")->currentIndex(), 0);

    // Row 3 follows row 2's field even though row 2 is unchecked.
    click(check("CheckBox4"));
    EXPECT_EQ(date("DateTimePicker5")->date(), ymd(2006, 1, 1));
    click(check("CheckBox3"));
    EXPECT_EQ(date("DateTimePicker4")->date(), ymd(2006, 3, 1)); // day 60 of 2005 in 2006

    // A date past the end takes the end date.
    date("DateTimePicker5")->setDate(ymd(2006, 6, 30));
    click(check("CheckBox5"));
    EXPECT_EQ(date("DateTimePicker6")->date(), ymd(2007, 1, 15));

    // Moving the start or end afterwards leaves checked rows alone.
    date("DateTimePicker1")->setDate(ymd(2005, 2, 1));
    date("DateTimePicker2")->setDate(ymd(2010, 1, 1));
    EXPECT_EQ(date("DateTimePicker3")->date(), ymd(2005, 3, 1));
    EXPECT_EQ(date("DateTimePicker6")->date(), ymd(2007, 1, 15));
}

TEST_F(InputPageTest, LeapDaysMoveToTheSameDayNumberOrTheLastDayOfTheNextYear) {
    date("DateTimePicker2")->setDate(ymd(2020, 12, 31));
    date("DateTimePicker3")->setDate(ymd(2008, 2, 29));
    click(check("CheckBox3"));
    EXPECT_EQ(date("DateTimePicker4")->date(), ymd(2009, 3, 1)); // day 60
    date("DateTimePicker4")->setDate(ymd(2012, 12, 31));         // day 366
    click(check("CheckBox4"));
    EXPECT_EQ(date("DateTimePicker5")->date(), ymd(2013, 12, 31));
}

TEST_F(InputPageTest, UncheckingKeepsTextsAndRecheckingResetsTheType) {
    click(check("CheckBox2"));
    type(edit("adpEdit4"), QStringLiteral("2.5"));
    type(edit("adpEdit14"), QStringLiteral("80"));
    list("ComboBox1")->setCurrentIndex(3);
    click(check("CheckBox2"));
    expectRow(1, false, false);
    EXPECT_EQ(edit("adpEdit4")->text(), QStringLiteral("2.5"));
    EXPECT_EQ(list("ComboBox1")->currentIndex(), 3);
    click(check("CheckBox2"));
    expectRow(1, true, true);
    EXPECT_EQ(edit("adpEdit4")->text(), QStringLiteral("2.5"));
    EXPECT_EQ(edit("adpEdit14")->text(), QStringLiteral("80"));
    EXPECT_EQ(list("ComboBox1")->currentIndex(), 0);
}

TEST_F(InputPageTest, TheModeGovernsNminAndTheRatiosOfCheckedRowsOnly) {
    QLabel* nminLabel = box("Label15");
    click(radio("RadioButton3")); // C only
    EXPECT_FALSE(nminLabel->isEnabled());
    EXPECT_FALSE(edit("adpEdit27")->isEnabled());
    EXPECT_TRUE(grey(edit("adpEdit27")));
    click(check("CheckBox2"));
    expectRow(1, true, false);

    click(radio("RadioButton4")); // C & N
    EXPECT_TRUE(nminLabel->isEnabled());
    EXPECT_TRUE(edit("adpEdit27")->isEnabled());
    EXPECT_TRUE(white(edit("adpEdit27")));
    expectRow(1, true, true);
    expectRow(2, false, false);

    click(radio("RadioButton3"));
    expectRow(1, true, false);
}

TEST_F(InputPageTest, EventsFromAWorkbookUncheckAndLockTheRows) {
    QLabel* name = box("StaticText1");
    EXPECT_FALSE(name->isVisible());
    for (const char* b : {"Button3", "Button4", "Button8"}) {
        EXPECT_FALSE(find<QPushButton>(b)->isEnabled());
    }
    click(check("CheckBox2"));
    click(check("CheckBox3"));
    click(radio("RadioButton6"));
    EXPECT_TRUE(name->isVisible());
    EXPECT_TRUE(name->isEnabled());
    EXPECT_TRUE(white(name));
    for (const char* b : {"Button3", "Button4", "Button8"}) {
        EXPECT_TRUE(find<QPushButton>(b)->isEnabled());
    }
    for (int row = 1; row <= 10; ++row) {
        QCheckBox* box = check(("CheckBox" + std::to_string(row + 1)).c_str());
        EXPECT_FALSE(box->isChecked());
        EXPECT_FALSE(box->isEnabled());
        expectRow(row, false, false);
    }
    click(radio("RadioButton5"));
    EXPECT_FALSE(name->isVisible());
    for (int row = 1; row <= 10; ++row) {
        QCheckBox* box = check(("CheckBox" + std::to_string(row + 1)).c_str());
        EXPECT_TRUE(box->isEnabled());
        EXPECT_FALSE(box->isChecked());
    }
}

TEST_F(InputPageTest, TheSoilStockFollowsEveryKeystroke) {
    QLabel* stock = box("StaticText4");
    EXPECT_EQ(stock->text(), QStringLiteral("50.625")); // the bundled defaults
    type(edit("adpEdit24"), QStringLiteral("10"));
    type(edit("adpEdit25"), QStringLiteral("1.3"));
    type(edit("adpEdit26"), QStringLiteral("20"));
    EXPECT_EQ(stock->text(), QStringLiteral("26"));

    type(edit("adpEdit26"), QString()); // cleared: empty while edited, the stock as it was
    EXPECT_EQ(edit("adpEdit26")->text(), QString());
    EXPECT_EQ(stock->text(), QStringLiteral("26"));
    EXPECT_TRUE(fake.messages.empty());

    type(edit("adpEdit26"), QStringLiteral("x"));
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_EQ(fake.messages[0].text, QStringLiteral("'x' is not a valid floating point value"));
    EXPECT_EQ(fake.messages[0].icon, ui::MessageIcon::Error);
    EXPECT_EQ(stock->text(), QStringLiteral("26"));
    EXPECT_TRUE(window->isVisible());
}

TEST_F(InputPageTest, ChoosingAWeatherFileShowsItAndLimitsEveryDateField) {
    date("DateTimePicker1")->setDate(ymd(1980, 5, 5));
    date("DateTimePicker2")->setDate(ymd(2030, 5, 5));
    fake.openAnswers.push_back({work.path(QStringLiteral("milwaukee_1991_2020_daily.wth")), 0});
    click(find<QPushButton>("Button2"));
    ASSERT_EQ(fake.openRequests.size(), 1u);
    EXPECT_EQ(fake.openRequests[0].title, QStringLiteral(" Select weather file"));
    EXPECT_EQ(fake.openRequests[0].initialFolder, QString::fromStdString(work.folder()));
    EXPECT_EQ(box("StaticText3")->text(), QStringLiteral("milwaukee_1991_2020_daily.wth"));
    EXPECT_EQ(box("StaticText5")->text(), QStringLiteral("Daily weather data"));
    const QString period = ui::shortDateText(ui::toSerial(ymd(1991, 1, 1))) +
                           QStringLiteral(" - ") +
                           ui::shortDateText(ui::toSerial(ymd(2020, 12, 31)));
    EXPECT_EQ(box("StaticText2")->text(), period);
    for (int k = 1; k <= 12; ++k) {
        QDateEdit* field = date(("DateTimePicker" + std::to_string(k)).c_str());
        EXPECT_EQ(field->minimumDate(), ymd(1991, 1, 1));
        EXPECT_EQ(field->maximumDate(), ymd(2020, 12, 31));
    }
    // Dates outside the period moved to the nearer bound, without a message.
    EXPECT_EQ(date("DateTimePicker1")->date(), ymd(1991, 1, 1));
    EXPECT_EQ(date("DateTimePicker2")->date(), ymd(2020, 12, 31));
    EXPECT_TRUE(fake.messages.empty());

    fake.openAnswers.push_back({work.path(QStringLiteral("milwaukee_1991_2020_monthly.wth")), 0});
    click(find<QPushButton>("Button2"));
    EXPECT_EQ(box("StaticText5")->text(), QStringLiteral("Monthly weather data"));

    // A broken file changes nothing; a cancelled dialog neither.
    work.write(QStringLiteral("broken.wth"), "h\r\nh\r\nh\r\nh\r\n1991 1 abc 2\r\n1991 x 3 4\r\n");
    fake.openAnswers.push_back({work.path(QStringLiteral("broken.wth")), 0});
    click(find<QPushButton>("Button2"));
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_EQ(box("StaticText3")->text(), QStringLiteral("milwaukee_1991_2020_monthly.wth"));
    EXPECT_EQ(box("StaticText5")->text(), QStringLiteral("Monthly weather data"));
    click(find<QPushButton>("Button2"));
    EXPECT_EQ(box("StaticText3")->text(), QStringLiteral("milwaukee_1991_2020_monthly.wth"));
}

TEST_F(InputPageTest, CreateFileCopiesTheTemplateUnderTheFirstFreeNumber) {
    click(radio("RadioButton6"));
    click(find<QPushButton>("Button8"));
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_EQ(fake.messages[0].text,
              QStringLiteral("Template file 'Input Template.Orvek' not found."));
    ASSERT_EQ(fake.beeps.size(), 1u);
    EXPECT_EQ(fake.beeps[0], BeepKind::Hand);

    work.write(QStringLiteral("Input Template.Orvek"), "template");
    work.write(QStringLiteral("Input events-1.xls"), "one");
    work.write(QStringLiteral("Input events-2.xls"), "two");
    click(find<QPushButton>("Button8"));
    EXPECT_EQ(work.read(QStringLiteral("Input events-3.xls")), QByteArray("template"));
    ASSERT_EQ(fake.openedDocuments.size(), 1u);
    EXPECT_EQ(fake.openedDocuments[0], work.path(QStringLiteral("Input events-3.xls")));
    EXPECT_EQ(box("StaticText1")->text(), QString()); // not chosen by creating it

    fake.openDocumentSucceeds = false;
    click(find<QPushButton>("Button8"));
    EXPECT_TRUE(work.exists(QStringLiteral("Input events-4.xls")));
    EXPECT_EQ(fake.messages.back().text,
              QStringLiteral("Excel not found, or the file can't be opened."));

    // A working folder that has gone away: the copy fails and says so.
    QDir().mkpath(work.path(QStringLiteral("gone")));
    fake.openAnswers.push_back({work.path(QStringLiteral("gone/events.xls")), 0});
    click(find<QPushButton>("Button3"));
    QDir(work.path(QStringLiteral("gone"))).removeRecursively();
    click(find<QPushButton>("Button8"));
    EXPECT_EQ(fake.messages.back().text,
              QStringLiteral("Template file 'Input Template.Orvek' could not be copied."));
}

TEST_F(InputPageTest, SelectFileRemembersTheWorkbookAndItsFolder) {
    click(radio("RadioButton6"));
    QDir().mkpath(work.path(QStringLiteral("events")));
    fake.openAnswers.push_back({work.path(QStringLiteral("events/spring.xls")), 0});
    click(find<QPushButton>("Button3"));
    ASSERT_EQ(fake.openRequests.size(), 1u);
    EXPECT_EQ(fake.openRequests[0].title, QStringLiteral(" Select input events file"));
    EXPECT_EQ(fake.openRequests[0].initialFolder, QString::fromStdString(work.folder()));
    EXPECT_EQ(box("StaticText1")->text(), QStringLiteral("spring.xls"));
    EXPECT_EQ(window->inputPage()->pageState().eventsFile,
              work.path(QStringLiteral("events/spring.xls")).toStdString());

    click(find<QPushButton>("Button3")); // cancelled: nothing changes
    ASSERT_EQ(fake.openRequests.size(), 2u);
    EXPECT_EQ(fake.openRequests[1].initialFolder, work.path(QStringLiteral("events/")));
    EXPECT_EQ(box("StaticText1")->text(), QStringLiteral("spring.xls"));
}

TEST_F(InputPageTest, OpenFileRemindsUntilToldNotToAndReportsAFailedOpen) {
    click(radio("RadioButton6"));
    // Closed with the window's close box: the tick does not count.
    fake.reminderAnswers.push_back({false, true});
    click(find<QPushButton>("Button4"));
    EXPECT_EQ(fake.reminders, 1);
    fake.reminderAnswers.push_back({true, true});
    fake.openAnswers.push_back({work.path(QStringLiteral("a.xls")), 0});
    click(find<QPushButton>("Button4"));
    EXPECT_EQ(fake.reminders, 2);
    EXPECT_EQ(box("StaticText1")->text(), QStringLiteral("a.xls"));
    EXPECT_EQ(fake.openedDocuments.back(), work.path(QStringLiteral("a.xls")));

    fake.openDocumentSucceeds = false;
    fake.openAnswers.push_back({work.path(QStringLiteral("b.xls")), 0});
    click(find<QPushButton>("Button4"));
    EXPECT_EQ(fake.reminders, 2);
    EXPECT_EQ(fake.messages.back().text, QStringLiteral("The file can't be opened."));
    EXPECT_EQ(box("StaticText1")->text(), QStringLiteral("a.xls"));
}

TEST_F(InputPageTest, TheTimeStepGroupShowsOnlyAwayFromTheInputPage) {
    QGroupBox* step = find<QGroupBox>("GroupBox4");
    EXPECT_FALSE(step->isVisible());
    EXPECT_FALSE(step->isEnabled());
    window->PageControl1Change(1);
    EXPECT_TRUE(step->isVisible());
    window->PageControl1Change(0);
    EXPECT_FALSE(step->isVisible());
}

} // namespace

} // namespace orvek::test
