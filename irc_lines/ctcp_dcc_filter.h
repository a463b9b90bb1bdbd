// The CTCP and DCC filter in the chain of every server line: nick refusals during registration,
// DCC offers, CTCP requests with their answers and CTCP replies. It reads the line's command and
// parameters, so text that merely contains a numeric or a DCC request is neither.
#pragma once

#include "irc/irc_message.h"

#include <windows.h>

#include <cstdint>
#include <string>

struct WindowRecord;
struct ServerConnection;

// 1: the line was consumed (also when it went on to the interface thread); 0: the caller goes on.
uint32_t HandleCtcpAndDcc(const IrcMessage& message, WindowRecord* window);

// Removes one trailing 0x01, then one leading ':' and after it every leading 0x01.
void StripCtcpMarkers(std::string& text);

// A line handed to the interface thread, with the connection it came in on.
struct ServerLineToGui {
    WindowRecord* Window = nullptr;
    ServerConnection* Connection = nullptr;
    IrcMessage Message;
};
// Off the interface thread: posts the line to the frame (WM_SERVER_LINE_TO_GUI), where the
// filter runs again, and throws the hand-over refusal; on the interface thread it does nothing.
// A filter step that needs the user (a question, a prompt) calls it first.
void MarshalLineToGui(WindowRecord* window, const IrcMessage& message);
// The frame's handling of WM_SERVER_LINE_TO_GUI: runs the filter for a window that is still
// listed with the same connection, then frees the block. Never throws.
void RunServerLineOnInterfaceThread(WPARAM window, LPARAM block);
