// The table every command id of the menus, toolbars, popups, input box keys and "app:" links runs
// through: one row per id or range of ids, with the window it needs and its handler. The frame,
// the MDI client and the chat windows hand their WM_COMMAND to it.
#pragma once

#include <windows.h>

#include <cstdint>

struct WindowRecord;

// The window a command needs. Optional: it acts on the program and gets the window when there is
// one. Any: it acts on the window. Channel, DccChat: only on a window of that type. A command whose
// window is missing or of another type does nothing.
enum class MenuWindow : uint8_t { Optional, Any, Channel, DccChat };

struct MenuCommand {
    HWND Owner;           // the window that got WM_COMMAND
    WindowRecord* Window; // the window named with the command, or the active one; may be null
    uint32_t Id;
};

struct MenuCommandRow {
    uint32_t First;
    uint32_t Last;
    MenuWindow Needs;
    void (*Run)(const MenuCommand& command);
};

// The row whose ids hold this one; null for an id no row has, which does nothing.
const MenuCommandRow* FindMenuCommandRow(uint32_t id);

// WM_COMMAND of the frame, the MDI client and the chat windows. A popup, or the channel list
// window's own redraw, names the record its command is for in lParam (a small value or a control's
// handle is none): the window whose nick list or view was clicked, not the one that happens to be
// active.
void HandleMenuCommand(HWND owner, WPARAM wParam, LPARAM lParam);
