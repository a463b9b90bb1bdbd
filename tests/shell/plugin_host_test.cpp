#include <gtest/gtest.h>

#include "commands/plugin_host.h"
#include "tests/recorders/call_log.h"

#include <windows.h>

#include <string>
#include <thread>
#include <vector>

namespace {

using AnswerFn = void(__cdecl*)(uint32_t, uint64_t);
using ReceivedFn = uint32_t(__cdecl*)(uint32_t);

std::wstring BesideTest(const wchar_t* name) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L'\\') + 1) + name;
}

std::wstring Env(const wchar_t* name) {
    wchar_t value[16] = {};
    GetEnvironmentVariableW(name, value, 16);
    return value;
}

// The test holds its own reference to each library, so the exports stay callable after the host
// unloads them.
class PluginHost : public testing::Test {
protected:
    void SetUp() override {
        a_ = LoadLibraryW(BesideTest(L"test_plugin_a.dll").c_str());
        b_ = LoadLibraryW(BesideTest(L"test_plugin_b.dll").c_str());
        ASSERT_TRUE(a_ && b_);
        SetEnvironmentVariableW(L"TEST_PLUGIN_UNLOADS_1", nullptr);
        SetEnvironmentVariableW(L"TEST_PLUGIN_UNLOADS_2", nullptr);
    }
    void TearDown() override {
        UnloadPlugins(0xFFFFFFFF);
        SetPluginPaths({});
        for (uint32_t code = 0; code < 8; ++code) {
            Answer(a_, code, 0);
            Answer(b_, code, 0);
        }
        FreeLibrary(a_);
        FreeLibrary(b_);
    }
    static void Answer(HMODULE plugin, uint32_t code, uint64_t answer) {
        reinterpret_cast<AnswerFn>(reinterpret_cast<void*>(GetProcAddress(plugin, "TestPluginAnswer")))(
            code, answer);
    }
    static uint32_t Received(HMODULE plugin, uint32_t code) {
        return reinterpret_cast<ReceivedFn>(
            reinterpret_cast<void*>(GetProcAddress(plugin, "TestPluginReceived")))(code);
    }
    void LoadBoth() {
        SetPluginPaths({BesideTest(L"test_plugin_a.dll"), BesideTest(L"test_plugin_b.dll")});
        LoadPlugins();
        ASSERT_EQ(2u, PluginCount());
    }
    HMODULE a_ = nullptr;
    HMODULE b_ = nullptr;
};

TEST_F(PluginHost, WithoutPluginsEveryEventAnswersZero) {
    PluginEvent event{{1, 2, 3, 4}};
    for (uint32_t code = 0; code < 6; ++code) EXPECT_EQ(0u, BroadcastToPlugins(code, &event));
    EXPECT_EQ(0u, commands::NotifyPluginsWindowText(L"text", 0));
}

TEST_F(PluginHost, LoadsListedLibrariesAndSkipsWhatCannotServe) {
    SetPluginPaths({BesideTest(L"test_plugin_a.dll"), BesideTest(L"no_such_plugin.dll"),
                    BesideTest(L"test_plugin_refusing.dll"), BesideTest(L"shell_tests.exe"),
                    BesideTest(L"test_plugin_b.dll")});
    LoadPlugins();
    EXPECT_EQ(2u, PluginCount());
}

TEST_F(PluginHost, ConsumingPluginStopsTheBroadcast) {
    LoadBoth();
    Answer(a_, 0, 1);
    MSG message{};
    EXPECT_EQ(1u, BroadcastToPlugins(0, &message));
    EXPECT_EQ(1u, Received(a_, 0));
    EXPECT_EQ(0u, Received(b_, 0));
    // Any other answer lets the next plug-in see the event; the last answer is the result.
    Answer(a_, 5, 7);
    Answer(b_, 5, 9);
    EXPECT_EQ(9u, BroadcastToPlugins(5, &message));
    EXPECT_EQ(1u, Received(b_, 5));
}

TEST_F(PluginHost, PluginThatAsksToGoIsFreedWithoutItsUnloadAndHearsNothingMore) {
    LoadBoth();
    Answer(a_, 2, 2);
    PluginEvent event{};
    EXPECT_EQ(0u, BroadcastToPlugins(2, &event));
    EXPECT_EQ(1u, Received(b_, 2)) << "B still sees the event that A left on";
    BroadcastToPlugins(2, &event);
    EXPECT_EQ(1u, Received(a_, 2));
    EXPECT_EQ(2u, Received(b_, 2));
    EXPECT_EQ(2u, PluginCount()) << "the slot stays until the list is cleared";
    UnloadPlugins(0xFFFFFFFF);
    EXPECT_EQ(L"", Env(L"TEST_PLUGIN_UNLOADS_1"));
    EXPECT_EQ(L"1", Env(L"TEST_PLUGIN_UNLOADS_2"));
}

TEST_F(PluginHost, UnloadingOneShiftsTheOthersDown) {
    LoadBoth();
    EXPECT_EQ(0u, UnloadPlugins(0));
    EXPECT_EQ(L"1", Env(L"TEST_PLUGIN_UNLOADS_1"));
    EXPECT_EQ(1u, PluginCount());
    Answer(b_, 4, 1);
    PluginEvent event{};
    EXPECT_EQ(1u, BroadcastToPlugins(4, &event));
    UnloadPlugins(5); // outside the list: nothing
    EXPECT_EQ(1u, PluginCount());
    EXPECT_EQ(1u, UnloadPlugins(0xFFFFFFFF));
}

TEST_F(PluginHost, MenusAreCountedAndKeptInOrder) {
    const size_t before = PluginMenuItemsSnapshot().size();
    HMENU first = CreatePopupMenu(), second = CreatePopupMenu();
    EXPECT_EQ(before + 1, AddPluginMenu(reinterpret_cast<uint64_t>(first), "Tools"));
    EXPECT_EQ(before + 2, AddPluginMenu(reinterpret_cast<uint64_t>(second), "\xc3\x9c"
                                                                            "ber"));
    auto items = PluginMenuItemsSnapshot();
    ASSERT_EQ(before + 2, items.size());
    EXPECT_EQ(L"Tools", items[before].Caption);
    EXPECT_EQ(L"\u00dcber", items[before + 1].Caption);
    ErasePluginMenuItem(static_cast<uint32_t>(before + 1));
    ErasePluginMenuItem(static_cast<uint32_t>(before));
    EXPECT_EQ(before, PluginMenuItemsSnapshot().size());
    DestroyMenu(first);
    DestroyMenu(second);
}

TEST_F(PluginHost, HiddenPopupsGoBackIntoTheirOwnMenuOnly) {
    HMENU menu = CreateMenu(), other = CreateMenu();
    HMENU popups[3] = {CreatePopupMenu(), CreatePopupMenu(), CreatePopupMenu()};
    AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(popups[0]), L"zero");
    AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(popups[1]), L"one");
    AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(popups[2]), L"two");
    // Taken out highest first, as the menu builder does.
    for (uint32_t position : {2u, 1u}) {
        wchar_t caption[16] = {};
        GetMenuStringW(menu, position, caption, 16, MF_BYPOSITION);
        QueuedPopupMenus(menu).push_back({GetSubMenu(menu, static_cast<int>(position)), position, caption});
        RemoveMenu(menu, position, MF_BYPOSITION);
    }
    InsertQueuedPopupMenus(other);
    EXPECT_EQ(0, GetMenuItemCount(other));
    InsertQueuedPopupMenus(menu);
    ASSERT_EQ(3, GetMenuItemCount(menu));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(popups[i], GetSubMenu(menu, i));
    DestroyMenu(menu);
    DestroyMenu(other);
}

constexpr uint64_t kFault = 0xFA17;
constexpr uint64_t kBlock = 0xB10C;

TEST_F(PluginHost, AFaultInAPluginIsToldAndUnloadsItWhileTheOthersGoOn) {
    LoadBoth();
    CallLog::Instance().Clear();
    Answer(a_, 4, kFault);
    Answer(b_, 4, 7);
    PluginEvent event{{0, 0xFFFFFFFF, 0, 0}};
    EXPECT_EQ(7u, BroadcastToPlugins(4, &event));
    EXPECT_EQ(1u, Received(b_, 4));
    EXPECT_EQ(1u, LoadedPluginCount());
    const auto printed = CallLog::Instance().Calls("PrintToWindow");
    ASSERT_EQ(printed.size(), 1u);
    EXPECT_NE(printed[0].Text.find("test_plugin_a.dll failed (exception C0000005) and was unloaded"),
              std::string::npos)
        << printed[0].Text;
    BroadcastToPlugins(4, &event);
    EXPECT_EQ(1u, Received(a_, 4)) << "it hears nothing more";
    EXPECT_EQ(2u, Received(b_, 4));
    UnloadPlugins(0xFFFFFFFF);
    EXPECT_EQ(L"", Env(L"TEST_PLUGIN_UNLOADS_1")) << "a plug-in that faulted is not called to unload";
}

TEST_F(PluginHost, ALibraryIsFreedOnlyOnceNoCallIsRunningInIt) {
    LoadBoth();
    HANDLE entered = CreateEventW(nullptr, TRUE, FALSE, L"BrindlexTestPluginEntered");
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, L"BrindlexTestPluginRelease");
    Answer(a_, 3, kBlock);
    std::thread connection([] {
        PluginEvent event{};
        BroadcastToPlugins(3, &event);
    });
    ASSERT_EQ(WaitForSingleObject(entered, 10000), WAIT_OBJECT_0);
    // Unloaded while A runs on the other thread: both leave the list at once, but neither is
    // told to unload, nor freed, before the call returned.
    EXPECT_EQ(2u, UnloadPlugins(0xFFFFFFFF));
    EXPECT_EQ(0u, LoadedPluginCount());
    EXPECT_EQ(L"", Env(L"TEST_PLUGIN_UNLOADS_1"));
    SetEvent(release);
    connection.join();
    EXPECT_EQ(0u, Received(b_, 3)) << "B had left the list before the broadcast reached it";
    FinishPluginUnloads(5000);
    EXPECT_EQ(L"1", Env(L"TEST_PLUGIN_UNLOADS_1"));
    EXPECT_EQ(L"1", Env(L"TEST_PLUGIN_UNLOADS_2"));
    CloseHandle(entered);
    CloseHandle(release);
}

TEST_F(PluginHost, MenusAddedThroughTheProgramsExportRunTheirCommandInThePlugin) {
    LoadBoth();
    using AddMenuFn = uint32_t(__cdecl*)(const char*);
    auto add = reinterpret_cast<AddMenuFn>(reinterpret_cast<void*>(GetProcAddress(b_, "TestPluginAddMenu")));
    const size_t before = PluginMenuItemsSnapshot().size();
    EXPECT_EQ(before + 1, add("Plug-in B"));
    const auto items = PluginMenuItemsSnapshot();
    ASSERT_EQ(items.size(), before + 1);
    EXPECT_EQ(items.back().Caption, L"Plug-in B");
    const UINT item = GetMenuItemID(reinterpret_cast<HMENU>(items.back().Popup), 0);
    EXPECT_EQ(item, 3502u);

    CallLog::Instance().Clear();
    EXPECT_EQ(0u, BroadcastWindowMessage(kPluginWindowMessageFirst, nullptr, WM_COMMAND, item, 0));
    EXPECT_EQ(1u, BroadcastWindowMessage(kPluginWindowMessage, nullptr, WM_COMMAND, item, 0));
    // The line is entered as input: the input's event script sees it first.
    std::vector<std::string> lines;
    for (const RecordedCall& call : CallLog::Instance().Calls("RunEventScript"))
        if (call.Text.starts_with("On_Input ")) lines.push_back(call.Text);
    EXPECT_EQ(lines, std::vector<std::string>{"On_Input /raw PRIVMSG #test :menu item 2"});
    DestroyMenu(reinterpret_cast<HMENU>(items.back().Popup));
    ErasePluginMenuItem(static_cast<uint32_t>(before));
}

} // namespace
