#pragma once

#include "FakeServices.h"
#include "GuiTestSupport.h"
#include "app/MainWindow.h"
#include "windows/inputs/InputPage.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace orvek::test {

// A main window started in its own temporary folder, with the dialogs answered by fakes.
class WindowTest : public ::testing::Test {
protected:
    explicit WindowTest(bool withBundledFiles = true) : work(withBundledFiles) {}

    void TearDown() override { window.reset(); }

    // Creates the window in the work folder, as the program does at start-up.
    ui::TForm1& start() {
        window = std::make_unique<ui::TForm1>();
        window->show();
        return *window;
    }

    template <typename T> T* find(const char* name) const {
        T* w = window->findChild<T*>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QCheckBox* check(const char* name) const { return find<QCheckBox>(name); }
    QLineEdit* edit(const char* name) const { return find<QLineEdit>(name); }
    QDateEdit* date(const char* name) const { return find<QDateEdit>(name); }
    QComboBox* list(const char* name) const { return find<QComboBox>(name); }
    QLabel* box(const char* name) const { return find<QLabel>(name); }
    QRadioButton* radio(const char* name) const { return find<QRadioButton>(name); }

    // Check boxes and radio buttons are clicked on their box, as a person does; a layout may
    // have made the widget much wider than its box and caption.
    static void click(QWidget* w) {
        const bool boxed =
            qobject_cast<QCheckBox*>(w) != nullptr || qobject_cast<QRadioButton*>(w) != nullptr;
        QTest::mouseClick(w, Qt::LeftButton, {},
                          boxed ? QPoint(8, w->height() / 2) : w->rect().center());
    }
    // Replaces a field's text the way a person does: select all, then type.
    static void type(QLineEdit* field, const QString& text) {
        field->setFocus();
        field->selectAll();
        if (text.isEmpty()) {
            QTest::keyClick(field, Qt::Key_Backspace);
        } else {
            QTest::keyClicks(field, text);
        }
    }
    void trigger(const char* action) const { window->action(action)->trigger(); }
    void retrieve(const QString& path) {
        fake.openAnswers.push_back({path, 0});
        trigger("Retrieveinputsettings1");
    }

    WorkFolder work;
    FakeServices fake;
    std::unique_ptr<ui::TForm1> window;
};

inline QDate ymd(int y, int m, int d) {
    return QDate(y, m, d);
}

} // namespace orvek::test
