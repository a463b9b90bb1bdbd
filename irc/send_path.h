// The one road by which lines leave for an IRC server, and the flood queue in front of it.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

struct WindowRecord;

// The frame window's timer that sends one queued line per connection per tick.
constexpr UINT_PTR FLOOD_TIMER_ID = 1;

// Program-wide flood switch: 1 while lines are queued, 0 while they are written at once.
extern std::atomic<uint8_t> FloodQueueing;

// Sends a line that already ends in CR LF on the connection of the window (or of its server
// window), queued unless force is set or flood queueing is off. Returns the bytes written or
// queued; 0 when the window has no connection.
uint32_t SendServerLine(const char* line, WindowRecord* window, uint8_t force);
