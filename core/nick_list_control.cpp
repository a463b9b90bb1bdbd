#include "core/nick_list_control.h"

#include "core/nick_list_control_data.h"
#include "core/nick_store.h"
#include "core/window_record.h"

#include <algorithm>
#include <cstdint>
#include <cwchar>
#include <string>
#include <unordered_map>
#include <vector>

namespace nick_list {

namespace {

constexpr UINT_PTR kSubclassId = 0x4E49434B;
// Space the list view leaves around a label when it sizes a column to its items.
constexpr int kLabelPadding = 12;

// The control's data, found from its handle by a window property.
constexpr const wchar_t* kDataProperty = L"BrindlexNickStore";

ControlData* DataOf(HWND list) {
    return list ? static_cast<ControlData*>(GetPropW(list, kDataProperty)) : nullptr;
}

// The same for the handlers the list calls while it paints, many times for every row: the last
// list asked for on this thread is remembered (the list's own thread forgets it when the list
// goes).
thread_local HWND t_lastList = nullptr;
thread_local ControlData* t_lastData = nullptr;

} // namespace

ControlData* DataOfPainted(HWND list) {
    if (list && list == t_lastList) return t_lastData;
    ControlData* data = DataOf(list);
    t_lastList = data ? list : nullptr;
    t_lastData = data;
    return data;
}

// A message into the list view below the subclass, counted as the list being busy. A change that
// came meanwhile is shown once the list is done, by a message of its own.
LRESULT CallList(HWND list, ControlData& data, UINT message, WPARAM wParam, LPARAM lParam) {
    ++data.InList;
    const LRESULT result = DefSubclassProc(list, message, wParam, lParam);
    if (--data.InList == 0 && data.CatchUpDeferred) {
        data.CatchUpDeferred = false;
        PostMessageW(list, kNickStoreChanged, 0, 0);
    }
    return result;
}

namespace {

std::vector<int> ControlRows(HWND list, ControlData& data, UINT flags) {
    std::vector<int> rows;
    int row = -1;
    while ((row = static_cast<int>(CallList(list, data, LVM_GETNEXTITEM, static_cast<WPARAM>(row), flags))) >=
           0) {
        rows.push_back(row);
        if (flags == LVNI_FOCUSED) break;
    }
    return rows;
}

} // namespace

void SetRowState(HWND list, ControlData& data, int row, UINT mask, UINT state) {
    LVITEMW item{};
    item.stateMask = mask;
    item.state = state;
    CallList(list, data, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

namespace {

// Measures the items not measured yet; the widest.
int MeasureShown(HWND list, ControlData& data) {
    HDC dc = GetDC(list);
    HGDIOBJ font = reinterpret_cast<HGDIOBJ>(CallList(list, data, WM_GETFONT, 0, 0));
    HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
    int widest = 0;
    for (const NickItemRef& item : data.Shown) {
        if (item->Width < 0) {
            SIZE size{};
            GetTextExtentPoint32W(dc, item->Text.c_str(), static_cast<int>(item->Text.size()), &size);
            item->Width = static_cast<int>(size.cx);
        }
        widest = std::max(widest, item->Width);
    }
    SelectObject(dc, old);
    ReleaseDC(list, dc);
    return widest;
}

void SizeColumn(HWND list, ControlData& data) {
    const int width = MeasureShown(list, data) + kLabelPadding;
    if (CallList(list, data, LVM_GETCOLUMNWIDTH, 0, 0) != width)
        CallList(list, data, LVM_SETCOLUMNWIDTH, 0, width);
    // The first column's title is the number of members.
    if (data.TitledCount == data.Shown.size()) return;
    data.TitledCount = data.Shown.size();
    std::wstring title = std::to_wstring(data.Shown.size());
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT;
    column.pszText = title.data();
    CallList(list, data, LVM_SETCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
}

} // namespace

// Takes the store's items as the list's new ones, with the rows and their count, in one step.
// Never while the list view is in the middle of a message of its own: it would find its count
// changed under it.
void CatchUp(HWND list, ControlData& data) {
    if (data.InList > 0) {
        data.CatchUpDeferred = true;
        return;
    }
    if (data.CatchingUp) return;
    std::vector<NickItemRef> items;
    if (!data.Store->TakeSnapshot(data.ShownGeneration, items)) {
        if (!data.RowsStale) return;
        items = data.Shown;
    }
    data.RowsStale = false;
    data.CatchingUp = true;
    // The selection and focus go back on the same nicks at their new rows. Only marks whose row
    // changed are moved (each move costs the list view a good deal), and a list of thousands is
    // never walked item by item through the list view.
    struct Mark {
        uint64_t Id; // 0 for a header, whose marks only go
        int Old;
        UINT State;
    };
    std::vector<Mark> marks;
    auto note = [&](int row, UINT state) {
        const NickItem* item = ShownAt(data, static_cast<WPARAM>(data.Rows.MemberAt(row)));
        for (Mark& mark : marks)
            if (mark.Old == row) {
                mark.State |= state;
                return;
            }
        if (item || data.Rows.HeaderAt(row)) marks.push_back({item ? item->Id : 0, row, state});
    };
    if (CallList(list, data, LVM_GETSELECTEDCOUNT, 0, 0) > 0)
        for (int row : ControlRows(list, data, LVNI_SELECTED)) note(row, LVIS_SELECTED);
    for (int row : ControlRows(list, data, LVNI_FOCUSED)) note(row, LVIS_FOCUSED);

    NickListRows rows;
    rows.Lay(items, data.Groups, data.GroupView);
    std::unordered_map<uint64_t, int> places; // id -> new row, for the marked ids
    for (const Mark& mark : marks)
        if (mark.Id) places.emplace(mark.Id, -1);
    if (!places.empty())
        for (size_t i = 0; i < items.size(); ++i) {
            auto place = places.find(items[i]->Id);
            if (place != places.end()) place->second = rows.RowOf(static_cast<int>(i));
        }
    auto placeOf = [&](const Mark& mark) { return mark.Id ? places[mark.Id] : -1; };
    for (const Mark& mark : marks)
        if (placeOf(mark) != mark.Old) SetRowState(list, data, mark.Old, mark.State, 0);

    const bool countChanged = rows.Count() != data.Rows.Count();
    data.Shown.swap(items);
    data.Rows = std::move(rows);
    if (countChanged)
        CallList(list, data, LVM_SETITEMCOUNT, static_cast<WPARAM>(data.Rows.Count()), LVSICF_NOSCROLL);
    for (const Mark& mark : marks) {
        const int now = placeOf(mark);
        if (now >= 0 && now != mark.Old) SetRowState(list, data, now, mark.State, mark.State);
    }
    SizeColumn(list, data);
    InvalidateRect(list, nullptr, FALSE);

    data.CatchingUp = false;
}

namespace {

LRESULT GetItem(HWND list, ControlData& data, LVITEMW* item) {
    if (!item || item->iItem < 0) return FALSE;
    const NickItem* shown = ShownAt(data, static_cast<WPARAM>(item->iItem));
    if (!shown) return FALSE;
    if (item->mask & LVIF_STATE) {
        LVITEMW state{};
        state.mask = LVIF_STATE;
        state.iItem = static_cast<int>(RowOf(data, static_cast<WPARAM>(item->iItem)));
        state.stateMask = item->stateMask;
        CallList(list, data, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&state));
        item->state = state.state;
    }
    if ((item->mask & LVIF_TEXT) && item->iSubItem >= 0)
        CopyText(NickColumnText(*shown, item->iSubItem), item->pszText, item->cchTextMax);
    if (item->mask & LVIF_PARAM) item->lParam = shown->Param;
    if (item->mask & LVIF_GROUPID) item->iGroupId = shown->Group;
    return TRUE;
}

LRESULT InsertItem(NickStore& store, const LVITEMW* item) {
    if (!item || item->iItem < 0 || item->iSubItem != 0) return -1;
    const std::wstring text =
        (item->mask & LVIF_TEXT) && item->pszText && item->pszText != LPSTR_TEXTCALLBACKW
            ? std::wstring(item->pszText)
            : std::wstring();
    // The order reads the group; an item given data but no group is ordered by its data, as the
    // program's own items carry their group in both.
    const LPARAM param = (item->mask & LVIF_PARAM) ? item->lParam : 0;
    const int group = (item->mask & LVIF_GROUPID) ? item->iGroupId : static_cast<int>(param);
    return static_cast<LRESULT>(store.Insert(static_cast<uint32_t>(item->iItem), text, group, param));
}

LRESULT SetItem(HWND list, ControlData& data, const LVITEMW* item, bool textOnly, WPARAM index) {
    NickStore& store = *data.Store;
    if (!item) return FALSE;
    const int at = textOnly ? static_cast<int>(index) : item->iItem;
    if (at < 0 || at >= static_cast<int>(store.Count())) return FALSE;
    const UINT mask = textOnly ? LVIF_TEXT : item->mask;
    if (item->iSubItem != 0) {
        if (!(mask & LVIF_TEXT) || !item->pszText || item->pszText == LPSTR_TEXTCALLBACKW) return TRUE;
        return store.SetColumnText(static_cast<uint32_t>(at), item->iSubItem, item->pszText) ? TRUE : FALSE;
    }
    const bool hasText = (mask & LVIF_TEXT) && item->pszText && item->pszText != LPSTR_TEXTCALLBACKW;
    const std::wstring text = hasText ? std::wstring(item->pszText) : std::wstring();
    const bool hasGroup = (mask & LVIF_GROUPID) != 0, hasParam = (mask & LVIF_PARAM) != 0;
    if (hasText || hasGroup || hasParam)
        store.SetItem(static_cast<uint32_t>(at), hasText ? &text : nullptr,
                      hasGroup ? &item->iGroupId : nullptr, hasParam ? &item->lParam : nullptr);
    if (!textOnly && (mask & LVIF_STATE)) {
        // The store's change is shown first, so the state lands on the member's row.
        CatchUp(list, data);
        LVITEMW state{};
        state.stateMask = item->stateMask;
        state.state = item->state;
        CallList(list, data, LVM_SETITEMSTATE, RowOf(data, static_cast<WPARAM>(at)),
                 reinterpret_cast<LPARAM>(&state));
    }
    return TRUE;
}

} // namespace

LRESULT FindItem(const ControlData& data, WPARAM start, const LVFINDINFOW* find) {
    if (!find || !(find->flags & (LVFI_STRING | LVFI_PARTIAL)) || !find->psz) return -1;
    return SearchNickItems(data.Shown, static_cast<int>(start), find->psz, (find->flags & LVFI_PARTIAL) != 0,
                           (find->flags & LVFI_WRAP) != 0);
}

namespace {

// The messages that change the items: they go to the store, and the list shows the result at once.
bool ChangesItems(UINT message) {
    return message == LVM_INSERTITEMW || message == LVM_DELETEITEM || message == LVM_DELETEALLITEMS ||
           message == LVM_SETITEMW || message == LVM_SETITEMTEXTW;
}

LRESULT ChangeItems(HWND list, ControlData& data, UINT message, WPARAM wParam, LPARAM lParam) {
    NickStore& store = *data.Store;
    switch (message) {
        case LVM_INSERTITEMW: return InsertItem(store, reinterpret_cast<const LVITEMW*>(lParam));
        case LVM_DELETEITEM: return store.EraseAt(static_cast<uint32_t>(wParam)) ? TRUE : FALSE;
        case LVM_DELETEALLITEMS: store.Clear(); return TRUE;
        case LVM_SETITEMW: return SetItem(list, data, reinterpret_cast<const LVITEMW*>(lParam), false, 0);
        case LVM_SETITEMTEXTW:
            return SetItem(list, data, reinterpret_cast<const LVITEMW*>(lParam), true, wParam);
        default: return 0;
    }
}

LRESULT CALLBACK NickListControlProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                     DWORD_PTR reference) {
    auto* data = reinterpret_cast<ControlData*>(reference);
    if (message == kNickStoreChanged) {
        // A hidden list (a window a storm made behind others) catches up once it shows, or when
        // someone asks it something; a storm's hundreds of lists are not measured meanwhile.
        if (!(GetWindowLongPtrW(list, GWL_STYLE) & WS_VISIBLE)) {
            data->CatchUpOnShow = true;
            return 0;
        }
        CatchUp(list, *data);
        return 0;
    }
    if (message == WM_WINDOWPOSCHANGED && data->CatchUpOnShow &&
        (reinterpret_cast<const WINDOWPOS*>(lParam)->flags & SWP_SHOWWINDOW)) {
        data->CatchUpOnShow = false;
        const LRESULT result = DefSubclassProc(list, message, wParam, lParam);
        CatchUp(list, *data);
        return result;
    }
    if (message == WM_NCDESTROY) {
        if (t_lastList == list) t_lastList = nullptr;
        data->Store->Attach(nullptr);
        RemovePropW(list, kDataProperty);
        RemoveWindowSubclass(list, NickListControlProc, kSubclassId);
        delete data;
        return DefSubclassProc(list, message, wParam, lParam);
    }
    // Whoever asks the list from outside its own handling sees it caught up with the store.
    if (message >= LVM_FIRST && message < LVM_FIRST + 0x100 && data->InList == 0 &&
        data->Store->ChangePending())
        CatchUp(list, *data);
    if (ChangesItems(message)) {
        const LRESULT result = ChangeItems(list, *data, message, wParam, lParam);
        CatchUp(list, *data);
        return result;
    }
    LRESULT result = 0;
    if (AnswerGroupMessage(list, *data, message, wParam, lParam, result) ||
        TranslateMemberMessage(list, *data, message, wParam, lParam, result) ||
        KeepInputOffHeaders(list, *data, message, wParam, lParam, result))
        return result;
    switch (message) {
        case LVM_GETITEMCOUNT: return static_cast<LRESULT>(data->Shown.size());
        case LVM_GETITEMTEXTW: {
            auto* item = reinterpret_cast<LVITEMW*>(lParam);
            const NickItem* shown = ShownAt(*data, wParam);
            if (!item || !shown || item->iSubItem < 0) return 0;
            return CopyText(NickColumnText(*shown, item->iSubItem), item->pszText, item->cchTextMax);
        }
        case LVM_GETITEMW: return GetItem(list, *data, reinterpret_cast<LVITEMW*>(lParam));
        case LVM_FINDITEMW: return FindItem(*data, wParam, reinterpret_cast<const LVFINDINFOW*>(lParam));
        case LVM_SETBKCOLOR: data->Background = static_cast<COLORREF>(lParam); break;
        default: break;
    }
    return CallList(list, *data, message, wParam, lParam);
}

} // namespace

} // namespace nick_list

using namespace nick_list;

HWND CreateNickListControl(WindowRecord* record, HWND parent, DWORD exStyle, DWORD style, int id, int x,
                           int y, int width, int height) {
    style = (style & ~static_cast<DWORD>(LVS_SORTASCENDING | LVS_SORTDESCENDING)) | LVS_OWNERDATA;
    HWND list = CreateWindowExW(exStyle, WC_LISTVIEWW, L"", style, x, y, width, height, parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                                nullptr);
    if (!list || !record) return list;
    auto* data = new ControlData{};
    data->Store = record->Nicks;
    if (!SetWindowSubclass(list, NickListControlProc, kSubclassId, reinterpret_cast<DWORD_PTR>(data))) {
        delete data;
        return list;
    }
    SetPropW(list, kDataProperty, data);
    record->Nicks->Attach(list);
    return list;
}

void CatchUpNickList(HWND list) {
    if (DataOf(list)) SendMessageW(list, kNickStoreChanged, 0, 0);
}

std::wstring ShownNickText(HWND list, int row) {
    const ControlData* data = DataOfPainted(list);
    const NickItem* item = data ? ShownAt(*data, static_cast<WPARAM>(data->Rows.MemberAt(row))) : nullptr;
    return item ? item->Text : std::wstring();
}

COLORREF NickListBackground(HWND list) {
    const ControlData* data = DataOfPainted(list);
    return data ? data->Background : GetSysColor(COLOR_WINDOW);
}
