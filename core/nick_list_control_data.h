// What the nick-list control keeps for one list view, shared by the files the control is made of:
// its own messages and snapshot (nick_list_control.cpp) and its group headers
// (nick_list_group_rows.cpp).
#pragma once

#include "core/nick_list_rows.h"
#include "core/nick_store.h"

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <cwchar>
#include <string>
#include <vector>

namespace nick_list {

// The list view is told a count and then asks for items below it, at any time while it paints,
// hit-tests or scrolls. So it is answered from what it was last told: a snapshot of the store
// replaced, together with the count, only while no message of the list is being handled.
//
// Everyone outside the list view numbers members as the store does; the list view itself numbers
// its rows, headers included. Messages from outside are turned into rows on their way in and their
// answers into members on their way out; notifications the other way.
struct ControlData {
    std::shared_ptr<NickStore> Store;
    std::vector<NickItemRef> Shown; // the members, in the store's order
    uint64_t ShownGeneration = 0;
    // The groups inserted, in order, and the rows the list view holds: headers and members.
    std::vector<NickGroupHeader> Groups;
    bool GroupView = false;
    bool RowsStale = false; // the groups changed since the rows were laid out
    NickListRows Rows;
    COLORREF Background = GetSysColor(COLOR_WINDOW);
    size_t TitledCount = SIZE_MAX; // the count the column's title shows
    // Messages the list view itself is handling on this thread right now.
    int InList = 0;
    bool CatchUpDeferred = false;
    bool CatchingUp = false;
    bool CatchUpOnShow = false; // the store changed while the list was hidden
};

// The data of a list the caller paints or is told about (the last one is remembered per thread).
ControlData* DataOfPainted(HWND list);
// A message into the list view below the control, in rows.
LRESULT CallList(HWND list, ControlData& data, UINT message, WPARAM wParam, LPARAM lParam);
// Shows the store's members now (unless the list is busy, then once it is done).
void CatchUp(HWND list, ControlData& data);
void SetRowState(HWND list, ControlData& data, int row, UINT mask, UINT state);
// The list view's search over the members, in members.
LRESULT FindItem(const ControlData& data, WPARAM start, const LVFINDINFOW* find);

inline const NickItem* ShownAt(const ControlData& data, WPARAM index) {
    return static_cast<size_t>(index) < data.Shown.size() ? data.Shown[static_cast<size_t>(index)].get()
                                                          : nullptr;
}

// A member's row, for a message into the list view; -1 stays -1 (all or none).
inline WPARAM RowOf(const ControlData& data, WPARAM member) {
    const int index = static_cast<int>(member);
    if (index < 0) return member;
    const int row = data.Rows.RowOf(index);
    // Past the last member: past the last row, where the list view answers as for any such index.
    return static_cast<WPARAM>(row >= 0 ? row
                                        : data.Rows.Count() + index - static_cast<int>(data.Shown.size()));
}

// A row's member, for an answer out of the list view; a header or no row is -1.
inline LRESULT MemberOf(const ControlData& data, LRESULT row) {
    return row < 0 ? -1 : data.Rows.MemberAt(static_cast<int>(row));
}

// Copies like the list view does: at most size - 1 characters and the end mark; returns the count.
inline LRESULT CopyText(const std::wstring& text, wchar_t* buffer, int size) {
    if (!buffer || size <= 0) return 0;
    const size_t count = std::min(text.size(), static_cast<size_t>(size - 1));
    std::wmemcpy(buffer, text.c_str(), count);
    buffer[count] = L'\0';
    return static_cast<LRESULT>(count);
}

// The group view's messages (groups, rows in and members out, input kept off the headers); each
// answers true with its result when it took the message.
bool AnswerGroupMessage(HWND list, ControlData& data, UINT message, WPARAM wParam, LPARAM lParam,
                        LRESULT& result);
bool TranslateMemberMessage(HWND list, ControlData& data, UINT message, WPARAM wParam, LPARAM lParam,
                            LRESULT& result);
bool KeepInputOffHeaders(HWND list, ControlData& data, UINT message, WPARAM wParam, LPARAM lParam,
                         LRESULT& result);

} // namespace nick_list
