// Built-ins whose effects reach beyond the script's text: popup menus of variables, streams
// written by fprintf, and window built-ins called off the interface thread.
#include "tests/script/script_harness.h"

#include "common/app_state.h"
#include "common/xstring.h"
#include "core/interface_thread_call.h"
#include "script/script_files.h"
#include "script/script_interpreter.h"
#include "tests/recorders/recorders.h"

#include <fstream>
#include <sstream>

namespace {

class Builtins : public ScriptHarness {};

std::wstring MenuText(HMENU menu, UINT position) {
    wchar_t text[64] = {};
    GetMenuStringW(menu, position, text, 64, MF_BYPOSITION);
    return text;
}

LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_RUN_ON_INTERFACE_THREAD) return RunInterfaceThreadWork(lParam);
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

TEST_F(Builtins, AddmenuMakesAPopupOfTheValuesAndRemovemenuTakesItAway) {
    InstallPluginMenuRecorders();
    Run("#nodebug\r\n$v = {one, \"two\", three}\r\n$e = {x}\r\n/echo addmenu('$v', Mine) addmenu('$e', "
        "Other)");
    const std::vector<uint64_t> menus = RecordedPluginMenus();
    ASSERT_EQ(2u, menus.size());
    HMENU popup = reinterpret_cast<HMENU>(menus[0]);
    ASSERT_EQ(3, GetMenuItemCount(popup));
    EXPECT_EQ(L"two", MenuText(popup, 1));
    // Items take consecutive command ids from 3001 to 3999.
    const UINT first = GetMenuItemID(popup, 0);
    EXPECT_GE(first, 3001u);
    EXPECT_LE(first, 3999u);
    EXPECT_EQ(first == 3999 ? 3001u : first + 1, GetMenuItemID(popup, 1));
    EXPECT_EQ("input: /echo 0 1", Output()[0]);

    CallLog::Instance().Clear();
    Run("/echo removemenu(0) removemenu(7)");
    EXPECT_FALSE(IsMenu(popup)) << "the popup is destroyed";
    ASSERT_EQ(1u, RecordedPluginMenus().size());
    EXPECT_EQ(menus[1], RecordedPluginMenus()[0]);
    DestroyMenu(reinterpret_cast<HMENU>(menus[1]));

    // After 999 items the ids begin again.
    std::string values = "{1";
    for (int i = 2; i <= 999; ++i) values += "," + std::to_string(i);
    Run("#nodebug\r\n$big = " + values + "}\r\n$r = addmenu('$big', Big)\r\n$r = addmenu('$big', Again)");
    const std::vector<uint64_t> big = RecordedPluginMenus();
    ASSERT_EQ(3u, big.size());
    EXPECT_EQ(GetMenuItemID(reinterpret_cast<HMENU>(big[1]), 0),
              GetMenuItemID(reinterpret_cast<HMENU>(big[2]), 0));
    for (size_t i = 1; i < big.size(); ++i) DestroyMenu(reinterpret_cast<HMENU>(big[i]));
}

TEST_F(Builtins, FprintfWritesOnlyToStreamsAScriptHolds) {
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    const std::wstring path = std::wstring(folder) + L"fprintf_test.txt";
    const int64_t handle = RegisterScriptFile(_wfopen(path.c_str(), L"wb"));
    ASSERT_NE(0, handle);
    Run("#nodebug\r\n/echo fprintf(" + std::to_string(handle) + ", \"%s=%d;\", \"n\", 4) fprintf(" +
        std::to_string(handle + 16) + ", \"lost\")");
    EXPECT_TRUE(CloseScriptFile(handle));
    EXPECT_FALSE(CloseScriptFile(handle));
    std::ifstream in(path.c_str(), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ("n=4;", text.str());
    in.close();
    DeleteFileW(path.c_str());
}

// The frame's thread answers the worker's window built-ins while it waits; a refusal there ends
// the worker's script with its error line.
TEST_F(Builtins, WindowBuiltInsOffTheInterfaceThreadRunOnIt) {
    UseFrame(FrameProc);
    Other->Topic = "other topic";
    ASSERT_TRUE(
        RunOnWorker("#nodebug\r\n/echo GetWindowType(bob) GetNickCount(#chan) GetChannelTopic(#other)\r\n"
                    "/echo GetNickCount(#nowhere)\r\n/echo never"));
    EXPECT_EQ("input: /echo 3 0 \"other topic\"\n"
              "error: [/echo GetNickCount(#nowhere)] : Invalid number of parameters to function. ))\n",
              OutputText());
}
