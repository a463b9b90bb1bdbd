#include "core/nick_list_control.h"

#include "core/nick_store.h"
#include "core/window_record.h"

#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr UINT_PTR kSubclassId = 0x4E49434B;
// Space the list view leaves around a label when it sizes a column to its items.
constexpr int kLabelPadding = 12;

struct ControlData {
    std::shared_ptr<NickStore> Store;
    bool CatchingUp = false;
};

// The control's data, found from its handle by a window property.
constexpr const wchar_t* kDataProperty = L"BrindlexNickStore";

ControlData* DataOf(HWND list) {
    return list ? static_cast<ControlData*>(GetPropW(list, kDataProperty)) : nullptr;
}

// Copies like the list view does: at most size - 1 characters and the end mark; returns the count.
LRESULT CopyText(const std::wstring& text, wchar_t* buffer, int size) {
    if (!buffer || size <= 0) return 0;
    const size_t count = std::min(text.size(), static_cast<size_t>(size - 1));
    std::wmemcpy(buffer, text.c_str(), count);
    buffer[count] = L'\0';
    return static_cast<LRESULT>(count);
}

std::vector<int> ControlIndices(HWND list, UINT flags) {
    std::vector<int> indices;
    int index = -1;
    while ((index = static_cast<int>(
                DefSubclassProc(list, LVM_GETNEXTITEM, static_cast<WPARAM>(index), flags))) >= 0) {
        indices.push_back(index);
        if (flags == LVNI_FOCUSED) break;
    }
    return indices;
}

void SetState(HWND list, int index, UINT mask, UINT state) {
    LVITEMW item{};
    item.stateMask = mask;
    item.state = state;
    DefSubclassProc(list, LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}

void SizeColumn(HWND list, const NickStoreView& view) {
    const int width = view.Widest + kLabelPadding;
    if (DefSubclassProc(list, LVM_GETCOLUMNWIDTH, 0, 0) != width)
        DefSubclassProc(list, LVM_SETCOLUMNWIDTH, 0, width);
    // The first column's title is the number of members.
    std::wstring title = std::to_wstring(view.Count);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT;
    column.pszText = title.data();
    DefSubclassProc(list, LVM_SETCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
}

// Only called from inside the control's procedure, so the messages it sends go to the list view
// below it.
void CatchUp(HWND list, ControlData& data) {
    if (data.CatchingUp) return;
    data.CatchingUp = true;
    const std::vector<int> selected = ControlIndices(list, LVNI_SELECTED);
    const std::vector<int> focused = ControlIndices(list, LVNI_FOCUSED);
    HDC dc = GetDC(list);
    HGDIOBJ font = reinterpret_cast<HGDIOBJ>(DefSubclassProc(list, WM_GETFONT, 0, 0));
    HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
    auto measure = [dc](const std::wstring& text) {
        SIZE size{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        return static_cast<int>(size.cx);
    };
    NickStoreView view;
    const bool changed = data.Store->CatchUp(selected, focused.empty() ? -1 : focused[0], measure, view);
    SelectObject(dc, old);
    ReleaseDC(list, dc);
    if (changed) {
        DefSubclassProc(list, LVM_SETITEMCOUNT, view.Count, LVSICF_NOSCROLL);
        // The selection and focus go back on the same nicks at their new places.
        if (!selected.empty()) SetState(list, -1, LVIS_SELECTED, 0);
        if (!focused.empty()) SetState(list, -1, LVIS_FOCUSED, 0);
        for (int index : view.Selected) SetState(list, index, LVIS_SELECTED, LVIS_SELECTED);
        if (view.Focused >= 0) SetState(list, view.Focused, LVIS_FOCUSED, LVIS_FOCUSED);
        SizeColumn(list, view);
        InvalidateRect(list, nullptr, FALSE);
    }
    data.CatchingUp = false;
}

LRESULT GetItem(HWND list, NickStore& store, LVITEMW* item) {
    if (!item) return FALSE;
    std::wstring text;
    int group = 0;
    LPARAM param = 0;
    if (item->iItem < 0 || !store.Item(static_cast<uint32_t>(item->iItem), &text, &group, &param))
        return FALSE;
    if (item->mask & LVIF_STATE) {
        LVITEMW state{};
        state.mask = LVIF_STATE;
        state.iItem = item->iItem;
        state.stateMask = item->stateMask;
        DefSubclassProc(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&state));
        item->state = state.state;
    }
    if ((item->mask & LVIF_TEXT) &&
        store.ColumnText(static_cast<uint32_t>(item->iItem), item->iSubItem, text))
        CopyText(text, item->pszText, item->cchTextMax);
    if (item->mask & LVIF_PARAM) item->lParam = param;
    if (item->mask & LVIF_GROUPID) item->iGroupId = group;
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

LRESULT SetItem(HWND list, NickStore& store, const LVITEMW* item, bool textOnly, WPARAM index) {
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
        LVITEMW state{};
        state.stateMask = item->stateMask;
        state.state = item->state;
        DefSubclassProc(list, LVM_SETITEMSTATE, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(&state));
    }
    return TRUE;
}

LRESULT FindItem(NickStore& store, WPARAM start, const LVFINDINFOW* find) {
    if (!find || !(find->flags & (LVFI_STRING | LVFI_PARTIAL)) || !find->psz) return -1;
    return store.Search(static_cast<int>(start), find->psz, (find->flags & LVFI_PARTIAL) != 0,
                        (find->flags & LVFI_WRAP) != 0);
}

LRESULT CALLBACK NickListControlProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                     DWORD_PTR reference) {
    auto* data = reinterpret_cast<ControlData*>(reference);
    NickStore& store = *data->Store;
    if (message == kNickStoreChanged) {
        CatchUp(list, *data);
        return 0;
    }
    if (message == WM_NCDESTROY) {
        store.Attach(nullptr);
        RemovePropW(list, kDataProperty);
        RemoveWindowSubclass(list, NickListControlProc, kSubclassId);
        delete data;
        return DefSubclassProc(list, message, wParam, lParam);
    }
    // Whoever asks the list first sees it caught up with the store.
    if (message >= LVM_FIRST && message < LVM_FIRST + 0x100 && store.ChangePending()) CatchUp(list, *data);
    switch (message) {
        case LVM_GETITEMCOUNT: return static_cast<LRESULT>(store.Count());
        case LVM_GETITEMTEXTW: {
            auto* item = reinterpret_cast<LVITEMW*>(lParam);
            std::wstring text;
            if (!item || !store.ColumnText(static_cast<uint32_t>(wParam), item->iSubItem, text)) return 0;
            return CopyText(text, item->pszText, item->cchTextMax);
        }
        case LVM_GETITEMW: return GetItem(list, store, reinterpret_cast<LVITEMW*>(lParam));
        case LVM_FINDITEMW: return FindItem(store, wParam, reinterpret_cast<const LVFINDINFOW*>(lParam));
        case LVM_INSERTITEMW: return InsertItem(store, reinterpret_cast<const LVITEMW*>(lParam));
        case LVM_DELETEITEM: return store.EraseAt(static_cast<uint32_t>(wParam)) ? TRUE : FALSE;
        case LVM_DELETEALLITEMS: store.Clear(); return TRUE;
        case LVM_SETITEMW: return SetItem(list, store, reinterpret_cast<const LVITEMW*>(lParam), false, 0);
        case LVM_SETITEMTEXTW:
            return SetItem(list, store, reinterpret_cast<const LVITEMW*>(lParam), true, wParam);
        // The store keeps the order; a virtual list has no groups of its own.
        case LVM_ENABLEGROUPVIEW:
        case LVM_INSERTGROUP: return -1;
        default: break;
    }
    return DefSubclassProc(list, message, wParam, lParam);
}

} // namespace

HWND CreateNickListControl(WindowRecord* record, HWND parent, DWORD exStyle, DWORD style, int id, int x,
                           int y, int width, int height) {
    style = (style & ~static_cast<DWORD>(LVS_SORTASCENDING | LVS_SORTDESCENDING)) | LVS_OWNERDATA;
    HWND list = CreateWindowExW(exStyle, WC_LISTVIEWW, L"", style, x, y, width, height, parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                                nullptr);
    if (!list || !record) return list;
    auto* data = new ControlData{record->Nicks, false};
    if (!SetWindowSubclass(list, NickListControlProc, kSubclassId, reinterpret_cast<DWORD_PTR>(data))) {
        delete data;
        return list;
    }
    SetPropW(list, kDataProperty, data);
    record->Nicks->Attach(list);
    return list;
}

NickStore* NickStoreOfControl(HWND list) {
    ControlData* data = DataOf(list);
    return data ? data->Store.get() : nullptr;
}

void CatchUpNickList(HWND list) {
    if (DataOf(list)) SendMessageW(list, kNickStoreChanged, 0, 0);
}

bool AnswerNickListNotice(const NMHDR* header, LRESULT& result) {
    if (!header) return false;
    NickStore* store = NickStoreOfControl(header->hwndFrom);
    if (!store) return false;
    if (header->code == LVN_GETDISPINFOW) {
        auto* info = reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(header));
        if (info->item.mask & LVIF_TEXT) {
            std::wstring text;
            if (!store->ColumnText(static_cast<uint32_t>(info->item.iItem), info->item.iSubItem, text))
                text.clear();
            CopyText(text, info->item.pszText, info->item.cchTextMax);
        }
        result = 0;
        return true;
    }
    if (header->code == LVN_ODFINDITEMW) {
        const auto* find = reinterpret_cast<const NMLVFINDITEMW*>(header);
        result = FindItem(*store, static_cast<WPARAM>(find->iStart - 1), &find->lvfi);
        return true;
    }
    return false;
}
