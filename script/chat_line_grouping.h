// Whether a chat line continues the lines of the same sender in the same minute, so that the
// view can show it without repeating the sender.
#pragma once

#include <string>

struct WindowRecord;

// True when the window's current sender equals its previous sender (exactly) and the local
// time has the hour and minute of the window's last chat line. The line is not read.
bool IsGroupedChatLine(const WindowRecord* window, const std::wstring& line = std::wstring());
