#include "windows/inputs/PageWidgets.h"

#include "basics/Errors.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QPalette>

namespace orvek::ui {

namespace {

const QDate kDayZero(1899, 12, 30);

bool paintsWindowRole(const QWidget* w) {
    return qobject_cast<const QLabel*>(w) != nullptr;
}

} // namespace

QDate toQDate(DateSerial date) {
    return kDayZero.addDays(date);
}

DateSerial toSerial(const QDate& date) {
    return static_cast<DateSerial>(kDayZero.daysTo(date));
}

QString shortDateFormat() {
    return QLocale().dateFormat(QLocale::ShortFormat);
}

QString shortDateText(DateSerial date) {
    return QLocale().toString(toQDate(date), QLocale::ShortFormat);
}

char localeDecimalSeparator() {
    const QString point = QLocale().decimalPoint();
    return point.size() == 1 && point.at(0).unicode() < 128 ? point.at(0).toLatin1() : '.';
}

QDateEdit* newDateField(const QString& name, QWidget* parent) {
    auto* field = new QDateEdit(parent);
    field->setObjectName(name);
    field->setCalendarPopup(false);
    field->setDisplayFormat(shortDateFormat());
    field->setDateRange(toQDate(kFirstFieldDate), toQDate(kLastFieldDate));
    field->setDate(toQDate(38353));
    field->setAlignment(Qt::AlignCenter);
    setFieldEnabled(field, true);
    return field;
}

DateSerial fieldDate(const QDateEdit* field) {
    return toSerial(field->date());
}

void setFieldDate(QDateEdit* field, DateSerial date) {
    const DateSerial lowest = toSerial(field->minimumDate());
    const DateSerial highest = toSerial(field->maximumDate());
    if (date > highest) {
        throw OrvekError("Date exceeds maximum of " + shortDateText(highest).toStdString());
    }
    if (date < lowest) {
        throw OrvekError("Date is less than minimum of " + shortDateText(lowest).toStdString());
    }
    field->setDate(toQDate(date));
}

QLineEdit* newNumberField(const QString& name, QWidget* parent) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(name);
    field->setAlignment(Qt::AlignCenter);
    setFieldEnabled(field, true);
    return field;
}

QLabel* newDisplayBox(const QString& name, QWidget* parent) {
    auto* box = new QLabel(parent);
    box->setObjectName(name);
    box->setFrameShape(QFrame::Panel);
    box->setFrameShadow(QFrame::Sunken);
    box->setTextFormat(Qt::PlainText);
    box->setMargin(2);
    return box;
}

QComboBox* newList(const QString& name, QWidget* parent) {
    auto* list = new QComboBox(parent);
    list->setObjectName(name);
    list->setEditable(false);
    list->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    setFieldEnabled(list, true);
    return list;
}

QColor enabledFieldColour() {
    return QApplication::palette().color(QPalette::Active, QPalette::Base);
}

QColor disabledFieldColour() {
    return QApplication::palette("QMenu").color(QPalette::Active, QPalette::Window);
}

void setFieldEnabled(QWidget* field, bool enabled) {
    field->setEnabled(enabled);
    const QColor colour = enabled ? enabledFieldColour() : disabledFieldColour();
    QPalette palette = field->palette();
    const QPalette::ColorRole role = paintsWindowRole(field) ? QPalette::Window : QPalette::Base;
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, role, colour);
        if (qobject_cast<QComboBox*>(field) != nullptr) {
            palette.setColor(group, QPalette::Button, colour);
        }
    }
    field->setPalette(palette);
    if (paintsWindowRole(field)) {
        field->setAutoFillBackground(true);
    }
}

QColor fieldColour(const QWidget* field) {
    const QPalette::ColorRole role = paintsWindowRole(field) ? QPalette::Window : QPalette::Base;
    return field->palette().color(QPalette::Active, role);
}

} // namespace orvek::ui
