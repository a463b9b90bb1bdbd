// Whether a chat line continues the lines of the same sender in the same minute, so that the
// view can show it without repeating the sender. The printer alone keeps the window's sender
// fields, on the thread that owns the view.
#pragma once

#include <windows.h>

#include <string>

struct WindowRecord;

// True when the sender equals the window's previous sender (exactly) and the line's time (now,
// unless given) has the hour and minute of the window's last chat line.
bool IsGroupedChatLine(const WindowRecord* window, const std::wstring& sender);
bool IsGroupedChatLine(const WindowRecord* window, const std::wstring& sender, const SYSTEMTIME& time);
// Notes a chat line of the sender: it becomes the current and previous sender, and the line's
// time (now, unless given) the last chat line's time.
void NoteChatLineSender(WindowRecord* window, const std::wstring& sender);
void NoteChatLineSender(WindowRecord* window, const std::wstring& sender, const SYSTEMTIME& time);
