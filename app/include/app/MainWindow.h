#pragma once

#include "basics/FolderLock.h"
#include "run/RunPipeline.h"
#include "run/Session.h"

#include <QMainWindow>
#include <QPointer>
#include <QString>

#include <memory>
#include <optional>

class QAction;
class QLabel;
class QPrinter;
class QTabWidget;

namespace orvek::ui {

class GraphPage;
class HelpWindow;
class InputPage;
class NumericalOutputPage;
class TForm2;
class TForm3;
class TForm4;
class TProportionalForm;

// Names the application. No display name is set: the desktop would append it to every window's
// caption, and the captions are to read exactly as they are given.
void configureApplication();

inline constexpr const char* kHelpIndexPath = "help/index.html";
inline constexpr const char* kReferenceDocumentName = "Orvek model formulation.html";

// The main window: the three tabs, the output time step, the menus, and the commands that
// belong to no page. Its start folder holds the options, the substrate list, the parameter
// files and the working files of each run; without one given it is the current folder.
//
// Its controls are arranged by layouts once, at the design client size, and then keep absolute
// geometry: proportional resizing scales them with the window, and with resizing switched off
// they keep their place and size whatever the window's size.
class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    TForm1();
    explicit TForm1(const QString& startFolder);
    ~TForm1() override;

    InputPage* inputPage() const { return m_page; }
    NumericalOutputPage* outputPage() const { return m_output; }
    GraphPage* graphPage() const { return m_graph; }
    TProportionalForm* proportionalForm() const;
    TForm4* parametersDialog() const; // the open Parameters dialog, or nullptr
    QTabWidget* pageControl() const { return m_tabs; }
    const Session& programValues() const { return m_values; }
    // What the result pages read the files with: a copy taken at the end of the last
    // successful run, untouched by later changes of the page.
    const std::optional<LastRun>& lastRun() const { return m_lastRun; }
    bool dailyOutput() const { return m_dailyOutput; }
    QPrinter& printer();
    void setResultPrintingEnabled(bool enabled);
    QAction* action(const char* name) const;

    // False when another run or window held the start folder: the window has said so and
    // closes without touching the folder.
    bool ownsStartFolder() const { return m_folderLock != nullptr; }

    // Applies "Option.Orvek" to the input page and the folders; raises OrvekError.
    void loadDefaults();
    // One run from the page to the result pages; failed checks and errors are shown.
    void TheModel();

public slots:
    void BitBtn1Click();
    void RadioButton1Click();
    void PageControl1Change(int index);
    void Retrieveinputsettings1Click();
    void Saveinputsettings1Click();
    void Resetallsetting1Click();
    void Options1Click();
    void Parameters1Click();
    void Exit1Click();
    void Savedetailedresult1Click();
    void BitBtn3Click();
    void SaveResultCsv1Click();
    void SaveResultXlsx1Click();
    void SaveGraphAs1Click();
    void Printgraph1Click();
    void Printdetailedresult1Click();
    void Printersetup1Click();
    void Calculator1Click();
    void Usersinstruction1Click();
    void Derivationandvalidationofmodelformulation1Click();
    void AboutOrvekCNmodel1Click();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate(const QString& startFolder);
    void FormClose();
    void buildMenus();
    QWidget* buildHeader();
    void showResults(const LastRun& last);
    void showSecondaryWindow(QWidget* window);
    void freezeAtDesignSize();
    void applyResizing();

    Session m_values;
    InputPage* m_page = nullptr;
    NumericalOutputPage* m_output = nullptr;
    QWidget* m_graphTab = nullptr;
    GraphPage* m_graph = nullptr;
    QTabWidget* m_tabs = nullptr;
    std::optional<LastRun> m_lastRun;
    bool m_dailyOutput = true;
    QString m_lastSettingFile;
    std::unique_ptr<QPrinter> m_printer;
    QPointer<TForm2> m_about;
    QPointer<TForm3> m_options;
    QPointer<TForm4> m_form4;
    QPointer<TProportionalForm> m_resizer;
    bool m_frozen = false;
    QPointer<HelpWindow> m_help;
    // Held for the whole session: the result pages read the start folder's files after a run.
    std::unique_ptr<FolderLock> m_folderLock;
};

} // namespace orvek::ui
