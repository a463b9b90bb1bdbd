// The configuration documents that start-up opens and shutdown saves.
#pragma once

#include <string>

// The user's settings file and its ini file beside it.
extern std::wstring UserConfigPath;
extern std::wstring UserIniPath;

struct OpenedDocuments {
    bool FirstRun = false;
    // Shown to the user once the language library is loaded; empty when there is nothing to say.
    std::wstring Notice;
};

// Opens the shared settings, the extras catalogue, the user's settings (written from
// "DEFAULT_USER_CFG" when missing or empty; a file that cannot be read is kept aside under a new
// name first) and the temporary document. Temporary files that saves cut short left beside them
// are removed first.
OpenedDocuments OpenConfigurationDocuments();

// "ICfg\\General" "PendingUpdate" of the user's settings is 1.
bool UpdateIsPending();
// Merges the new default settings into the user's, keeps the user's scripts, clears the flag,
// saves, says so and ends the process.
[[noreturn]] void RunPendingUpdateMerge();

// Saves the user's and the shared settings when they are intact (the user's only when they were
// read from its file), closes every document and clears the globals. Returns a notice for the user
// when the user's settings could not be written; empty otherwise.
std::wstring SaveAndCloseConfigurationDocuments();
