// The list control that shows a channel list window's rows in the place of its view. It holds no
// text of its own: it asks for each visible row, so a list of any length shows at once.
#pragma once

#include <windows.h>

#include <string>

struct WindowRecord;

constexpr int kChannelListViewId = 906;

// Shows the record's ChannelListShown rows, making the control on first use.
void ShowChannelListRows(WindowRecord* record);
// Whether the window shows its channel list in the control rather than its view.
bool ShowsChannelListRows(const WindowRecord* record);
// Notifications of the control: its rows' texts, sorting by a column's header, joining a row's
// channel on a double-click or Enter.
LRESULT OnChannelListNotify(WindowRecord* record, const NMHDR* header);
// Selects the first shown row whose text (channel, members, topic) holds what; from the row after
// the selected one when afterSelection. False when no row holds it.
bool FindInChannelList(WindowRecord* record, const std::wstring& what, bool matchCase, bool wholeWord,
                       bool afterSelection);
// The shown rows as text, one "channel TAB members TAB topic" line each, ending in CR LF.
std::string ChannelListShownText(const WindowRecord* record);
