// The CTCP and DCC filter in the chain of every server line: nick refusals during registration,
// DCC offers, CTCP requests with their answers and CTCP replies. A line is parsed into prefix,
// command and parameters before anything is matched, so text that merely contains a numeric or
// a DCC request is neither.
#pragma once

#include "irc/user_address.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct WindowRecord;
struct ServerConnection;

// 1: the line was consumed (also when it went on to the interface thread); 0: the caller goes on.
uint32_t HandleCtcpAndDcc(const std::string& line, WindowRecord* window, const UserAddress& sender);

// Removes one trailing 0x01, then one leading ':' and after it every leading 0x01.
void StripCtcpMarkers(std::string& text);

// A server line in its parts: the prefix without ':', the command, and the parameters, the last
// of which may hold blanks (it followed " :").
struct ParsedIrcLine {
    std::string Prefix;
    std::string Command;
    std::vector<std::string> Params;
    bool HasTrailing = false;
};
ParsedIrcLine ParseIrcLine(const std::string& line);

// A line handed to the interface thread: it carries its own sender and connection.
struct ServerLineToGui {
    WindowRecord* Window = nullptr;
    ServerConnection* Connection = nullptr;
    std::string Line;
    UserAddress Sender;
};
// Off the interface thread: posts the line to the frame (WM_SERVER_LINE_TO_GUI) and throws the
// hand-over refusal; on the interface thread it does nothing.
void MarshalLineToGui(WindowRecord* window, const std::string& line, const UserAddress& sender);
// The frame's handling of WM_SERVER_LINE_TO_GUI: runs the filter for a window that is still
// listed with the same connection, then frees the block. Never throws.
void RunServerLineOnInterfaceThread(WPARAM window, LPARAM block);
