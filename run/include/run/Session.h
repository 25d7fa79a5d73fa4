#pragma once

#include "basics/DateSerial.h"
#include "formats/PageState.h"

#include <functional>
#include <string>
#include <vector>

namespace orvek {

// The M/d/yy date of a session without a desktop (the C locale's short date).
std::string plainShortDate(DateSerial date);

// The program-wide state of one session, the window's or orvek-batch's: the folders, the
// substrate list, the resizing switch and the input page, with what the page's rules need to
// know about the desktop.
struct Session {
    std::string startFolder;   // ends with a separator
    std::string workingFolder; // ends with a separator
    std::vector<std::string> substrates;
    bool resizable = false;
    char decimalSeparator = '.';
    // How messages write a date: the window passes the desktop's short date format.
    std::function<std::string(DateSerial)> shortDate = plainShortDate;
    PageState page;
};

} // namespace orvek
