#pragma once

#include "formats/PageState.h"
#include "run/PageRules.h"
#include "run/Session.h"

#include <QWidget>

#include <array>
#include <functional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace orvek::ui {

inline constexpr const char* kTemplateFileName = "Input Template.Orvek";

// The " Input setting " tab: a view of the session's page. The widgets show the page's state and
// hand the user's edits to its PageModel, which keeps the rules; after every change the whole
// page is shown again, values and which fields are enabled alike. Setting files, the options
// file and the defaults change the session through the model and then have the page shown
// (apply). What only a widget knows (the focus, a date half typed) stays in the widgets.
class InputPage : public QWidget {
    Q_OBJECT
public:
    InputPage(Session& session, QWidget* parent = nullptr);

    // The "Output time step " group; the main window places it outside the tabs.
    QGroupBox* outputStepGroup() const { return m_outputStep; }
    QPushButton* runButton() const { return m_run; }
    QProgressBar* progressBar() const { return m_progress; }
    QRadioButton* dailyButton() const { return m_daily; } // "Daily" of the output time step

    PageState pageState() const { return m_session.page; }

    // Runs a change the program makes to the session (a setting file, the defaults, a reset),
    // then shows the page as the change left it, also when an error stopped it part-way; the
    // error passes on. A change of the output time step reaches the "Daily" button's listeners.
    void apply(const std::function<void()>& change);
    // Shows the session: the substrate lists, every value, and which fields are enabled.
    void showSession();

    // From here on the page hands no edit to the session: it is going away.
    void detachFromSession() { m_detached = true; }

    void setOpenFileReminderOff(bool off) { m_openFileReminderOff = off; }
    // All twelve date fields: start, end and the ten rows.
    std::vector<QDateEdit*> dateFields() const;

public slots:
    void Button2Click(); // "Weather file..."
    void Button3Click(); // "Select file"
    void Button4Click(); // "Open file"
    void Button8Click(); // "Create file"

private:
    struct Row {
        QCheckBox* check = nullptr;
        QDateEdit* date = nullptr;
        QComboBox* type = nullptr;
        QLineEdit* c = nullptr;
        QLineEdit* cn = nullptr;
    };

    QWidget* buildModeGroup();
    QWidget* buildWeatherGroup();
    QWidget* buildTimeFrameGroup();
    QWidget* buildEventsGroup();
    QWidget* buildSoilGroup();
    QWidget* buildRunColumn();
    void buildOutputStepGroup();
    void setReadingTabOrder();

    void connectEdits();
    // Hands an edit of the user's to the model unless the page is being shown; an error is
    // shown in the error box. The page is shown again either way.
    void edit(const std::function<void()>& change);
    void showValues();
    void showEnabledFields();
    void showSubstrateLists();
    std::string existingFolderOrStart(const std::string& folder) const;

    Session& m_session;
    PageModel m_model;
    bool m_showing = false; // the widgets' signals while the page is being shown are its own
    bool m_detached = false;
    std::vector<std::string> m_shownSubstrates;
    bool m_openFileReminderOff = false;

    QRadioButton* m_carbonOnly = nullptr; // RadioButton3
    QRadioButton* m_carbonAndN = nullptr; // RadioButton4
    QPushButton* m_weatherButton = nullptr;
    QLabel* m_weatherName = nullptr;   // StaticText3
    QLabel* m_weatherKind = nullptr;   // StaticText5
    QLabel* m_weatherPeriod = nullptr; // StaticText2
    QDateEdit* m_start = nullptr;
    QDateEdit* m_end = nullptr;
    QRadioButton* m_onPanel = nullptr;    // RadioButton5
    QRadioButton* m_inWorkbook = nullptr; // RadioButton6
    QLabel* m_eventsName = nullptr;       // StaticText1
    QPushButton* m_selectFile = nullptr;
    QPushButton* m_openFile = nullptr;
    QPushButton* m_createFile = nullptr;
    std::array<Row, kEventRows> m_rows;
    QLineEdit* m_soilC = nullptr;       // adpEdit24
    QLineEdit* m_bulkDensity = nullptr; // adpEdit25
    QLineEdit* m_depth = nullptr;       // adpEdit26
    QLabel* m_stock = nullptr;          // StaticText4
    QLabel* m_nminLabel = nullptr;      // Label15
    QLineEdit* m_nmin = nullptr;        // adpEdit27
    QComboBox* m_texture = nullptr;     // ComboBox11
    QComboBox* m_tillage = nullptr;     // ComboBox12
    QProgressBar* m_progress = nullptr;
    QPushButton* m_run = nullptr;
    QGroupBox* m_outputStep = nullptr;
    QRadioButton* m_daily = nullptr;   // RadioButton1
    QRadioButton* m_monthly = nullptr; // RadioButton2
};

} // namespace orvek::ui
