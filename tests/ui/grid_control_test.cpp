// The "grid" in a real window, driven with posted clicks and keys: the editing cycle, choice
// lists, focus, row deletion with images, and the records its parent receives.
#include <gtest/gtest.h>

#include "common/window_helpers.h"
#include "tests/ui/pump.h"
#include "ui/grid_control.h"

#include <commctrl.h>

#include <string>
#include <vector>

namespace {

struct Notice {
    int Code;
    int Row;
    int Column;
    bool HasText;
    std::wstring Text;
};

std::vector<Notice> Notices;
LRESULT BeginAnswer = 0;
LRESULT EndAnswer = 1;

LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NOTIFY) {
        auto* info = reinterpret_cast<NMLVDISPINFOW*>(lParam);
        const int code = static_cast<int>(info->hdr.code);
        if (code <= kGridBeginEditName && code >= kGridFilesDropped) {
            Notices.push_back({code, info->item.iItem, info->item.iSubItem, info->item.pszText != nullptr,
                               info->item.pszText ? info->item.pszText : L""});
            if (code == kGridBeginEditName || code == kGridBeginEdit) return BeginAnswer;
            if (code == kGridEndEditName || code == kGridEndEdit) return EndAnswer;
        }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

class Grid : public testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(RegisterGridClasses());
        WNDCLASSW parent{};
        parent.lpfnWndProc = ParentProc;
        parent.hInstance = GetModuleHandleW(nullptr);
        parent.lpszClassName = L"GridTestParent";
        RegisterClassW(&parent);
    }
    void SetUp() override {
        Notices.clear();
        BeginAnswer = 0;
        EndAnswer = 1;
        parent_ = CreateWindowExW(0, L"GridTestParent", L"grid test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10,
                                  10, 500, 300, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        grid_ = CreateWindowExW(0, kGridClass, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0, 480, 250,
                                parent_, reinterpret_cast<HMENU>(7), GetModuleHandleW(nullptr), nullptr);
        SendMessageW(grid_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT);
        SetForegroundWindow(parent_);
        for (int column = 0; column < 2; ++column) {
            LVCOLUMNW col{};
            col.mask = LVCF_WIDTH;
            col.cx = 150;
            SendMessageW(grid_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(column),
                         reinterpret_cast<LPARAM>(&col));
        }
        for (int row = 0; row < 3; ++row) {
            std::wstring name = L"name" + std::to_wstring(row), value = L"value" + std::to_wstring(row);
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = row;
            item.pszText = name.data();
            SendMessageW(grid_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
            item.iSubItem = 1;
            item.pszText = value.data();
            SendMessageW(grid_, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
        }
        Pump();
    }
    void TearDown() override { DestroyWindow(parent_); }

    void Click(int row, int column) {
        RECT cell{};
        cell.top = column;
        cell.left = LVIR_BOUNDS;
        SendMessageW(grid_, LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell));
        const LPARAM at = MAKELPARAM(column == 0 ? cell.left + 10 : (cell.left + cell.right) / 2,
                                     (cell.top + cell.bottom) / 2);
        PostMessageW(grid_, WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageW(grid_, WM_LBUTTONUP, 0, at);
        Pump();
    }
    HWND Editor() { return reinterpret_cast<HWND>(SendMessageW(grid_, LVM_GETEDITCONTROL, 0, 0)); }
    void Type(HWND target, const std::wstring& text) {
        for (wchar_t c : text) PostMessageW(target, WM_CHAR, c, 0);
        Pump();
    }
    void Key(HWND target, WPARAM key) {
        PostMessageW(target, WM_KEYDOWN, key, 0);
        Pump();
    }
    std::wstring Cell(int row, int column) {
        wchar_t text[100] = {};
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = 100;
        SendMessageW(grid_, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
        return text;
    }
    bool Saw(int code) {
        for (const Notice& notice : Notices)
            if (notice.Code == code) return true;
        return false;
    }
    const Notice* Last(int code) {
        for (auto it = Notices.rbegin(); it != Notices.rend(); ++it)
            if (it->Code == code) return &*it;
        return nullptr;
    }

    HWND parent_ = nullptr;
    HWND grid_ = nullptr;
};

TEST_F(Grid, FirstClickSelectsSecondEditsEnterStoresAndNotifies) {
    Click(1, 1);
    EXPECT_EQ(Editor(), nullptr);
    EXPECT_TRUE(SendMessageW(grid_, LVM_GETITEMSTATE, 1, LVIS_SELECTED) & LVIS_SELECTED);
    Click(1, 1);
    HWND editor = Editor();
    ASSERT_NE(editor, nullptr);
    wchar_t name[32] = {};
    GetClassNameW(editor, name, 32);
    EXPECT_STREQ(name, kGridEditClass);
    ASSERT_TRUE(Last(kGridEditorOpen));
    EXPECT_EQ(Last(kGridBeginEdit)->Row, 1);
    EXPECT_EQ(Last(kGridEditorOpen)->Column, 1);

    Type(editor, L"changed"); // the cell text was selected, so typing replaces it
    Key(editor, VK_RETURN);
    EXPECT_EQ(Cell(1, 1), L"changed");
    ASSERT_TRUE(Last(kGridEndEdit));
    EXPECT_EQ(Last(kGridEndEdit)->Text, L"changed");
    ASSERT_TRUE(Last(kGridCellStored));
    EXPECT_EQ(Editor(), nullptr);
    EXPECT_FALSE(IsWindow(editor));
    // One end notice only, although hiding the editor moved the focus away from it.
    int ends = 0;
    for (const Notice& notice : Notices) ends += notice.Code == kGridEndEdit;
    EXPECT_EQ(ends, 1);
}

TEST_F(Grid, EscapeFocusLossAndRefusedTextsChangeNothing) {
    struct Case {
        const char* Name;
        int How; // 0 Escape, 1 focus to the parent, 2 Enter refused by the parent
    };
    for (const Case& c : {Case{"escape", 0}, Case{"focus", 1}, Case{"refused", 2}}) {
        SCOPED_TRACE(c.Name);
        Notices.clear();
        EndAnswer = c.How == 2 ? 0 : 1;
        SendMessageW(grid_, kGridEditCell, 2, 1);
        HWND editor = Editor();
        ASSERT_NE(editor, nullptr);
        Type(editor, L"lost");
        if (c.How == 0) Key(editor, VK_ESCAPE);
        if (c.How == 1) {
            SetFocus(parent_);
            Pump();
        }
        if (c.How == 2) Key(editor, VK_RETURN);
        EXPECT_EQ(Cell(2, 1), L"value2");
        ASSERT_TRUE(Last(kGridEndEdit));
        EXPECT_EQ(Last(kGridEndEdit)->HasText, c.How == 2);
        EXPECT_FALSE(Saw(kGridCellStored));
        EXPECT_FALSE(IsWindow(editor));
    }
}

TEST_F(Grid, NameColumnAsksWithItsOwnCodeAndARefusalKeepsTheListView) {
    BeginAnswer = 1;
    SendMessageW(grid_, kGridEditCell, 0, 0);
    ASSERT_TRUE(Last(kGridBeginEditName));
    EXPECT_EQ(Editor(), nullptr);
    EXPECT_FALSE(Saw(kGridBeginEdit));
}

TEST_F(Grid, ChoiceListsOpenComboBoxesAndTheirOwnEditKeepsTheEdit) {
    GridCellDef fixed{0, 1, {L"a", L"b", L"value0"}};
    GridCellDef open{1, 1, {L"???", L"x", L"y"}};
    EXPECT_EQ(SendMessageW(grid_, kGridAddCellDef, 0, reinterpret_cast<LPARAM>(&fixed)), 1);
    EXPECT_EQ(SendMessageW(grid_, kGridAddCellDef, 0, reinterpret_cast<LPARAM>(&open)), 1);
    EXPECT_EQ(SendMessageW(grid_, kGridAddCellDef, 0, 0), -1);

    SendMessageW(grid_, kGridEditCell, 0, 1);
    HWND combo = Editor();
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(GetWindowLongPtrW(combo, GWL_STYLE) & 3, CBS_DROPDOWNLIST);
    EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 2); // the cell's text
    Key(combo, VK_ESCAPE);

    SendMessageW(grid_, kGridEditCell, 1, 1);
    combo = Editor();
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(GetWindowLongPtrW(combo, GWL_STYLE) & 3, CBS_DROPDOWN);
    EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 2); // "???" is a marker, not a choice
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetComboBoxInfo(combo, &info));
    EXPECT_EQ(GetWindowTextString(info.hwndItem), L"value1");
    SetFocus(info.hwndItem); // into the combo's own edit: still editing
    Pump();
    ASSERT_EQ(Editor(), combo);
    SetWindowTextW(info.hwndItem, L"typed");
    Key(info.hwndItem, VK_RETURN);
    EXPECT_EQ(Cell(1, 1), L"typed");
    EXPECT_FALSE(IsWindow(combo));

    EXPECT_EQ(SendMessageW(grid_, kGridClearCellDefs, 0, 0), 1);
    SendMessageW(grid_, kGridEditCell, 0, 1);
    wchar_t name[32] = {};
    GetClassNameW(Editor(), name, 32);
    EXPECT_STREQ(name, kGridEditClass);
}

TEST_F(Grid, DeletingARowMovesTheImagesOfLaterRowsUp) {
    HICON icon = LoadIconW(nullptr, IDI_INFORMATION);
    std::vector<GridCellImage> images = {{1, 1, nullptr, icon}, {2, 0, nullptr, icon}, {0, 1, nullptr, icon}};
    EXPECT_EQ(SendMessageW(grid_, kGridSetImages, 0, reinterpret_cast<LPARAM>(&images)), 1);
    SendMessageW(grid_, LVM_DELETEITEM, 1, 0);
    std::vector<GridCellImage> kept;
    EXPECT_EQ(SendMessageW(grid_, kGridGetImages, 0, reinterpret_cast<LPARAM>(&kept)), 1);
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept[0].Row, 1u);
    EXPECT_EQ(kept[0].Column, 0u);
    EXPECT_EQ(kept[1].Row, 0u);
    EXPECT_EQ(Cell(1, 0), L"name2");
}

} // namespace
