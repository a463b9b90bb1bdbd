// Captions of the frame and of the chat windows.
#pragma once

#include "core/client_services.h"

struct WindowRecord;

// In front: the program's title. In the background: "[", then per record in list order "+" when
// its tab shows a state other than 0, else "-", separated by blanks, then "]".
void UpdateFrameTitle();
// What the user sees a chat window called, in its title, its tab and its log file's name: its name,
// but for a DCC chat "<nick> (DCC chat)" ("<nick> (DCC chat 2)" for a second chat with that nick,
// so it is never taken for the query or the other chat), and for a list window "<server>_List"
// "<server> channels" once it holds channel rows, "<name> list" before.
std::wstring WindowDisplayName(const WindowRecord* record);

namespace shell {
// A server window: its name, " - " and the own nick. A channel list window: its rows' count
// (ChannelListTitle). Any other window: its display name, followed by " (" modes ") - " when it
// has modes (trailing blanks of the record's modes are removed).
void UpdateWindowTitle(WindowRecord* record);
} // namespace shell
