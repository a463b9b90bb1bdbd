// The order of a channel's nick list, shared by the list itself and the lines that fill it.
#pragma once

#include <string>

// The order of the nick list: the larger group id first, then the texts ignoring case.
int CompareNickEntries(int group1, const std::wstring& text1, int group2, const std::wstring& text2);
