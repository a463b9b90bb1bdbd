// The nick-list control: a virtual list view over a channel's NickStore. It shows a snapshot of the
// store, taken with its count in one step on the interface thread (on the posted change, or when
// someone asks the list from outside its own handling), and never while the list view paints or
// asks for items. It answers the list-view messages other code sends (count, text, item data and
// group, find, insert, delete, set text) from that snapshot as a list view holding the items would,
// keeps its selection and focus on the same nicks while the store changes, and sizes its column to
// the widest nick. With its group view on it shows each group's header above the group's members,
// as rows of its own that no one outside the list sees as items (the system's group view is not
// there for virtual lists, and not at all on some systems).
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <string>

class NickStore;
struct WindowRecord;

// Creates a report-mode list view with LVS_OWNERDATA added to style (and any sorting style taken
// out, as the store keeps the order) and attaches the record's store to it.
HWND CreateNickListControl(WindowRecord* record, HWND parent, DWORD exStyle, DWORD style, int id, int x,
                           int y, int width, int height);
// Brings the control up to date with its store now (interface thread).
void CatchUpNickList(HWND list);
// What the list shows now, for handlers the list calls while it paints (custom draw), which must
// not send it messages: the nick text of the row being painted (empty for a header or past the
// end) and the list's background.
std::wstring ShownNickText(HWND list, int row);
COLORREF NickListBackground(HWND list);
// Answers LVN_GETDISPINFOW and LVN_ODFINDITEMW from a nick-list control and paints its headers
// (NM_CUSTOMDRAW); other notices get their row turned into the member it shows (-1 for a header)
// and false, for the parent's own handling.
bool AnswerNickListNotice(const NMHDR* header, LRESULT& result);
