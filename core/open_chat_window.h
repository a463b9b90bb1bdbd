// Opening a chat window from any thread: the frame creates it and its record.
//
// The frame's own thread makes the window at once. Any other thread's request waits in one queue,
// in the order asked, which the frame takes in slices: between two windows made for other threads
// it gives input, painting and timers their turn, so a server that forces hundreds of windows on
// us never keeps the interface thread busy back to back. The asking thread waits for its window,
// as its next lines may be for it, or for the answer that none is made.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

struct WindowRecord;

// A new chat window under the server window (null server: a new server window), opened by the
// frame through WM_OPEN_CHAT_WINDOW; its record, or null when none was made. flag travels in
// the request (a query's fixed font); keepFront activates the window that was active before
// again afterwards.
WindowRecord* OpenChatWindow(WindowRecord* server, uint32_t type, const std::string& name, uint8_t flag = 0,
                             bool keepFront = false);

// Posted to the frame when a request starts waiting and the frame has not been told of one since
// it last took them all.
constexpr UINT WM_TAKE_WINDOW_REQUESTS = WM_APP + 0x12A;

// The frame's side, on its thread. Makes the waiting requests' windows (each through the frame's
// WM_OPEN_CHAT_WINDOW) in the order asked, one at a time while `another` allows one more (asked
// before each, the first included). True when requests still wait: the frame takes them later
// without being told again.
bool TakeWindowRequests(const std::function<bool()>& another);
// Set while requests wait: a thread that blocks the frame's thread until another thread ends
// (which may be waiting for a window) waits for this too and then takes them all.
HANDLE WindowRequestsWaiting();
// On the frame's thread: waits at most this long for a request, running the messages other
// threads send meanwhile (the one whose next request it is may need this thread first). True
// when a request waits.
bool AwaitWindowRequest(DWORD timeoutMs);

// When another thread last asked for a window (GetTickCount64), 0 when none ever did.
// Requests of other threads less than kWindowStormQuietMs apart are a storm of windows: a window
// asked for in front during one opens behind and the newest comes in front once it has calmed.
constexpr ULONGLONG kWindowStormQuietMs = 300;
uint64_t LastWindowRequestTick();

// The waiting requests under the server window (every request when null) are answered with no
// window, and so is every later one: the server window is closing (its close waits for its
// connection thread, which may be waiting for a window), or the frame is.
void RefuseWindowRequests(const WindowRecord* server);
