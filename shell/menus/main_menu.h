// The main menu, rebuilt for the type of the window the user works in, and the docking of chat
// windows.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct WindowRecord;

constexpr uint32_t kNoPluginMenuEntry = 0xFFFFFFFF;
constexpr uint32_t kAllWindowTypes = 0xFFFFFFFF;

// Rebuilds the menu of the window for the window type (0 none, 1 server, 2 channel, 3 query,
// 4 DCC chat, kAllWindowTypes everything); dropPluginEntry names a plug-in menu entry to erase,
// or kNoPluginMenuEntry.
void UpdateMainMenu(uint32_t windowType, HWND window, uint32_t dropPluginEntry);
namespace shell {
// UpdateMainMenu for the window the user works in, with its type; false when there is none.
bool RebuildActiveWindowMenu(uint32_t dropPluginEntry);
} // namespace shell
// The top-level positions of the main menu a window type does not show, highest first.
std::vector<uint32_t> HiddenMenuPositions(uint32_t windowType);
// Takes the popups at the positions (highest first) out of the menu, keeping them for
// InsertQueuedPopupMenus; positions without a popup are skipped.
void StripMenuPopups(HMENU menu, const std::vector<uint32_t>& positions);
// The window type the menu was last built for.
uint32_t CurrentMenuType();
// The popup at this position of the whole main menu, as the language library lays it out,
// wherever the rebuild for the window type moved it or took it out; null when there is none.
// caption, when given, receives its text.
HMENU FindMainMenuGroup(uint32_t position, std::wstring* caption);

// Checks the items of an opening popup that switch something of the record's window (pause,
// notify, multi-line input, logging and the like) as they stand.
void ShowToggleStates(HMENU popup, const WindowRecord* record);

// Moves a chat window between the MDI client and the desktop.
void ToggleDocking(WindowRecord* record);
