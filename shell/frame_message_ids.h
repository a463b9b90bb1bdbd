// The frame window's private messages and timers that worker threads and commands use.
#pragma once

#include "common/frame_messages.h"

#include <windows.h>

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
