#pragma once

#include "formats/OptionsFile.h"
#include "run/Session.h"
#include "uibase/MainWindowLock.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace orvek::ui {

// The "Options" dialog: the defaults of the input page, the folders and the resizing switch,
// kept in "Option.Orvek". It is modeless; the main window stays disabled while it is open and is
// enabled again when it closes, however it closes.
class TForm3 : public QDialog, public OptionsTarget {
    Q_OBJECT
public:
    // loadDefaults applies the options file to the input page ("Update now").
    TForm3(Session& values, std::function<void()> loadDefaults, QWidget* mainWindow);

    // Lines of the options file into the dialog's controls.
    void setCarbonOnly(bool carbonOnly) override;
    void setStartDate(DateSerial date) override;
    void setSoilCText(const std::string& text) override;
    void setBulkDensityText(const std::string& text) override;
    void setDepthText(const std::string& text) override;
    void setNminText(const std::string& text) override;
    void setTextureIndex(int index) override;
    void setTillageIndex(int index) override;
    void setResizable(bool resizable) override;
    void setWeatherFolderText(const std::string& text) override;
    void setWorkingFolderText(const std::string& text) override;

public slots:
    void Button1Click(); // OK
    void Button2Click(); // Cancel
    void Button3Click(); // "Browse..." for the weather folder
    void Button5Click(); // "Browse..." for the working folder

private:
    void build();
    void readOptionsFile();
    OptionsValues values() const;
    void browse(QLineEdit* field);
    std::string folderOrStart(const QString& text) const;

    Session& m_values;
    std::function<void()> m_loadDefaults;
    MainWindowLock m_lock;

    QRadioButton* m_carbonOnly = nullptr;
    QRadioButton* m_carbonAndN = nullptr;
    QDateEdit* m_startDate = nullptr;
    QLineEdit* m_soilC = nullptr;
    QLineEdit* m_bulkDensity = nullptr;
    QLineEdit* m_depth = nullptr;
    QLineEdit* m_nmin = nullptr;
    QComboBox* m_texture = nullptr;
    QComboBox* m_tillage = nullptr;
    QCheckBox* m_updateNow = nullptr;
    QCheckBox* m_resizable = nullptr;
    QLineEdit* m_weatherFolder = nullptr;
    QLineEdit* m_workingFolder = nullptr;
    QString m_weatherFolderRead; // the weather folder as the options file gave it
};

} // namespace orvek::ui
