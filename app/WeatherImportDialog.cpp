#include "app/WeatherImportDialog.h"

#include "basics/Errors.h"
#include "basics/Files.h"
#include "basics/Text.h"
#include "model/WeatherImport.h"
#include "uibase/PlatformServices.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace orvek::ui {

namespace {

constexpr int kPreviewRows = 10;

QString qs(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

} // namespace

WeatherImportDialog::WeatherImportDialog(QWidget* parent, const QString& initialFolder)
    : QDialog(parent), m_folder(initialFolder) {
    setObjectName(QStringLiteral("WeatherImportDialog"));
    setWindowTitle(QStringLiteral("Import weather"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    auto* sourceRow = new QHBoxLayout;
    m_source = new QLineEdit(this);
    m_source->setObjectName(QStringLiteral("SourceEdit"));
    auto* browse = new QPushButton(QStringLiteral("Browse..."), this);
    browse->setObjectName(QStringLiteral("BrowseButton"));
    sourceRow->addWidget(m_source, 1);
    sourceRow->addWidget(browse);
    form->addRow(QStringLiteral("Downloaded file:"), sourceRow);
    m_units = new QComboBox(this);
    m_units->setObjectName(QStringLiteral("NoaaUnitsCombo"));
    m_units->addItems({QStringLiteral("metric (C, mm)"), QStringLiteral("standard (F, inches)")});
    form->addRow(QStringLiteral("NOAA export units:"), m_units);
    m_fill = new QCheckBox(QStringLiteral("Fill gaps of at most 3 days linearly"), this);
    m_fill->setObjectName(QStringLiteral("FillGapsCheck"));
    form->addRow(QString(), m_fill);
    layout->addLayout(form);

    m_layout = new QLabel(QStringLiteral("No file read yet."), this);
    m_layout->setObjectName(QStringLiteral("LayoutLabel"));
    m_layout->setWordWrap(true);
    layout->addWidget(m_layout);
    m_preview = new QTableWidget(0, 5, this);
    m_preview->setObjectName(QStringLiteral("PreviewTable"));
    m_preview->setHorizontalHeaderLabels({QStringLiteral("Year"), QStringLiteral("Day"),
                                          QStringLiteral("Tmax (C)"), QStringLiteral("Tmin (C)"),
                                          QStringLiteral("Precipitation (mm)")});
    m_preview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_preview->verticalHeader()->setVisible(false);
    layout->addWidget(m_preview, 1);
    m_report = new QPlainTextEdit(this);
    m_report->setObjectName(QStringLiteral("ReportText"));
    m_report->setReadOnly(true);
    layout->addWidget(m_report, 1);

    auto* buttons = new QDialogButtonBox(this);
    m_save = buttons->addButton(QStringLiteral("Save as..."), QDialogButtonBox::AcceptRole);
    m_save->setObjectName(QStringLiteral("SaveButton"));
    m_save->setEnabled(false);
    QPushButton* close = buttons->addButton(QDialogButtonBox::Close);
    close->setObjectName(QStringLiteral("CloseButton"));
    layout->addWidget(buttons);
    resize(640, 560);

    connect(browse, &QPushButton::clicked, this, &WeatherImportDialog::chooseSource);
    connect(m_source, &QLineEdit::editingFinished, this, &WeatherImportDialog::refresh);
    connect(m_units, &QComboBox::currentIndexChanged, this, &WeatherImportDialog::refresh);
    connect(m_fill, &QCheckBox::toggled, this, &WeatherImportDialog::refresh);
    connect(m_save, &QPushButton::clicked, this, &WeatherImportDialog::save);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
}

void WeatherImportDialog::chooseSource() {
    FileDialogRequest request;
    request.title = QStringLiteral(" Select downloaded weather file");
    request.initialFolder = m_folder;
    request.filters = {QStringLiteral("Weather export (*.csv *.met *.txt)"),
                       QStringLiteral("all files (*.*)")};
    const FileDialogResult chosen = services().openFile(this, request);
    if (chosen.path.isEmpty()) {
        return;
    }
    m_folder = QFileInfo(chosen.path).absolutePath();
    m_source->setText(chosen.path);
    refresh();
}

void WeatherImportDialog::refresh() {
    m_output.clear();
    m_save->setEnabled(false);
    m_preview->setRowCount(0);
    m_report->clear();
    const QString path = m_source->text().trimmed();
    if (path.isEmpty()) {
        m_layout->setText(QStringLiteral("No file read yet."));
        return;
    }
    WeatherImportOptions options;
    options.noaaUnits = m_units->currentIndex() == 1 ? NoaaUnits::Standard : NoaaUnits::Metric;
    options.fill = m_fill->isChecked() ? GapFill::Linear : GapFill::None;
    try {
        const WeatherImport w = importWeatherFile(path.toStdString(), options);
        QString text = QStringLiteral("Layout: ") + QString::fromUtf8(weatherLayoutName(w.layout)) +
                       QStringLiteral("\nColumns: ");
        for (size_t i = 0; i < w.columns.size(); ++i) {
            text += (i > 0 ? QStringLiteral("; ") : QString()) + qs(w.columns[i]);
        }
        if (!w.site.empty()) {
            text += QStringLiteral("\nSite: ") + qs(w.site);
        }
        for (const std::string& n : w.notes) {
            text += QStringLiteral("\n") + qs(n);
        }
        m_layout->setText(text);
        QStringList lines;
        if (!w.ok) {
            lines << QStringLiteral("Not imported; the file has these faults:");
            for (const std::string& p : w.problems) {
                lines << QStringLiteral("  ") + qs(p);
            }
        } else {
            lines << QStringLiteral("%1 days from %2/%3 to %4/%5, ready to save.")
                         .arg(w.days.size())
                         .arg(w.days.front().dayOfYear)
                         .arg(w.days.front().year)
                         .arg(w.days.back().dayOfYear)
                         .arg(w.days.back().year);
        }
        for (const std::string& f : w.filled) {
            lines << QStringLiteral("Filled: ") + qs(f);
        }
        m_report->setPlainText(lines.join(QLatin1Char('\n')));
        const int rows = static_cast<int>(std::min<size_t>(w.days.size(), kPreviewRows));
        m_preview->setRowCount(rows);
        for (int r = 0; r < rows; ++r) {
            const ImportedDay& d = w.days[static_cast<size_t>(r)];
            const QString cells[5] = {QString::number(d.year), QString::number(d.dayOfYear),
                                      qs(formatFixed(d.tmax, 1)), qs(formatFixed(d.tmin, 1)),
                                      qs(formatFixed(d.precip, 1))};
            for (int c = 0; c < 5; ++c) {
                m_preview->setItem(r, c, new QTableWidgetItem(cells[c]));
            }
        }
        if (w.ok) {
            m_output = w.output;
            m_save->setEnabled(true);
        }
    } catch (const std::exception& e) {
        m_layout->setText(QString::fromUtf8(e.what()));
    }
}

void WeatherImportDialog::save() {
    if (m_output.empty()) {
        return;
    }
    FileDialogRequest request;
    request.title = QStringLiteral(" Save weather file");
    request.initialFolder = m_folder;
    request.fileName = QFileInfo(m_source->text()).completeBaseName() + QStringLiteral(".wth");
    request.filters = {QStringLiteral("weather file (*.wth)")};
    request.defaultSuffix = QStringLiteral("wth");
    const FileDialogResult chosen = services().saveFile(this, request);
    if (chosen.path.isEmpty()) {
        return;
    }
    try {
        writeFileAtomically(chosen.path.toStdString(), m_output);
        services().message(this, QStringLiteral("Weather saved in ") + chosen.path,
                           MessageIcon::Information);
    } catch (const std::exception& e) {
        services().message(this, QString::fromUtf8(e.what()), MessageIcon::Error);
    }
}

} // namespace orvek::ui
