// Opening a chat window from any thread: the frame creates it and its record.
#pragma once

#include <cstdint>
#include <string>

struct WindowRecord;

// A new chat window under the server window (null server: a new server window), opened by the
// frame through WM_OPEN_CHAT_WINDOW; its record, or null when none was made. flag travels in
// the request (a query's fixed font); keepFront activates the window that was active before
// again afterwards.
WindowRecord* OpenChatWindow(WindowRecord* server, uint32_t type, const std::string& name, uint8_t flag = 0,
                             bool keepFront = false);
