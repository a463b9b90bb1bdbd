// The frame window's private messages and timers that worker threads and commands use.
#pragma once

#include "common/command_ids.h"
#include "common/frame_messages.h"

#include <windows.h>
#include <guiddef.h>

#include <cstdint>
#include <string>

struct WindowRecord;
struct IOleObject;

constexpr UINT WM_OPEN_CHAT_WINDOW = 1028;   // sent: lParam the new window's details
constexpr UINT WM_SERVER_LINE_TO_GUI = 1029; // posted: wParam a server record, lParam a heap line
constexpr UINT WM_SPEECH_RECOGNIZED = 1030;
constexpr UINT WM_DNS_RESULT = 1031;
constexpr UINT WM_SPEAK_TEXT = 1032;
constexpr UINT WM_INSERT_OBJECT = 1034;
constexpr UINT WM_RUN_ACTIVEX_SCRIPT = 1035;
constexpr UINT WM_UPNP_REQUEST = 1036; // wParam 0 map, 1 unmap the port in lParam, 2 external address
constexpr UINT WM_LIGHT_SENSOR = 1037;

constexpr UINT_PTR FLOOD_TIMER_ID = 1; // empties the flood queues, one line per connection a tick
constexpr UINT_PTR ISON_TIMER_ID = 2;  // notify-list query and lag probe

// lParam of WM_OPEN_CHAT_WINDOW, valid during the send. The frame creates the chat window and
// returns it; the window's user data holds its new record (with a fresh ServerConnection for a
// server window). wParam says where the window goes (the values below).
constexpr WPARAM kOpenInFront = 0;
constexpr WPARAM kOpenKeepFront = 1; // the window that was active before is active again afterwards
// Made behind the active window; the newest such window comes in front once the storm of windows
// it belongs to has calmed, instead of each of hundreds taking the front in turn.
constexpr WPARAM kOpenFrontLater = 2;
struct OpenChatWindowRequest {
    WindowRecord* Server = nullptr; // null for a new server window
    uint32_t Type = 0;
    std::string Name;
    uint8_t Flag = 0;
};

// lParam of WM_INSERT_OBJECT, valid during the send: the frame puts an object into the view.
// With Object set a new control of the class is made and handed back un-released; otherwise the
// object stored in the file is loaded (the file is not kept open).
struct InsertObjectRequest {
    HWND View = nullptr;
    const wchar_t* StoragePath = nullptr;
    CLSID Clsid{};
    IOleObject** Object = nullptr;
    // Set: the user is asked this Yes/No question first, and No inserts nothing.
    const wchar_t* Question = nullptr;
};

// Sent to a chat window to set one of its script timers: wParam the timer id, lParam the interval
// in milliseconds, 0 to kill it. A window's timers belong to its thread, so commands running on
// other threads ask the window to set them.
constexpr UINT WM_SCRIPT_TIMER = WM_APP + 1;
