// The nick-list control: a virtual list view over a channel's NickStore. It shows a snapshot of the
// store, taken with its count in one step on the interface thread (on the posted change, or when
// someone asks the list from outside its own handling), and never while the list view paints or
// asks for items. It answers the list-view messages other code sends (count, text, item data and
// group, find, insert, delete, set text) from that snapshot as a list view holding the items would,
// keeps its selection and focus on the same nicks while the store changes, and sizes its column to
// the widest nick.
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
// not send it messages: an item's nick text (empty past the end) and the list's background.
std::wstring ShownNickText(HWND list, int index);
COLORREF NickListBackground(HWND list);
// Answers LVN_GETDISPINFOW and LVN_ODFINDITEMW from a nick-list control; false for other notices.
bool AnswerNickListNotice(const NMHDR* header, LRESULT& result);
