#pragma once

#include <string>

namespace orvek::ui {

// The program-wide values that the main window owns and hands to the input page, the Options
// dialog and the result commands.
struct ProgramValues {
    std::string startFolder;   // the current folder at start-up, ends with "/"
    std::string workingFolder; // setting files and events workbooks, ends with a separator
    bool resizable = false;    // proportional resizing of the main window
};

} // namespace orvek::ui
