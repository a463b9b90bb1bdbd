#include <gtest/gtest.h>

#include "core/debug_level.h"
#include "common/app_state.h"
#include "irc/send_path.h"
#include "irc/server_session.h"
#include "core/frame_message_ids.h"
#include "tests/support/irc_test_support.h"
#include "tests/support/ngircd_server.h"

namespace {

// A frame stand-in whose timer 1 empties the flood queues, as the real frame's does.
class TestFrame {
public:
    TestFrame() {
        static const ATOM atom = [] {
            WNDCLASSW windowClass{};
            windowClass.lpfnWndProc = [](HWND window, UINT message, WPARAM w, LPARAM l) -> LRESULT {
                if (message == WM_TIMER && w == FLOOD_TIMER_ID) {
                    FlushSendQueues();
                    return 0;
                }
                return DefWindowProcW(window, message, w, l);
            };
            windowClass.lpszClassName = L"BrindlexTestFrame";
            return RegisterClassW(&windowClass);
        }();
        (void)atom;
        window_ =
            CreateWindowW(L"BrindlexTestFrame", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        MainWindow = window_;
    }
    ~TestFrame() {
        MainWindow = nullptr;
        DestroyWindow(window_);
    }
    HWND Window() const { return window_; }

private:
    HWND window_;
};

// Runs this thread's messages (the flood timer) until the condition holds.
bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        if (condition()) return true;
        if (GetTickCount64() >= end) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

size_t CountPrinted(const std::string& text) {
    size_t count = 0;
    for (const std::string& line : CallTexts("PrintToWindow")) count += line.find(text) != std::string::npos;
    return count;
}

bool Printed(const std::string& text) {
    return CountPrinted(text) > 0;
}

// Arrival ticks of the lines that carry "<tag> 0" to "<tag> 9", in order.
std::vector<ULONGLONG> Arrivals(const IrcClient& client, const std::string& tag) {
    std::vector<ULONGLONG> ticks;
    for (const IrcClient::Received& r : client.Lines())
        if (r.Line.find(":" + tag + " " + std::to_string(ticks.size())) != std::string::npos)
            ticks.push_back(r.Tick);
    return ticks;
}

} // namespace

TEST(Ngircd, RegisterJoinChatPingFloodControlAndQuit) {
    CallLog::Instance().Clear();
    NgircdServer ngircd("secret");
    ASSERT_TRUE(ngircd.WaitReady()) << ngircd.Log();
    TestFrame frame;
    SetFloodDelay(frame.Window(), 1000);
    LineCollector collector({"PRIVMSG", "JOIN"}, {1, 376});
    ServerWindow window;
    window.Aim(ngircd.Port());
    window.Connection().Password = "secret";

    // Registration (PASS, USER and NICK through the flood queue), the welcome, the MOTD's end.
    StartServerConnection(window.Record());
    ASSERT_TRUE(PumpUntil([&] { return collector.WaitFor(" 376 tester ", 0); }, 10000)) << ngircd.Log();
    EXPECT_TRUE(collector.WaitFor(":irc.test.local 001 tester :Welcome", 0));
    EXPECT_TRUE(Printed("End of MOTD")); // shown by the generic numeric display

    SendServerLine("JOIN #test\r\n", window.Record(), 0);
    ASSERT_TRUE(PumpUntil([&] { return collector.WaitFor("JOIN :#test", 0); }, 5000));

    IrcClient bob(ngircd.Port(), "bob", "secret");
    ASSERT_TRUE(bob.WaitFor(" 376 bob "));
    bob.Send("JOIN #test");
    ASSERT_TRUE(bob.WaitFor("JOIN :#test"));
    bob.Send("PRIVMSG #test :hello from bob");
    ASSERT_TRUE(PumpUntil(
        [&] { return collector.WaitFor(":bob!~bob@127.0.0.1 PRIVMSG #test :hello from bob", 0); }, 5000));

    // Left idle, the server pings; the answer keeps the connection past the pong time-out, until
    // the server, idle again, pings once more.
    DebugLevel = 1;
    EXPECT_TRUE(PumpUntil([] { return CountPrinted("PING :irc.test.local") >= 2; }, 20000));
    DebugLevel = 0;
    EXPECT_EQ(ngircd.Log().find("tester!~tester@127.0.0.1\" unregistered"), std::string::npos)
        << ngircd.Log();
    EXPECT_NE(window.Connection().Socket.load(), 0u);

    // Flood control at 1000 ms: the first line at once, then one line a tick.
    ULONGLONG start = GetTickCount64();
    for (int i = 0; i < 10; ++i)
        SendServerLine("PRIVMSG #test :slow " + std::to_string(i) + "\r\n", window.Record(), 0);
    ASSERT_TRUE(PumpUntil([&] { return Arrivals(bob, "slow").size() == 10; }, 15000));
    std::vector<ULONGLONG> ticks = Arrivals(bob, "slow");
    EXPECT_LT(ticks[0] - start, 900u);
    // Arrivals can bunch on a busy machine, and the first tick can come at any point of its
    // period; no line can come before the tick it waits for.
    for (size_t i = 2; i < ticks.size(); ++i) EXPECT_GE(ticks[i] - start, 900u * (i - 1)) << i;
    EXPECT_GE(ticks[9] - ticks[0], 8000u);

    // Flood control off: all ten written at once (the server itself then paces their relay).
    SetFloodDelay(frame.Window(), 0);
    start = GetTickCount64();
    for (int i = 0; i < 10; ++i) {
        const std::string line = "PRIVMSG #test :fast " + std::to_string(i) + "\r\n";
        EXPECT_EQ(SendServerLine(line, window.Record(), 0), line.size());
    }
    EXPECT_LT(GetTickCount64() - start, 5000u);
    EXPECT_TRUE(window.Connection().SendQueue.empty());
    ASSERT_TRUE(PumpUntil([&] { return Arrivals(bob, "fast").size() == 10; }, 10000));
    ticks = Arrivals(bob, "fast");
    EXPECT_LT(ticks[9] - ticks[0], 6000u);

    SendServerLine("QUIT :bye now\r\n", window.Record(), 0);
    EXPECT_TRUE(bob.WaitFor("QUIT :\"bye now\""));
    EXPECT_TRUE(WaitUntil([] { return CountCalls("SessionEnded") == 1; }));
    EXPECT_TRUE(Printed("Disconnected.") || CountCalls("OnServerDisconnected") >= 1);
    FloodQueueing = 0;
}
