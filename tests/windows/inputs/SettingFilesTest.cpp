#include "WindowTestSupport.h"
#include "basics/Text.h"
#include "formats/SettingFile.h"
#include "run/StartUp.h"
#include "windows/inputs/PageWidgets.h"

#include <QDir>

namespace orvek::test {

namespace {

class SettingFilesTest : public WindowTest {
protected:
    void SetUp() override { start(); }

    std::vector<std::string> savedLines(const QString& name) const {
        return splitLines(work.read(name).toStdString());
    }

    // The bundled example with some of its lines replaced (1-based line numbers).
    QByteArray exampleWith(std::initializer_list<std::pair<int, const char*>> changes) const {
        std::vector<std::string> lines =
            splitLines(work.read(QStringLiteral("Example.stg")).toStdString());
        for (const auto& [line, text] : changes) {
            lines[static_cast<size_t>(line - 1)] = text;
        }
        std::string out;
        for (const std::string& l : lines) {
            out += l + "\r\n";
        }
        return QByteArray::fromStdString(out);
    }
};

TEST_F(SettingFilesTest, SavingWritesThePageLineByLine) {
    click(radio("RadioButton3"));
    click(check("CheckBox2"));
    click(check("CheckBox3"));
    type(edit("adpEdit4"), QStringLiteral("2.5"));
    radio("RadioButton2")->setChecked(true); // monthly output
    fake.saveAnswers.push_back({work.path(QStringLiteral("plain")), 0});
    trigger("Saveinputsettings1");
    ASSERT_EQ(fake.saveRequests.size(), 1u);
    const ui::FileDialogRequest& r = fake.saveRequests[0];
    EXPECT_EQ(r.title, QStringLiteral("Save settings to file"));
    EXPECT_EQ(r.initialFolder, QString::fromStdString(work.folder()));
    EXPECT_EQ(r.defaultSuffix, QStringLiteral("stg"));
    EXPECT_TRUE(r.confirmOverwrite);

    // A name without extension gets ".stg"; the file has 67 CR LF lines.
    const QByteArray bytes = work.read(QStringLiteral("plain.stg"));
    EXPECT_EQ(bytes.count("\r\n"), 67);
    const std::vector<std::string> lines = savedLines(QStringLiteral("plain.stg"));
    ASSERT_EQ(lines.size(), 67u);
    EXPECT_EQ(lines[0], "Y");
    EXPECT_EQ(lines[7], "P");
    EXPECT_EQ(lines[8], "Skip");
    EXPECT_EQ(lines[9], "Y");
    EXPECT_EQ(lines[10], "Y");
    for (int i = 11; i < 19; ++i) {
        EXPECT_EQ(lines[static_cast<size_t>(i)], "N");
    }
    EXPECT_EQ(lines[29], "2.5");
    EXPECT_EQ(lines[59], "12.5");
    EXPECT_EQ(lines[62], "50.625");
    EXPECT_EQ(lines[66], "M");

    // The next save proposes the last name; another extension stays as typed.
    fake.saveAnswers.push_back({work.path(QStringLiteral("other.txt")), 1});
    trigger("Saveinputsettings1");
    EXPECT_EQ(fake.saveRequests[1].fileName, QStringLiteral("plain.stg"));
    EXPECT_TRUE(work.exists(QStringLiteral("other.txt")));
    EXPECT_FALSE(work.exists(QStringLiteral("other.txt.stg")));
}

TEST_F(SettingFilesTest, TheAddedExtensionNeverReplacesAFileWithoutAsking) {
    work.write(QStringLiteral("kept.stg"), "precious");
    fake.saveAnswers.push_back({work.path(QStringLiteral("kept")), 1}); // "Any file (*.*)"
    fake.yesNoCancelAnswers.push_back(ui::Answer::No);
    trigger("Saveinputsettings1");
    ASSERT_EQ(fake.questions.size(), 1u);
    EXPECT_EQ(fake.questions[0],
              QStringLiteral("kept.stg already exists.\nDo you want to replace it?"));
    EXPECT_EQ(work.read(QStringLiteral("kept.stg")), QByteArray("precious"));
    fake.saveAnswers.push_back({work.path(QStringLiteral("kept")), 1});
    fake.yesNoCancelAnswers.push_back(ui::Answer::Yes);
    trigger("Saveinputsettings1");
    EXPECT_EQ(work.read(QStringLiteral("kept.stg")).count("\r\n"), 67);
}

TEST_F(SettingFilesTest, AFailedSaveIsReportedAndKeepsThePage) {
    QDir().mkpath(work.path(QStringLiteral("kept.stg.dir")));
    // A folder cannot be replaced by a file: the save fails.
    fake.saveAnswers.push_back({work.path(QStringLiteral("kept.stg.dir")), 0});
    type(edit("adpEdit24"), QStringLiteral("11"));
    trigger("Saveinputsettings1");
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_EQ(fake.messages[0].icon, ui::MessageIcon::Error);
    EXPECT_EQ(edit("adpEdit24")->text(), QStringLiteral("11"));
}

TEST_F(SettingFilesTest, RetrievingOverThePageInTheOtherModeAndSourceRestoresTheSavedValues) {
    click(radio("RadioButton3"));
    click(radio("RadioButton6"));
    radio("RadioButton2")->setChecked(true);
    retrieve(work.path(QStringLiteral("Example.stg")));
    ASSERT_EQ(fake.openRequests.size(), 1u);
    EXPECT_EQ(fake.openRequests[0].title, QStringLiteral(" Select setting file"));
    EXPECT_TRUE(fake.messages.empty()) << fake.messageTexts().join(QLatin1Char('\n')).toStdString();

    EXPECT_TRUE(radio("RadioButton4")->isChecked());
    EXPECT_TRUE(edit("adpEdit27")->isEnabled());
    EXPECT_TRUE(radio("RadioButton5")->isChecked());
    EXPECT_TRUE(radio("RadioButton1")->isChecked());
    for (int row = 1; row <= 10; ++row) {
        EXPECT_EQ(check(("CheckBox" + std::to_string(row + 1)).c_str())->isChecked(), row <= 5);
        EXPECT_EQ(edit(("adpEdit" + std::to_string(row + 13)).c_str())->isEnabled(), row <= 5);
    }
    // The saved types and dates win over the defaults that checking the rows produced.
    EXPECT_EQ(list("ComboBox3")->currentIndex(), 4);
    EXPECT_EQ(list("ComboBox6")->currentIndex(), -1);
    EXPECT_EQ(date("DateTimePicker3")->date(), ymd(2005, 9, 15));
    EXPECT_EQ(date("DateTimePicker5")->date(), ymd(2006, 4, 20));
    EXPECT_EQ(edit("adpEdit7")->text(), QStringLiteral("3.0"));
    EXPECT_EQ(box("StaticText3")->text(), QStringLiteral("milwaukee_1991_2020_daily.wth"));
    EXPECT_EQ(box("StaticText2")->text(), QStringLiteral("1/1/91 - 12/31/20"));
    EXPECT_EQ(date("DateTimePicker2")->date(), ymd(2009, 12, 31));
    EXPECT_EQ(list("ComboBox11")->currentIndex(), 1);
    EXPECT_EQ(box("StaticText4")->text(), QStringLiteral("50.625"));
    // The relative weather file name is found beside the setting file.
    EXPECT_EQ(window->inputPage()->pageState().weatherFolder, work.folder());
}

// The window and orvek-batch apply a setting file through the same page rules: after the same
// start-up and the same file, both hold the same page, line for line.
TEST_F(SettingFilesTest, TheWindowAndTheCommandLineRunnerRetrieveTheSamePage) {
    work.write(QStringLiteral("carbon.stg"), exampleWith({{1, "Y"}}));
    work.write(QStringLiteral("book.stg"), exampleWith({{8, "F"}, {9, "/data/spring events.xls"}}));
    // No weather file at all: both look for one in the start folder.
    work.write(QStringLiteral("noweather.stg"), exampleWith({{2, ""}, {4, ""}, {5, ""}}));
    for (const char* name : {"Example.stg", "noweather.stg", "carbon.stg", "book.stg"}) {
        SCOPED_TRACE(name);
        retrieve(work.path(QString::fromLatin1(name)));
        EXPECT_TRUE(fake.messages.empty())
            << fake.messageTexts().join(QLatin1Char('\n')).toStdString();
        const PageState shown = window->inputPage()->pageState();

        Session session;
        ASSERT_EQ(startSession(session, work.folder()), "");
        retrieveSettings(session, work.folder() + name);
        EXPECT_EQ(settingFileContent(shown), settingFileContent(session.page));
        EXPECT_EQ(shown.weatherFolder, session.page.weatherFolder);
        EXPECT_EQ(shown.eventsFile, session.page.eventsFile);
        EXPECT_EQ(shown.eventsFileName, session.page.eventsFileName);
        if (std::string(name) == "noweather.stg") {
            EXPECT_EQ(shown.weatherFolder, work.folder());
        }
    }
}

TEST_F(SettingFilesTest, AWorkbookSourceLeavesTheRowsUncheckedWhateverTheFileSays) {
    work.write(QStringLiteral("book.stg"), exampleWith({{8, "F"}, {9, "/data/spring events.xls"}}));
    retrieve(work.path(QStringLiteral("book.stg")));
    EXPECT_TRUE(fake.messages.empty());
    EXPECT_TRUE(radio("RadioButton6")->isChecked());
    EXPECT_EQ(box("StaticText1")->text(), QStringLiteral("spring events.xls"));
    for (int row = 1; row <= 10; ++row) {
        QCheckBox* box = check(("CheckBox" + std::to_string(row + 1)).c_str());
        EXPECT_FALSE(box->isChecked());
        EXPECT_FALSE(box->isEnabled());
    }
}

TEST_F(SettingFilesTest, ABadLineStopsRetrievalWithTheLinesBeforeItApplied) {
    click(radio("RadioButton3"));
    type(edit("adpEdit24"), QStringLiteral("9"));
    work.write(QStringLiteral("bad.stg"), exampleWith({{22, "two"}}));
    retrieve(work.path(QStringLiteral("bad.stg")));
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_EQ(fake.messages[0].text, QStringLiteral("Invalid numeric input"));
    EXPECT_TRUE(radio("RadioButton4")->isChecked());           // line 1 applied
    EXPECT_TRUE(check("CheckBox6")->isChecked());              // line 14 applied
    EXPECT_EQ(list("ComboBox1")->currentIndex(), 0);           // line 20 applied
    EXPECT_EQ(list("ComboBox3")->currentIndex(), 0);           // line 22 stopped: the row's default
    EXPECT_EQ(edit("adpEdit24")->text(), QStringLiteral("9")); // line 60 never reached
}

TEST_F(SettingFilesTest, ADateOutsideTheWeatherPeriodIsRefusedByItsField) {
    click(radio("RadioButton3"));
    fake.openAnswers.push_back({work.path(QStringLiteral("milwaukee_1991_2020_daily.wth")), 0});
    click(find<QPushButton>("Button2"));
    work.write(QStringLiteral("early.stg"), exampleWith({{6, "29221"}})); // 1 January 1980
    retrieve(work.path(QStringLiteral("early.stg")));
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_EQ(fake.messages[0].text.toStdString(),
              "Date is less than minimum of " +
                  ui::shortDateText(ui::toSerial(ymd(1991, 1, 1))).toStdString());
    EXPECT_EQ(date("DateTimePicker1")->date(), ymd(2005, 1, 1));
    EXPECT_TRUE(radio("RadioButton4")->isChecked()); // line 1 applied before the refusal
}

TEST_F(SettingFilesTest, AFileThatCannotBeReadChangesNothing) {
    click(radio("RadioButton3"));
    retrieve(work.path(QStringLiteral("missing.stg")));
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_EQ(fake.messages[0].text, QStringLiteral("File not found"));
    EXPECT_TRUE(radio("RadioButton3")->isChecked());
    trigger("Retrieveinputsettings1"); // cancelled
    EXPECT_EQ(fake.messages.size(), 1u);
}

TEST_F(SettingFilesTest, ResetClearsTheRowsAndWeatherAndRestoresTheDefaults) {
    retrieve(work.path(QStringLiteral("Example.stg")));
    click(radio("RadioButton3"));
    type(edit("adpEdit24"), QStringLiteral("20"));
    radio("RadioButton2")->setChecked(true);
    trigger("Resetallsetting1");
    EXPECT_TRUE(fake.messages.empty());
    for (int row = 1; row <= 10; ++row) {
        EXPECT_FALSE(check(("CheckBox" + std::to_string(row + 1)).c_str())->isChecked());
        EXPECT_TRUE(edit(("adpEdit" + std::to_string(row + 3)).c_str())->text().isEmpty());
        EXPECT_TRUE(edit(("adpEdit" + std::to_string(row + 13)).c_str())->text().isEmpty());
        QComboBox* types = list(("ComboBox" + std::to_string(row)).c_str());
        EXPECT_EQ(types->currentIndex(), -1);
        EXPECT_EQ(types->count(), 6);
    }
    for (const char* name : {"StaticText2", "StaticText3", "StaticText5"}) {
        EXPECT_TRUE(box(name)->text().isEmpty()) << name;
    }
    EXPECT_TRUE(radio("RadioButton4")->isChecked()); // the options' mode
    EXPECT_EQ(edit("adpEdit24")->text(), QStringLiteral("12.5"));
    EXPECT_EQ(box("StaticText4")->text(), QStringLiteral("50.625"));
    // Left as they were: row dates, end date and the output step.
    EXPECT_EQ(date("DateTimePicker3")->date(), ymd(2005, 9, 15));
    EXPECT_EQ(date("DateTimePicker2")->date(), ymd(2009, 12, 31));
    EXPECT_TRUE(radio("RadioButton2")->isChecked());
}

} // namespace

} // namespace orvek::test
