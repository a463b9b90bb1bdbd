// A real qv in busy channels: thousands of members churning while the user works in the nick list,
// and a timer closing a channel that the server puts qv back into under a flood of text, with the
// server's PINGs answered throughout.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include "common/xstring.h"
#include "tests/qv/qv_process.h"
#include "tests/support/irc_test_support.h"
#include "tests/support/member_churn.h"
#include "tests/support/test_files.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace {

constexpr DWORD kWait = kQvWait;
const std::string kNick = "busy";

// qv with a new user's settings, connected to a scripted server, registered and in the channels
// #c1 to #cN. Its standard error is kept in a file of its folder.
class BusyQv {
public:
    explicit BusyQv(int channels) : folder_({L"qv.exe", L"qvlang.dll", L"qvres.dll"}) {
        if (!WriteFirstSettings(folder_, {{"Default_Nick=\"\"", "Default_Nick=\"" + kNick + "\""}})) return;
        qv_ = std::make_unique<QvProcess>(
            folder_.Path(), L"-port1 -e \"/server 127.0.0.1:" + std::to_wstring(server_.Port()) + L"\"",
            folder_.Path() + L"\\stderr.txt");
        if (!qv_->Started() || !server_.Accept(kWait) || !server_.SkipToLineStarting("USER", kWait)) return;
        Send(":irc.busy 001 " + kNick + " :Welcome\r\n:irc.busy 376 " + kNick + " :End of MOTD\r\n");
        for (int i = 1; i <= channels; ++i) Join("#c" + std::to_string(i));
        Eventually([&] { return (frame_ = qv_->FindTopWindow(L"BRINDLEX2000_Main")) != nullptr; }, kWait);
        ready_ = frame_ && Eventually([&] { return Channel(channels) != nullptr; }, kWait);
    }
    bool Ready() const { return ready_; }
    DWORD ProcessId() const { return qv_->Id(); }
    HWND Frame() const { return frame_; }
    HWND Channel(int n) const { return FindChatWindow(frame_, L"#c" + std::to_wstring(n)); }
    ScriptedServer& Server() { return server_; }
    // From any thread.
    void Send(const std::string& lines) {
        std::lock_guard<std::mutex> lock(sending_);
        server_.Send(lines);
    }
    // The server puts qv into the channel, as after its JOIN.
    void Join(const std::string& channel) {
        Send(":" + kNick + "!u@h JOIN :" + channel + "\r\n:irc.busy 353 " + kNick + " = " + channel + " :" +
             kNick + " @op alice\r\n:irc.busy 366 " + kNick + " " + channel + " :End\r\n");
    }
    // Whether the interface thread answers a message within a qv test's wait.
    bool Answers() const {
        DWORD_PTR result = 0;
        return SendMessageTimeoutW(frame_, WM_NULL, 0, 0, SMTO_NORMAL, kWait, &result) != 0;
    }
    // What qv wrote to its standard error so far.
    std::string Errors() const { return ReadFileBytes(folder_.Path() + L"\\stderr.txt"); }

private:
    PortableFolder folder_;
    ScriptedServer server_;
    std::mutex sending_;
    std::unique_ptr<QvProcess> qv_;
    HWND frame_ = nullptr;
    bool ready_ = false;
};

// Text into the channels at 200 lines a second, with a PING each second, while it lives.
class Flood {
public:
    Flood(BusyQv& qv, int channels)
        : sender_([this, &qv, channels] {
              for (int n = 0; !stop_; ++n, Sleep(50)) {
                  std::string lines = n % 20 ? "" : "PING :" + std::to_string(n) + "\r\n";
                  for (int i = 0; i < 10; ++i)
                      lines += ":nick" + std::to_string(i) + "!u@h PRIVMSG #c" +
                               std::to_string(i % channels + 1) + " :line " + std::to_string(n) +
                               " of the flood, with some ordinary text\r\n";
                  qv.Send(lines);
              }
          }) {}
    ~Flood() {
        stop_ = true;
        sender_.join();
    }

private:
    std::atomic<bool> stop_{false};
    std::thread sender_;
};

// The item texts of another process's list view from the item at from on, read through a buffer in
// that process.
std::vector<std::wstring> RemoteListTexts(HWND list, DWORD processId, int from = 0) {
    constexpr int kTextSize = 256;
    std::vector<std::wstring> texts;
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    if (!process) return texts;
    auto* remote = static_cast<char*>(VirtualAllocEx(
        process, nullptr, sizeof(LVITEMW) + kTextSize * sizeof(wchar_t), MEM_COMMIT, PAGE_READWRITE));
    const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = std::max(from, 0); remote && i < count; ++i) {
        LVITEMW item{};
        item.cchTextMax = kTextSize;
        item.pszText = reinterpret_cast<wchar_t*>(remote + sizeof(LVITEMW));
        wchar_t text[kTextSize] = {};
        WriteProcessMemory(process, remote, &item, sizeof item, nullptr);
        SendMessageW(list, LVM_GETITEMTEXTW, i, reinterpret_cast<LPARAM>(remote));
        ReadProcessMemory(process, remote + sizeof(LVITEMW), text, sizeof text - sizeof(wchar_t), nullptr);
        texts.push_back(text);
    }
    if (remote) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return texts;
}

} // namespace

// 20,000 member changes in a channel of 5,000 while the user scrolls its nick list to the end,
// clicks and reads nicks: the list ends as the server's member list, the list view is never
// asked for an item past its count, and every PING is answered.
TEST(QvBusyChannels, AChannelOfThousandsChurningWhileTheUserWorksInItsNickList) {
    BusyQv qv(1);
    ASSERT_TRUE(qv.Ready());
    HWND channel = qv.Channel(1);
    HWND list = GetDlgItem(channel, 903);
    SendMessageW(FindWindowExW(qv.Frame(), nullptr, L"MDIClient", nullptr), WM_MDIMAXIMIZE,
                 reinterpret_cast<WPARAM>(channel), 0);
    ChannelMembers members(kNick, 5000);
    qv.Send(members.NamesReply("#c1"));
    ASSERT_TRUE(Eventually([&] { return SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) == 5001; }, kWait));

    // The changes come 250 at a time, each time the user has looked at the list again, with a PING
    // after each wave of 500 (members mostly leaving, or mostly joining) that must be answered.
    const std::vector<std::string> churn = members.Churn("#c1", 20000);
    std::atomic<int> looks{0}, answered{0};
    std::atomic<bool> done{false}, calledOff{false};
    std::thread server([&] {
        for (size_t from = 0; from < churn.size() && !calledOff; from += 250) {
            std::string piece;
            for (size_t i = from; i < from + 250 && i < churn.size(); ++i) piece += churn[i] + "\r\n";
            const int seen = looks;
            const bool waveEnds = from % 500 == 250;
            const std::string ping = "PING :wave" + std::to_string(from);
            qv.Send(waveEnds ? piece + ping + "\r\n" : piece);
            if (waveEnds && qv.Server().SkipToLineStarting("PONG :wave" + std::to_string(from), kWait))
                ++answered;
            Eventually([&] { return looks > seen || calledOff; }, kWait);
        }
        done = true;
    });
    // The user looks at the list's end as it changes, scrolls, clicks a nick and reads some.
    int click = 0;
    const bool churned = Eventually(
        [&] {
            RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
            const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
            SendMessageW(list, WM_VSCROLL, SB_LINEUP, 0);
            const LPARAM at = MAKELPARAM(20, 25 + (click++ % 10) * 14);
            SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
            SendMessageW(list, WM_LBUTTONUP, 0, at);
            const std::vector<std::wstring> read = RemoteListTexts(list, qv.ProcessId(), count - 10);
            SendMessageW(list, LVM_ENSUREVISIBLE, count > 0 ? count - 1 : 0, FALSE);
            ++looks;
            return done.load();
        },
        120000);
    // A server left waiting for looks that no longer come would keep the case for an hour.
    calledOff = !churned;
    server.join();
    ASSERT_TRUE(churned) << "the churn did not end within two minutes";
    EXPECT_EQ(answered.load(), 40);
    const std::vector<std::wstring> expected = members.Items();
    EXPECT_TRUE(Eventually([&] { return RemoteListTexts(list, qv.ProcessId()) == expected; }, kWait));
    EXPECT_EQ(qv.Errors().find("Assertion failed"), std::string::npos) << qv.Errors();
}

// A timer closes the maximized channel window once a second and the server puts qv back into the
// channel, while the other channels' views are full: closing and reopening the maximized window
// must not lay out (and so re-wrap) the full views hidden behind it each time.
TEST(QvBusyChannels, ATimerClosingAMaximizedChannelInAFloodKeepsTheWindowAnswering) {
    BusyQv qv(2);
    ASSERT_TRUE(qv.Ready());
    HWND server = FindChatWindow(qv.Frame(), L"irc.busy");
    ASSERT_NE(server, nullptr);
    // A full view behind: as many lines as a view keeps, each as long as a server allows.
    std::string fill;
    for (int n = 0; n < 2000; ++n)
        fill += ":nick!u@h PRIVMSG #c2 :" + std::to_string(n) + " " + std::string(400, 'w') + "\r\n";
    qv.Send(fill + ":nick!u@h PRIVMSG #c2 :filled\r\n");
    HWND full = GetDlgItem(qv.Channel(2), 901);
    ASSERT_TRUE(Eventually([&] { return WindowText(full).find(L"filled") != std::wstring::npos; }, kWait));
    // The user works maximized: the full channel was looked at, then the server window, where the
    // timer is made (a timer ticks in the window it was made in, which must outlive #c1), then #c1.
    HWND client = FindWindowExW(qv.Frame(), nullptr, L"MDIClient", nullptr);
    SendMessageW(client, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(qv.Channel(2)), 0);
    SendMessageW(client, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(server), 0);
    TypeLine(GetDlgItem(server, 902), L"/timer cycle 0 1 /close #c1");
    ASSERT_TRUE(Eventually(
        [&] { return WindowText(GetDlgItem(server, 901)).find(L"cycle [") != std::wstring::npos; }, kWait));
    SendMessageW(client, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(qv.Channel(1)), 0);
    ASSERT_TRUE(qv.Answers());

    std::atomic<int> closes{0}, pongs{0};
    std::atomic<bool> done{false};
    bool answering = true;
    bool cycled = false;
    {
        Flood flood(qv, 2);
        std::thread reader([&] {
            while (!done) {
                const std::string line = qv.Server().ReadLine(100).value_or("");
                if (line.rfind("PART #c1", 0) == 0 && ++closes) qv.Join("#c1");
                if (line.rfind("PONG", 0) == 0) ++pongs;
            }
        });
        // The case three times: three closes and reopenings.
        cycled = Eventually(
            [&] {
                answering = answering && qv.Answers();
                return closes == 3 && qv.Channel(1) != nullptr;
            },
            kWait);
        const int pongsBefore = pongs;
        EXPECT_TRUE(Eventually([&] { return pongs > pongsBefore; }, kWait)) << "PING answered";
        done = true;
        reader.join();
    }
    EXPECT_TRUE(cycled) << closes << " of 3 closes";
    // Re-wrapping the full views behind at every close keeps the window from answering. How fast
    // it answers is for the storm benchmark; here it must answer each time it is asked.
    EXPECT_TRUE(answering) << "the window stopped answering";
}
