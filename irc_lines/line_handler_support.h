// What the handlers of server lines share: finding this connection's windows by name, showing an
// event line and printing server text safely.
#pragma once

#include "core/open_chat_window.h"
#include "irc/line_dispatch.h"
#include "core/client_services.h"

#include <cstdint>
#include <string>

struct WindowRecord;
struct ServerConnection;

// The first window of the connection (not a DCC chat) with that name, ignoring case; null
// when there is none. The record stays valid until the line's handling ends, also when its
// window closes meanwhile.
WindowRecord* FindConnectionWindow(const std::string& name, const ServerConnection* connection);

// The event formatted with the user's format for the kind; the format's channel, target and
// victim come from the line's parameters.
std::wstring FormatServerEvent(const ServerLine& line, LineKind kind, const std::string& message);
// The same printed into the target. viewLine: in custom-view mode the custom view's own event
// text is used instead.
void ShowEventLine(const ServerLine& line, WindowRecord* target, LineKind kind, const std::string& message,
                   bool viewLine = false, uint8_t noNotice = 0);
// Prints the program's wide text into the window as an information line.
void PrintInfo(WindowRecord* window, const std::wstring& text, HWND view = nullptr, uint8_t noTimeStamp = 0);
// Server text widened with the code page, its program-only markup removed.
std::wstring ServerText(const std::string& text, UINT codePage);
// The same with the default code page.
std::wstring ServerText(const std::string& text);

// The own nick compared with a nick, ignoring case as IRC does.
bool IsOwnNick(const ServerConnection& connection, const std::string& nick);
