// Commands that work on a window's text: the channel list window, finding text and saving or
// logging a window's text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct WindowRecord;
struct ChannelListEntry;

namespace shell {
void RequestChannelList(WindowRecord* record);
// id ID_CHANNEL_LIST_BY_NAME or ID_CHANNEL_LIST_BY_MEMBERS.
void ShowChannelList(WindowRecord* record, uint32_t id);
void FindInView(WindowRecord* record, uint32_t id);
void RunLogCommand(WindowRecord* record, uint32_t id);
} // namespace shell

// 1 sorts the channel list by name (byte order), 0 by members, most first.
extern uint8_t ChannelListSortByName;

// The saved list of a server window: "<documents folder>\<server name>.lst".
std::wstring ChannelListFile(const WindowRecord* server);
// The rows as the saved file holds them: "name\\\extra\\\members\\\topic" CR LF each.
std::string FormatChannelListFile(const std::vector<ChannelListEntry>& rows);
// The rows of a saved file; a line that does not split into exactly four fields is skipped, and
// every text is cleaned as text from a server is.
std::vector<ChannelListEntry> ParseChannelListFile(const std::string& text);
// Whether a row passes the input box's filter: empty passes all, "*word" looks in the topic,
// anything else in the channel name (not case-sensitive).
bool ChannelListRowPasses(const ChannelListEntry& row, const std::string& filter);
