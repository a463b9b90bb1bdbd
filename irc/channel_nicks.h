// The members of a channel window, as its nick list shows them.
#pragma once

#include <cstdint>
#include <string>

struct WindowRecord;

// The level of a nick in the channel's nick list: 4 ('.'), 3 ('@' or an extra prefix
// character), 2 ('+'), 1 (no prefix), 0 (not listed). With a null nick and an index, the item
// at that index is read and its bare nick looked up. The outputs that are given receive the
// hit's index, prefix character (0 for none), item text and bare nick; past the last item the
// bare nick is empty.
uint32_t GetNickLevel(const char* nick, WindowRecord* channel, uint32_t* index, wchar_t* prefix,
                      std::wstring* itemText, std::wstring* bareNick);
