// The settings the line printer reads for every line, read once and read again only after the
// user's settings document changed (every write to it, applying the settings included).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct PrintSettings {
    bool IgnoreTextAttributes = false;
    bool TimeStamp = true;
    bool TrayOnlyOnSpecial = false;
    bool TrayOnlyOnText = false;
    bool ReplaceTextSmileys = true;
    std::wstring TimeStampFormat;
    std::vector<std::string> HiliteWords;
    COLORREF ServerColor = 0;
    COLORREF TextColor = 0;
    COLORREF BackgroundColor = 0;
};

// The settings of the calling thread's current view of the document; the reference stays valid
// until the next call on the same thread.
const PrintSettings& CurrentPrintSettings();
