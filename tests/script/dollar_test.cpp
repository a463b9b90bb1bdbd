#include "tests/script/script_harness.h"
#include "core/nick_list_control.h"

#include "script/dollar_variables.h"
#include "script/script_timers.h"

#include <commctrl.h>

namespace {

class DollarVariables : public ScriptHarness {
protected:
    std::string Expand(const std::string& line, WindowRecord* window, const std::string& parameters = {}) {
        ScriptText text(line);
        ExpandDollarVariables(Server, window, text, parameters, 1);
        return text.Text;
    }
};

} // namespace

TEST_F(DollarVariables, TheClockIsReadForTheLine) {
    SYSTEMTIME before{};
    GetLocalTime(&before);
    const std::string line = Expand("$year/$month/$day", Channel);
    EXPECT_EQ(std::to_string(before.wYear) + "/" + std::to_string(before.wMonth) + "/" +
                  std::to_string(before.wDay),
              line);
    const std::string hour = Expand("$hour", Channel);
    EXPECT_TRUE(hour == std::to_string(before.wHour) || hour == std::to_string((before.wHour + 1) % 24));
    CallLog::Instance().Answer = [](const RecordedCall&) -> uint64_t { return 1; };
    EXPECT_EQ("1", Expand("$apparative", Channel));
}

TEST_F(DollarVariables, TheSelectedNickComesFromTheNickList) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    HWND list = CreateNickListControl(Channel, nullptr, 0, WS_POPUP | LVS_REPORT, 0, 0, 0, 100, 100);
    ASSERT_NE(nullptr, list);
    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH;
    column.cx = 80;
    SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
    const wchar_t* nicks[] = {L"alice", L"bob"};
    for (int i = 0; i < 2; ++i) {
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = const_cast<wchar_t*>(nicks[i]);
        SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
    Channel->NickList = list;
    EXPECT_EQ("/ ", Expand("/ $target", Channel)); // nothing selected
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED;
    state.state = LVIS_SELECTED;
    SendMessageW(list, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&state));
    EXPECT_EQ("/ bob bob bob", Expand("/ $target $snick $ssnick", Channel));
    EXPECT_EQ("/ ", Expand("/ $snick", Channel)); // "$ssnick" cleared the selection
    EXPECT_EQ("/ bob", Expand("/ $target", Query));
    Channel->NickList = nullptr;
    DestroyWindow(list);
}

TEST_F(DollarVariables, ParameterWordsSplitAtBlanksOutsideQuotes) {
    std::vector<ParameterWord> words = SplitParameterWords("  a \"b c\"  'd e' f");
    ASSERT_EQ(4u, words.size());
    EXPECT_EQ("\"b c\"", words[1].Text);
    EXPECT_EQ("'d e'", words[2].Text);
    EXPECT_EQ(4u, words[1].Start);
    EXPECT_EQ("a b c $3", Expand("$0 $1* $3", Channel, "a b c"));
}

class ScriptTimers : public ScriptHarness {};

TEST_F(ScriptTimers, TimersAreFoundByIdInTheServersConnection) {
    Connection->Timers.resize(2);
    Connection->Timers[0].TimerId = 1000;
    Connection->Timers[1].TimerId = 1001;
    uint32_t index = 99;
    EXPECT_EQ(&Connection->Timers[1], FindTimerById(Channel, 1001, &index));
    EXPECT_EQ(1u, index);
    EXPECT_EQ(nullptr, FindTimerById(Server, 5, &index));
    EXPECT_EQ(nullptr, FindTimerById(nullptr, 1000, nullptr));
}
