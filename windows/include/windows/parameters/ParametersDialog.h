#pragma once

#include "formats/ParameterSave.h"
#include "model/Parameters.h"
#include "uibase/MainWindowLock.h"

#include <QDialog>
#include <QString>

#include <array>
#include <string>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;

namespace orvek::ui {

// The Parameters dialog: shows the 27 model parameters of "Parameter.Orvek", lets the user
// change them once "Allow modification" is ticked, restore the defaults into the fields, and
// save them, keeping the previous file as "Parameter, old.Orvek". It is modeless and keeps the
// main window disabled while it is open, however it is closed.
class TForm4 : public QDialog {
    Q_OBJECT

public:
    // Opens the dialog over the main window, or shows the error of a parameter file that cannot
    // be read and returns nullptr, leaving the main window usable. The dialog frees itself when
    // it closes.
    static TForm4* open(QWidget* mainWindow, const QString& startFolder);

    // Reads the parameter file (the defaults when asked) into the fields; raises OrvekError
    // without changing any field when the file cannot be read.
    void display(bool defaults);

    // The field of a parameter in file order (Edit1..Edit27).
    QLineEdit* field(int index) const { return m_fields[static_cast<size_t>(index)]; }
    static int fieldNumber(int index);

public slots:
    void CheckBox1Click();
    void Button4Click();
    void Button3Click();
    void Button2Click();

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    TForm4(QWidget* mainWindow, const QString& startFolder);
    void build();
    void buildSubstrateGroup();
    void buildRatioGroup();
    void colourFields(bool editable);

    MainWindowLock m_lock;
    QString m_startFolder;
    std::array<QLineEdit*, kParameterCount> m_fields{};
    // The number text each field came from, saved as it stands unless the user edits it.
    ParameterTexts m_fileTexts;
    std::array<bool, kParameterCount> m_edited{};

    QGroupBox* m_substrates = nullptr;
    QGroupBox* m_ratios = nullptr;
    QCheckBox* m_allow = nullptr;
    QPushButton* m_restore = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace orvek::ui
