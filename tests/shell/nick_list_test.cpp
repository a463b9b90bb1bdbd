#include "tests/shell/shell_test_support.h"

#include "core/nick_list_control.h"
#include "core/nick_store.h"
#include "irc_lines/channel_nicks.h"
#include "shell/controls/nick_list.h"

#include <commctrl.h>

#include <string>
#include <thread>

namespace {

class NickList : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&controls);
        server_ = Add(kServerWindow, nullptr, "irc.one");
        server_->Connection = &connection_;
        channel_ = Add(kChannelWindow, server_, "#one");
        list_ = CreateNickListControl(channel_, nullptr, 0, WS_POPUP | LVS_REPORT, 0, 0, 0, 200, 300);
        channel_->NickList = list_;
        PrepareNickList(list_);
    }
    void TearDown() override {
        DestroyWindow(list_);
        ShellTest::TearDown();
    }
    void AddNick(const wchar_t* nick, int group) {
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_GROUPID;
        item.iItem = static_cast<int>(SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0));
        item.pszText = const_cast<wchar_t*>(nick);
        item.iGroupId = group;
        SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
    void Select(int index) {
        LVITEMW state{};
        state.stateMask = LVIS_SELECTED;
        state.state = LVIS_SELECTED;
        SendMessageW(list_, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&state));
    }
    std::vector<std::wstring> Order() {
        std::vector<std::wstring> nicks;
        int count = static_cast<int>(SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            wchar_t text[100] = {};
            LVITEMW item{};
            item.pszText = text;
            item.cchTextMax = 100;
            SendMessageW(list_, LVM_GETITEMTEXTW, i, reinterpret_cast<LPARAM>(&item));
            nicks.push_back(text);
        }
        return nicks;
    }

    ServerConnection connection_;
    WindowRecord* server_ = nullptr;
    WindowRecord* channel_ = nullptr;
    HWND list_ = nullptr;
};

} // namespace

TEST_F(NickList, ColumnsAndCount) {
    LVCOLUMNW column{};
    wchar_t text[20] = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = text;
    column.cchTextMax = 20;
    SendMessageW(list_, LVM_GETCOLUMNW, 1, reinterpret_cast<LPARAM>(&column));
    EXPECT_STREQ(text, L"Ident");
    SendMessageW(list_, LVM_GETCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
    EXPECT_EQ(column.cx, 100);
    AddNick(L"@op", 2);
    AddNick(L"user", 0);
    EXPECT_EQ(GetChannelNickCount(channel_), 2u);
    EXPECT_EQ(GetChannelNickCount(server_), 0u);
    EXPECT_EQ(GetChannelNickCount(nullptr), 0u);
}

TEST_F(NickList, SortOrdersTheItemsAndKeepsTheirData) {
    // (Groups need the common controls of version 6; names order the rest.)
    AddNick(L"zed", 0);
    AddNick(L"Alice", 0);
    AddNick(L"carol", 0);
    AddNick(L"bob", 0);
    for (int i = 0; i < 4; ++i) {
        LVITEMW item{};
        item.mask = LVIF_PARAM;
        item.iItem = i;
        item.lParam = 100 + i;
        SendMessageW(list_, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
    SortNickList(channel_);
    EXPECT_EQ(Order(), (std::vector<std::wstring>{L"Alice", L"bob", L"carol", L"zed"}));
    LVITEMW first{};
    first.mask = LVIF_PARAM;
    SendMessageW(list_, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&first));
    EXPECT_EQ(first.lParam, 101);
    EXPECT_LT(CompareNickListItems(0, 1, reinterpret_cast<LPARAM>(channel_)), 0);
    channel_->SortNicks = 0;
    AddNick(L"aaron", 0);
    SortNickList(channel_);
    EXPECT_EQ(Order().back(), L"aaron");
}

TEST_F(NickList, PrefixedNicksByTheSettingAndTheServer) {
    EXPECT_FALSE(IsNickPrefixed(server_, nullptr));
    EXPECT_FALSE(IsNickPrefixed(server_, L"%"));
    EXPECT_FALSE(IsNickPrefixed(server_, L"@op"));
    EXPECT_FALSE(IsNickPrefixed(server_, L"+voice"));
    EXPECT_FALSE(IsNickPrefixed(server_, L"%half"));
    SetConfig("Cfg\\Options1", "Nick_Prefixes", "%");
    EXPECT_TRUE(IsNickPrefixed(nullptr, L"%half"));
    SetConfig("Cfg\\Options1", "Nick_Prefixes", "");
    connection_.PrefixCharacters = "~&";
    EXPECT_TRUE(IsNickPrefixed(server_, L"~owner"));
    EXPECT_FALSE(IsNickPrefixed(nullptr, L"~owner"));
}

TEST_F(NickList, SelectedNicksLoseTheirPrefixUnlessKept) {
    SetConfig("Cfg\\Options1", "Nick_Prefixes", "%");
    AddNick(L"@op", 2);
    AddNick(L"%half", 1);
    AddNick(L"plain", 0);
    AddNick(L".owner", 2);
    Select(0);
    Select(1);
    Select(3);
    std::vector<std::wstring> nicks;
    GetSelectedNicks(list_, nicks, false, false);
    EXPECT_EQ(nicks, (std::vector<std::wstring>{L"op", L"half", L"owner"}));
    nicks.clear();
    GetSelectedNicks(list_, nicks, true, true);
    EXPECT_EQ(nicks, (std::vector<std::wstring>{L"@op", L"%half", L".owner"}));
    EXPECT_EQ(SendMessageW(list_, LVM_GETSELECTEDCOUNT, 0, 0), 0);
}

TEST_F(NickList, ColoursByLevel) {
    SetConfig("Cfg\\Colors\\Nick_List_Colors", "Level_4_Color", "4");
    SetConfig("Cfg\\Colors\\Nick_List_Colors", "Level_3_Color", "3");
    SetConfig("Cfg\\Colors\\Nick_List_Colors", "Level_2_Color", "2");
    SetConfig("Cfg\\Colors\\Nick_List_Colors", "Level_1_Color", "1");
    SetConfig("Cfg\\Options1", "Nick_Prefixes", ".%");
    EXPECT_EQ(NickListTextColor(L".owner"), 4u);
    EXPECT_EQ(NickListTextColor(L"@op"), 3u);
    EXPECT_EQ(NickListTextColor(L"+v"), 2u);
    EXPECT_EQ(NickListTextColor(L"%half"), 3u);
    EXPECT_EQ(NickListTextColor(L"plain"), 1u);
}

namespace {

int RowTop(HWND list, int member) {
    RECT rect{LVIR_BOUNDS, 0, 0, 0};
    SendMessageW(list, LVM_GETITEMRECT, member, reinterpret_cast<LPARAM>(&rect));
    return rect.top;
}

int Focused(HWND list) {
    return static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
}

} // namespace

// Each group with members shows its header above them, operators first; a header is a row of the
// list alone: never counted, numbered, selected or clicked, and keys step over it. A member moves
// between the groups as its modes change, and a group left empty loses its header.
TEST_F(NickList, GroupHeadersStandAboveTheirMembersAndAreNoItems) {
    SetConfig("Cfg\\Options1", "Nick_Prefixes", "%");
    AddNick(L"plain", 0);
    AddNick(L"+voice", 0);
    AddNick(L"%half", 1);
    AddNick(L"@op", 2);
    SortNickList(channel_);
    ASSERT_EQ(Order(), (std::vector<std::wstring>{L"@op", L"%half", L"+voice", L"plain"}));
    EXPECT_EQ(GetChannelNickCount(channel_), 4u);
    RECT first{LVIR_BOUNDS, 0, 0, 0};
    SendMessageW(list_, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
    const int row = first.bottom - first.top;
    ASSERT_GT(row, 0);
    // Rows: Operators, @op, Voiced, %half, Users, +voice, plain.
    EXPECT_EQ(RowTop(list_, 1) - RowTop(list_, 0), 2 * row);
    EXPECT_EQ(RowTop(list_, 2) - RowTop(list_, 1), 2 * row);
    EXPECT_EQ(RowTop(list_, 3) - RowTop(list_, 2), row);
    wchar_t header[40] = {};
    LVGROUP group{};
    group.cbSize = sizeof group;
    group.mask = LVGF_HEADER;
    group.pszHeader = header;
    group.cchHeader = 40;
    EXPECT_EQ(SendMessageW(list_, LVM_GETGROUPINFO, 2, reinterpret_cast<LPARAM>(&group)), 2);
    EXPECT_TRUE(SendMessageW(list_, LVM_ISGROUPVIEWENABLED, 0, 0));

    // A click on the "Voiced" header hits no member and selects nothing.
    LVHITTESTINFO hit{};
    hit.pt = {first.left + 5, RowTop(list_, 1) - row / 2};
    EXPECT_EQ(SendMessageW(list_, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)), -1);
    SendMessageW(list_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(hit.pt.x, hit.pt.y));
    SendMessageW(list_, WM_LBUTTONUP, 0, MAKELPARAM(hit.pt.x, hit.pt.y));
    EXPECT_EQ(SendMessageW(list_, LVM_GETSELECTEDCOUNT, 0, 0), 0);

    // Keys step from member to member over the headers, Home lands on the first member.
    LVITEMW mark{};
    mark.stateMask = mark.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list_, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&mark));
    SendMessageW(list_, WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(Focused(list_), 1);
    SendMessageW(list_, WM_KEYDOWN, VK_UP, 0);
    EXPECT_EQ(Focused(list_), 0);
    SendMessageW(list_, WM_KEYDOWN, VK_END, 0);
    SendMessageW(list_, WM_KEYDOWN, VK_HOME, 0);
    EXPECT_EQ(Focused(list_), 0);
    LVITEMW all{};
    all.stateMask = all.state = LVIS_SELECTED;
    SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&all));
    EXPECT_EQ(SendMessageW(list_, LVM_GETSELECTEDCOUNT, 0, 0), 4);
    std::vector<std::wstring> selected;
    GetSelectedNicks(list_, selected, true, true);
    EXPECT_EQ(selected, Order());

    // +o takes the voiced member among the operators; without "%half" its group has no header.
    ASSERT_TRUE(ChangeMemberMode(channel_, 2, 'o', true, connection_.ModeRules.Get()));
    ASSERT_TRUE(RemoveNickFromList(channel_, "half"));
    ASSERT_EQ(Order(), (std::vector<std::wstring>{L"@op", L"@voice", L"plain"}));
    EXPECT_EQ(RowTop(list_, 1) - RowTop(list_, 0), row);
    EXPECT_EQ(RowTop(list_, 2) - RowTop(list_, 1), 2 * row);
    // Without group view (the nick sort switched off) the members stand alone.
    SendMessageW(list_, LVM_ENABLEGROUPVIEW, FALSE, 0);
    EXPECT_EQ(RowTop(list_, 2) - RowTop(list_, 0), 2 * row);
}

namespace {

// Everything other code reads from a list, as one text to compare.
std::wstring Answers(HWND list) {
    std::wstring out;
    auto add = [&out](const std::wstring& what, LRESULT value) {
        out += what + L"=" + std::to_wstring(static_cast<long long>(value)) + L"\n";
    };
    const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    add(L"count", count);
    for (int i = 0; i <= count; ++i) {
        for (int column = 0; column < 2; ++column) {
            wchar_t text[8] = {};
            LVITEMW item{};
            item.iSubItem = column;
            item.pszText = text;
            item.cchTextMax = 8; // shorter than some texts: cut as the list cuts them
            const LRESULT length = SendMessageW(list, LVM_GETITEMTEXTW, i, reinterpret_cast<LPARAM>(&item));
            add(L"text" + std::to_wstring(i) + L"." + std::to_wstring(column) + L":" + text, length);
        }
        wchar_t text[100] = {};
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_STATE;
        item.iItem = i;
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.pszText = text;
        item.cchTextMax = 100;
        const LRESULT found = SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
        if (found)
            add(std::wstring(L"item") + text + L" data " + std::to_wstring(item.lParam) + L" state",
                static_cast<LRESULT>(item.state));
        add(L"state" + std::to_wstring(i),
            SendMessageW(list, LVM_GETITEMSTATE, i, LVIS_SELECTED | LVIS_FOCUSED));
    }
    for (int index = -1;;) {
        index =
            static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(index), LVNI_SELECTED));
        add(L"next selected", index);
        if (index < 0) break;
    }
    add(L"focused", SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    add(L"selected count", SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0));
    const struct {
        const wchar_t* Text;
        UINT Flags;
        int Start;
    } finds[] = {{L"bob", LVFI_STRING, -1},
                 {L"BOB", LVFI_STRING, -1},
                 {L"car", LVFI_STRING, -1},
                 {L"car", LVFI_PARTIAL | LVFI_STRING, -1},
                 {L"@", LVFI_PARTIAL | LVFI_STRING, 0},
                 {L"bob", LVFI_STRING | LVFI_WRAP, 2},
                 {L"zed", LVFI_PARTIAL, -1}};
    for (const auto& find : finds) {
        LVFINDINFOW info{};
        info.flags = find.Flags;
        info.psz = find.Text;
        add(std::wstring(L"find ") + find.Text,
            SendMessageW(list, LVM_FINDITEMW, static_cast<WPARAM>(find.Start),
                         reinterpret_cast<LPARAM>(&info)));
    }
    return out;
}

void Insert(HWND list, int index, const wchar_t* text, LPARAM data) {
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = index;
    item.pszText = const_cast<wchar_t*>(text);
    item.lParam = data;
    SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

void SetState(HWND list, int index, UINT mask, UINT state) {
    LVITEMW item{};
    item.stateMask = mask;
    item.state = state;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}

} // namespace

// The same messages to a list view holding its items and to the nick list over its store give the
// same answers; a nick that stays selected while the store changes on another thread stays
// selected where it moved to.
TEST_F(NickList, TheVirtualListAnswersAsAListViewHoldingItsItems) {
    HWND real = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_POPUP | LVS_REPORT | LVS_SHOWSELALWAYS, 0, 0, 200,
                                300, nullptr, nullptr, nullptr, nullptr);
    for (HWND list : {real, list_}) {
        LVCOLUMNW column{};
        column.mask = LVCF_WIDTH;
        column.cx = 50;
        if (list == real) {
            SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
            SendMessageW(list, LVM_INSERTCOLUMNW, 1, reinterpret_cast<LPARAM>(&column));
        }
        Insert(list, 0, L"carol", 0);
        Insert(list, 5, L"@operator", 2);
        Insert(list, 1, L"Bob", 0);
        LVITEMW ident{};
        ident.iSubItem = 1;
        ident.pszText = const_cast<wchar_t*>(L"carol-ident");
        SendMessageW(list, LVM_SETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&ident));
        LVITEMW data{};
        data.mask = LVIF_PARAM;
        data.iItem = 2;
        data.lParam = 42;
        SendMessageW(list, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&data));
        SetState(list, 0, LVIS_SELECTED, LVIS_SELECTED);
        SetState(list, 2, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
    EXPECT_EQ(Answers(real), Answers(list_));
    EXPECT_NE(Answers(list_).find(L"item@operator data 42 state=3"), std::wstring::npos) << Answers(list_);

    // Deleting above the selection moves it with its items; renaming keeps the item's place.
    for (HWND list : {real, list_}) {
        SendMessageW(list, LVM_DELETEITEM, 0, 0);
        LVITEMW rename{};
        rename.pszText = const_cast<wchar_t*>(L"bobby");
        SendMessageW(list, LVM_SETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&rename));
    }
    EXPECT_EQ(Answers(real), Answers(list_));

    // A connection thread adds members before the selected one: the list shows the same nick
    // selected and focused at its new place.
    std::thread worker([this] {
        channel_->Nicks->Place(L"aaron", 0, false);
        channel_->Nicks->Insert(0, L"abel", 0, 0);
    });
    worker.join();
    Insert(real, 2, L"aaron", 0);
    Insert(real, 0, L"abel", 0);
    EXPECT_EQ(Answers(real), Answers(list_));

    for (HWND list : {real, list_}) SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    EXPECT_EQ(Answers(real), Answers(list_));
    DestroyWindow(real);
}
