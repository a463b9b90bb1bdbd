// Changes to one chat window's state from outside its window procedure: pausing its output, its
// tray notification, the ticker and the reconnect count after a lost connection.
#pragma once

#include <windows.h>

#include <cstdint>
#include <iterator>

struct WindowRecord;

enum PauseMode : uint32_t {
    kPauseToggle = 0,
    kPauseOn = 1,
    kPauseResume = 2,
};

// Pauses or resumes the window's output. A resume prints the held lines in their order.
void ToggleOutputPause(WindowRecord* record, uint32_t mode);
// Called when the view scrolls: scrolled up pauses (PausedByScroll), back at the bottom resumes a
// pause that scrolling started.
void AutoPauseOnScroll(HWND view, WindowRecord* record);
// Switches the window's tray notification on or off.
void ToggleWindowNotify(WindowRecord* record);
// Closes the notification ticker when it is open and gives the frame the whole work area back.
void CloseTickerWindow();

// The view background of a paused window: each of red, green and blue c becomes c + 42 when c is
// below 129 and c - 21 otherwise.
COLORREF PausedBackground(COLORREF color);
// The waits before the automatic reconnect's tries, in seconds, one per try: together they
// outlast a server's restart, and a server that stays away is not called every second.
constexpr uint32_t kReconnectDelaysSeconds[] = {5, 15, 30, 60};
constexpr int32_t kReconnectTries = static_cast<int32_t>(std::size(kReconnectDelaysSeconds));

// The reconnect decision after a loss the user did not cause: a counter of 10 or more becomes 1;
// 1 to 4 count up by one and the connection starts again (true); 0 and 5 to 9 stay closed. The
// counter after a true answer, less one, is the number of the try (1 to kReconnectTries).
bool AdvanceReconnectCounter(int32_t& counter);
