#include "common/list_tree_helpers.h"

#include <string>

namespace {

// The item that TreeViewHighlightItem last highlighted; tree views live on the interface thread.
HTREEITEM HighlightedItem = nullptr;
HWND HighlightedTree = nullptr;

void SetHighlight(HWND treeView, HTREEITEM item, bool on) {
    TVITEMW change{};
    change.mask = TVIF_STATE | TVIF_HANDLE;
    change.hItem = item;
    change.stateMask = TVIS_BOLD | TVIS_SELECTED;
    change.state = on ? TVIS_BOLD | TVIS_SELECTED : 0;
    SendMessageW(treeView, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&change));
}

} // namespace

void AutosizeListColumns(HWND listView, const std::vector<int>& columns) {
    ShowWindow(listView, SW_HIDE);
    for (int column : columns) SendMessageW(listView, LVM_SETCOLUMNWIDTH, column, LVSCW_AUTOSIZE);
    ShowWindow(listView, SW_SHOW);

    const auto count = static_cast<unsigned>(SendMessageW(listView, LVM_GETITEMCOUNT, 0, 0));
    std::wstring text = std::to_wstring(count);
    LVCOLUMNW header{};
    header.mask = LVCF_TEXT;
    header.pszText = text.data();
    SendMessageW(listView, LVM_SETCOLUMNW, 0, reinterpret_cast<LPARAM>(&header));
}

BOOL ListViewClearSelection(HWND listView) {
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED;
    state.state = 0;
    return static_cast<BOOL>(
        SendMessageW(listView, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state)));
}

void TreeViewHighlightItem(HWND treeView, HTREEITEM item) {
    if (HighlightedItem && HighlightedTree == treeView) SetHighlight(treeView, HighlightedItem, false);
    SetHighlight(treeView, item, true);
    HighlightedItem = item;
    HighlightedTree = treeView;
}

void TreeViewSetHasChildren(HWND treeView, HTREEITEM item) {
    TVITEMW current{};
    current.mask = TVIF_CHILDREN | TVIF_HANDLE;
    current.hItem = item;
    if (!SendMessageW(treeView, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&current))) return;
    if (current.cChildren != 0) return;
    current.cChildren = 1;
    SendMessageW(treeView, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&current));
}

namespace {
constexpr int kItemTextCapacity = 1000;
}

std::wstring ListViewItemText(HWND listView, int row, int column) {
    wchar_t text[kItemTextCapacity] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = kItemTextCapacity;
    SendMessageW(listView, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return text;
}

std::wstring TreeViewItemText(HWND treeView, HTREEITEM item) {
    wchar_t text[kItemTextCapacity] = {};
    TVITEMW data{};
    data.mask = TVIF_TEXT;
    data.hItem = item;
    data.pszText = text;
    data.cchTextMax = kItemTextCapacity;
    SendMessageW(treeView, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data));
    return text;
}
