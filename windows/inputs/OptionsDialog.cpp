#include "windows/inputs/OptionsDialog.h"

#include "basics/Errors.h"
#include "basics/Files.h"
#include "basics/Text.h"
#include "formats/PageState.h"
#include "run/StartFolder.h"
#include "uibase/HandlerGuard.h"
#include "windows/inputs/PageWidgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace orvek::ui {

namespace {

constexpr DateSerial kDesignStartDate = 38363; // 11 January 2005

QLineEdit* plainField(const char* name, QWidget* parent) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(QString::fromLatin1(name));
    return field;
}

} // namespace

TForm3::TForm3(Session& values, std::function<void()> loadDefaults, QWidget* mainWindow)
    : QDialog(nullptr), m_values(values), m_loadDefaults(std::move(loadDefaults)),
      m_lock(this, mainWindow) {
    setObjectName(QStringLiteral("TForm3"));
    setWindowTitle(QStringLiteral("Options"));
    setAttribute(Qt::WA_DeleteOnClose);
    build();
    adjustSize();
    readOptionsFile();
}

void TForm3::build() {
    auto* layout = new QVBoxLayout(this);

    auto* defaults = new QGroupBox(QStringLiteral("Default settings"), this);
    defaults->setObjectName(QStringLiteral("GroupBox1"));
    auto* grid = new QGridLayout(defaults);
    auto* modes = new QHBoxLayout;
    m_carbonOnly = new QRadioButton(QStringLiteral("C only"), defaults);
    m_carbonOnly->setObjectName(QStringLiteral("RadioButton3"));
    m_carbonAndN = new QRadioButton(QStringLiteral("C && N"), defaults);
    m_carbonAndN->setObjectName(QStringLiteral("RadioButton4"));
    // Neither is chosen until the file is read; once one is, clicking cannot unchoose both.
    modes->addWidget(m_carbonOnly);
    modes->addWidget(m_carbonAndN);
    modes->addStretch(1);
    grid->addLayout(modes, 0, 0, 1, 2);

    m_startDate = newDateField(QStringLiteral("DateTimePicker1"), defaults);
    m_startDate->setDisplayFormat(QStringLiteral("M/d/yyyy"));
    m_startDate->setDate(toQDate(kDesignStartDate));
    m_soilC = plainField("Edit4", defaults);
    m_bulkDensity = plainField("Edit5", defaults);
    m_depth = plainField("Edit6", defaults);
    m_nmin = plainField("Edit7", defaults);
    m_texture = newList(QStringLiteral("ComboBox1"), defaults);
    for (const char* name : kTextureNames) {
        m_texture->addItem(QString::fromLatin1(name));
    }
    m_tillage = newList(QStringLiteral("ComboBox2"), defaults);
    for (const char* name : kTillageNames) {
        m_tillage->addItem(QString::fromLatin1(name));
    }
    m_texture->setCurrentIndex(-1);
    m_tillage->setCurrentIndex(-1);
    const std::pair<const char*, QWidget*> rows[] = {{"Starting date (m/d/yyyy)", m_startDate},
                                                     {"Soil C content, g/kg soil", m_soilC},
                                                     {"Soil bulk density, g/cm^3", m_bulkDensity},
                                                     {"Depth to be simulated (<= 30cm)", m_depth},
                                                     {"Initial Nmin in top soil, kg/ha", m_nmin},
                                                     {"Soil texture", m_texture},
                                                     {"Tillage", m_tillage}};
    int line = 1;
    for (const auto& [text, field] : rows) {
        auto* label = new QLabel(QString::fromLatin1(text), defaults);
        label->setBuddy(field);
        field->setFixedWidth(120);
        grid->addWidget(label, line, 0);
        grid->addWidget(field, line, 1);
        ++line;
    }
    m_updateNow = new QCheckBox(QStringLiteral("Update now"), defaults);
    m_updateNow->setObjectName(QStringLiteral("CheckBox1"));
    m_updateNow->setChecked(true);
    // Broken into lines by hand: a grid gives a label that wraps by itself too little height
    // for its lines once the font is larger than the layout was made with.
    auto* note =
        new QLabel(QStringLiteral("If UNCHECKED, the changes in the default input settings\n"
                                  "won't take effect until next time the program is launched."),
                   defaults);
    note->setTextFormat(Qt::PlainText);
    grid->addWidget(m_updateNow, line++, 0, 1, 2);
    grid->addWidget(note, line, 0, 1, 2);
    layout->addWidget(defaults);

    m_resizable = new QCheckBox(QStringLiteral("Resizable window"), this);
    m_resizable->setObjectName(QStringLiteral("CheckBox2"));
    layout->addWidget(m_resizable);

    const auto folderRow = [this, layout](const char* caption, const char* fieldName,
                                          const char* buttonName) {
        layout->addWidget(new QLabel(QString::fromLatin1(caption), this));
        auto* row = new QHBoxLayout;
        auto* field = plainField(fieldName, this);
        field->setMinimumWidth(300);
        auto* browse = new QPushButton(QStringLiteral("Browse..."), this);
        browse->setObjectName(QString::fromLatin1(buttonName));
        browse->setAutoDefault(false);
        row->addWidget(field, 1);
        row->addWidget(browse);
        layout->addLayout(row);
        return std::make_pair(field, browse);
    };
    const auto [weatherField, weatherBrowse] =
        folderRow("Folder for weather files", "Edit8", "Button3");
    const auto [workingField, workingBrowse] =
        folderRow("Folder for working files", "Edit1", "Button5");
    m_weatherFolder = weatherField;
    m_workingFolder = workingField;

    auto* buttons = new QHBoxLayout;
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("Button1"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("Button2"));
    cancel->setAutoDefault(false);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);

    connect(ok, &QPushButton::clicked, this, &TForm3::Button1Click);
    connect(cancel, &QPushButton::clicked, this, &TForm3::Button2Click);
    connect(weatherBrowse, &QPushButton::clicked, this, &TForm3::Button3Click);
    connect(workingBrowse, &QPushButton::clicked, this, &TForm3::Button5Click);
}

void TForm3::readOptionsFile() {
    guarded(m_lock.mainWindow(), [this] {
        const std::string path = resolveFileName(m_values.startFolder + kOptionsFileName);
        if (!fileExists(path)) {
            throw OrvekError("File not found");
        }
        applyOptionsFile(readTextFile(path, size_t{1} << 20), *this);
    });
}

void TForm3::setCarbonOnly(bool carbonOnly) {
    (carbonOnly ? m_carbonOnly : m_carbonAndN)->setChecked(true);
}

void TForm3::setStartDate(DateSerial date) {
    setFieldDate(m_startDate, date);
}

void TForm3::setSoilCText(const std::string& text) {
    m_soilC->setText(qs(text));
}

void TForm3::setBulkDensityText(const std::string& text) {
    m_bulkDensity->setText(qs(text));
}

void TForm3::setDepthText(const std::string& text) {
    m_depth->setText(qs(text));
}

void TForm3::setNminText(const std::string& text) {
    m_nmin->setText(qs(text));
}

void TForm3::setTextureIndex(int index) {
    m_texture->setCurrentIndex(index >= 0 && index < m_texture->count() ? index : -1);
}

void TForm3::setTillageIndex(int index) {
    m_tillage->setCurrentIndex(index >= 0 && index < m_tillage->count() ? index : -1);
}

void TForm3::setResizable(bool resizable) {
    m_resizable->setChecked(resizable);
}

void TForm3::setWeatherFolderText(const std::string& text) {
    m_weatherFolder->setText(qs(text));
    m_weatherFolderRead = m_weatherFolder->text();
}

void TForm3::setWorkingFolderText(const std::string& text) {
    m_workingFolder->setText(qs(text));
}

OptionsValues TForm3::values() const {
    OptionsValues v;
    v.carbonOnly = m_carbonOnly->isChecked();
    v.startDate = fieldDate(m_startDate);
    v.soilC = ss(m_soilC->text());
    v.bulkDensity = ss(m_bulkDensity->text());
    v.depth = ss(m_depth->text());
    v.nmin = ss(m_nmin->text());
    v.textureIndex = m_texture->currentIndex();
    v.tillageIndex = m_tillage->currentIndex();
    v.resizable = m_resizable->isChecked();
    v.weatherFolder = ss(m_weatherFolder->text());
    v.workingFolder = ss(m_workingFolder->text());
    return v;
}

std::string TForm3::folderOrStart(const QString& text) const {
    // An empty folder text names no folder, so the program works in its start folder.
    const std::string folder = ss(text);
    return trimBlanks(folder).empty() ? m_values.startFolder : withTrailingSeparator(folder);
}

void TForm3::Button1Click() {
    const OptionsValues v = values();
    const bool written = guarded(this, [this, &v] {
        writeFileAtomically(resolveFileName(m_values.startFolder + kOptionsFileName),
                            optionsFileContent(v));
    });
    if (!written) {
        return; // the dialog stays open and the main window disabled
    }
    m_lock.release();
    m_values.resizable = v.resizable;
    // The weather folder is also the folder of the weather file in use: confirming the dialog
    // must not move that file to another folder unless the user asked for another folder.
    const bool weatherFolderChanged = m_weatherFolder->text() != m_weatherFolderRead;
    const std::string weatherInUse = m_values.page.weatherFolder;
    if (weatherFolderChanged) {
        m_values.page.weatherFolder = folderOrStart(m_weatherFolder->text());
    }
    // The user's documents, never the program's own (possibly hidden) start folder.
    const std::string working = ss(m_workingFolder->text());
    m_values.workingFolder = trimBlanks(working).empty() ? documentsFolder(processEnvironment())
                                                         : withTrailingSeparator(working);
    if (m_updateNow->isChecked() && m_loadDefaults) {
        m_loadDefaults();
        if (!weatherFolderChanged) {
            m_values.page.weatherFolder = weatherInUse;
        }
    }
    close();
}

void TForm3::Button2Click() {
    m_lock.release();
    m_updateNow->setChecked(false);
    close();
}

void TForm3::browse(QLineEdit* field) {
    const QString current = field->text();
    const QString start =
        !current.trimmed().isEmpty() && QDir(current).exists() ? current : QDir::currentPath();
    const QString chosen = services().chooseFolder(this, QStringLiteral("Select a folder"), start);
    if (!chosen.isEmpty()) {
        field->setText(chosen);
    }
}

void TForm3::Button3Click() {
    browse(m_weatherFolder);
}

void TForm3::Button5Click() {
    browse(m_workingFolder);
}

} // namespace orvek::ui
