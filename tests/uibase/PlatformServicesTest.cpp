#include "FakeServices.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace orvek::test {

TEST(PlatformServices, FakeIsInstalledForItsLifetimeAndErrorsBeepAndShow) {
    {
        FakeServices fake;
        EXPECT_EQ(&ui::services(), &fake);
        ui::showError(nullptr, QStringLiteral("File not found"));
        ASSERT_EQ(fake.messages.size(), 1u);
        EXPECT_EQ(fake.messages[0].text, QStringLiteral("File not found"));
        EXPECT_EQ(fake.messages[0].icon, ui::MessageIcon::Error);
        ASSERT_EQ(fake.beeps.size(), 1u);
        EXPECT_EQ(fake.beeps[0], BeepKind::Hand);
    }
    FakeServices other;
    EXPECT_EQ(&ui::services(), &other);
}

} // namespace orvek::test

namespace orvek::test {

namespace {

// Runs body on the next modal window that opens (after the call that opens it has started).
void onNextModal(std::function<void(QWidget*)> body) {
    QTimer::singleShot(0, [body = std::move(body)] {
        for (int tries = 0; tries < 200; ++tries) {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                body(modal);
                return;
            }
            QTest::qWait(10);
        }
        ADD_FAILURE() << "no modal window opened";
    });
}

QAbstractButton* buttonWithText(QWidget* box, const QString& text) {
    for (QAbstractButton* b : box->findChildren<QAbstractButton*>()) {
        if (b->text().remove(QLatin1Char('&')) == text) {
            return b;
        }
    }
    return nullptr;
}

} // namespace

TEST(DesktopServices, TheReminderCountsItsTickOnlyWhenClosedWithOk) {
    ui::PlatformServices& desktop = ui::desktopServices();
    // Ticked, then closed with the window's close box: the tick does not count.
    onNextModal([](QWidget* box) {
        EXPECT_EQ(box->windowTitle(), QStringLiteral("Reminder"));
        box->findChild<QCheckBox*>()->setChecked(true);
        box->close();
    });
    ui::ReminderResult r = desktop.openFileReminder(nullptr);
    EXPECT_FALSE(r.closedWithOk);
    EXPECT_TRUE(r.dontShowAgain);

    // Ticked, then OK.
    onNextModal([](QWidget* box) {
        box->findChild<QCheckBox*>()->setChecked(true);
        QAbstractButton* ok = buttonWithText(box, QStringLiteral("OK"));
        ASSERT_NE(ok, nullptr);
        QTest::mouseClick(ok, Qt::LeftButton);
    });
    r = desktop.openFileReminder(nullptr);
    EXPECT_TRUE(r.closedWithOk);
    EXPECT_TRUE(r.dontShowAgain);
}

TEST(DesktopServices, TheFolderChooserCreatesATypedFolderAfterAsking) {
    QTemporaryDir dir;
    const QString wanted = dir.filePath(QStringLiteral("new/deeper"));
    ui::PlatformServices& desktop = ui::desktopServices();
    const auto typeAndChoose = [&wanted](QWidget* dialog) {
        auto* chooser = qobject_cast<QFileDialog*>(dialog);
        ASSERT_NE(chooser, nullptr);
        auto* name = chooser->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        name->setText(wanted);
        QTest::keyClick(name, Qt::Key_Return);
    };
    // Asked, and refused: nothing is created, and the chooser stays open until cancelled.
    onNextModal([&](QWidget* dialog) {
        onNextModal([dialog](QWidget* question) {
            EXPECT_NE(question, dialog);
            QAbstractButton* no = buttonWithText(question, QStringLiteral("No"));
            EXPECT_NE(no, nullptr) << "no question asked";
            if (no != nullptr) {
                QTest::mouseClick(no, Qt::LeftButton);
            } else {
                question->close();
            }
            QTimer::singleShot(0, dialog, [dialog] {
                EXPECT_TRUE(dialog->isVisible());
                qobject_cast<QDialog*>(dialog)->reject();
            });
        });
        typeAndChoose(dialog);
    });
    EXPECT_EQ(desktop.chooseFolder(nullptr, QStringLiteral("Select a folder"), dir.path()),
              QString());
    EXPECT_FALSE(QFileInfo::exists(wanted));

    // Asked, and confirmed: the folder is made and chosen.
    onNextModal([&](QWidget* dialog) {
        onNextModal([dialog](QWidget* question) {
            QAbstractButton* yes = buttonWithText(question, QStringLiteral("Yes"));
            EXPECT_NE(yes, nullptr) << "no question asked";
            if (yes != nullptr) {
                QTest::mouseClick(yes, Qt::LeftButton);
            } else {
                question->close();
                QTimer::singleShot(0, dialog,
                                   [dialog] { qobject_cast<QDialog*>(dialog)->reject(); });
            }
        });
        typeAndChoose(dialog);
    });
    const QString chosen =
        desktop.chooseFolder(nullptr, QStringLiteral("Select a folder"), dir.path());
    EXPECT_TRUE(QFileInfo(wanted).isDir());
    EXPECT_EQ(QFileInfo(chosen).canonicalFilePath(), QFileInfo(wanted).canonicalFilePath());
}

} // namespace orvek::test
