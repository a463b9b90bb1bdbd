// The user's settings file before start-up opens it: written from the default settings document
// of the resource library when missing or empty, and never over a file that could not be read.
#pragma once

#include <windows.h>

#include <string>

enum class UserConfigState {
    Readable,           // a settings document is there and reads well; nothing was changed
    Created,            // it was missing or empty: the default document was written (a first run)
    ReplacedUnreadable, // it could not be read: kept aside under SetAsidePath, the default written
    Unusable,           // it could not be read and could not be moved aside: nothing was written
};

struct UserConfigPrepared {
    UserConfigState State = UserConfigState::Readable;
    // Where an unreadable file was moved (ReplacedUnreadable only).
    std::wstring SetAsidePath;
    // False when the default document could not be written (no "DEFAULT_USER_CFG", or the
    // folder is not writable); start-up then opens an empty document.
    bool DefaultWritten = false;
};

// Prepares path from the resource "DEFAULT_USER_CFG" (type "DATA") of the module. A file counts as
// readable when it opens and reads as a whole XML document with its declaration. A file that is
// there but is not readable is renamed to "<path>.unreadable-N" (the first free N) before the
// default is written, so the user's settings are never lost.
UserConfigPrepared PrepareUserConfigFile(const std::wstring& path, HMODULE resources);
