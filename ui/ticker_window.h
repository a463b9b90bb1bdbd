// The notification ticker: a strip at the bottom of the screen in which incoming lines scroll.
// Its window handle and the message that adds a line live with the frame's handles (core).
#pragma once

#include "core/frame_handles.h"

#include <cstddef>
#include <cstdint>
#include <string>

struct WindowRecord;

// Texts waiting beyond this many push out the oldest waiting one: a busy channel never makes the
// queue grow without end while the strip scrolls at its own pace.
constexpr size_t kTickerQueueLimit = 500;
// Pixels the strip moves left at each tick.
constexpr int32_t kTickerStep = 3;

namespace ui {
// Opens the ticker for the record, or closes the open one; nothing with no record and no ticker.
void ToggleTickerWindow(WindowRecord* record);
// Closes the ticker when it is open: gives the screen's work area back as it was before opening,
// lays the frame out again and empties the queue. False when no ticker was open.
bool CloseTicker();
} // namespace ui

// The strip's state, for the tests: the texts waiting, the pixels free at its right end (negative
// while a text wider than the strip is still entering).
size_t TickerQueueLength();
int32_t TickerFreePixels();
// The text queued for a line of the window: "[#channel] text | " in a channel, "text | " elsewhere.
std::wstring TickerEntryText(const WindowRecord* record, const wchar_t* text);
