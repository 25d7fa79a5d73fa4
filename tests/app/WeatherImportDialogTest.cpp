// "Import weather..." of the Utilities menu as a person uses it: choose a downloaded file, read
// the detected layout and the first rows, save the daily weather file.

#include "app/WeatherImportDialog.h"
#include "WindowTestSupport.h"

#include <QPlainTextEdit>
#include <QTableWidget>

namespace orvek::test {

namespace {

class WeatherImportDialogTest : public WindowTest {
protected:
    void SetUp() override { start(); }

    ui::WeatherImportDialog* openDialog() {
        trigger("Importweather1");
        return window->findChild<ui::WeatherImportDialog*>(QStringLiteral("WeatherImportDialog"));
    }
    static QString fixture(const char* name) {
        return QStringLiteral(ORVEK_TEST_DATA_DIR "/weather-import/") + QString::fromUtf8(name);
    }
};

TEST_F(WeatherImportDialogTest, ShowsTheLayoutAndFirstRowsThenSaves) {
    ui::WeatherImportDialog* dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->saveButton()->isEnabled());

    fake.openAnswers.push_back({fixture("daymet.csv"), 0});
    click(dialog->findChild<QPushButton*>(QStringLiteral("BrowseButton")));
    EXPECT_TRUE(dialog->layoutLabel()->text().contains(QStringLiteral("Daymet single-pixel CSV")));
    EXPECT_TRUE(dialog->layoutLabel()->text().contains(QStringLiteral("tmax (deg c): Tmax (C)")));
    EXPECT_TRUE(dialog->layoutLabel()->text().contains(
        QStringLiteral("31 December of leap years copied from 30 December")));
    QTableWidget* table = dialog->preview();
    ASSERT_EQ(table->rowCount(), 5);
    EXPECT_EQ(table->item(2, 0)->text(), QStringLiteral("2020"));
    EXPECT_EQ(table->item(2, 1)->text(), QStringLiteral("366"));
    EXPECT_EQ(table->item(2, 3)->text(), QStringLiteral("-3.3"));
    ASSERT_TRUE(dialog->saveButton()->isEnabled());

    fake.saveAnswers.push_back({work.path(QStringLiteral("daymet.wth")), 0});
    click(dialog->saveButton());
    ASSERT_EQ(fake.saveRequests.size(), 1u);
    EXPECT_EQ(fake.saveRequests[0].fileName, QStringLiteral("daymet.wth"));
    const QByteArray saved = work.read(QStringLiteral("daymet.wth"));
    EXPECT_TRUE(saved.startsWith("Imported from the Daymet single-pixel CSV file \"daymet.csv\""));
    EXPECT_TRUE(saved.endsWith("2021\t2\t-2.0\t-9.0\t0.0\r\n"));
    dialog->close();
}

TEST_F(WeatherImportDialogTest, FaultsAreListedUntilGapsAreFilled) {
    ui::WeatherImportDialog* dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    type(dialog->sourceEdit(), fixture("meteostat.csv"));
    QTest::keyClick(dialog->sourceEdit(), Qt::Key_Return);
    EXPECT_TRUE(dialog->report()->toPlainText().contains(
        QStringLiteral("2021-07-03: precipitation missing (line 4)")));
    EXPECT_FALSE(dialog->saveButton()->isEnabled());

    click(dialog->findChild<QCheckBox*>(QStringLiteral("FillGapsCheck")));
    EXPECT_TRUE(dialog->report()->toPlainText().contains(QStringLiteral("filled linearly")));
    EXPECT_EQ(dialog->preview()->item(2, 4)->text(), QStringLiteral("6.7"));
    EXPECT_TRUE(dialog->saveButton()->isEnabled());
    fake.saveAnswers.clear(); // the save dialog is cancelled: nothing written, no message
    click(dialog->saveButton());
    EXPECT_TRUE(fake.messages.empty());
    dialog->close();
}

TEST_F(WeatherImportDialogTest, AnUnknownFileNamesTheLayoutsUnderstood) {
    ui::WeatherImportDialog* dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    fake.openAnswers.push_back({fixture("unknown.csv"), 0});
    click(dialog->findChild<QPushButton*>(QStringLiteral("BrowseButton")));
    EXPECT_TRUE(dialog->layoutLabel()->text().contains(QStringLiteral("Layouts understood")));
    EXPECT_EQ(dialog->preview()->rowCount(), 0);
    EXPECT_FALSE(dialog->saveButton()->isEnabled());
    dialog->close();
}

} // namespace

} // namespace orvek::test
