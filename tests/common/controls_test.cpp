#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "common/list_tree_helpers.h"
#include "common/window_helpers.h"

namespace {

RECT ChildRect(HWND parent, int id) {
    RECT rect{};
    GetWindowRect(GetDlgItem(parent, id), &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

TEST(DialogResize, LaysOutControls1000And1002AroundTheSubclassedWindow) {
    HWND parent =
        CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 600, 400, nullptr, nullptr, nullptr, nullptr);
    HWND sized =
        CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 150, 100, parent, nullptr, nullptr, nullptr);
    CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 1, 1, parent, HMENU(1000), nullptr, nullptr);
    CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 1, 1, parent, HMENU(1002), nullptr, nullptr);
    PreviousResizeProc =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrW(sized, GWLP_WNDPROC, LONG_PTR(DialogResizeSubclassProc)));
    RECT client{};
    GetClientRect(parent, &client);
    const int w = client.right, h = client.bottom;

    SendMessageW(sized, WM_SIZE, SIZE_RESTORED, MAKELPARAM(150, 100));
    const RECT left = ChildRect(parent, 1000), below = ChildRect(parent, 1002);
    EXPECT_EQ(left.left, 0);
    EXPECT_EQ(left.top, 32);
    EXPECT_EQ(left.right, w - 150);
    EXPECT_EQ(left.bottom, h);
    EXPECT_EQ(below.left, w - 150);
    EXPECT_EQ(below.top, 132);
    EXPECT_EQ(below.right, w);
    EXPECT_EQ(below.bottom, h + 32);
    EXPECT_NE(GetWindowLongW(GetDlgItem(parent, 1000), GWL_STYLE) & WS_VISIBLE, 0);
    EXPECT_NE(GetWindowLongW(GetDlgItem(parent, 1002), GWL_STYLE) & WS_VISIBLE, 0);
    DestroyWindow(parent);
}

TEST(TreeViewHighlight, MovesBoldAndSelectionToTheNewItem) {
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&classes);
    HWND tree =
        CreateWindowExW(0, WC_TREEVIEWW, L"", WS_POPUP, 0, 0, 200, 200, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(tree, nullptr);
    TVINSERTSTRUCTW insert{};
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT;
    insert.item.pszText = const_cast<wchar_t*>(L"one");
    auto first = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_INSERTITEMW, 0, LPARAM(&insert)));
    insert.item.pszText = const_cast<wchar_t*>(L"two");
    auto second = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_INSERTITEMW, 0, LPARAM(&insert)));
    auto state = [tree](HTREEITEM item) {
        return static_cast<UINT>(
            SendMessageW(tree, TVM_GETITEMSTATE, WPARAM(item), TVIS_BOLD | TVIS_SELECTED));
    };

    TreeViewHighlightItem(tree, first);
    EXPECT_EQ(state(first), UINT(TVIS_BOLD | TVIS_SELECTED));
    TreeViewHighlightItem(tree, second);
    EXPECT_EQ(state(first), 0u);
    EXPECT_EQ(state(second), UINT(TVIS_BOLD | TVIS_SELECTED));

    TreeViewSetHasChildren(tree, first);
    TVITEMW item{};
    item.mask = TVIF_CHILDREN;
    item.hItem = first;
    SendMessageW(tree, TVM_GETITEMW, 0, LPARAM(&item));
    EXPECT_EQ(item.cChildren, 1);
    DestroyWindow(tree);
}

TEST(ListViewHelpers, HeaderShowsTheItemCountAndSelectionClears) {
    HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_POPUP | LVS_REPORT, 0, 0, 300, 200, nullptr, nullptr,
                                nullptr, nullptr);
    ASSERT_NE(list, nullptr);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = 10;
    column.pszText = const_cast<wchar_t*>(L"Name");
    SendMessageW(list, LVM_INSERTCOLUMNW, 0, LPARAM(&column));
    for (int i = 0; i < 3; ++i) {
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_STATE;
        item.iItem = i;
        item.pszText = const_cast<wchar_t*>(L"a rather long item text");
        item.stateMask = item.state = LVIS_SELECTED;
        SendMessageW(list, LVM_INSERTITEMW, 0, LPARAM(&item));
    }
    AutosizeListColumns(list, {0});
    wchar_t header[20] = {};
    column.mask = LVCF_TEXT;
    column.pszText = header;
    column.cchTextMax = 20;
    SendMessageW(list, LVM_GETCOLUMNW, 0, LPARAM(&column));
    EXPECT_STREQ(header, L"3");
    EXPECT_GT(SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0), 10);

    ASSERT_EQ(SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0), 3);
    ListViewClearSelection(list);
    EXPECT_EQ(SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0), 0);
    DestroyWindow(list);
}

} // namespace
