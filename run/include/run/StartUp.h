#pragma once

#include "formats/PageState.h"
#include "formats/SettingRecord.h"
#include "run/Session.h"

#include <functional>
#include <string>

namespace orvek {

// The start-up of the window and of orvek-batch. Fixes the folders (the start folder, the user's
// documents as working folder until the options name one), runs prepareFolder on the start
// folder before any of its files is read (the window claims the folder there and clears its
// leftover working files; an exception from it ends the start-up and passes on), then fills the
// substrate list and applies the options. Returns the message of the file step that failed,
// which ends the start-up there (the program still opens), or an empty text. Without a
// prepareFolder nothing is deleted: a command-line run deletes no file it did not write.
std::string startSession(Session& session, const std::string& folder,
                         const std::function<void(const std::string&)>& prepareFolder = {});

// Applies "Option.Orvek" to the page and the folders; raises OrvekError with the lines before
// the faulty one applied.
void loadDefaults(Session& session);

// Applies a setting file to the page as "Retrieve input settings" does; raises OrvekError with
// the lines before the faulty one applied.
void retrieveSettings(Session& session, const std::string& path);

// Writes the page to a setting file (replacing it safely); raises OrvekError.
void saveSettings(const Session& session, const std::string& path);

// The setting record's formats of a session without a desktop: the C locale's short date
// (M/d/yy) and long time (HH:mm:ss), the run dated now.
RecordFormats plainRecordFormats();

} // namespace orvek
