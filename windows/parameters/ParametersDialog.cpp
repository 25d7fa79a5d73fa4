#include "windows/parameters/ParametersDialog.h"

#include "basics/Errors.h"
#include "basics/Files.h"
#include "uibase/HandlerGuard.h"
#include "uibase/PlatformServices.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace orvek::ui {

namespace {

struct Shown {
    int precision;
    int decimals;
};

// Display format of each parameter in file order: significant digits / decimals.
Shown shownAs(int index) {
    if (index == kSomR) {
        return {5, 5};
    }
    if (index < kSomCN) {
        return index % 2 == 0 ? Shown{5, 4} : Shown{5, 3};
    }
    if (index < kLoamR) {
        return {4, 1};
    }
    return {5, 1};
}

const char* const kSubstrateRows[7] = {"Soil organic matter", "Cereal residues", "Cereal roots",
                                       "Legume residues",     "Legume roots",    "Green manures",
                                       "Animal manures"};

QLabel* heading(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

// A note broken into lines where the text says: a grid gives a label that wraps by itself too
// little height for its lines once the font is larger than the layout was made with.
QLabel* note(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

int TForm4::fieldNumber(int index) {
    // The reference temperature was added to the form after the other fields.
    if (index == kReferenceT) {
        return 27;
    }
    return index < kReferenceT ? index + 1 : index;
}

TForm4* TForm4::open(QWidget* mainWindow, const QString& startFolder) {
    auto* dialog = new TForm4(mainWindow, startFolder);
    if (!guarded(mainWindow, [dialog] { dialog->display(false); })) {
        delete dialog;
        return nullptr;
    }
    if (mainWindow) {
        mainWindow->setEnabled(false);
    }
    // A window of its own: disabling the main window must not disable the dialog.
    dialog->setEnabled(true);
    dialog->show();
    return dialog;
}

TForm4::TForm4(QWidget* mainWindow, const QString& startFolder)
    : QDialog(mainWindow), m_lock(this, mainWindow),
      m_startFolder(startFolder.isEmpty() ? startFolder
                                          : QString::fromStdString(
                                                withTrailingSeparator(startFolder.toStdString()))) {
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Parameters"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    build();
    CheckBox1Click();
}

void TForm4::build() {
    m_substrates = new QGroupBox(this);
    m_substrates->setObjectName(QStringLiteral("GroupBox1"));
    m_ratios = new QGroupBox(this);
    m_ratios->setObjectName(QStringLiteral("GroupBox2"));
    for (int k = 0; k < kParameterCount; ++k) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("Edit%1").arg(fieldNumber(k)));
        edit->setFixedWidth(82);
        m_fields[static_cast<size_t>(k)] = edit;
        connect(edit, &QLineEdit::textEdited, this,
                [this, k] { m_edited[static_cast<size_t>(k)] = true; });
    }
    buildSubstrateGroup();
    buildRatioGroup();

    m_restore = new QPushButton(QStringLiteral("Restore to dafaults"), this);
    m_restore->setObjectName(QStringLiteral("Button4"));
    m_restore->setToolTip(QStringLiteral("Retrieve default values"));
    m_allow = new QCheckBox(QStringLiteral("Allow modification"), this);
    m_allow->setObjectName(QStringLiteral("CheckBox1"));
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("Button2"));
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("Button3"));
    for (QPushButton* b : {m_restore, m_cancel, m_ok}) {
        b->setAutoDefault(false);
    }
    connect(m_allow, &QCheckBox::toggled, this, &TForm4::CheckBox1Click);
    connect(m_restore, &QPushButton::clicked, this, &TForm4::Button4Click);
    connect(m_ok, &QPushButton::clicked, this, &TForm4::Button3Click);
    connect(m_cancel, &QPushButton::clicked, this, &TForm4::Button2Click);

    auto* title = heading(QStringLiteral("Internal model parameters"), this);
    QFont big = title->font();
    big.setPointSizeF(big.pointSizeF() * 1.3);
    title->setFont(big);
    title->setAlignment(Qt::AlignCenter);

    auto* buttons = new QHBoxLayout();
    buttons->addWidget(m_restore);
    buttons->addSpacing(16);
    buttons->addWidget(m_allow);
    buttons->addStretch(1);
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_ok);

    auto* groups = new QHBoxLayout();
    groups->addWidget(m_substrates, 3);
    groups->addWidget(m_ratios, 2);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addLayout(groups);
    layout->addLayout(buttons);
}

void TForm4::buildSubstrateGroup() {
    QGroupBox* group = m_substrates;
    auto* grid = new QGridLayout(group);
    grid->setColumnStretch(0, 1);
    int row = 0;
    // The exponent in superscript characters of the font: a rich-text superscript rises above
    // the line the label is laid out for and loses its top.
    auto* r = new QLabel(QStringLiteral("R, day\u02E2\u207B\u00B9"), group);
    r->setObjectName(QStringLiteral("LabelR"));
    r->setTextFormat(Qt::PlainText);
    grid->addWidget(r, row, 1, Qt::AlignHCenter | Qt::AlignBottom);
    grid->addWidget(new QLabel(QStringLiteral("S"), group), row, 2, Qt::AlignCenter);
    ++row;
    for (int t = 0; t < 7; ++t, ++row) {
        grid->addWidget(new QLabel(QString::fromLatin1(kSubstrateRows[t]), group), row, 0);
        grid->addWidget(field(kSomR + 2 * t), row, 1);
        grid->addWidget(field(kSomS + 2 * t), row, 2);
    }
    for (const char* text :
         {"All based on sandy soil", "R: substrate initial decomposability",
          "S: ageing speed of substrate, or the speed of\ndecrease in decomposability"}) {
        grid->addWidget(note(QString::fromLatin1(text), group), row++, 0, 1, 3);
    }
    grid->addWidget(note(QStringLiteral("Effects of soil texture on R and S of added\n"
                                        "substrates, in percent of sandy soil:"),
                         group),
                    row++, 0, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Loam"), group), row, 0);
    grid->addWidget(field(kLoamR), row, 1);
    grid->addWidget(field(kLoamS), row++, 2);
    grid->addWidget(new QLabel(QStringLiteral("Clay"), group), row, 0);
    grid->addWidget(field(kClayR), row, 1);
    grid->addWidget(field(kClayS), row++, 2);
    grid->setRowStretch(row, 1);
}

void TForm4::buildRatioGroup() {
    QGroupBox* group = m_ratios;
    auto* grid = new QGridLayout(group);
    grid->setColumnStretch(0, 1);
    int row = 0;
    auto add = [&](const char* text, int index) {
        grid->addWidget(new QLabel(QString::fromLatin1(text), group), row, 0);
        grid->addWidget(field(index), row++, 1);
    };
    auto section = [&](const char* text) {
        if (row > 0) {
            grid->addItem(new QSpacerItem(1, 8), row++, 0);
        }
        grid->addWidget(heading(QString::fromLatin1(text), group), row++, 0, 1, 2);
    };
    section("C:N ratio");
    add("Soil organic matter", kSomCN);
    add("Maximum for microbes", kMicrobialCNMax);
    add("Minimum for microbes", kMicrobialCNMin);
    section("Microbial C dissemilation to assimilation (D:A) ratio");
    add("Minimum", kDAMin);
    add("Maximum", kDAMax);
    section("Temperature-related parameters");
    add("Reference T for Q10 coefficient (oC)", kReferenceT);
    add("Q10 coefficient", kQ10);
    add("Difference of soil-T minus air-T (oC)", kSoilMinusAirT);
    add("T-max cutoff (oC)", kTmaxCutoff);
    grid->setRowStretch(row, 1);
}

void TForm4::display(bool defaults) {
    const std::string path =
        (m_startFolder +
         QString::fromLatin1(defaults ? kDefaultParameterFileName : kParameterFileName))
            .toStdString();
    // The whole file is read before any field changes.
    const std::vector<ParameterLine> lines = readParameterLines(path);
    for (int k = 0; k < kParameterCount; ++k) {
        const ParameterLine& line = lines[static_cast<size_t>(k)];
        const Shown shown = shownAs(k);
        field(k)->setText(QString::fromStdString(
            formatParameterValue(line.value, shown.precision, shown.decimals)));
        field(k)->setCursorPosition(0);
        m_fileTexts[static_cast<size_t>(k)] = line.numberText;
        m_edited[static_cast<size_t>(k)] = false;
    }
}

void TForm4::colourFields(bool editable) {
    const QColor colour =
        editable ? palette().color(QPalette::Base) : palette().color(QPalette::Window);
    for (QLineEdit* edit : m_fields) {
        QPalette p = edit->palette();
        for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
            p.setColor(g, QPalette::Base, colour);
        }
        edit->setPalette(p);
    }
}

void TForm4::CheckBox1Click() {
    const bool allow = m_allow->isChecked();
    m_substrates->setEnabled(allow);
    m_ratios->setEnabled(allow);
    m_ok->setEnabled(allow);
    m_restore->setEnabled(allow);
    colourFields(allow);
}

void TForm4::Button4Click() {
    guarded(this, [this] { display(true); });
}

void TForm4::Button3Click() {
    services().beep(BeepKind::Exclamation);
    const Answer answer = services().askYesNoCancel(this, QStringLiteral("Save changes?"));
    if (answer == Answer::Cancel) {
        return;
    }
    if (answer == Answer::No) {
        m_allow->setChecked(false);
        close();
        return;
    }
    ParameterTexts texts;
    for (int k = 0; k < kParameterCount; ++k) {
        const size_t i = static_cast<size_t>(k);
        texts[i] = m_edited[i] ? field(k)->text().toStdString() : m_fileTexts[i];
    }
    if (const auto problem = checkParameterTexts(texts)) {
        services().beep(BeepKind::Hand);
        services().message(this, QString::fromStdString(problem->message), MessageIcon::Error);
        field(problem->index)->setFocus();
        field(problem->index)->selectAll();
        return;
    }
    if (!guarded(this, [this, &texts] { saveParameterFile(m_startFolder.toStdString(), texts); })) {
        return;
    }
    services().message(this, QStringLiteral("Old values saved to 'Parameter, old.Orvek'."),
                       MessageIcon::Information);
    m_allow->setChecked(false);
    close();
}

void TForm4::Button2Click() {
    m_lock.release();
    m_allow->setChecked(false);
    close();
}

void TForm4::reject() {
    Button2Click();
}

void TForm4::closeEvent(QCloseEvent* event) {
    m_lock.release();
    event->accept();
}

} // namespace orvek::ui
