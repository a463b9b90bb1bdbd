// What the recorded shell and nick-list services answer, as the tests set it.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct WindowRecord;

// The record GetActiveWindowRecord returns (null at first).
void SetRecordedActiveWindow(WindowRecord* record);

// The members GetNickLevel finds in a channel window's list, in list order: {nick, level}.
void SetRecordedNickList(WindowRecord* channel, std::vector<std::pair<std::wstring, uint32_t>> members);
void ClearRecordedNickLists();
