#pragma once

#include "formats/PageState.h"

#include <string>
#include <vector>

namespace orvek {

// The program-wide state of a window-less session: what the main window keeps besides its
// controls.
struct Session {
    std::string startFolder;   // ends with a separator
    std::string workingFolder; // ends with a separator
    std::vector<std::string> substrates;
    bool resizable = false;
    char decimalSeparator = '.';
    PageState page;
};

// Starts as the main window does, but without its clean-up of leftover working files: a
// command-line run deletes no file it did not write. Substrate lists filled, the options
// applied. Returns the message of the step that failed, which ends the start-up there (the
// program still opens), or an empty text.
std::string startSession(Session& session, const std::string& folder);

// Applies "Option.Orvek" to the page and the folders; raises OrvekError.
void loadDefaults(Session& session);

// Applies a setting file to the page as "Retrieve input settings" does; raises OrvekError with
// the lines before the faulty one applied.
void retrieveSettings(Session& session, const std::string& path);

// Writes the page to a setting file (replacing it safely); raises OrvekError.
void saveSettings(const Session& session, const std::string& path);

} // namespace orvek
