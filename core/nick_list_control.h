// The nick-list control: a virtual list view over a channel's NickStore. It answers the list-view
// messages other code sends (count, text, item data and group, find, insert, delete, set text)
// from the store as a list view holding the items would, keeps its own selection and focus on the
// same nicks while the store changes, and sizes its column to the widest nick.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <memory>

class NickStore;
struct WindowRecord;

// Creates a report-mode list view with LVS_OWNERDATA added to style (and any sorting style taken
// out, as the store keeps the order) and attaches the record's store to it.
HWND CreateNickListControl(WindowRecord* record, HWND parent, DWORD exStyle, DWORD style, int id, int x,
                           int y, int width, int height);
// The store behind a nick-list control; null for any other window.
NickStore* NickStoreOfControl(HWND list);
// Brings the control up to date with its store now (interface thread).
void CatchUpNickList(HWND list);
// Answers LVN_GETDISPINFOW and LVN_ODFINDITEMW from a nick-list control; false for other notices.
bool AnswerNickListNotice(const NMHDR* header, LRESULT& result);
