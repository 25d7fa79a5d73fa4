#include "windows/parameters/ParametersDialog.h"

#include "FakeServices.h"
#include "TestFolder.h"
#include "model/Parameters.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace orvek::test {
namespace {

using ui::Answer;
using ui::TForm4;

QByteArray contentOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class ParametersDialogTest : public ::testing::Test {
protected:
    ParametersDialogTest() {
        const QDir data(QStringLiteral(ORVEK_DATA_DIR));
        for (const char* name : {kParameterFileName, kDefaultParameterFileName}) {
            QFile::copy(data.filePath(QString::fromLatin1(name)), file(name));
        }
        mainWindow.resize(300, 200);
        mainWindow.show();
    }

    QString folder() const { return QString::fromStdString(dir.path()); }
    QString file(const char* name) const { return folder() + QString::fromLatin1(name); }

    TForm4* open() {
        dialog = TForm4::open(&mainWindow, folder());
        return dialog;
    }
    template <typename T> T* child(const char* name) {
        return dialog->findChild<T*>(QString::fromLatin1(name));
    }
    QLineEdit* edit(int number) {
        return child<QLineEdit>(QString("Edit%1").arg(number).toLatin1());
    }
    void allow() {
        QCheckBox* box = child<QCheckBox>("CheckBox1");
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    }
    void type(int number, const QString& text) {
        QLineEdit* e = edit(number);
        QTest::keyClick(e, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(e, text);
    }
    void press(const char* button) {
        QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton);
    }
    // Lets the dialog that closed itself be freed.
    void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
    bool closed() {
        settle();
        return dialog.isNull();
    }

    FakeServices fake;
    test::TestFolder dir;
    QWidget mainWindow;
    QPointer<TForm4> dialog;
};

TEST_F(ParametersDialogTest, OpensLockedWithTheFileValuesInTheirFormats) {
    ASSERT_TRUE(open());
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Parameters"));
    EXPECT_FALSE(mainWindow.isEnabled());
    EXPECT_TRUE(dialog->isEnabled());

    EXPECT_EQ(edit(1)->text(), QStringLiteral("0.00013"));
    EXPECT_EQ(edit(2)->text(), QStringLiteral("0.200"));
    EXPECT_EQ(edit(3)->text(), QStringLiteral("0.0780"));
    EXPECT_EQ(edit(15)->text(), QStringLiteral("10.0"));
    EXPECT_EQ(edit(27)->text(), QStringLiteral("9.0")); // reference temperature, line 21
    EXPECT_EQ(edit(20)->text(), QStringLiteral("2.0")); // Q10, line 22
    EXPECT_EQ(edit(24)->text(), QStringLiteral("100.0"));
    EXPECT_EQ(child<QPushButton>("Button4")->text(), QStringLiteral("Restore to dafaults"));
    EXPECT_EQ(child<QPushButton>("Button4")->toolTip(), QStringLiteral("Retrieve default values"));

    const QColor window = dialog->palette().color(QPalette::Window);
    EXPECT_FALSE(edit(1)->isEnabled());
    EXPECT_FALSE(child<QPushButton>("Button3")->isEnabled());
    EXPECT_FALSE(child<QPushButton>("Button4")->isEnabled());
    EXPECT_EQ(edit(1)->palette().color(QPalette::Base), window);
    allow();
    EXPECT_TRUE(edit(1)->isEnabled());
    EXPECT_TRUE(edit(27)->isEnabled());
    EXPECT_TRUE(child<QPushButton>("Button3")->isEnabled());
    EXPECT_NE(edit(1)->palette().color(QPalette::Base), window);
    allow();
    EXPECT_FALSE(edit(26)->isEnabled());

    // Escape is Cancel: the dialog goes and the main window takes input again.
    QTest::keyClick(dialog, Qt::Key_Escape);
    EXPECT_TRUE(closed());
    EXPECT_TRUE(mainWindow.isEnabled());
}

TEST_F(ParametersDialogTest, AnUnreadableFileShowsTheErrorAndLeavesTheMainWindowUsable) {
    QFile::remove(file(kParameterFileName));
    EXPECT_EQ(open(), nullptr);
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_TRUE(fake.messages[0].text.startsWith(QStringLiteral("Cannot open file")));
    EXPECT_TRUE(mainWindow.isEnabled());

    QFile broken(file(kParameterFileName));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("Internal parameters\r\n0.1\r\nabc\r\n");
    broken.close();
    EXPECT_EQ(open(), nullptr);
    EXPECT_EQ(fake.messages.size(), 2u);
    EXPECT_TRUE(mainWindow.isEnabled());
}

TEST_F(ParametersDialogTest, SavingTwiceKeepsOneBackupAndTheLabelsAndTheUneditedNumberTexts) {
    const QByteArray original = contentOf(file(kParameterFileName));
    ASSERT_TRUE(open());
    allow();
    type(1, QStringLiteral("0.00014"));
    fake.yesNoCancelAnswers = {Answer::Yes};
    press("Button3");
    ASSERT_EQ(fake.questions.size(), 1u);
    EXPECT_EQ(fake.questions[0], QStringLiteral("Save changes?"));
    ASSERT_FALSE(fake.beeps.empty());
    EXPECT_EQ(fake.beeps[0], BeepKind::Exclamation);
    EXPECT_EQ(fake.messageTexts(),
              QStringList{QStringLiteral("Old values saved to 'Parameter, old.Orvek'.")});
    EXPECT_TRUE(closed());
    EXPECT_TRUE(mainWindow.isEnabled());

    const QByteArray first = contentOf(file(kParameterFileName));
    EXPECT_EQ(contentOf(file(kOldParameterFileName)), original);
    QByteArray expected = original;
    expected.replace("0.00013\t", "0.00014\t");
    EXPECT_EQ(first, expected); // "0.20", shown as 0.200, is saved as it was written

    // Both files are read-only now; a second save still works.
    EXPECT_FALSE(QFileInfo(file(kParameterFileName)).permissions() & QFile::WriteOwner);
    EXPECT_FALSE(QFileInfo(file(kOldParameterFileName)).permissions() & QFile::WriteOwner);
    ASSERT_TRUE(open());
    EXPECT_EQ(edit(1)->text(), QStringLiteral("0.00014"));
    allow();
    type(20, QStringLiteral("2.5"));
    fake.yesNoCancelAnswers = {Answer::Yes};
    press("Button3");
    EXPECT_TRUE(closed());
    EXPECT_EQ(contentOf(file(kOldParameterFileName)), first);
    QByteArray second = first;
    second.replace("2.0\tQ10", "2.5\tQ10");
    EXPECT_EQ(contentOf(file(kParameterFileName)), second);
    EXPECT_EQ(QDir(folder()).entryList(QDir::Files).size(), 3); // the two, and the defaults
}

TEST_F(ParametersDialogTest, RestoreThenCancelLeavesTheFileAndRestoreThenSaveWritesTheDefaults) {
    const QByteArray defaults = contentOf(file(kDefaultParameterFileName));
    ASSERT_TRUE(open());
    allow();
    type(15, QStringLiteral("12"));
    fake.yesNoCancelAnswers = {Answer::Yes};
    press("Button3");
    ASSERT_TRUE(closed());
    const QByteArray saved = contentOf(file(kParameterFileName));

    ASSERT_TRUE(open());
    EXPECT_EQ(edit(15)->text(), QStringLiteral("12.0"));
    allow();
    press("Button4");
    EXPECT_EQ(edit(15)->text(), QStringLiteral("10.0"));
    press("Button2");
    EXPECT_TRUE(closed());
    EXPECT_TRUE(mainWindow.isEnabled());
    EXPECT_EQ(contentOf(file(kParameterFileName)), saved);

    ASSERT_TRUE(open());
    allow();
    press("Button4");
    fake.yesNoCancelAnswers = {Answer::Yes};
    press("Button3");
    EXPECT_TRUE(closed());
    // The default number texts as written there (the bundled files share their labels).
    EXPECT_EQ(contentOf(file(kParameterFileName)), defaults);
}

TEST_F(ParametersDialogTest, ARefusedValueNamesItsFieldAndChangesNothing) {
    const QByteArray original = contentOf(file(kParameterFileName));
    ASSERT_TRUE(open());
    allow();
    type(2, QStringLiteral("1"));
    fake.yesNoCancelAnswers = {Answer::Yes};
    press("Button3");
    EXPECT_EQ(fake.messageTexts(),
              QStringList{QStringLiteral("The S of soil organic matter must be less than 1.")});
    EXPECT_EQ(fake.messages[0].icon, ui::MessageIcon::Error);
    EXPECT_EQ(fake.beeps.back(), BeepKind::Hand);
    EXPECT_EQ(edit(2)->selectedText(), QStringLiteral("1"));
    EXPECT_FALSE(closed());
    EXPECT_FALSE(mainWindow.isEnabled());
    EXPECT_EQ(contentOf(file(kParameterFileName)), original);
    EXPECT_FALSE(QFile::exists(file(kOldParameterFileName)));

    type(2, QStringLiteral("abc"));
    fake.yesNoCancelAnswers = {Answer::Yes};
    press("Button3");
    EXPECT_EQ(fake.messageTexts().last(),
              QStringLiteral("'abc' is not a valid number for the S of soil organic matter."));
    EXPECT_EQ(contentOf(file(kParameterFileName)), original);
}

TEST_F(ParametersDialogTest, TheSuperscriptOfTheRHeadingIsDrawnWhole) {
    ASSERT_TRUE(open());
    allow();
    auto* heading = child<QLabel>("LabelR");
    ASSERT_NE(heading, nullptr);
    // The topmost row with ink must not be the label's first row: ink there is cut off.
    const QImage image = heading->grab().toImage();
    const QRgb background = image.pixel(0, 0);
    int top = -1;
    for (int y = 0; y < image.height() && top < 0; ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != background) {
                top = y;
                break;
            }
        }
    }
    ASSERT_GE(top, 0) << "nothing drawn";
    EXPECT_GT(top, 0);
}

TEST_F(ParametersDialogTest, ATextureEffectThatLiftsAnAdjustedSToOneIsRefusedOnItsField) {
    const QByteArray original = contentOf(file(kParameterFileName));
    ASSERT_TRUE(open());
    allow();
    type(24, QStringLiteral("200")); // loam effect on S, in percent of sand
    fake.yesNoCancelAnswers = {Answer::Yes};
    press("Button3");
    EXPECT_EQ(fake.messageTexts(), QStringList{QStringLiteral(
                                       "The loam effect on S of 200 % makes the S of cereal crop "
                                       "residues 1.1 on loam soil; the model needs it below 1.")});
    EXPECT_EQ(edit(24)->selectedText(), QStringLiteral("200"));
    EXPECT_FALSE(closed());
    EXPECT_EQ(contentOf(file(kParameterFileName)), original);

    // Within bounds it is saved.
    type(24, QStringLiteral("150"));
    fake.yesNoCancelAnswers = {Answer::Yes};
    press("Button3");
    EXPECT_TRUE(closed());
    EXPECT_TRUE(contentOf(file(kParameterFileName)).contains("\n150\t"));
}

TEST_F(ParametersDialogTest, CancelInTheConfirmationKeepsTheEditsAndNoClosesWithoutSaving) {
    const QByteArray original = contentOf(file(kParameterFileName));
    ASSERT_TRUE(open());
    allow();
    type(22, QStringLiteral("33"));
    fake.yesNoCancelAnswers = {Answer::Cancel};
    press("Button3");
    EXPECT_FALSE(closed());
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(edit(22)->text(), QStringLiteral("33"));
    EXPECT_TRUE(child<QCheckBox>("CheckBox1")->isChecked());

    fake.yesNoCancelAnswers = {Answer::No};
    press("Button3");
    EXPECT_TRUE(closed());
    EXPECT_TRUE(mainWindow.isEnabled());
    EXPECT_EQ(contentOf(file(kParameterFileName)), original);
    EXPECT_TRUE(fake.messages.empty());

    // Closed by its window button: the main window is enabled as well.
    ASSERT_TRUE(open());
    dialog->close();
    EXPECT_TRUE(closed());
    EXPECT_TRUE(mainWindow.isEnabled());
}

} // namespace
} // namespace orvek::test
