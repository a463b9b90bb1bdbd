// The log file of a chat window.
#pragma once

#include <cstdint>

struct WindowRecord;

constexpr int32_t kLogStartMarker = -1;
constexpr int32_t kLogEndMarker = -2;

// Appends one line (CR LF added) to the record's log file; null text writes nothing.
void WriteLogLine(WindowRecord* record, const wchar_t* text);
// Writes the start or end marker (kLogStartMarker, kLogEndMarker) with the local time.
void WriteLogLine(WindowRecord* record, int32_t marker);
