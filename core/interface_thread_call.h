// Work that must run on the interface thread (reading a window's controls, changing its
// menu) asked for from any thread: the caller waits while the frame window runs it.
#pragma once

#include <windows.h>

#include <functional>

// Sent to the frame window: lParam is the work; the frame answers with RunInterfaceThreadWork.
constexpr UINT WM_RUN_ON_INTERFACE_THREAD = 1038;

// Runs the work at once on the interface thread, or when there is no frame window; otherwise
// sends it to the frame and waits. The caller holds no lock the interface thread may wait for.
// An exception the work throws is thrown again on the caller's thread. False when the frame
// went away before the work could run.
bool RunOnInterfaceThread(const std::function<void()>& work);

// The frame window's handling of WM_RUN_ON_INTERFACE_THREAD; never lets an exception out.
LRESULT RunInterfaceThreadWork(LPARAM work);
