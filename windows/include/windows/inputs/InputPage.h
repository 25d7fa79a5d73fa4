#pragma once

#include "formats/OptionsFile.h"
#include "formats/PageState.h"
#include "formats/SettingFile.h"
#include "windows/inputs/ProgramValues.h"

#include <QWidget>

#include <array>
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

// The " Input setting " tab: every input of a run, kept consistent by the page's rules while the
// user or the program edits it. The rules run on every change of a check box, a radio button or
// a soil field, whoever made it, so that setting files and defaults restore values in an order
// that lets the saved values win. Setting files and the options file reach the page line by
// line through SettingTarget and OptionsTarget.
class InputPage : public QWidget, public SettingTarget, public OptionsTarget {
    Q_OBJECT
public:
    InputPage(ProgramValues& values, QWidget* parent = nullptr);

    // The "Output time step " group; the main window places it outside the tabs.
    QGroupBox* outputStepGroup() const { return m_outputStep; }
    QPushButton* runButton() const { return m_run; }
    QProgressBar* progressBar() const { return m_progress; }
    QRadioButton* dailyButton() const { return m_daily; } // "Daily" of the output time step

    PageState pageState() const;

    // Replaces the entries of the ten substrate type lists.
    void setSubstrateList(const std::vector<std::string>& entries);

    // The page's part of "Reset all settings": rows cleared and unchecked, weather boxes
    // emptied, stock "0"; the defaults follow from the options file.
    void resetPage();
    void setOpenFileReminderOff(bool off) { m_openFileReminderOff = off; }
    const std::string& weatherFolder() const { return m_weatherFolder; }
    void setWeatherFolder(const std::string& folder) { m_weatherFolder = folder; }
    // All twelve date fields: start, end and the ten rows.
    std::vector<QDateEdit*> dateFields() const;

    // SettingTarget and OptionsTarget: each line as the program applies it. Date and soil
    // setters raise OrvekError (refused date, text that is not a number).
    void setCarbonOnly(bool carbonOnly) override;
    void setWeather(const std::string& folder, const std::string& name) override;
    void setDailyWeather(bool daily) override { m_dailyWeather = daily; }
    void setWeatherKindText(const std::string& text) override;
    void setWeatherPeriodText(const std::string& text) override;
    void setStartDate(DateSerial date) override;
    void setEndDate(DateSerial date) override;
    void setEventsOnPanel(bool onPanel) override;
    void setEventsFile(const std::string& path) override;
    void setRowChecked(int row, bool checked) override;
    void setRowType(int row, int index) override;
    void setRowCText(int row, const std::string& text) override;
    void setRowCnText(int row, const std::string& text) override;
    void setRowDate(int row, DateSerial date) override;
    void setSoilCText(const std::string& text) override;
    void setBulkDensityText(const std::string& text) override;
    void setDepthText(const std::string& text) override;
    void setStockText(const std::string& text) override;
    void setNminText(const std::string& text) override;
    void setTextureIndex(int index) override;
    void setTillageIndex(int index) override;
    void setDailyOutput(bool daily) override;
    void setResizable(bool resizable) override { m_values.resizable = resizable; }
    void setWeatherFolderText(const std::string& text) override;
    void setWorkingFolderText(const std::string& text) override;

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

    void applyEventRowRule(int row);
    void applyModeRule();
    void applySourceRule();
    void soilTextEdited();
    void soilFieldLeft(QLineEdit* field);
    void setSoilText(QLineEdit* field, const std::string& text);
    void recomputeStock();
    std::string existingFolderOrStart(const std::string& folder) const;

    ProgramValues& m_values;
    std::string m_weatherFolder;
    bool m_dailyWeather = false;
    std::string m_eventsFile;
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
