#pragma once

#include "run/StartUp.h"

#include <string>

namespace orvek::batch {

// Creates the folder (and its parents) when it does not exist; returns it with a trailing
// separator. Raises OrvekError when it cannot be made.
std::string makeFolder(const std::string& folder);

// Starts as a run does in the start folder, reading it only: no working file is removed there,
// since other runs may share it. Returns the start-up message, or an empty text.
std::string startReadOnlySession(Session& session, const std::string& folder);

// A path given on the command line, taken from the folder when it is relative.
std::string inFolder(const std::string& folder, const std::string& path);

} // namespace orvek::batch
