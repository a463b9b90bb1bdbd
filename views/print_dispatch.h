// Handing a print to the thread that owns the view.
//
// A worker thread never touches a view itself: it sends the whole print to the owner's
// dispatcher window and waits. All appends to a view then happen on one thread, so no thread
// waits for the Rich Edit lock while another waits for it in SendMessage.
#pragma once

#include <windows.h>

#include <functional>

// Creates the calling thread's dispatcher window unless it has one. The interface thread calls it
// at start-up, before any worker prints (a thread that prints into a view it owns gets one on its
// first line anyway). The owner then appends without the Rich Edit lock.
void PrepareLinePrinter();

// When the control belongs to another thread that has a dispatcher, runs print there, waits for
// it and returns true. False when the caller owns the control or the owner has no dispatcher:
// the caller then prints itself.
bool RunOnViewOwner(HWND control, const std::function<void()>& print);
