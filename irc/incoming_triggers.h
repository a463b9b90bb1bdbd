// The incoming-text trigger scripts ("Scripts" entries of type 1) that may claim a server line.
#pragma once

#include <string>

struct WindowRecord;

// Runs, in document order, every enabled type-1 entry whose "Trigger" matches the whole line
// and whose "Anti_Trigger" does not. True when one of them returned 1 (the line is consumed).
bool RunIncomingTriggers(const std::string& line, WindowRecord* window);
