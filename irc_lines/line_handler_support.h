// What the handlers of server lines share: cutting a line again, finding this connection's
// windows by name, showing an event line and printing server text safely.
#pragma once

#include "core/open_chat_window.h"
#include "irc/line_dispatch.h"
#include "core/client_services.h"

#include <cstdint>
#include <string>
#include <vector>

struct WindowRecord;
struct ServerConnection;

// The line cut at its first `blanks` blanks (so the last piece holds the rest).
std::vector<std::string> CutLine(const std::string& line, uint32_t blanks);
// The line cut at every blank.
std::vector<std::string> CutLineAtBlanks(const std::string& line);
// Word n counted from 1 (1 the prefix, 2 the command, ...); empty when the line lacks it.
const std::string& WordAt(const std::vector<std::string>& words, size_t n);
// One leading ':' removed.
std::string WithoutColon(const std::string& text);
// The text without its first character (empty stays empty).
std::string WithoutFirst(const std::string& text);

// The first window of the connection (not a DCC chat) with that name, ignoring case; null
// when there is none.
WindowRecord* FindConnectionWindow(const std::string& name, const ServerConnection* connection);

// Formats the event with the user's format for the kind and prints it into the target.
// viewLine: in custom-view mode the custom view's own event text is used instead.
void ShowEventLine(const ServerLine& line, WindowRecord* target, LineKind kind, const std::string& message,
                   const std::vector<std::string>& words, bool viewLine = false, uint8_t noNotice = 0);
// Prints the program's wide text into the window as an information line.
void PrintInfo(WindowRecord* window, const std::wstring& text, HWND view = nullptr, uint8_t noTimeStamp = 0);
// Server text widened with the code page, its program-only markup removed.
std::wstring ServerText(const std::string& text, UINT codePage);
// The same with the default code page.
std::wstring ServerText(const std::string& text);

// The own nick compared with a nick, ignoring case as IRC does.
bool IsOwnNick(const ServerConnection& connection, const std::string& nick);
