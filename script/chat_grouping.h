// Whether a chat line continues the lines of the same sender.
#pragma once

#include <string>

struct WindowRecord;

// True when the record's current sender equals its previous sender and the local hour and
// minute equal those of its last chat line. The line is not read.
bool IsGroupedChatLine(const WindowRecord* window, const std::wstring& line);
