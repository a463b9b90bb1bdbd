// The members of a channel window, as its nick list shows them: each item is a nick with at most
// one status prefix, in a group by status. Handlers change the window's NickStore directly; the
// list-view functions below talk to a list by its messages, for lists of any kind.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct WindowRecord;
struct ChannelModeRules;

// The level of a nick in the channel's nick list: 4 ('.'), 3 ('@' or an extra prefix
// character), 2 ('+'), 1 (no prefix), 0 (not listed). With a null nick and an index, the item
// at that index is read and its bare nick looked up. The outputs that are given receive the
// hit's index, prefix character (0 for none), item text and bare nick; past the last item the
// bare nick is empty.
uint32_t GetNickLevel(const char* nick, WindowRecord* channel, uint32_t* index, wchar_t* prefix,
                      std::wstring* itemText, std::wstring* bareNick);

// Every item's text of the channel's nick list, in item order.
void ReadChannelNicks(WindowRecord* channel, std::vector<std::wstring>& out);
// A names reply's members (group, text), each in order (or at the end when the window does not
// sort its nicks).
void AddNamesToList(WindowRecord* channel, std::vector<std::pair<int, std::wstring>> entries);
// Empties the channel's nick list.
void ClearNickList(WindowRecord* channel);

// The characters that count as a level-3 prefix besides '@': "Nick_Prefixes", the
// connection's own ("/prefix") and the symbols the server announced other than '.', '@', '+'.
std::wstring ExtraNickPrefixes(const WindowRecord* window);
// The group of an item: 1 when it starts with an extra prefix character, else 2 for level 3
// or more and 0 below.
int NickGroup(const std::wstring& text, uint32_t level, const std::wstring& extraPrefixes);

// Adds a joining nick (UTF-8) in group 0 unless it is listed at any level; keeps the list in
// order when the window sorts its nicks.
void AddNickToList(WindowRecord* channel, const std::string& nick);
// Deletes the nick's item; true when it was listed.
bool RemoveNickFromList(WindowRecord* channel, const std::string& nick);
// Replaces the item of a listed nick with the given text and group, in order.
void ReplaceNickItem(WindowRecord* channel, uint32_t index, const std::wstring& text, int group);
// The member at index gains (set) or loses one of the server's prefix modes; the item then shows
// the prefix of the highest mode the member holds, by the server's PREFIX order. False when the
// member loses the mode shown while a names reply (which shows only the highest) may have hidden
// a lower one: the member is shown with what is known, and only the names can tell the rest.
bool ChangeMemberMode(WindowRecord* channel, uint32_t index, char letter, bool set,
                      const ChannelModeRules& rules);
// For every window of this server: DCC chats and queries named like the old nick take the new
// name, channel lists keep the member's prefix and group under the new nick.
void RenameNickInLists(WindowRecord* server, const std::string& oldNick, const std::string& newNick);

// Inserts an item at index (LVIF_TEXT | LVIF_GROUPID); the item's data holds the group too, so
// the order can be worked out where a list view does not keep group ids. Returns its index.
int InsertNickItem(HWND list, int index, const std::wstring& text, int group);
