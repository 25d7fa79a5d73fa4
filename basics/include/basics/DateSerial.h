#pragma once

namespace orvek {

// A date as a whole day count since 30 December 1899 (1 January 2005 is 38353), the day
// numbering shared by the result files, the setting files and the spreadsheet application.
using DateSerial = int;

struct CalendarDate {
    int year = 0;
    int month = 0;
    int day = 0;
};

bool isLeapYear(int year);
int daysInMonth(int year, int month);
int daysInYear(int year);

// False when the year is outside 1..9999 or the month or day does not exist.
bool tryEncodeDate(int year, int month, int day, DateSerial& out);
// False when the year is outside 1..9999 or the day of the year does not exist in it.
bool tryDateFromYearDay(int year, int dayOfYear, DateSerial& out);

CalendarDate decodeDate(DateSerial date);
int dayOfYear(DateSerial date);

// The range a date field can hold.
inline constexpr DateSerial kFirstFieldDate = -53688; // 1 January 1753
inline constexpr DateSerial kLastFieldDate = 2958465; // 31 December 9999

// Whether a stored day number is one that a date field can hold.
inline bool isFieldDate(double value) {
    return value >= kFirstFieldDate && value <= kLastFieldDate;
}

} // namespace orvek
