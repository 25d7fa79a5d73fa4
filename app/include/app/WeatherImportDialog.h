#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

namespace orvek::ui {

// "Import weather...": a downloaded daily weather file is read, its layout and columns shown
// with the first rows as they will be written, and saved in this program's daily layout.
class WeatherImportDialog : public QDialog {
    Q_OBJECT
public:
    WeatherImportDialog(QWidget* parent, const QString& initialFolder);

    QLineEdit* sourceEdit() const { return m_source; }
    QTableWidget* preview() const { return m_preview; }
    QPlainTextEdit* report() const { return m_report; }
    QLabel* layoutLabel() const { return m_layout; }
    QPushButton* saveButton() const { return m_save; }

    // Reads the file named in the source field again with the chosen options.
    void refresh();

private:
    void chooseSource();
    void save();

    QString m_folder;
    QLineEdit* m_source = nullptr;
    QComboBox* m_units = nullptr;
    QCheckBox* m_fill = nullptr;
    QLabel* m_layout = nullptr;
    QTableWidget* m_preview = nullptr;
    QPlainTextEdit* m_report = nullptr;
    QPushButton* m_save = nullptr;
    std::string m_output;
};

} // namespace orvek::ui
