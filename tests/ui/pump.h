// Lets the clicks and keys a test posted, and what they post in turn, run on this thread.
#pragma once

#include <windows.h>

inline void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}
