#pragma once

#include "basics/DateSerial.h"

#include <QDate>
#include <QString>

#include <string>

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QWidget;

namespace orvek::ui {

inline QString qs(const std::string& text) {
    return QString::fromStdString(text);
}
inline std::string ss(const QString& text) {
    return text.toStdString();
}

QDate toQDate(DateSerial date);
DateSerial toSerial(const QDate& date);

// The window follows the application's locale, which is the user's unless it was set otherwise
// (QLocale::setDefault).
// The user's short date format, as the date fields show it.
QString shortDateFormat();
QString shortDateText(DateSerial date);
// The decimal separator of the numbers typed on the page.
char localeDecimalSeparator();

// A spin-style date field without a calendar, in the short date format, holding any date a
// date field can hold until a weather file narrows its range.
QDateEdit* newDateField(const QString& name, QWidget* parent);
DateSerial fieldDate(const QDateEdit* field);
// Sets the date as the program does: a date outside the field's range is refused with "Date
// exceeds maximum of %s" or "Date is less than minimum of %s" (OrvekError).
void setFieldDate(QDateEdit* field, DateSerial date);

// A numeric text field: one line, centred text, no keystroke filtering.
QLineEdit* newNumberField(const QString& name, QWidget* parent);
// A read-only display box, sunken.
QLabel* newDisplayBox(const QString& name, QWidget* parent);
// A drop-down list without free text.
QComboBox* newList(const QString& name, QWidget* parent);

// Enables or disables a value control and gives it the matching colour: the window colour
// (white) when enabled, the menu colour when disabled.
void setFieldEnabled(QWidget* field, bool enabled);
QColor enabledFieldColour();
QColor disabledFieldColour();
// The colour a value control shows now.
QColor fieldColour(const QWidget* field);

} // namespace orvek::ui
