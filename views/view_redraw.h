// Repainting of views that take lines in bursts.
//
// Every insert into a visible Rich Edit control updates its scroll bar and repaints at once,
// which costs far more than the insert itself. A view that is being printed into is therefore
// painted at most every few tens of milliseconds: its redraw is switched off while lines arrive
// and switched back on (scrolled to its end and repainted) once the thread's messages are handled.
#pragma once

#include <windows.h>

// Switches the view's redraw off until the next flush of the calling thread, which a timer of
// that thread runs. Only the thread that owns the view may call it.
void DeferViewRedraw(HWND view);
// Switches every deferred view of the calling thread back on, scrolled to its end and repainted.
void FlushDeferredRedraws();
