// Work that must run on the interface thread (reading a window's controls, changing its
// Work that must run on the interface thread (reading a window's controls, changing its menu,
// asking the user) asked for from any thread: the caller waits while the frame window runs it, or
// hands it over and goes on. Work asked for on behalf of text from outside runs under the
// remote-text mark there too.
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

// The answer of a question to the user asked from any thread: the dialog always belongs to the
// interface thread, and a caller on another thread waits for the answer (its own work needs it).
// The neutral answer when the frame went away before the question could be asked.
template <class Answer, class Ask> Answer AskOnInterfaceThread(Ask&& ask, Answer neutral) {
    Answer answer = neutral;
    RunOnInterfaceThread([&] { answer = ask(); });
    return answer;
}

// Hands the work to the frame window and returns at once; the interface thread runs it when it
// takes the message (an exception it throws is dropped). False, and the work dropped, when
// there is no frame window to take it.
bool PostToInterfaceThread(std::function<void()> work);

// The frame window's handling of WM_RUN_ON_INTERFACE_THREAD; never lets an exception out.
LRESULT RunInterfaceThreadWork(LPARAM work);
