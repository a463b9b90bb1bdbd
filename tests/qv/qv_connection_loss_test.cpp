// qv under Wine when its server goes away for a while: every window of the connection says so,
// and qv, set to reconnect when the connection is lost, is back on the server without the user.
#include <gtest/gtest.h>

#include "common/xstring.h"
#include "shell/windows/server_reconnect.h"
#include "tests/qv/qv_process.h"
#include "tests/support/ngircd_server.h"
#include "tests/support/test_files.h"

#include <commctrl.h>

#include <string>

namespace {

constexpr DWORD kWait = kQvWait;
// The qv started here counts its reconnect waits (5, 15, 30, 60 "seconds") in these milliseconds.
constexpr wchar_t kShortSecondMs[] = L"200";

std::wstring View(HWND window) {
    return WindowText(GetDlgItem(window, 901));
}

bool Shows(HWND window, const std::wstring& text) {
    return Eventually([&] { return View(window).find(text) != std::wstring::npos; }, kWait);
}

} // namespace

TEST(QvConnectionLoss, EveryWindowSaysSoAndQvIsBackAfterTheServerRestarts) {
    NgircdServer server;
    ASSERT_TRUE(server.WaitReady());
    PortableFolder folder({L"qv.exe", L"qvlang.dll", L"qvres.dll"});
    CreateDirectoryW((folder.Path() + L"\\UCFG").c_str(), nullptr);
    CreateDirectoryW(folder.UserDataFolder().c_str(), nullptr);
    // The server of the connect dialog, connected at start and reconnected when lost.
    const std::string entry =
        "<s Group=\"Test\" name=\"Test\" Address=\"127.0.0.1\" Port=\"" + std::to_string(server.Port()) +
        "\" Nick=\"quser\" Email=\"quser@example.org\" Your_Name=\"Q User\" Password=\"\" "
        "Mode=\"\" Auto_Connect=\"1\" Auto_Reconnect=\"1\" SSL=\"0\" Proxy_Mode=\"0\" />";
    ASSERT_TRUE(WriteFileBytes(folder.UserDataFolder() + L"\\qv.xml",
                               "<?xml version=\"1.0\" ?>\r\n<qv><Cfg><Options1 Default_Nick=\"quser\" "
                               "Flood_Delay_MS=\"0\" /><Lan_Options Use_Upnp=\"0\" /></Cfg><Servers>" +
                                   entry + "</Servers><Scripts/></qv>"));
    SetEnvironmentVariableW(kReconnectSecondMsVariable, kShortSecondMs);
    QvProcess qv(folder.Path(), L"-port1");
    SetEnvironmentVariableW(kReconnectSecondMsVariable, nullptr);
    HWND frame = nullptr, status = nullptr, channel = nullptr, query = nullptr;
    ASSERT_TRUE(
        Eventually([&] { return (frame = qv.FindTopWindow(L"BRINDLEX2000_Main")) != nullptr; }, kWait));
    ASSERT_TRUE(
        Eventually([&] { return (status = FindChatWindow(frame, L"irc.test.local")) != nullptr; }, kWait));
    {
        IrcClient watcher(server.Port(), "watcher");
        ASSERT_TRUE(watcher.Joins("#test", kWait));
        TypeLine(GetDlgItem(status, 902), L"/join #test");
        ASSERT_TRUE(
            Eventually([&] { return (channel = FindChatWindow(frame, L"#test")) != nullptr; }, kWait));
        ASSERT_TRUE(Heard(watcher, ":quser!"));
        TypeLine(GetDlgItem(channel, 902), L"/query watcher");
        ASSERT_TRUE(
            Eventually([&] { return (query = FindChatWindow(frame, L"watcher")) != nullptr; }, kWait));
        ASSERT_TRUE(Eventually([&] { return SendDlgItemMessageW(channel, 903, LVM_GETITEMCOUNT, 0, 0) == 2; },
                               kWait));

        server.Stop();
    }
    const std::wstring lost = L"Disconnected.";
    EXPECT_TRUE(Shows(status, lost));
    EXPECT_TRUE(Shows(channel, lost));
    EXPECT_TRUE(Shows(query, lost));
    EXPECT_TRUE(
        Eventually([&] { return SendDlgItemMessageW(channel, 903, LVM_GETITEMCOUNT, 0, 0) == 0; }, kWait))
        << "the channel still lists its members";
    EXPECT_TRUE(Shows(status, L"Reconnecting in 5 seconds (try 1 of 4)"));
    // The first try finds the server still away; the server comes back while the second waits.
    EXPECT_TRUE(Shows(status, L"Reconnecting in 15 seconds (try 2 of 4)"));
    server.Start();
    ASSERT_TRUE(server.WaitReady());
    // The server's own view: quser is on it again.
    IrcClient watcher(server.Port(), "watcher2");
    EXPECT_TRUE(Eventually(
        [&] { return watcher.Send("ISON quser") && watcher.WaitFor(" 303 watcher2 :quser", 1000); }, kWait))
        << WideToNarrow(View(status));

    PostMessageW(frame, WM_CLOSE, 0, 0);
    DWORD code = 1;
    EXPECT_TRUE(qv.WaitExit(kWait, code));
}
