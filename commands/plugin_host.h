// The plug-in host: the libraries listed in "Installed_Plugins", the events handed to them and
// the menus they add.
#pragma once

#include "core/client_services.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// Four 64-bit words passed with every plug-in event; their meaning depends on the event.
struct PluginEvent {
    uint64_t Words[4];
};

enum PluginEventCode : uint32_t {
    kPluginBeforeDispatch = 0,
    kPluginAfterDispatch = 1,
    kPluginWindowMessage = 2,
    kPluginServerLine = 3,
    kPluginWindowText = 4,
    kPluginWindowMessageFirst = 5,
};

// The first plug-in result of 1 stops the broadcast and is returned. Each call runs behind a
// guard: a plug-in that faults is reported in a server window and unloaded, and the broadcast
// goes on. Libraries are freed only on the interface thread, once no call into them runs.
uint64_t BroadcastToPlugins(uint32_t code, void* block);
// Events 2 and 5: the four values packed into a PluginEvent and broadcast with the code.
uint64_t BroadcastWindowMessage(uint32_t code, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
namespace commands {
// Event 3 for a received server line; 0 when nothing was sent.
uint64_t NotifyPluginsServerLine(uint32_t windowIndex, const std::string& line);
// Event 4 for a text printed into a window; 0 when nothing was sent.
uint64_t NotifyPluginsWindowText(const std::wstring& text, uint32_t windowIndex);
} // namespace commands

// The library paths to load (applying the settings fills it from "Installed_Plugins").
void SetPluginPaths(std::vector<std::wstring> paths);
std::vector<std::wstring> PluginPaths();
// Unloads every plug-in, then loads each path of the list: a library without "BrindlexProc", or
// whose "BrindlexVersion7" (7, 94, 0) answers 1, is left out.
void LoadPlugins();
// index -1 (0xFFFFFFFF) unloads all and returns how many entries there were; another index
// within the list unloads that one and removes its entry. Each gets "BrindlexUnload" (0) first.
// A library that is inside a call on another thread (or that is asked from any thread but the
// interface thread) leaves the list at once and is freed on the interface thread when its last
// call has returned.
uint32_t UnloadPlugins(uint32_t index);
// Interface thread, at shutdown: waits up to the time for calls still running in unloaded
// libraries, and frees each whose calls have ended.
void FinishPluginUnloads(DWORD timeoutMs);
// Entries in the list, unloaded slots included.
uint32_t PluginCount();
// Libraries loaded and not unloaded.
uint32_t LoadedPluginCount();

// A popup menu a plug-in added: its handle (the menu item's id with MF_POPUP) and caption.
struct PluginMenuItem {
    uint64_t Popup = 0;
    std::wstring Caption;
    bool operator==(const PluginMenuItem&) const = default;
};
std::vector<PluginMenuItem> PluginMenuItemsSnapshot();
// Erases the entry at the index; nothing outside the list.
void ErasePluginMenuItem(uint32_t index);
namespace commands {
// The popup of the entry at the index; 0 outside the list.
uint64_t PluginMenuEntryPopup(uint32_t index);
} // namespace commands

// Exported to plug-ins: appends a menu (caption UTF-8); returns the new number of menus.
extern "C" __declspec(dllexport) uint32_t __cdecl AddPluginMenu(uint64_t popup, const char* caption);

// Popups the menu builder took out of a menu, put back by InsertQueuedPopupMenus. Each menu keeps
// its own queue, so a popup never moves into another window's menu. Interface thread only.
struct QueuedPopupMenu {
    HMENU Popup = nullptr;
    uint32_t Position = 0;
    std::wstring Caption;
};
std::vector<QueuedPopupMenu>& QueuedPopupMenus(HMENU menu);
// Inserts every popup queued for the menu back by position, the last queued first, then empties
// its queue. leadingItems: items in front of the menu's own (the system menu of a maximised MDI
// child), which move every position to the right.
void InsertQueuedPopupMenus(HMENU menu, uint32_t leadingItems = 0);
// Destroys the popups still queued for a menu that is going away, and forgets its queue.
void DiscardQueuedPopupMenus(HMENU menu);
