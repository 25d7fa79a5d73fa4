#include "app/MainWindow.h"

#include "app/AboutBox.h"
#include "app/HelpWindow.h"
#include "app/WeatherImportDialog.h"
#include "basics/Errors.h"
#include "basics/Files.h"
#include "formats/OptionsFile.h"
#include "run/PageRules.h"
#include "run/StartFolder.h"
#include "run/StartUp.h"
#include "uibase/FrozenLayout.h"
#include "uibase/HandlerGuard.h"
#include "uibase/PlatformServices.h"
#include "uibase/ProportionalForm.h"
#include "windows/inputs/InputPage.h"
#include "windows/inputs/OptionsDialog.h"
#include "windows/inputs/PageWidgets.h"
#include "windows/parameters/ParametersDialog.h"
#include "windows/results/GraphExport.h"
#include "windows/results/GraphPage.h"
#include "windows/results/NumericalOutputPage.h"
#include "windows/results/NumericalOutputPrint.h"
#include "windows/results/ResultExport.h"
#include "windows/results/ResultExportFormats.h"
#include "windows/results/TextMemo.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRect>
#include <QRegularExpression>
#include <QScreen>
#include <QTabWidget>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include <atomic>
#include <cerrno>
#include <exception>
#include <functional>
#include <memory>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace orvek::ui {

namespace {

// The client area the window's layout was made for.
constexpr int kDesignClientWidth = 895;
constexpr int kDesignClientHeight = 616;

// Keeps the window from taking input while a run works on its own thread: the window is
// still painted and the progress bar moves, but clicks, keys and close requests that arrive
// meanwhile are dropped rather than acted on after the run. A request to close the main window
// is handed to onClose instead, which may ask the user whether to stop the run.
class RunInputBlocker : public QObject {
public:
    RunInputBlocker(QWidget* window, std::function<void()> onClose)
        : m_window(window), m_onClose(std::move(onClose)) {
        qApp->installEventFilter(this);
    }
    ~RunInputBlocker() override {
        m_onClose = nullptr; // the run is over: nothing left to stop
        QCoreApplication::processEvents();
        qApp->removeEventFilter(this);
    }
    RunInputBlocker(const RunInputBlocker&) = delete;
    RunInputBlocker& operator=(const RunInputBlocker&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (m_asking) {
            return false; // the question's own dialog takes its input as usual
        }
        switch (event->type()) {
        case QEvent::Close:
            // A close box reaches the window's platform window first, close() the widget.
            if ((watched == m_window || watched == m_window->windowHandle()) && m_onClose) {
                m_asking = true;
                m_onClose();
                m_asking = false;
            }
            event->ignore(); // a close event arrives accepted: the window would hide
            return true;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Shortcut:
        case QEvent::ShortcutOverride:
        case QEvent::TouchBegin:
        case QEvent::ContextMenu:
            return true;
        default:
            return false;
        }
    }

private:
    QWidget* m_window;
    std::function<void()> m_onClose;
    bool m_asking = false;
};

// Runs performRun on a thread of its own while this thread keeps the window painted. The run
// never touches a widget: it leaves its progress in an atomic that a timer here shows on the
// bar twenty times a second. Rethrows here what the run raised.
RunOutcome runOnWorkerThread(const PageState& page, RunEnvironment env, QProgressBar* bar) {
    std::atomic<int> position{-1}; // -1 until the run has passed its checks
    env.progress = [&position](int p) { position.store(p, std::memory_order_relaxed); };
    RunOutcome outcome;
    std::exception_ptr error;
    QEventLoop loop;
    std::unique_ptr<QThread> worker(QThread::create([&] {
        try {
            outcome = performRun(page, env);
        } catch (...) {
            error = std::current_exception();
        }
    }));
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    QTimer poll;
    poll.setInterval(50);
    QObject::connect(&poll, &QTimer::timeout, bar, [bar, &position] {
        const int p = position.load(std::memory_order_relaxed);
        if (p >= 0) {
            bar->setValue(p);
            bar->show();
        }
    });
    poll.start();
    worker->start();
    loop.exec();
    worker->wait();
#ifdef __GLIBC__
    // What the run freed stays with its thread's heap otherwise, beside what the result pages
    // are about to allocate on this one.
    malloc_trim(0);
#endif
    bar->hide();
    if (error) {
        std::rethrow_exception(error);
    }
    return outcome;
}

void setButtonTextColour(QPushButton* button, const QColor& colour) {
    QPalette palette = button->palette();
    palette.setColor(QPalette::ButtonText, colour);
    button->setPalette(palette);
}

RecordFormats recordFormats() {
    RecordFormats f;
    f.shortDate = [](DateSerial d) { return ss(shortDateText(d)); };
    f.decimalSeparator = localeDecimalSeparator();
    const QDateTime now = QDateTime::currentDateTime();
    const QLocale locale = QLocale();
    f.runDate = ss(locale.toString(now.date(), QLocale::ShortFormat));
    // The long time format without the time zone, which the record has never carried.
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.remove(QRegularExpression(QStringLiteral("\\s*t+")));
    f.runTime = ss(locale.toString(now.time(), format.trimmed()));
    return f;
}

QFont titleFont(QFont base, double scale, bool italic) {
    base.setBold(true);
    base.setItalic(italic);
    base.setPointSizeF(base.pointSizeF() * scale);
    return base;
}

} // namespace

void configureApplication() {
    QApplication::setApplicationName(QStringLiteral("Orvek C&N"));
}

TForm1::TForm1() : TForm1(QDir::currentPath()) {}

TForm1::TForm1(const QString& startFolder) {
    setObjectName(QStringLiteral("TForm1"));
    setWindowTitle(QStringLiteral("Orvek C&N "));

    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("ClientArea"));
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(6, 2, 6, 4);
    layout->setSpacing(2);

    m_page = new InputPage(m_values);
    m_output = new NumericalOutputPage;
    m_graphTab = new QWidget;
    m_graphTab->setObjectName(QStringLiteral("TabSheet3"));
    auto* graphLayout = new QVBoxLayout(m_graphTab);
    graphLayout->setContentsMargins(0, 0, 0, 0);
    m_graph = new GraphPage(m_graphTab);
    connect(m_graph, &GraphPage::saveGraphRequested, this, &TForm1::SaveGraphAs1Click);
    m_graph->setObjectName(QStringLiteral("GraphPage1"));
    graphLayout->addWidget(m_graph);

    layout->addWidget(buildHeader());
    m_tabs = new QTabWidget(central);
    m_tabs->setObjectName(QStringLiteral("PageControl1"));
    m_tabs->addTab(m_page, QStringLiteral(" Input setting "));
    m_tabs->addTab(m_output, QStringLiteral(" Numerical output"));
    m_tabs->addTab(m_graphTab, QStringLiteral(" Graph "));
    m_tabs->setTabEnabled(1, false);
    m_tabs->setTabEnabled(2, false);
    layout->addWidget(m_tabs, 1);
    setCentralWidget(central);
    buildMenus();
    // The design client size below the menu bar, in the middle of the desktop.
    resize(kDesignClientWidth, kDesignClientHeight + menuBar()->sizeHint().height());
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = rect();
        frame.moveCenter(screen->availableGeometry().center());
        move(std::max(0, frame.x()), std::max(0, frame.y()));
    }

    connect(m_tabs, &QTabWidget::currentChanged, this, &TForm1::PageControl1Change);
    connect(m_page->runButton(), &QPushButton::clicked, this, &TForm1::BitBtn1Click);
    connect(m_page->dailyButton(), &QRadioButton::toggled, this, &TForm1::RadioButton1Click);
    connect(m_output->excelButton(), &QPushButton::clicked, this, &TForm1::BitBtn3Click);

    FormCreate(startFolder);
}

TForm1::~TForm1() {
    // The session goes before the child widgets do; a field that loses the focus meanwhile must
    // not hand its text to it.
    m_page->detachFromSession();
    delete m_about.data();
    delete m_options.data();
    delete m_form4.data();
    delete m_help.data();
    delete m_resizer.data();
}

QWidget* TForm1::buildHeader() {
    auto* header = new QWidget(this);
    header->setObjectName(QStringLiteral("Header"));
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 0);
    // A compact group, so that the header is no taller than the two titles.
    m_page->outputStepGroup()->layout()->setContentsMargins(9, 2, 9, 3);
    row->addWidget(m_page->outputStepGroup(), 0, Qt::AlignLeft | Qt::AlignBottom);
    row->addSpacing(12);
    auto* titles = new QVBoxLayout;
    titles->setSpacing(0);
    auto* name = new QLabel(QStringLiteral("Orvek C&N"), header);
    name->setObjectName(QStringLiteral("Label1"));
    name->setTextFormat(Qt::PlainText);
    name->setFont(titleFont(font(), 2.0, true));
    auto* purpose =
        new QLabel(QStringLiteral("for simulation of carbon and nitrogen mineralization"), header);
    purpose->setObjectName(QStringLiteral("Label2"));
    purpose->setFont(titleFont(font(), 1.0, false));
    for (QLabel* label : {name, purpose}) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, Qt::blue);
        label->setPalette(palette);
        // The titles take the width beside the group, their text at its right end, so that
        // a scaled font never runs out of room.
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        titles->addWidget(label);
    }
    row->addLayout(titles, 1);
    // The time step group comes and goes with the tabs; the header keeps its height.
    header->setMinimumHeight(
        std::max(header->sizeHint().height(), m_page->outputStepGroup()->sizeHint().height()));
    QSizePolicy policy = m_page->outputStepGroup()->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    m_page->outputStepGroup()->setSizePolicy(policy);
    return header;
}

TProportionalForm* TForm1::proportionalForm() const {
    return m_resizer;
}

TForm4* TForm1::parametersDialog() const {
    return m_form4;
}

QAction* TForm1::action(const char* name) const {
    return findChild<QAction*>(QString::fromLatin1(name));
}

void TForm1::buildMenus() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    const auto item = [this](QMenu* menu, const char* name, const QString& caption,
                             const QKeySequence& key, void (TForm1::*handler)()) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        if (!key.isEmpty()) {
            a->setShortcut(key);
        }
        if (handler != nullptr) {
            connect(a, &QAction::triggered, this, handler);
        } else {
            a->setEnabled(false); // its command is not part of this window yet
        }
        return a;
    };
    const QKeySequence none;

    QMenu* setting = bar->addMenu(QStringLiteral("Setting"));
    setting->setObjectName(QStringLiteral("Setting1"));
    item(setting, "Retrieveinputsettings1", QStringLiteral("Retrieve input settings"),
         QKeySequence(Qt::CTRL | Qt::Key_R), &TForm1::Retrieveinputsettings1Click);
    item(setting, "Saveinputsettings1", QStringLiteral("Save input settings"),
         QKeySequence(Qt::CTRL | Qt::Key_S), &TForm1::Saveinputsettings1Click);
    setting->addSeparator();
    item(setting, "Resetallsetting1", QStringLiteral("Reset all settings"), none,
         &TForm1::Resetallsetting1Click);
    setting->addSeparator();
    item(setting, "Options1", QStringLiteral("Options..."), none, &TForm1::Options1Click);
    setting->addSeparator();
    item(setting, "Parameters1", QStringLiteral("Model parameters..."), none,
         &TForm1::Parameters1Click);
    setting->addSeparator();
    item(setting, "Exit1", QStringLiteral("Exit"), QKeySequence(Qt::CTRL | Qt::Key_Q),
         &TForm1::Exit1Click);

    QMenu* save = bar->addMenu(QStringLiteral("Save"));
    save->setObjectName(QStringLiteral("Save1"));
    item(save, "Savedetailedresult1", QStringLiteral("Save numerical ouput as Excel file"), none,
         &TForm1::Savedetailedresult1Click);
    save->addSeparator();
    item(save, "SaveResultCsv1", QStringLiteral("Save result as CSV..."), none,
         &TForm1::SaveResultCsv1Click);
    item(save, "SaveResultXlsx1", QStringLiteral("Save result as .xlsx..."), none,
         &TForm1::SaveResultXlsx1Click);
    item(save, "SaveGraphAs1", QStringLiteral("Save graph as..."), none,
         &TForm1::SaveGraphAs1Click);

    QMenu* print = bar->addMenu(QStringLiteral("Print"));
    print->setObjectName(QStringLiteral("Print1"));
    item(print, "Printgraph1", QStringLiteral("Print graph"), none, &TForm1::Printgraph1Click);
    item(print, "Printdetailedresult1", QStringLiteral("Print numerical output"), none,
         &TForm1::Printdetailedresult1Click);
    setResultPrintingEnabled(false); // until a run has left something to print
    print->addSeparator();
    item(print, "Printersetup1", QStringLiteral("Printer setup"), none,
         &TForm1::Printersetup1Click);

    QMenu* utilities = bar->addMenu(QStringLiteral("Utilities"));
    utilities->setObjectName(QStringLiteral("Utilities1"));
    item(utilities, "Calculator1", QStringLiteral("Calculator"), none, &TForm1::Calculator1Click);
    QAction* importWeather =
        item(utilities, "Importweather1", QStringLiteral("Import weather..."), none, nullptr);
    importWeather->setEnabled(true);
    connect(importWeather, &QAction::triggered, this, [this] {
        auto* dialog = new WeatherImportDialog(this, qs(m_values.workingFolder));
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->open();
    });

    QMenu* help = bar->addMenu(QStringLiteral("Help"));
    help->setObjectName(QStringLiteral("Help1"));
    item(help, "Usersinstruction1", QStringLiteral("User's instruction"), QKeySequence(Qt::Key_F1),
         &TForm1::Usersinstruction1Click);
    help->addSeparator();
    item(help, "Derivationandvalidationofmodelformulation1",
         QStringLiteral("Reference on model formulation "), none,
         &TForm1::Derivationandvalidationofmodelformulation1Click);
    help->addSeparator();
    item(help, "AboutOrvekCNmodel1", QStringLiteral("About the Orvek C&&N model"), none,
         &TForm1::AboutOrvekCNmodel1Click);
}

// --- Start-up and closing -------------------------------------------------------------------

void TForm1::FormCreate(const QString& startFolder) {
    m_values.decimalSeparator = localeDecimalSeparator();
    m_values.shortDate = [](DateSerial d) { return ss(shortDateText(d)); };
    m_resizer = new TProportionalForm(this);
    // Qt measures the layout in device-independent pixels, which already look the same on
    // every screen: the window opens at its design size, its controls filling it, rather than
    // at a size taken from the screen's dimensions with the controls in one corner of it.
    m_resizer->switches.ResolutionIndependence = false;
    // The window opens at its design size in the middle of the desktop by itself; resizing
    // switched on later in the Options dialog scales the controls to the window as it is
    // rather than snapping the window back.
    m_resizer->switches.PlaceWindowOnCapture = false;
    // Installed after the resizing component's filter, so it runs first: the controls get
    // their absolute places before the component captures them.
    installEventFilter(this);
    m_tabs->setCurrentWidget(m_page);
    std::string failed;
    // The start-up orvek-batch makes too; the window also holds its folder for the whole
    // session and clears the leftover working files there before it reads any file.
    guarded(this, [this, &startFolder, &failed] {
        failed = startSession(m_values, ss(QDir::cleanPath(startFolder)),
                              [this](const std::string& folder) {
                                  m_graph->setStartFolder(qs(folder));
                                  m_folderLock = claimFolder(folder);
                                  deleteTempFiles(folder);
                              });
    });
    if (!ownsStartFolder()) {
        // Another run works here: that was said, nothing of the folder was touched, and the
        // window closes.
        QTimer::singleShot(0, this, &QWidget::close);
        return;
    }
    m_page->showSession();
    // A failing step ends the start-up there; the window opens all the same.
    if (!failed.empty()) {
        showError(this, qs(failed));
    } else {
        m_page->setOpenFileReminderOff(false);
    }
    applyResizing();
}

void TForm1::loadDefaults() {
    m_page->apply([this] { orvek::loadDefaults(m_values); });
    applyResizing();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    // The first event of the shown window, when every layout has placed its controls.
    if (watched == this && !m_frozen && isVisible()) {
        freezeAtDesignSize();
    }
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::freezeAtDesignSize() {
    m_frozen = true;
    removeEventFilter(this);
    QWidget* client = centralWidget();
    // A desktop font larger than the layout was made for needs more room; the controls are
    // then arranged at the smallest size that holds them, and that becomes the reference.
    const QSize design =
        QSize(kDesignClientWidth, kDesignClientHeight).expandedTo(layoutMinimumSize(client));
    if (client->size() != design) {
        resize(size() + design - client->size());
    }
    freezeLayouts(client);
    m_resizer->design.DesignFormClientWidth = client->width();
    m_resizer->design.DesignFormClientHeight = client->height();
    applyResizing();
}

void TForm1::applyResizing() {
    if (!m_resizer) {
        return;
    }
    m_resizer->setActive(m_values.resizable);
    if (m_frozen) {
        // Scaled controls may shrink with the window down to three quarters, where the
        // smallest text is still legible; fixed ones keep the room they need.
        const QSize design(m_resizer->design.DesignFormClientWidth,
                           m_resizer->design.DesignFormClientHeight);
        centralWidget()->setMinimumSize(m_values.resizable ? design * 3 / 4 : design);
    }
}

void TForm1::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
}

void TForm1::FormClose() {
    if (m_help) {
        m_help->close();
    }
    if (ownsStartFolder()) {
        deleteTempFiles(m_values.startFolder);
    }
}

void TForm1::Exit1Click() {
    close();
}

// --- Runs and results -----------------------------------------------------------------------

void TForm1::BitBtn1Click() {
    guarded(this, [this] { TheModel(); });
}

void TForm1::TheModel() {
    QPushButton* run = m_page->runButton();
    RunEnvironment env;
    env.startFolder = m_values.startFolder;
    env.decimalSeparator = localeDecimalSeparator();
    env.formats = recordFormats();
    std::atomic<bool> stop{false};
    env.stop = &stop;
    bool closeAfterRun = false;
    const PageState page = m_page->pageState();
    RunOutcome outcome;
    {
        const RunInputBlocker blocker(this, [this, &stop, &closeAfterRun] {
            if (services().askYesNoCancel(this, QStringLiteral("A run is in progress.\n"
                                                               "Do you want to stop it?")) ==
                Answer::Yes) {
                stop.store(true);
                closeAfterRun = true;
            }
        });
        outcome = runOnWorkerThread(page, env, m_page->progressBar());
        if (outcome.ok && !closeAfterRun) {
            services().beep(BeepKind::Asterisk);
            setButtonTextColour(run, QColor(0, 128, 0));
            run->setText(QStringLiteral("It's done!"));
            run->repaint();
            services().pause(1500);
            setButtonTextColour(run, Qt::red);
            run->setText(QStringLiteral("Run..."));
        }
    }
    if (closeAfterRun) {
        // The user asked to close the window; a run that ended before it could be stopped
        // has written its results, a stopped one has left the previous ones as they were.
        QTimer::singleShot(0, this, &QWidget::close);
        return;
    }
    if (!outcome.ok) {
        for (int i = 0; i < outcome.beeps; ++i) {
            services().beep(BeepKind::Hand);
        }
        services().message(this, qs(outcome.message), MessageIcon::Error);
        return;
    }
    m_lastRun = outcome.last;
    showResults(outcome.last);
}

void TForm1::showResults(const LastRun& last) {
    QGroupBox* step = m_page->outputStepGroup();
    step->setEnabled(true);
    m_dailyOutput = m_page->dailyButton()->isChecked();
    // The memo and the graph each show what they could read; a file that cannot be read is
    // reported, and the window still ends with the results pages open. The memo's page is
    // opened and sized first, so that the memo takes its text at the size it is shown.
    m_tabs->setTabEnabled(1, true);
    m_tabs->setTabEnabled(2, true);
    const QRect pages = m_tabs->currentWidget()->geometry(); // every page has the same
    m_tabs->setCurrentWidget(m_output);
    m_output->setGeometry(pages); // now, not when the window is next laid out
    m_output->layout()->activate();
    guarded(this, [this] { m_output->loadMemo(m_values.startFolder, m_dailyOutput); });
    m_output->excelButton()->setEnabled(true);
    setResultPrintingEnabled(true);
    guarded(this, [this, &last] { m_graph->showRunResults(last, m_dailyOutput); });
    m_tabs->setCurrentWidget(m_output);
    step->setVisible(true);
}

void TForm1::RadioButton1Click() {
    if (!m_lastRun) {
        return; // before the first run the choice is only recorded
    }
    m_dailyOutput = m_page->dailyButton()->isChecked();
    guarded(this, [this] { m_output->showTimeStep(m_values.startFolder, m_dailyOutput); });
    guarded(this, [this] { m_graph->timeStepChanged(m_dailyOutput); });
}

void TForm1::PageControl1Change(int index) {
    m_page->outputStepGroup()->setVisible(index != m_tabs->indexOf(m_page));
}

// --- Setting files --------------------------------------------------------------------------

void TForm1::Retrieveinputsettings1Click() {
    guarded(this, [this] {
        FileDialogRequest request;
        request.title = QStringLiteral(" Select setting file");
        const std::string working = m_values.workingFolder;
        request.initialFolder =
            qs(!working.empty() && folderExists(working) ? working : m_values.startFolder);
        request.filters = {QStringLiteral("Setting file (*.stg)"),
                           QStringLiteral("all files (*.*)")};
        const FileDialogResult chosen = services().openFile(this, request);
        if (chosen.path.isEmpty()) {
            return;
        }
        const std::string path = resolveFileName(ss(chosen.path));
        m_page->apply([this, &path] { retrieveSettings(m_values, path); });
        m_graph->setSettingName(QFileInfo(qs(path)).completeBaseName());
    });
}

void TForm1::Saveinputsettings1Click() {
    guarded(this, [this] {
        FileDialogRequest request;
        request.title = QStringLiteral("Save settings to file");
        const std::string working = m_values.workingFolder;
        request.initialFolder =
            qs(!working.empty() && folderExists(working) ? working : m_values.startFolder);
        // The name last used, without its folder: the dialog opens in the working folder,
        // also after the Options dialog has changed it.
        request.fileName = QFileInfo(m_lastSettingFile).fileName();
        request.filters = {QStringLiteral("Setting file (*.stg)"),
                           QStringLiteral("Any file (*.*)")};
        request.defaultSuffix = QStringLiteral("stg");
        request.confirmOverwrite = true;
        const FileDialogResult chosen = services().saveFile(this, request);
        if (chosen.path.isEmpty()) {
            return;
        }
        QString path = chosen.path;
        if (QFileInfo(path).suffix().isEmpty()) {
            path += QStringLiteral(".stg");
            // The dialog asked about the name as typed, not about this one.
            if (QFileInfo::exists(path) &&
                services().askYesNoCancel(
                    this, QStringLiteral("%1 already exists.\nDo you want to replace it?")
                              .arg(QFileInfo(path).fileName())) != Answer::Yes) {
                return;
            }
        }
        m_lastSettingFile = path;
        saveSettings(m_values, ss(path));
        m_graph->setSettingName(QFileInfo(path).completeBaseName());
    });
}

void TForm1::Resetallsetting1Click() {
    guarded(this, [this] {
        m_page->apply([this] { PageModel(m_values).resetPage(); });
        loadDefaults();
    });
}

// --- Secondary windows ------------------------------------------------------------------------

void TForm1::showSecondaryWindow(QWidget* window) {
    QRect frame = window->frameGeometry();
    frame.moveCenter(frameGeometry().center());
    window->move(frame.topLeft());
    window->winId();
    if (window->windowHandle() != nullptr && windowHandle() != nullptr) {
        window->windowHandle()->setTransientParent(windowHandle());
    }
    window->show();
    setEnabled(false);
    window->activateWindow();
}

void TForm1::Options1Click() {
    auto* dialog = new TForm3(
        m_values, [this] { guarded(this, [this] { loadDefaults(); }); }, this);
    m_options = dialog;
    // OK switches resizing at once, also when the defaults wait for the next start.
    connect(dialog, &QDialog::finished, this, &TForm1::applyResizing);
    showSecondaryWindow(dialog);
}

void TForm1::Parameters1Click() {
    QAction* entry = action("Parameters1");
    m_form4 = TForm4::open(this, qs(m_values.startFolder));
    if (!m_form4) {
        return; // its file could not be read: reported, and the window stays usable
    }
    entry->setEnabled(false);
    connect(m_form4, &QObject::destroyed, entry, [entry] { entry->setEnabled(true); });
}

void TForm1::AboutOrvekCNmodel1Click() {
    m_about = new TForm2(m_values.startFolder, this);
    showSecondaryWindow(m_about);
}

// --- Result workbooks and printing ------------------------------------------------------------

namespace {

ResultExportSource exportSource(const Session& values, const std::optional<LastRun>& last,
                                bool dailyOutput) {
    ResultExportSource source;
    source.startFolder = values.startFolder;
    source.workingFolder = withTrailingSeparator(values.workingFolder);
    source.last = last.value_or(LastRun{});
    source.dailyOutput = dailyOutput;
    return source;
}

} // namespace

void TForm1::Savedetailedresult1Click() {
    if (m_tabs->currentWidget() != m_output) {
        services().beep(BeepKind::Hand);
        services().message(this, QStringLiteral("First select page 'Detailed result'"),
                           MessageIcon::Error);
        return;
    }
    guarded(this,
            [this] { saveResultsAs(this, exportSource(m_values, m_lastRun, m_dailyOutput)); });
}

void TForm1::BitBtn3Click() {
    guarded(this, [this] {
        openResultsInSpreadsheet(this, exportSource(m_values, m_lastRun, m_dailyOutput));
    });
}

void TForm1::SaveResultCsv1Click() {
    guarded(this,
            [this] { saveResultsAsCsv(this, exportSource(m_values, m_lastRun, m_dailyOutput)); });
}

void TForm1::SaveResultXlsx1Click() {
    guarded(this,
            [this] { saveResultsAsXlsx(this, exportSource(m_values, m_lastRun, m_dailyOutput)); });
}

void TForm1::SaveGraphAs1Click() {
    guarded(this, [this] {
        saveGraphAs(this, m_graph->chart(), qs(withTrailingSeparator(m_values.workingFolder)));
    });
}

void TForm1::Printgraph1Click() {
    guarded(this, [this] { m_graph->printGraph(printer(), this); });
}

void TForm1::setResultPrintingEnabled(bool enabled) {
    for (const char* name : {"Printgraph1", "Printdetailedresult1", "SaveResultCsv1",
                             "SaveResultXlsx1", "SaveGraphAs1"}) {
        if (auto* action = findChild<QAction*>(QString::fromLatin1(name))) {
            action->setEnabled(enabled);
        }
    }
}

QPrinter& TForm1::printer() {
    if (!m_printer) {
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    }
    return *m_printer;
}

void TForm1::Printdetailedresult1Click() {
    guarded(this, [this] {
        if (m_tabs->currentWidget() != m_output) {
            m_tabs->setCurrentWidget(m_output);
            services().pause(1000); // so that the page is drawn before the print dialog
        }
        if (!services().printDialog(this, printer())) {
            return;
        }
        printMemo(printer(), m_output->memo()->font(), m_output->memo()->lines());
    });
}

void TForm1::Printersetup1Click() {
    services().pageSetupDialog(this, printer());
}

void TForm1::Calculator1Click() {
    if (!services().startCalculator()) {
        services().beep(BeepKind::Hand);
        services().message(this, QStringLiteral("Sorry, MS calculator is not found."),
                           MessageIcon::Error);
    }
}

void TForm1::Usersinstruction1Click() {
    guarded(this, [this] {
        const std::string path = resolveFileName(m_values.startFolder + kHelpIndexPath);
        if (!fileExists(path)) {
            throw OrvekError(cannotOpenMessage(path, ENOENT));
        }
        if (!m_help) {
            m_help = new HelpWindow(qs(path));
        }
        m_help->show();
        m_help->raise();
        m_help->activateWindow();
    });
}

void TForm1::Derivationandvalidationofmodelformulation1Click() {
    services().openDocument(qs(resolveFileName(m_values.startFolder + kReferenceDocumentName)));
}

} // namespace orvek::ui
