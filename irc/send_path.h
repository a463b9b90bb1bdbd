// Every line to a server leaves through SendServerLine. With flood control on, lines wait in
// the connection's queue and the frame's timer 1 sends one line per connection per tick.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string_view>

struct WindowRecord;

// Queueing on (1) or off (0); set with the frame's flood timer by SetFloodDelay.
extern std::atomic<uint8_t> FloodQueueing;

// Starts the frame's timer 1 with the period and turns queueing on, or for 0 kills the timer
// and turns queueing off.
void SetFloodDelay(HWND frame, uint32_t periodMs);

// line already ends in "\r\n". It ends at its first CR or LF, wherever that is: what follows is
// dropped, so one call never sends more than one line, and the line always leaves ending in
// "\r\n". Result: bytes queued or written; 0 for an empty line or a window without a connection.
// Force 0 under flood control queues the line (the first line of an idle queue posts a tick to
// the frame so it leaves at once); otherwise the line is written now, one writer at a time per
// connection, and a writer gives up when the session ends.
uint32_t SendServerLine(std::string_view line, WindowRecord* window, uint8_t force);

// The frame's timer 1: for every server window in list order, sends the first queued line.
// Runs on the interface thread; no queue lock is held while a line is written.
void FlushSendQueues();

// Calls send until length bytes are written; stops early when a call returns 0 or fails.
uint32_t SendAll(SOCKET socket, const char* data, int length, int flags);

// Sends on a DCC chat window's connection; length 0xFFFFFFFF measures NUL-terminated data.
// 0 for null data, a length of 0 or a window without a DCC connection. Never queued.
uint32_t DccChatSend(const char* data, WindowRecord* window, uint32_t length);
