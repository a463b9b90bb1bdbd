// The automatic reconnect's wait. After a loss the user did not cause, the server window says
// when the next try comes, and a timer of the window's own starts it: no thread waits, and the
// wait ends with the window, as its timers do.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

struct WindowRecord;

// Milliseconds in each second of the waits (kReconnectDelaysSeconds, shell/window_state.h): 1000;
// tests shorten the waits through it, or, for a qv they start, through this environment variable.
extern std::atomic<uint32_t> ReconnectSecondMs;
constexpr wchar_t kReconnectSecondMsVariable[] = L"BRINDLEX_RECONNECT_SECOND_MS";

// Posted to a server window by ScheduleReconnect: starts its reconnect timer, lParam the wait in
// milliseconds. A window's timers belong to its own thread, and losses are noticed on others.
constexpr UINT WM_RECONNECT_WAIT = WM_APP + 0x129;
// Below the ids of the script timers, which count up from 1000 on the same windows.
constexpr UINT_PTR kReconnectTimerId = 999;

// After the reconnect counter granted a try (any thread): the server window says how long the
// wait is and which try follows, the try is marked pending and the window's timer is started.
void ScheduleReconnect(WindowRecord* server);
// The server window's reconnect timer fired: the connection starts again unless the try was
// called off meanwhile (a start, "Disconnect" or "/quit").
void RunPendingReconnect(WindowRecord* server, HWND window);
