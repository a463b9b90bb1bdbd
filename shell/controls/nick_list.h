// The nick list of a channel window: columns and groups, order, prefixes, selection and colours.
#pragma once

#include "core/nick_order.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct WindowRecord;

// Adds the four columns (an unnamed one of 100 pixels, then "Ident", "IP" and "{}" of 1 pixel),
// turns group view on and adds the groups 2, 1 and 0 (language strings 32, 33 and 34).
void PrepareNickList(HWND list);
// Items in a channel window's nick list; 0 for null or any other window.
uint32_t GetChannelNickCount(const WindowRecord* record);
// Sorts the record's nick list by CompareNickEntries when its nick sorting is on.
void SortNickList(WindowRecord* record);
// The same order for two items of the record's list (lParamSort: the record), read by index.
int CALLBACK CompareNickListItems(LPARAM item1, LPARAM item2, LPARAM record);
// False for a nick shorter than two characters or beginning with '@' or '+'; true when its first
// character is one of "Nick_Prefixes" or of the prefixes the record's connection learned.
bool IsNickPrefixed(const WindowRecord* record, const wchar_t* nick);
// Appends the selected items' texts; without keepPrefix a leading '.', '@', '+' or
// "Nick_Prefixes" character is dropped. With deselect each item is deselected once read.
void GetSelectedNicks(HWND list, std::vector<std::wstring>& out, bool keepPrefix, bool deselect);
// The text colour of a nick-list item by its first character ("Cfg\\Colors\\Nick_List_Colors").
COLORREF NickListTextColor(const wchar_t* itemText);
