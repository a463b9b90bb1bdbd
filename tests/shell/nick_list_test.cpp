#include "tests/shell/shell_test_support.h"

#include "shell/nick_list.h"

#include <commctrl.h>

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
        list_ = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_POPUP | LVS_REPORT, 0, 0, 200, 300, nullptr, nullptr,
                                nullptr, nullptr);
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

TEST(NickOrder, HigherGroupsFirstThenNamesIgnoringCase) {
    EXPECT_LT(CompareNickEntries(2, L"zed", 0, L"alice"), 0);
    EXPECT_GT(CompareNickEntries(0, L"alice", 1, L"zed"), 0);
    EXPECT_LT(CompareNickEntries(0, L"Alice", 0, L"bob"), 0);
    EXPECT_EQ(CompareNickEntries(1, L"BOB", 1, L"bob"), 0);
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
