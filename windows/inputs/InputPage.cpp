#include "windows/inputs/InputPage.h"

#include "basics/Errors.h"
#include "basics/Files.h"
#include "basics/Text.h"
#include "run/PageRules.h"
#include "run/StartFolder.h"
#include "uibase/HandlerGuard.h"
#include "windows/inputs/PageWidgets.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace orvek::ui {

namespace {

QString numbered(const char* prefix, int n) {
    return QString::fromLatin1(prefix) + QString::number(n);
}

QLabel* heading(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    return label;
}

// Keeps a control's place in its layout while it is hidden, so that nothing moves.
void keepPlaceWhenHidden(QWidget* w) {
    QSizePolicy policy = w->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    w->setSizePolicy(policy);
}

} // namespace

InputPage::InputPage(ProgramValues& values, QWidget* parent) : QWidget(parent), m_values(values) {
    setObjectName(QStringLiteral("TabSheet1"));
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(8, 8, 8, 8);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(6);

    auto* top = new QHBoxLayout;
    top->addWidget(buildModeGroup());
    top->addWidget(buildWeatherGroup(), 1);
    top->addWidget(buildTimeFrameGroup());
    grid->addLayout(top, 0, 0, 1, 2);
    grid->addWidget(buildEventsGroup(), 1, 0);
    auto* right = new QVBoxLayout;
    right->addWidget(buildSoilGroup());
    right->addStretch(1);
    right->addWidget(buildRunColumn());
    grid->addLayout(right, 1, 1);
    grid->setColumnStretch(0, 1);
    grid->setRowStretch(1, 1);
    buildOutputStepGroup();
    setReadingTabOrder();

    applyModeRule();
    applySourceRule();
    for (int i = 0; i < kEventRows; ++i) {
        applyEventRowRule(i);
    }
}

QWidget* InputPage::buildModeGroup() {
    auto* group = new QGroupBox(this);
    group->setObjectName(QStringLiteral("ModeGroup"));
    auto* layout = new QVBoxLayout(group);
    m_carbonOnly = new QRadioButton(QStringLiteral("C only"), group);
    m_carbonOnly->setObjectName(QStringLiteral("RadioButton3"));
    m_carbonAndN = new QRadioButton(QStringLiteral("C && N"), group);
    m_carbonAndN->setObjectName(QStringLiteral("RadioButton4"));
    m_carbonOnly->setChecked(true);
    layout->addWidget(m_carbonOnly);
    layout->addWidget(m_carbonAndN);
    layout->addStretch(1);
    connect(m_carbonOnly, &QRadioButton::toggled, this, [this] { applyModeRule(); });
    return group;
}

QWidget* InputPage::buildWeatherGroup() {
    auto* group = new QGroupBox(QStringLiteral("Weather "), this);
    group->setObjectName(QStringLiteral("WeatherGroup"));
    auto* layout = new QGridLayout(group);
    m_weatherButton = new QPushButton(QStringLiteral("Weather file..."), group);
    m_weatherButton->setObjectName(QStringLiteral("Button2"));
    m_weatherName = newDisplayBox(QStringLiteral("StaticText3"), group);
    m_weatherKind = newDisplayBox(QStringLiteral("StaticText5"), group);
    m_weatherPeriod = newDisplayBox(QStringLiteral("StaticText2"), group);
    m_weatherName->setMinimumWidth(180);
    layout->addWidget(m_weatherButton, 0, 0);
    layout->addWidget(m_weatherName, 0, 1, 1, 2);
    layout->addWidget(m_weatherKind, 1, 1);
    layout->addWidget(m_weatherPeriod, 1, 2);
    layout->setColumnStretch(1, 1);
    layout->setColumnStretch(2, 1);
    connect(m_weatherButton, &QPushButton::clicked, this, &InputPage::Button2Click);
    return group;
}

QWidget* InputPage::buildTimeFrameGroup() {
    auto* group = new QGroupBox(QStringLiteral("Simulation time frame "), this);
    group->setObjectName(QStringLiteral("TimeFrameGroup"));
    auto* layout = new QGridLayout(group);
    m_start = newDateField(QStringLiteral("DateTimePicker1"), group);
    m_end = newDateField(QStringLiteral("DateTimePicker2"), group);
    auto* startLabel = new QLabel(QStringLiteral("Start"), group);
    auto* endLabel = new QLabel(QStringLiteral("End"), group);
    startLabel->setBuddy(m_start);
    endLabel->setBuddy(m_end);
    layout->addWidget(startLabel, 0, 0);
    layout->addWidget(m_start, 0, 1);
    layout->addWidget(endLabel, 1, 0);
    layout->addWidget(m_end, 1, 1);
    return group;
}

QWidget* InputPage::buildEventsGroup() {
    auto* group = new QGroupBox(QStringLiteral("Substrate input events "), this);
    group->setObjectName(QStringLiteral("EventsGroup"));
    auto* layout = new QVBoxLayout(group);

    auto* source = new QHBoxLayout;
    m_onPanel = new QRadioButton(QStringLiteral("Set on this panel"), group);
    m_onPanel->setObjectName(QStringLiteral("RadioButton5"));
    m_inWorkbook = new QRadioButton(QStringLiteral("Set in Excel file"), group);
    m_inWorkbook->setObjectName(QStringLiteral("RadioButton6"));
    m_onPanel->setChecked(true);
    source->addWidget(m_onPanel);
    source->addSpacing(24);
    source->addWidget(m_inWorkbook);
    source->addStretch(1);
    layout->addLayout(source);

    auto* file = new QHBoxLayout;
    m_eventsName = newDisplayBox(QStringLiteral("StaticText1"), group);
    keepPlaceWhenHidden(m_eventsName);
    m_selectFile = new QPushButton(QStringLiteral("Select file"), group);
    m_selectFile->setObjectName(QStringLiteral("Button3"));
    m_openFile = new QPushButton(QStringLiteral("Open file"), group);
    m_openFile->setObjectName(QStringLiteral("Button4"));
    m_createFile = new QPushButton(QStringLiteral("Create file"), group);
    m_createFile->setObjectName(QStringLiteral("Button8"));
    file->addWidget(m_eventsName, 1);
    file->addWidget(m_selectFile);
    file->addWidget(m_openFile);
    file->addWidget(m_createFile);
    layout->addLayout(file);
    layout->addSpacing(4);

    auto* rows = new QGridLayout;
    rows->setHorizontalSpacing(6);
    rows->setVerticalSpacing(2);
    rows->addWidget(heading(QStringLiteral("Event"), group), 0, 0, 2, 1);
    rows->addWidget(heading(QStringLiteral("Date of incorporation"), group), 0, 1, 2, 1);
    rows->addWidget(heading(QStringLiteral("Substrate type"), group), 0, 2, 2, 1);
    rows->addWidget(heading(QStringLiteral("C input"), group), 0, 3);
    rows->addWidget(heading(QStringLiteral("Mg/ha"), group), 1, 3);
    rows->addWidget(heading(QStringLiteral("C:N ratio"), group), 0, 4, 2, 1);
    for (int i = 0; i < kEventRows; ++i) {
        Row& r = m_rows[static_cast<size_t>(i)];
        r.check = new QCheckBox(QString::number(i + 1), group);
        r.check->setObjectName(numbered("CheckBox", i + 2));
        r.date = newDateField(numbered("DateTimePicker", i + 3), group);
        r.type = newList(numbered("ComboBox", i + 1), group);
        r.type->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        r.type->setMinimumContentsLength(18);
        r.c = newNumberField(numbered("adpEdit", i + 4), group);
        r.cn = newNumberField(numbered("adpEdit", i + 14), group);
        r.c->setFixedWidth(70);
        r.cn->setFixedWidth(70);
        const int line = i + 2;
        rows->addWidget(r.check, line, 0);
        rows->addWidget(r.date, line, 1);
        rows->addWidget(r.type, line, 2);
        rows->addWidget(r.c, line, 3, Qt::AlignHCenter);
        rows->addWidget(r.cn, line, 4, Qt::AlignHCenter);
        connect(r.check, &QCheckBox::toggled, this, [this, i] { applyEventRowRule(i); });
    }
    rows->setColumnStretch(2, 1);
    layout->addLayout(rows);
    layout->addStretch(1);
    auto* note =
        new QLabel(QStringLiteral("*Carbon content of nonlegume crop residues is 40-45%."), group);
    layout->addWidget(note);

    connect(m_onPanel, &QRadioButton::toggled, this, [this] { applySourceRule(); });
    connect(m_selectFile, &QPushButton::clicked, this, &InputPage::Button3Click);
    connect(m_openFile, &QPushButton::clicked, this, &InputPage::Button4Click);
    connect(m_createFile, &QPushButton::clicked, this, &InputPage::Button8Click);
    return group;
}

QWidget* InputPage::buildSoilGroup() {
    auto* group = new QGroupBox(QStringLiteral("Soil properties "), this);
    group->setObjectName(QStringLiteral("SoilGroup"));
    auto* layout = new QGridLayout(group);
    m_soilC = newNumberField(QStringLiteral("adpEdit24"), group);
    m_bulkDensity = newNumberField(QStringLiteral("adpEdit25"), group);
    m_depth = newNumberField(QStringLiteral("adpEdit26"), group);
    m_stock = newDisplayBox(QStringLiteral("StaticText4"), group);
    m_stock->setAlignment(Qt::AlignCenter);
    m_nmin = newNumberField(QStringLiteral("adpEdit27"), group);
    m_texture = newList(QStringLiteral("ComboBox11"), group);
    for (const char* name : kTextureNames) {
        m_texture->addItem(QString::fromLatin1(name));
    }
    m_tillage = newList(QStringLiteral("ComboBox12"), group);
    for (const char* name : kTillageNames) {
        m_tillage->addItem(QString::fromLatin1(name));
    }
    m_texture->setCurrentIndex(0);
    m_tillage->setCurrentIndex(0);

    const auto add = [layout, group](int line, const QString& text, QWidget* field) {
        auto* label = new QLabel(text, group);
        label->setBuddy(field);
        layout->addWidget(label, line, 0);
        layout->addWidget(field, line, 1);
        return label;
    };
    add(0, QStringLiteral("Soil C content, g/kg"), m_soilC);
    add(1, QStringLiteral("Soil bulk density, g/cm^3"), m_bulkDensity);
    add(2, QStringLiteral("Depth to simulate, cm"), m_depth);
    add(3, QStringLiteral("Soil C, Mg/ha"), m_stock);
    m_nminLabel = add(4, QStringLiteral("Initial soil Nmin, kg/ha"), m_nmin);
    m_nminLabel->setObjectName(QStringLiteral("Label15"));
    add(5, QStringLiteral("Soil texture"), m_texture);
    add(6, QStringLiteral("Tillage"), m_tillage);
    for (QWidget* w : {static_cast<QWidget*>(m_soilC), static_cast<QWidget*>(m_bulkDensity),
                       static_cast<QWidget*>(m_depth), static_cast<QWidget*>(m_stock),
                       static_cast<QWidget*>(m_nmin), static_cast<QWidget*>(m_texture),
                       static_cast<QWidget*>(m_tillage)}) {
        w->setFixedWidth(110);
    }
    for (QLineEdit* f : {m_soilC, m_bulkDensity, m_depth}) {
        // What the user types is judged as it is typed; texts the program sets recompute the
        // stock through setSoilText.
        connect(f, &QLineEdit::textEdited, this, [this] { soilTextEdited(); });
        connect(f, &QLineEdit::editingFinished, this, [this, f] { soilFieldLeft(f); });
    }
    return group;
}

QWidget* InputPage::buildRunColumn() {
    auto* column = new QWidget(this);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    m_progress = new QProgressBar(column);
    m_progress->setObjectName(QStringLiteral("ProgressBar1"));
    m_progress->setRange(0, 1000);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);
    keepPlaceWhenHidden(m_progress);
    m_progress->hide();
    m_run = new QPushButton(QStringLiteral("Run..."), column);
    m_run->setObjectName(QStringLiteral("BitBtn1"));
    QFont font = m_run->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.6);
    m_run->setFont(font);
    m_run->setMinimumHeight(48);
    QPalette palette = m_run->palette();
    palette.setColor(QPalette::ButtonText, Qt::red);
    m_run->setPalette(palette);
    layout->addWidget(m_progress);
    layout->addWidget(m_run);
    return column;
}

void InputPage::buildOutputStepGroup() {
    m_outputStep = new QGroupBox(QStringLiteral("Output time step "), this);
    m_outputStep->setObjectName(QStringLiteral("GroupBox4"));
    auto* layout = new QHBoxLayout(m_outputStep);
    m_daily = new QRadioButton(QStringLiteral("Daily"), m_outputStep);
    m_daily->setObjectName(QStringLiteral("RadioButton1"));
    m_monthly = new QRadioButton(QStringLiteral("Monthly"), m_outputStep);
    m_monthly->setObjectName(QStringLiteral("RadioButton2"));
    m_daily->setChecked(true);
    layout->addWidget(m_daily);
    layout->addWidget(m_monthly);
    m_outputStep->setEnabled(false);
    m_outputStep->hide();
}

void InputPage::setReadingTabOrder() {
    std::vector<QWidget*> order = {m_carbonOnly, m_carbonAndN, m_weatherButton, m_start,
                                   m_end,        m_onPanel,    m_inWorkbook,    m_selectFile,
                                   m_openFile,   m_createFile};
    for (const Row& r : m_rows) {
        order.insert(order.end(), {r.check, r.date, r.type, r.c, r.cn});
    }
    order.insert(order.end(),
                 {m_soilC, m_bulkDensity, m_depth, m_nmin, m_texture, m_tillage, m_run});
    for (size_t i = 1; i < order.size(); ++i) {
        QWidget::setTabOrder(order[i - 1], order[i]);
    }
}

// --- The page's rules ---------------------------------------------------------------------

void InputPage::applyEventRowRule(int row) {
    Row& r = m_rows[static_cast<size_t>(row)];
    if (!r.check->isChecked()) {
        for (QWidget* w : {static_cast<QWidget*>(r.type), static_cast<QWidget*>(r.c),
                           static_cast<QWidget*>(r.cn), static_cast<QWidget*>(r.date)}) {
            setFieldEnabled(w, false);
        }
        return;
    }
    setFieldEnabled(r.type, true);
    r.type->setCurrentIndex(r.type->count() > 0 ? 0 : -1);
    setFieldEnabled(r.c, true);
    setFieldEnabled(r.cn, m_carbonAndN->isChecked());
    setFieldEnabled(r.date, true);
    const DateSerial date =
        row == 0 ? fieldDate(m_start)
                 : defaultRowDate(fieldDate(m_rows[static_cast<size_t>(row) - 1].date),
                                  fieldDate(m_end));
    r.date->setDate(toQDate(date));
}

void InputPage::applyModeRule() {
    const bool carbonOnly = m_carbonOnly->isChecked();
    m_nminLabel->setEnabled(!carbonOnly);
    setFieldEnabled(m_nmin, !carbonOnly);
    for (const Row& r : m_rows) {
        if (carbonOnly) {
            setFieldEnabled(r.cn, false);
        } else if (r.check->isChecked()) {
            setFieldEnabled(r.cn, true);
        }
    }
}

void InputPage::applySourceRule() {
    const bool onPanel = m_onPanel->isChecked();
    m_eventsName->setVisible(!onPanel);
    setFieldEnabled(m_eventsName, !onPanel);
    for (QPushButton* b : {m_selectFile, m_openFile, m_createFile}) {
        b->setEnabled(!onPanel);
    }
    if (!onPanel) {
        for (const Row& r : m_rows) {
            r.check->setChecked(false);
        }
    }
    for (const Row& r : m_rows) {
        r.check->setEnabled(onPanel);
    }
}

void InputPage::soilTextEdited() {
    const std::array<QLineEdit*, 3> fields = {m_soilC, m_bulkDensity, m_depth};
    const char separator = localeDecimalSeparator();
    // A text that typing on can no longer turn into a number is refused at once; one that is
    // still on its way ("", "-", ".", "1e-") waits for the next key, the stock unchanged.
    for (QLineEdit* f : fields) {
        const std::string text = ss(f->text());
        if (!canBecomeNumber(text, separator)) {
            showError(window(), qs(invalidFloatMessage(text)));
            return;
        }
    }
    for (QLineEdit* f : fields) {
        double unused = 0;
        if (!parseDouble(ss(f->text()), separator, unused)) {
            return;
        }
    }
    guarded(window(), [this] { recomputeStock(); });
}

void InputPage::soilFieldLeft(QLineEdit* field) {
    // A field cleared to type a new value stays empty while it is edited; left empty, it
    // holds "0".
    // Any other text was judged as it was typed; judging it again here would only repeat the
    // box that took the focus from the field.
    if (!field->text().isEmpty()) {
        return;
    }
    {
        const QSignalBlocker quiet(field);
        field->setText(QStringLiteral("0"));
    }
    soilTextEdited();
}

void InputPage::setSoilText(QLineEdit* field, const std::string& text) {
    {
        const QSignalBlocker quiet(field);
        field->setText(qs(text));
    }
    recomputeStock();
}

void InputPage::recomputeStock() {
    for (QLineEdit* f : {m_soilC, m_bulkDensity, m_depth}) {
        if (f->text().isEmpty()) {
            const QSignalBlocker quiet(f);
            f->setText(QStringLiteral("0"));
        }
    }
    m_stock->setText(qs(soilStockText(ss(m_soilC->text()), ss(m_bulkDensity->text()),
                                      ss(m_depth->text()), localeDecimalSeparator())));
}

// --- State -------------------------------------------------------------------------------

PageState InputPage::pageState() const {
    PageState p;
    p.carbonOnly = m_carbonOnly->isChecked();
    p.startDate = fieldDate(m_start);
    p.endDate = fieldDate(m_end);
    p.weatherFolder = m_weatherFolder;
    p.weatherFileName = ss(m_weatherName->text());
    p.weatherKindText = ss(m_weatherKind->text());
    p.weatherPeriodText = ss(m_weatherPeriod->text());
    p.dailyWeather = m_dailyWeather;
    p.eventsOnPanel = m_onPanel->isChecked();
    p.eventsFile = m_eventsFile;
    p.eventsFileName = ss(m_eventsName->text());
    for (size_t i = 0; i < m_rows.size(); ++i) {
        const Row& r = m_rows[i];
        EventRowState& s = p.rows[i];
        s.checked = r.check->isChecked();
        s.typeIndex = r.type->currentIndex();
        s.cText = ss(r.c->text());
        s.cnText = ss(r.cn->text());
        s.date = fieldDate(r.date);
    }
    p.soilCText = ss(m_soilC->text());
    p.bulkDensityText = ss(m_bulkDensity->text());
    p.depthText = ss(m_depth->text());
    p.stockText = ss(m_stock->text());
    p.nminText = ss(m_nmin->text());
    p.textureIndex = m_texture->currentIndex();
    p.tillageIndex = m_tillage->currentIndex();
    p.dailyOutput = m_daily->isChecked();
    return p;
}

void InputPage::setSubstrateList(const std::vector<std::string>& entries) {
    QStringList items;
    for (const std::string& e : entries) {
        items << qs(e);
    }
    for (const Row& r : m_rows) {
        r.type->clear();
        r.type->addItems(items);
        r.type->setCurrentIndex(-1);
    }
}

void InputPage::resetPage() {
    for (const Row& r : m_rows) {
        r.type->setCurrentIndex(-1);
        r.c->clear();
        r.cn->clear();
    }
    m_stock->setText(QStringLiteral("0"));
    m_weatherPeriod->clear();
    m_weatherName->clear();
    m_weatherKind->clear();
    for (const Row& r : m_rows) {
        r.check->setChecked(false);
    }
}

std::vector<QDateEdit*> InputPage::dateFields() const {
    std::vector<QDateEdit*> fields = {m_start, m_end};
    for (const Row& r : m_rows) {
        fields.push_back(r.date);
    }
    return fields;
}

std::string InputPage::existingFolderOrStart(const std::string& folder) const {
    return !folder.empty() && folderExists(folder) ? folder : m_values.startFolder;
}

// --- Lines of setting and options files ----------------------------------------------------

void InputPage::setCarbonOnly(bool carbonOnly) {
    (carbonOnly ? m_carbonOnly : m_carbonAndN)->setChecked(true);
}

void InputPage::setWeather(const std::string& folder, const std::string& name) {
    m_weatherFolder = folder.empty() ? m_values.startFolder : withTrailingSeparator(folder);
    m_weatherName->setText(qs(name));
}

void InputPage::setWeatherKindText(const std::string& text) {
    m_weatherKind->setText(qs(text));
}

void InputPage::setWeatherPeriodText(const std::string& text) {
    m_weatherPeriod->setText(qs(text));
}

void InputPage::setStartDate(DateSerial date) {
    setFieldDate(m_start, date);
}

void InputPage::setEndDate(DateSerial date) {
    setFieldDate(m_end, date);
}

void InputPage::setEventsOnPanel(bool onPanel) {
    (onPanel ? m_onPanel : m_inWorkbook)->setChecked(true);
}

void InputPage::setEventsFile(const std::string& path) {
    m_eventsFile = path;
    m_eventsName->setText(qs(fileNamePart(path)));
}

void InputPage::setRowChecked(int row, bool checked) {
    m_rows[static_cast<size_t>(row)].check->setChecked(checked);
}

void InputPage::setRowType(int row, int index) {
    QComboBox* list = m_rows[static_cast<size_t>(row)].type;
    list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
}

void InputPage::setRowCText(int row, const std::string& text) {
    m_rows[static_cast<size_t>(row)].c->setText(qs(text));
}

void InputPage::setRowCnText(int row, const std::string& text) {
    m_rows[static_cast<size_t>(row)].cn->setText(qs(text));
}

void InputPage::setRowDate(int row, DateSerial date) {
    setFieldDate(m_rows[static_cast<size_t>(row)].date, date);
}

void InputPage::setSoilCText(const std::string& text) {
    setSoilText(m_soilC, text);
}

void InputPage::setBulkDensityText(const std::string& text) {
    setSoilText(m_bulkDensity, text);
}

void InputPage::setDepthText(const std::string& text) {
    setSoilText(m_depth, text);
}

void InputPage::setStockText(const std::string& text) {
    m_stock->setText(qs(text));
}

void InputPage::setNminText(const std::string& text) {
    m_nmin->setText(qs(text));
}

void InputPage::setTextureIndex(int index) {
    m_texture->setCurrentIndex(index >= 0 && index < m_texture->count() ? index : -1);
}

void InputPage::setTillageIndex(int index) {
    m_tillage->setCurrentIndex(index >= 0 && index < m_tillage->count() ? index : -1);
}

void InputPage::setDailyOutput(bool daily) {
    (daily ? m_daily : m_monthly)->setChecked(true);
}

void InputPage::setWeatherFolderText(const std::string& text) {
    m_weatherFolder = folderFromOption(text, m_values.startFolder);
}

void InputPage::setWorkingFolderText(const std::string& text) {
    m_values.workingFolder = workingFolderFromOption(text, processEnvironment());
}

} // namespace orvek::ui
