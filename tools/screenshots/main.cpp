// Not a test: saves pictures of every window and dialog for a person to look at, after thirty-
// year runs in both modes, with daily and monthly output, days and dates on the graph's X axis.
// tools/screenshots.sh builds it and runs it at 96 DPI and at QT_SCALE_FACTOR=1.5.
//
//   orvek-screenshots OUTPUT_FOLDER
//
// The dialogs of the program are answered by the test fakes so that nothing waits for a
// person; the platform's own boxes (messages, the reminder, the folder chooser, the print
// preview) are the real ones, photographed as soon as they show and then closed.

#include "FakeServices.h"
#include "app/MainWindow.h"
#include "windows/inputs/InputPage.h"
#include "windows/parameters/ParametersDialog.h"
#include "windows/results/GraphPage.h"
#include "windows/results/NumericalOutputPage.h"
#include "windows/results/TextMemo.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QPrintPreviewDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace {

using orvek::test::FakeServices;
namespace ui = orvek::ui;

QString g_folder;
QStringList g_saved;

void settle() {
    for (int i = 0; i < 5; ++i) {
        QApplication::processEvents();
        QTest::qWait(20);
    }
}

void save(QWidget* w, const QString& name) {
    settle();
    const QString path = g_folder + QLatin1Char('/') + name + QStringLiteral(".png");
    if (!w->grab().save(path)) {
        std::fprintf(stderr, "could not save %s\n", qPrintable(path));
    }
    g_saved << name;
}

// Photographs the next modal window that opens, then lets close() end it.
void shootNextModal(const QString& name, std::function<void(QWidget*)> close) {
    QTimer::singleShot(0, [name, close = std::move(close)] {
        for (int tries = 0; tries < 300; ++tries) {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                QTest::qWait(150);
                save(modal, name);
                close(modal);
                return;
            }
            QTest::qWait(10);
        }
        std::fprintf(stderr, "no window opened for %s\n", qPrintable(name));
    });
}

// The program's fakes, but with the real print preview, which is photographed once drawn.
class Services : public FakeServices {
public:
    QString previewName;
    void printPreview(QWidget* parent, QPrinter& printer,
                      const std::function<void(QPrinter*)>& paint) override {
        QPrintPreviewDialog dialog(&printer, parent);
        dialog.resize(900, 700);
        QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                         [&paint](QPrinter* p) { paint(p); });
        QTimer::singleShot(800, &dialog, [this, &dialog] {
            save(&dialog, previewName);
            dialog.reject();
        });
        dialog.exec();
    }
    void pause(int) override { settle(); }
};

template <typename T> T* find(QWidget* in, const char* name) {
    T* w = in->findChild<T*>(QLatin1String(name));
    if (w == nullptr) {
        std::fprintf(stderr, "no %s\n", name);
        std::exit(2);
    }
    return w;
}

QWidget* shownWindow(const char* name) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == QLatin1String(name) && w->isVisible()) {
            return w;
        }
    }
    return nullptr;
}

void copyData(const QString& from, const QString& to) {
    const QDir data(from);
    for (const QString& name : data.entryList(QDir::Files)) {
        QFile::copy(data.filePath(name), to + QLatin1Char('/') + name);
    }
    QDir().mkpath(to + QStringLiteral("/help"));
    for (const QString& name : QDir(from + QStringLiteral("/help")).entryList(QDir::Files)) {
        QFile::copy(from + QStringLiteral("/help/") + name, to + QStringLiteral("/help/") + name);
    }
}

void setSeries(ui::GraphPage* graph, std::initializer_list<int> boxes) {
    for (int b = 14; b <= 21; ++b) {
        auto* box = find<QCheckBox>(graph, QStringLiteral("CheckBox%1").arg(b).toLatin1());
        const bool wanted = std::find(boxes.begin(), boxes.end(), b) != boxes.end();
        if (box->isEnabled() && box->isChecked() != wanted) {
            box->setChecked(wanted);
        }
    }
}

// The graph in every combination of time step and X axis.
void shootGraph(ui::TForm1& window, const QString& mode) {
    ui::GraphPage* graph = window.graphPage();
    window.pageControl()->setCurrentIndex(2);
    for (const char* step : {"RadioButton1", "RadioButton2"}) {
        find<QRadioButton>(&window, step)->setChecked(true);
        const QString stepName = QLatin1String(step) == QLatin1String("RadioButton1")
                                     ? QStringLiteral("daily")
                                     : QStringLiteral("monthly");
        for (int x = 0; x < 2; ++x) {
            save(&window, QStringLiteral("graph-%1-%2-%3")
                              .arg(mode, stepName,
                                   graph->xAxisDates() ? QStringLiteral("dates")
                                                       : QStringLiteral("counts")));
            QTest::mouseClick(graph->xToggleButton(), Qt::LeftButton);
        }
    }
    find<QRadioButton>(&window, "RadioButton1")->setChecked(true);
}

void shootRun(ui::TForm1& window, Services& fake, const QString& mode) {
    window.pageControl()->setCurrentIndex(0);
    QTest::mouseClick(window.inputPage()->runButton(), Qt::LeftButton);
    if (!fake.messages.empty()) {
        std::fprintf(stderr, "the %s run said: %s\n", qPrintable(mode),
                     qPrintable(fake.messageTexts().join(QLatin1Char('|'))));
        fake.messages.clear();
    }
    for (const char* step : {"RadioButton1", "RadioButton2"}) {
        find<QRadioButton>(&window, step)->setChecked(true);
        const QString stepName = QLatin1String(step) == QLatin1String("RadioButton1")
                                     ? QStringLiteral("daily")
                                     : QStringLiteral("monthly");
        window.pageControl()->setCurrentIndex(1);
        ui::TextMemo* memo = window.outputPage()->memo();
        memo->moveCaret(ui::TextMemo::Move::TextStart);
        save(&window, QStringLiteral("numerical-%1-%2-top").arg(mode, stepName));
        // The rows from October to December of the first year, where dates are widest.
        const int row = stepName == QStringLiteral("daily") ? 4 + 280 : 4 + 9;
        memo->centerOnLine(row);
        save(&window, QStringLiteral("numerical-%1-%2-autumn").arg(mode, stepName));
        fake.printToPdf =
            g_folder + QStringLiteral("/print-numerical-%1-%2.pdf").arg(mode, stepName);
        window.action("Printdetailedresult1")->trigger();
        fake.printToPdf.clear();
    }
    find<QRadioButton>(&window, "RadioButton1")->setChecked(true);

    ui::GraphPage* graph = window.graphPage();
    if (mode == QStringLiteral("c")) {
        setSeries(graph, {14, 15, 16});
    } else {
        setSeries(graph, {14, 15, 16, 17, 18, 19, 20, 21});
    }
    shootGraph(window, mode + QStringLiteral("-all"));
    setSeries(graph, {15, 18});
    window.pageControl()->setCurrentIndex(2);
    save(&window, QStringLiteral("graph-%1-default").arg(mode));
    setSeries(graph, {});
    save(&window, QStringLiteral("graph-%1-no-series").arg(mode));
    setSeries(graph, {15, 18});
    fake.previewName = QStringLiteral("print-preview-graph-%1").arg(mode);
    window.action("Printgraph1")->trigger();
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    ui::configureApplication();
    if (argc < 2) {
        std::fprintf(stderr, "usage: orvek-screenshots OUTPUT_FOLDER [DATA_FOLDER]\n");
        return 2;
    }
    g_folder = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir().mkpath(g_folder);
    const QString data =
        argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral(ORVEK_DATA_DIR);

    QTemporaryDir start;
    copyData(data, start.path());
    QDir::setCurrent(start.path());
    Services fake;
    ui::TForm1 window;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        return 1;
    }
    save(&window, QStringLiteral("input-start"));

    fake.openAnswers.push_back({start.filePath(QStringLiteral("Example.stg")), 0});
    window.action("Retrieveinputsettings1")->trigger();
    save(&window, QStringLiteral("input-example"));
    find<QRadioButton>(&window, "RadioButton6")->setChecked(true);
    save(&window, QStringLiteral("input-workbook-events"));
    find<QRadioButton>(&window, "RadioButton5")->setChecked(true);
    fake.openAnswers.push_back({start.filePath(QStringLiteral("Example.stg")), 0});
    window.action("Retrieveinputsettings1")->trigger();

    // Thirty years: all of the bundled weather.
    find<QDateEdit>(&window, "DateTimePicker1")->setDate(QDate(1991, 1, 1));
    find<QDateEdit>(&window, "DateTimePicker2")->setDate(QDate(2020, 12, 31));
    find<QRadioButton>(&window, "RadioButton4")->setChecked(true);
    save(&window, QStringLiteral("input-cn-thirty-years"));
    shootRun(window, fake, QStringLiteral("cn"));
    find<QRadioButton>(&window, "RadioButton3")->setChecked(true);
    window.pageControl()->setCurrentIndex(0);
    save(&window, QStringLiteral("input-c-thirty-years"));
    shootRun(window, fake, QStringLiteral("c"));

    // Secondary windows.
    window.action("Options1")->trigger();
    QWidget* options = shownWindow("TForm3");
    save(options, QStringLiteral("options"));
    shootNextModal(QStringLiteral("options-browse"),
                   [](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
    ui::setServices(nullptr); // the real folder chooser
    QTest::mouseClick(find<QPushButton>(options, "Button5"), Qt::LeftButton);
    ui::setServices(&fake);
    options->close();
    settle();
    window.action("AboutOrvekCNmodel1")->trigger();
    save(shownWindow("TForm2"), QStringLiteral("about"));
    shownWindow("TForm2")->close();
    settle();
    window.action("Usersinstruction1")->trigger();
    save(shownWindow("HelpWindow"), QStringLiteral("help"));
    shownWindow("HelpWindow")->close();
    window.action("Parameters1")->trigger();
    ui::TForm4* parameters = window.parametersDialog();
    save(parameters, QStringLiteral("parameters"));
    QTest::mouseClick(find<QCheckBox>(parameters, "CheckBox1"), Qt::LeftButton, {},
                      QPoint(6, find<QCheckBox>(parameters, "CheckBox1")->height() / 2));
    save(parameters, QStringLiteral("parameters-modifiable"));
    parameters->close();
    settle();

    // The platform's boxes as the program shows them.
    ui::PlatformServices& desktop = ui::desktopServices();
    shootNextModal(QStringLiteral("box-reminder"), [](QWidget* w) { w->close(); });
    desktop.openFileReminder(&window);
    shootNextModal(QStringLiteral("box-error"), [](QWidget* w) { w->close(); });
    desktop.message(&window, QStringLiteral("Weather file not specified or not found!"),
                    ui::MessageIcon::Error);
    shootNextModal(QStringLiteral("box-no-spreadsheet"), [](QWidget* w) { w->close(); });
    desktop.message(&window,
                    QStringLiteral("Result-1.xls was saved in %1, but no spreadsheet program is "
                                   "set up to open .xls files.")
                        .arg(start.path()),
                    ui::MessageIcon::Information);
    shootNextModal(QStringLiteral("box-save-changes"), [](QWidget* w) { w->close(); });
    desktop.askYesNoCancel(&window, QStringLiteral("Save changes?"));

    // Proportional resizing, at one and a half times the design size.
    window.action("Options1")->trigger();
    options = shownWindow("TForm3");
    auto* resizable = find<QCheckBox>(options, "CheckBox2");
    if (!resizable->isChecked()) {
        QTest::mouseClick(resizable, Qt::LeftButton, {}, QPoint(6, resizable->height() / 2));
    }
    QTest::mouseClick(find<QPushButton>(options, "Button1"), Qt::LeftButton);
    settle();
    window.resize(window.size() - window.centralWidget()->size() + QSize(895, 616) * 3 / 2);
    for (int tab = 0; tab < 3; ++tab) {
        window.pageControl()->setCurrentIndex(tab);
        save(&window, QStringLiteral("resized-tab%1").arg(tab + 1));
    }
    window.resize(window.size() - window.centralWidget()->size() + QSize(895, 616) * 3 / 4);
    for (int tab = 0; tab < 3; ++tab) {
        window.pageControl()->setCurrentIndex(tab);
        save(&window, QStringLiteral("shrunk-tab%1").arg(tab + 1));
    }

    QTextStream(stdout) << g_saved.size() << " screenshots in " << g_folder << "\n";
    return 0;
}
