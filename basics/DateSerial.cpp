#include "basics/DateSerial.h"

namespace orvek {

namespace {

// Days from 1970-01-01 for a proleptic Gregorian date (H. Hinnant's algorithm).
long daysFromCivil(long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long>(doe) - 719468;
}

constexpr long kUnixEpochSerial = 25569; // 1 January 1970

} // namespace

bool isLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month) {
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) {
        return 0;
    }
    return month == 2 && isLeapYear(year) ? 29 : days[month - 1];
}

int daysInYear(int year) {
    return isLeapYear(year) ? 366 : 365;
}

bool tryEncodeDate(int year, int month, int day, DateSerial& out) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > daysInMonth(year, month)) {
        return false;
    }
    out = static_cast<DateSerial>(
        daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) +
        kUnixEpochSerial);
    return true;
}

bool tryDateFromYearDay(int year, int day, DateSerial& out) {
    if (year < 1 || year > 9999 || day < 1 || day > daysInYear(year)) {
        return false;
    }
    DateSerial first = 0;
    tryEncodeDate(year, 1, 1, first);
    out = first + day - 1;
    return true;
}

CalendarDate decodeDate(DateSerial date) {
    long z = static_cast<long>(date) - kUnixEpochSerial + 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long y = static_cast<long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return CalendarDate{static_cast<int>(y + (m <= 2)), static_cast<int>(m), static_cast<int>(d)};
}

int dayOfYear(DateSerial date) {
    const CalendarDate c = decodeDate(date);
    DateSerial first = 0;
    tryEncodeDate(c.year, 1, 1, first);
    return date - first + 1;
}

} // namespace orvek
