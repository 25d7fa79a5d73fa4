#include "windows/inputs/InputPage.h"

#include "basics/Errors.h"
#include "basics/Files.h"
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

InputPage::InputPage(Session& session, QWidget* parent)
    : QWidget(parent), m_session(session), m_model(session) {
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
    connectEdits();
    showSession();
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
    }
    rows->setColumnStretch(2, 1);
    layout->addLayout(rows);
    layout->addStretch(1);
    auto* note =
        new QLabel(QStringLiteral("*Carbon content of nonlegume crop residues is 40-45%."), group);
    layout->addWidget(note);

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

// --- Edits of the user's, handed to the model ----------------------------------------------

void InputPage::connectEdits() {
    connect(m_carbonOnly, &QRadioButton::toggled, this,
            [this](bool on) { edit([this, on] { m_model.setCarbonOnly(on); }); });
    connect(m_onPanel, &QRadioButton::toggled, this,
            [this](bool on) { edit([this, on] { m_model.setEventsOnPanel(on); }); });
    connect(m_daily, &QRadioButton::toggled, this,
            [this](bool on) { edit([this, on] { m_model.setDailyOutput(on); }); });
    connect(m_start, &QDateEdit::dateChanged, this,
            [this](const QDate& d) { edit([this, d] { m_model.setStartDate(toSerial(d)); }); });
    connect(m_end, &QDateEdit::dateChanged, this,
            [this](const QDate& d) { edit([this, d] { m_model.setEndDate(toSerial(d)); }); });
    for (int i = 0; i < kEventRows; ++i) {
        const Row& r = m_rows[static_cast<size_t>(i)];
        connect(r.check, &QCheckBox::toggled, this,
                [this, i](bool on) { edit([this, i, on] { m_model.setRowChecked(i, on); }); });
        connect(r.date, &QDateEdit::dateChanged, this, [this, i](const QDate& d) {
            edit([this, i, d] { m_model.setRowDate(i, toSerial(d)); });
        });
        connect(r.type, &QComboBox::currentIndexChanged, this,
                [this, i](int index) { edit([this, i, index] { m_model.setRowType(i, index); }); });
        connect(r.c, &QLineEdit::textChanged, this, [this, i](const QString& t) {
            edit([this, i, t] { m_model.setRowCText(i, ss(t)); });
        });
        connect(r.cn, &QLineEdit::textChanged, this, [this, i](const QString& t) {
            edit([this, i, t] { m_model.setRowCnText(i, ss(t)); });
        });
    }
    const std::pair<QLineEdit*, SoilField> soil[] = {{m_soilC, SoilField::Content},
                                                     {m_bulkDensity, SoilField::BulkDensity},
                                                     {m_depth, SoilField::Depth}};
    for (const auto& [field, which] : soil) {
        // What the user types is judged as it is typed, and once more when the field is left.
        connect(field, &QLineEdit::textEdited, this, [this, which](const QString& t) {
            edit([this, which, t] { m_model.typeSoilText(which, ss(t)); });
        });
        connect(field, &QLineEdit::editingFinished, this,
                [this, which] { edit([this, which] { m_model.leaveSoilField(which); }); });
    }
    connect(m_nmin, &QLineEdit::textChanged, this,
            [this](const QString& t) { edit([this, t] { m_model.setNminText(ss(t)); }); });
    connect(m_texture, &QComboBox::currentIndexChanged, this,
            [this](int index) { edit([this, index] { m_model.setTextureIndex(index); }); });
    connect(m_tillage, &QComboBox::currentIndexChanged, this,
            [this](int index) { edit([this, index] { m_model.setTillageIndex(index); }); });
}

void InputPage::edit(const std::function<void()>& change) {
    if (m_showing || m_detached) {
        return;
    }
    guarded(window(), change);
    showSession();
}

void InputPage::apply(const std::function<void()>& change) {
    // Shown also when the change stops part-way: the lines before the faulty one stay applied.
    struct ShowAfterwards {
        InputPage* page;
        ~ShowAfterwards() { page->showSession(); }
    } showAfterwards{this};
    change();
}

// --- The session shown --------------------------------------------------------------------

namespace {

void showText(QLineEdit* field, const std::string& text) {
    // Only a changed text is set, so that the cursor stays where the user is typing.
    const QString shown = qs(text);
    if (field->text() != shown) {
        field->setText(shown);
    }
}

void showText(QLabel* box, const std::string& text) {
    box->setText(qs(text));
}

void showDate(QDateEdit* field, DateSerial first, DateSerial last, DateSerial date) {
    if (field->minimumDate() != toQDate(first) || field->maximumDate() != toQDate(last)) {
        field->setDateRange(toQDate(first), toQDate(last));
    }
    if (field->date() != toQDate(date)) {
        field->setDate(toQDate(date));
    }
}

void showIndex(QComboBox* list, int index) {
    if (list->currentIndex() != index) {
        list->setCurrentIndex(index);
    }
}

} // namespace

void InputPage::showSession() {
    // The widgets' signals reach other listeners (the main window follows the output time
    // step), but not the model, which already holds what is shown.
    const bool outer = !m_showing;
    m_showing = true;
    showSubstrateLists();
    showValues();
    showEnabledFields();
    if (outer) {
        m_showing = false;
    }
}

void InputPage::showSubstrateLists() {
    if (m_shownSubstrates == m_session.substrates) {
        return;
    }
    m_shownSubstrates = m_session.substrates;
    QStringList items;
    for (const std::string& e : m_shownSubstrates) {
        items << qs(e);
    }
    for (const Row& r : m_rows) {
        r.type->clear();
        r.type->addItems(items);
        r.type->setCurrentIndex(-1);
    }
}

void InputPage::showValues() {
    const PageState& p = m_session.page;
    (p.carbonOnly ? m_carbonOnly : m_carbonAndN)->setChecked(true);
    showText(m_weatherName, p.weatherFileName);
    showText(m_weatherKind, p.weatherKindText);
    showText(m_weatherPeriod, p.weatherPeriodText);
    showDate(m_start, p.firstDate, p.lastDate, p.startDate);
    showDate(m_end, p.firstDate, p.lastDate, p.endDate);
    (p.eventsOnPanel ? m_onPanel : m_inWorkbook)->setChecked(true);
    showText(m_eventsName, p.eventsFileName);
    for (size_t i = 0; i < m_rows.size(); ++i) {
        const Row& r = m_rows[i];
        const EventRowState& s = p.rows[i];
        r.check->setChecked(s.checked);
        showIndex(r.type, s.typeIndex);
        showText(r.c, s.cText);
        showText(r.cn, s.cnText);
        showDate(r.date, p.firstDate, p.lastDate, s.date);
    }
    showText(m_soilC, p.soilCText);
    showText(m_bulkDensity, p.bulkDensityText);
    showText(m_depth, p.depthText);
    showText(m_stock, p.stockText);
    showText(m_nmin, p.nminText);
    showIndex(m_texture, p.textureIndex);
    showIndex(m_tillage, p.tillageIndex);
    (p.dailyOutput ? m_daily : m_monthly)->setChecked(true);
}

void InputPage::showEnabledFields() {
    const PageState& p = m_session.page;
    for (int i = 0; i < kEventRows; ++i) {
        const Row& r = m_rows[static_cast<size_t>(i)];
        for (QWidget* w : {static_cast<QWidget*>(r.type), static_cast<QWidget*>(r.c),
                           static_cast<QWidget*>(r.date)}) {
            setFieldEnabled(w, p.rowFieldsEnabled(i));
        }
        setFieldEnabled(r.cn, p.rowCnEnabled(i));
        r.check->setEnabled(p.rowCheckBoxesEnabled());
    }
    m_nminLabel->setEnabled(p.nminEnabled());
    setFieldEnabled(m_nmin, p.nminEnabled());
    m_eventsName->setVisible(p.eventsFileEnabled());
    setFieldEnabled(m_eventsName, p.eventsFileEnabled());
    for (QPushButton* b : {m_selectFile, m_openFile, m_createFile}) {
        b->setEnabled(p.eventsFileEnabled());
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
    return !folder.empty() && folderExists(folder) ? folder : m_session.startFolder;
}

} // namespace orvek::ui
