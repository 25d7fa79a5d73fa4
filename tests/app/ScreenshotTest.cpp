// Not a check: saves pictures of the window, its tabs and dialogs for a person to look at.
// Runs only when ORVEK_SCREENSHOT_DIR names a folder (for example under Xvfb at 96 DPI).

#include "FakeServices.h"
#include "GuiTestSupport.h"
#include "app/AboutBox.h"
#include "app/HelpWindow.h"
#include "app/MainWindow.h"
#include "windows/inputs/InputPage.h"
#include "windows/inputs/OptionsDialog.h"
#include "windows/parameters/ParametersDialog.h"
#include "windows/results/GraphPage.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QPrintPreviewDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

namespace orvek::test {

namespace {

void save(QWidget* w, const QString& folder, const char* name) {
    QApplication::processEvents();
    w->grab().save(folder + QLatin1Char('/') + QString::fromLatin1(name) + QStringLiteral(".png"));
}

QWidget* shownWindow(const char* name) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == QLatin1String(name) && w->isVisible()) {
            return w;
        }
    }
    return nullptr;
}

void saveAndClose(const char* window, const QString& folder, const char* name) {
    QWidget* w = shownWindow(window);
    ASSERT_NE(w, nullptr) << window;
    save(w, folder, name);
    w->close();
    QApplication::processEvents();
}

// Shows the real print preview and photographs it once it has drawn its pages.
class PreviewShooter : public FakeServices {
public:
    explicit PreviewShooter(QString file) : m_file(std::move(file)) {}
    void printPreview(QWidget* parent, QPrinter& printer,
                      const std::function<void(QPrinter*)>& paint) override {
        QPrintPreviewDialog dialog(&printer, parent);
        dialog.resize(900, 700);
        QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                         [&paint](QPrinter* p) { paint(p); });
        QTimer::singleShot(800, &dialog, [this, &dialog] {
            dialog.grab().save(m_file);
            dialog.reject();
        });
        dialog.exec();
    }

private:
    QString m_file;
};

} // namespace

TEST(Screenshots, EveryTabAndDialog) {
    const QString folder = qEnvironmentVariable("ORVEK_SCREENSHOT_DIR");
    if (folder.isEmpty()) {
        GTEST_SKIP() << "set ORVEK_SCREENSHOT_DIR to save screenshots";
    }
    WorkFolder work;
    QDir().mkpath(work.path(QStringLiteral("help")));
    work.write(QStringLiteral("help/index.html"),
               "<html><body><h1>Orvek C&amp;N</h1><p>User's guide.</p></body></html>");
    QImage picture(129, 58, QImage::Format_RGB888);
    picture.fill(QColor(40, 110, 60));
    picture.save(work.path(QStringLiteral("about.jpg")), "JPEG");
    FakeServices fake;
    ui::TForm1 window;
    window.show();
    save(&window, folder, "01-input-start");

    fake.openAnswers.push_back({work.path(QStringLiteral("Example.stg")), 0});
    window.action("Retrieveinputsettings1")->trigger();
    save(&window, folder, "02-input-example");

    window.findChild<QRadioButton*>(QStringLiteral("RadioButton4"))->setChecked(true);
    window.findChild<QRadioButton*>(QStringLiteral("RadioButton6"))->setChecked(true);
    save(&window, folder, "03-input-cn-workbook");
    window.findChild<QRadioButton*>(QStringLiteral("RadioButton5"))->setChecked(true);
    fake.openAnswers.push_back({work.path(QStringLiteral("Example.stg")), 0});
    window.action("Retrieveinputsettings1")->trigger();

    QTest::mouseClick(window.inputPage()->runButton(), Qt::LeftButton);
    save(&window, folder, "04-numerical-daily");
    window.findChild<QRadioButton*>(QStringLiteral("RadioButton2"))->setChecked(true);
    save(&window, folder, "05-numerical-monthly");

    window.action("Options1")->trigger();
    saveAndClose("TForm3", folder, "06-options");
    window.action("AboutOrvekCNmodel1")->trigger();
    saveAndClose("TForm2", folder, "07-about");
    window.action("Usersinstruction1")->trigger();
    saveAndClose("HelpWindow", folder, "08-help");
}

} // namespace orvek::test

namespace orvek::test {

TEST(Screenshots, GraphParametersAndResizing) {
    const QString folder = qEnvironmentVariable("ORVEK_SCREENSHOT_DIR");
    if (folder.isEmpty()) {
        GTEST_SKIP() << "set ORVEK_SCREENSHOT_DIR to save screenshots";
    }
    WorkFolder work;
    PreviewShooter fake(folder + QStringLiteral("/14-print-preview.png"));
    ui::TForm1 window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    fake.openAnswers.push_back({work.path(QStringLiteral("Example.stg")), 0});
    window.action("Retrieveinputsettings1")->trigger();
    QTest::mouseClick(window.inputPage()->runButton(), Qt::LeftButton);
    ui::GraphPage* graph = window.graphPage();
    window.pageControl()->setCurrentIndex(2);
    graph->findChild<QCheckBox*>(QStringLiteral("CheckBox14"))->setChecked(true);
    graph->findChild<QCheckBox*>(QStringLiteral("CheckBox20"))->setChecked(true);
    save(&window, folder, "09-graph-cn-daily-days");
    QTest::mouseClick(graph->xToggleButton(), Qt::LeftButton);
    save(&window, folder, "10-graph-cn-daily-dates");
    window.findChild<QRadioButton*>(QStringLiteral("RadioButton2"))->setChecked(true);
    save(&window, folder, "11-graph-cn-monthly-dates");
    QTest::mouseClick(graph->xToggleButton(), Qt::LeftButton);
    save(&window, folder, "12-graph-cn-monthly-months");

    window.pageControl()->setCurrentIndex(0);
    window.findChild<QRadioButton*>(QStringLiteral("RadioButton3"))->setChecked(true);
    window.findChild<QRadioButton*>(QStringLiteral("RadioButton1"))->setChecked(true);
    QTest::mouseClick(window.inputPage()->runButton(), Qt::LeftButton);
    window.pageControl()->setCurrentIndex(2);
    graph->findChild<QCheckBox*>(QStringLiteral("CheckBox16"))->setChecked(true);
    save(&window, folder, "13-graph-c-daily-days");
    window.action("Printgraph1")->trigger();

    window.action("Parameters1")->trigger();
    ASSERT_NE(window.parametersDialog(), nullptr);
    save(window.parametersDialog(), folder, "15-parameters");
    window.parametersDialog()->close();
    QApplication::processEvents();

    window.resize(window.size() - window.centralWidget()->size() + QSize(895, 616) * 3 / 2);
    save(&window, folder, "16-resized-graph");
    window.pageControl()->setCurrentIndex(0);
    save(&window, folder, "17-resized-input");
    window.pageControl()->setCurrentIndex(1);
    save(&window, folder, "18-resized-numerical");
}

} // namespace orvek::test
