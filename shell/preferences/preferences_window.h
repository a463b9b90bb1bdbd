// The preferences window: the XML tree editor on the combined view of the user's settings and the
// extras catalogue, with templates for new servers, scripts, notes and proxies, choosers for
// fonts, colours, sound formats and hot keys, check boxes for switches, and catalogue downloads.
// One window at most; closing it saves the user's settings and applies them.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

// Private message: a catalogue download finished (wParam 1 on success, lParam the job).
constexpr UINT kPreferencesDownloadDone = WM_APP + 0x41;

namespace shell {
// Opens the window at the section path (elements joined by "\"); an empty path takes the one
// "/prefs" left. An open window is brought forward and keeps its place.
void OpenPreferences(const std::string& section);
} // namespace shell

// The open preferences window, or null.
HWND PreferencesWindowHandle();

// True when the preferences window is the active window and edits a script: its selected element
// is "Scripts" or "Special_Scripts" or lies below one of them.
bool PreferencesEditsScript();

// Expands the tree along the path of element names below the parent item and selects the last;
// a missing name stops at the item reached so far.
void SelectTreePath(HWND tree, HTREEITEM parent, const std::string& path);
