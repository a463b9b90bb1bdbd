// Every line to a server leaves through SendServerLine. With flood control on, lines wait in
// the connection's queue and the frame's timer 1 hands one line per connection per tick to the
// session's writer (irc/server_writer.h), the thread that alone writes the socket.
#pragma once

// The flood timer's period when the setting is missing: kDefaultFloodDelayMs.
#include "core/settings_table.h"

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <initializer_list>
#include <string_view>

struct WindowRecord;

// Queueing on (1) or off (0); set with the frame's flood timer by SetFloodDelay.
extern std::atomic<uint8_t> FloodQueueing;

// Starts the frame's timer 1 with the period and turns queueing on, or for 0 kills the timer
// and turns queueing off.
void SetFloodDelay(HWND frame, uint32_t periodMs);

// line already ends in "\r\n". It ends at its first CR or LF, wherever that is: what follows is
// dropped, so one call never sends more than one line, and the line always leaves ending in
// "\r\n". Force 0 under flood control queues the line (the first line of an idle queue posts a
// tick to the frame so it leaves at once); otherwise the line goes straight to the session's
// writer, behind what it already holds. Never waits on the socket. Result: bytes queued or handed
// to the writer; 0 for an empty line, a window without a connection, or a line to be written
// now on a connection whose session is not up.
uint32_t SendServerLine(std::string_view line, WindowRecord* window, uint8_t force);
// Several lines, each cut at its first CR or LF as above (empty ones left out), leaving together:
// one queue entry, so one flood tick sends them all. Result: the bytes of all of them.
uint32_t SendServerLines(std::initializer_list<std::string_view> lines, WindowRecord* window, uint8_t force);

// The frame's timer 1: for every server window in list order, hands the first queued line to
// its session's writer. Runs on the interface thread and never writes a socket itself.
void FlushSendQueues();

// Sends on a DCC chat window's connection; length 0xFFFFFFFF measures NUL-terminated data.
// 0 for null data, a length of 0 or a window without a DCC connection. Never queued. Typed
// lines call it on the interface thread, so a peer that takes nothing for 200 ms ends the write
// short. Over TLS a write that ends short (the peer took nothing for the write limit) ends the
// chat, and the result counts only the records that went out whole.
uint32_t DccChatSend(const char* data, WindowRecord* window, uint32_t length);
