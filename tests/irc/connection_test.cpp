#include <gtest/gtest.h>

#include "common/app_state.h"
#include "irc/line_dispatch.h"
#include "irc/send_path.h"
#include "irc/server_session.h"
#include "core/dcc_connection.h"
#include "core/frame_message_ids.h"
#include "core/open_chat_window.h"
#include "core/window_list.h"
#include "shell/windows/window_operations.h"
#include "tests/support/chat_test_frame.h"
#include "tests/support/irc_test_support.h"
#include "xml/config_documents.h"
#include "xml/xml_document.h"

#include <process.h>

#include <atomic>
#include <thread>

namespace {

class ConnectionTest : public testing::Test {
protected:
    void SetUp() override {
        CallLog::Instance().Clear();
        FloodQueueing = 0;
    }
    void TearDown() override {
        UserConfigDocument = nullptr;
        MainWindow = nullptr;
        CallLog::Instance().Clear();
    }
    // Starts the window's connection and reads its registration from the scripted server.
    void Connect(ServerWindow& window, ScriptedServer& server) {
        window.Aim(server.Port());
        StartServerConnection(window.Record());
        ASSERT_TRUE(server.Accept());
        ASSERT_EQ(server.ReadLine().value_or(""), "USER tester Brindlex Brindlex :Test User");
        ASSERT_EQ(server.ReadLine().value_or(""), "NICK tester");
    }
    std::vector<std::string> Events() {
        std::vector<std::string> events;
        for (const RecordedCall& call : CallLog::Instance().Calls("RunEventScript"))
            events.push_back(call.Text);
        return events;
    }
};

} // namespace

TEST_F(ConnectionTest, RegistrationLines) {
    ScriptedServer server;
    ServerWindow window;
    window.Aim(server.Port());
    window.Connection().Password = "secret";
    window.Connection().EMail = "plainname"; // no '@': used whole
    StartServerConnection(window.Record());
    ASSERT_TRUE(server.Accept());
    EXPECT_EQ(server.ReadLine().value_or(""), "PASS secret");
    EXPECT_EQ(server.ReadLine().value_or(""), "USER plainname Brindlex Brindlex :Test User");
    EXPECT_EQ(server.ReadLine().value_or(""), "NICK tester");
    EXPECT_EQ(window.Connection().IsIPv6, 0);
    EXPECT_EQ(Events(), (std::vector<std::string>{"On_Connect_1 127.0.0.1", "On_Connect_2 127.0.0.1",
                                                  "On_Connect_3 127.0.0.1"}));
    EXPECT_EQ(CallTexts("PrintToWindow"),
              (std::vector<std::string>{"Connecting to 127.0.0.1 ...",
                                        "Address 127.0.0.1, port " + std::to_string(server.Port()),
                                        "Connected to 127.0.0.1, port " + std::to_string(server.Port())}));
}

TEST_F(ConnectionTest, IPv6OnlyHostAndThreadPriority) {
    XmlDocument settings;
    XmlDocumentOpenText(&settings,
                        "<?xml ?><root><ICfg><General ServerThreadPriority=\"-1\"/></ICfg></root>");
    UserConfigDocument = &settings;
    int priority = 0;
    CallLog::Instance().Answer = [&priority](const RecordedCall& call) -> uint64_t {
        if (call.Text.rfind("On_Connect_1", 0) == 0) priority = GetThreadPriority(GetCurrentThread());
        return 0xFFFFFFFF;
    };
    ScriptedServer server(true);
    ServerWindow window;
    window.Aim(server.Port());
    window.Connection().Host = "::1";
    StartServerConnection(window.Record());
    ASSERT_TRUE(server.Accept());
    EXPECT_EQ(server.ReadLine().value_or(""), "USER tester Brindlex Brindlex :Test User");
    EXPECT_EQ(window.Connection().IsIPv6, 1);
    EXPECT_EQ(CallTexts("PrintToWindow")[1],
              "Address 0000:0000:0000:0000:0000:0000:0000:0001, port " + std::to_string(server.Port()));
    EXPECT_EQ(priority, THREAD_PRIORITY_BELOW_NORMAL);
}

TEST_F(ConnectionTest, FailuresPrintAndLeaveNoSocket) {
    const uint16_t closed = UnusedLoopbackPort();
    const std::string failed = "Could not connect to 127.0.0.1, port ";
    // A proxy that refuses the connection, and a server that hangs up during the TLS handshake.
    XmlDocument settings;
    const std::string proxies = "<root><Cfg><Proxy_List><Proxy Server=\"127.0.0.1\" Port=\"" +
                                std::to_string(closed) + "\" Type=\"1\" /></Proxy_List></Cfg></root>";
    ASSERT_NE(XmlDocumentOpenText(&settings, proxies.c_str()), 0);
    UserConfigDocument = &settings;
    struct Case {
        uint32_t method;
        uint8_t tls;
    } cases[] = {{0, 0}, {1, 0}, {0, 1}};
    ScriptedServer server;
    for (const Case& c : cases) {
        CallLog::Instance().Clear();
        ServerWindow window;
        window.Aim(c.method == 0 && !c.tls ? closed : server.Port());
        window.Connection().ConnectMethod = c.method;
        window.Connection().UseTls = c.tls;
        HANDLE thread = StartServerConnection(window.Record());
        ASSERT_NE(thread, nullptr);
        if (c.tls) {
            ASSERT_TRUE(server.Accept());
            server.CloseClient();
        }
        EXPECT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
        const std::vector<std::string> printed = CallTexts("PrintToWindow");
        ASSERT_FALSE(printed.empty());
        EXPECT_EQ(printed.back().rfind(failed, 0), 0u) << printed.back();
        EXPECT_EQ(CountCalls("SessionEnded"), 1u);
        EXPECT_EQ(window.Connection().Socket.load(), 0u);
    }
    // No address at all: the one line, nothing to close.
    CallLog::Instance().Clear();
    ServerWindow window;
    window.Aim(closed);
    window.Connection().Host = "no-such-host.invalid";
    WaitForSingleObject(StartServerConnection(window.Record()), 20000);
    EXPECT_EQ(CallTexts("PrintToWindow").back(), "Disconnected.");
}

TEST_F(ConnectionTest, ScriptsThatCallOffTheAttemptCloseTheSocket) {
    for (const char* event : {"On_Connect_1", "On_Connect_2", "On_Connect_3"}) {
        CallLog::Instance().Clear();
        CallLog::Instance().Answer = [event](const RecordedCall& call) -> uint64_t {
            return call.Text.rfind(event, 0) == 0 ? 1 : 0xFFFFFFFF;
        };
        ScriptedServer server;
        ServerWindow window;
        window.Aim(server.Port());
        HANDLE thread = StartServerConnection(window.Record());
        EXPECT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0) << event;
        EXPECT_EQ(window.Connection().Socket.load(), 0u) << event;
        EXPECT_EQ(CountCalls("SessionEnded"), 0u) << event; // closed quietly, no reconnect
        if (std::string(event) != "On_Connect_1") {
            ASSERT_TRUE(server.Accept());
            EXPECT_TRUE(server.ClientClosed()) << event;
        }
    }
}

// "/quit" on the interface thread and a failing read on the connection thread, at once: the
// session ends exactly once.
TEST_F(ConnectionTest, QuitRacingAFailingReadEndsTheSessionOnce) {
    ScriptedServer server;
    for (int round = 0; round < 20; ++round) {
        ServerWindow window;
        Connect(window, server);
        CallLog::Instance().Clear();
        std::thread quit([&] { OnServerDisconnected(window.Record(), {.ByUser = true}); });
        server.CloseClient();
        quit.join();
        // The session may end on the connection thread, which notes it after its own disconnect
        // call: count once that thread is over.
        EXPECT_EQ(WaitForSingleObject(window.Connection().ConnectionThread, 5000), WAIT_OBJECT_0) << round;
        EXPECT_EQ(CountCalls("OnServerDisconnected"), 2u) << round;
        EXPECT_EQ(CountCalls("SessionEnded"), 1u) << round;
    }
}

TEST_F(ConnectionTest, RestartEndsTheOldSessionAndEmptiesTheQueue) {
    ScriptedServer server;
    ServerWindow window;
    Connect(window, server);
    FloodQueueing = 1;
    SendServerLine("PRIVMSG #old :meant for the old server\r\n", window.Record(), 0);
    EXPECT_EQ(window.Connection().SendQueue.size(), 1u);
    CallLog::Instance().Clear();

    StartServerConnection(window.Record());
    EXPECT_TRUE(server.ClientClosed());
    EXPECT_EQ(CountCalls("SessionEnded"), 1u);
    ASSERT_TRUE(server.Accept());
    // With queueing on, registration waits in the fresh queue; nothing of the old one is left.
    EXPECT_TRUE(WaitUntil([&] { return CountCalls("RunEventScript") == 3; }));
    std::deque<std::string> queue;
    {
        std::lock_guard<std::mutex> lock(window.Connection().QueueMutex);
        queue = window.Connection().SendQueue;
    }
    EXPECT_EQ(queue,
              (std::deque<std::string>{"USER tester Brindlex Brindlex :Test User\r\nNICK tester\r\n"}));
    FlushSendQueues();
    EXPECT_EQ(server.ReadLine().value_or(""), "USER tester Brindlex Brindlex :Test User");
    EXPECT_EQ(server.ReadLine().value_or(""), "NICK tester");
}

// Under the default flood delay the whole registration leaves with the tick its queuing posts,
// not one line a tick: ticks that find the queue empty are left out of the order.
TEST_F(ConnectionTest, RegistrationLeavesWithTheFirstFloodTick) {
    ChatTestFrame frame;
    SetFloodDelay(frame.Window(), kDefaultFloodDelayMs);
    ScriptedServer server;
    ServerWindow window;
    std::vector<std::string> order;
    struct Restore {
        HWND Frame;
        ~Restore() {
            SetFrameMessageHook({});
            SetFloodDelay(Frame, 0);
        }
    } restore{frame.Window()};
    SetFrameMessageHook([&](UINT message, WPARAM wParam, LPARAM, LRESULT&) {
        if (message == WM_TIMER && wParam == FLOOD_TIMER_ID) {
            std::lock_guard<std::mutex> lock(window.Connection().QueueMutex);
            if (!window.Connection().SendQueue.empty()) order.push_back("tick");
        }
        return false;
    });
    window.Aim(server.Port());
    window.Connection().Password = "secret";
    StartServerConnection(window.Record());
    ASSERT_TRUE(server.Accept());
    EXPECT_TRUE(PumpUntil(
        [&] {
            while (std::optional<std::string> line = server.ReadLine(10)) order.push_back(*line);
            return !order.empty() && order.back() == "NICK tester";
        },
        10000));
    EXPECT_EQ(order, (std::vector<std::string>{"tick", "PASS secret",
                                               "USER tester Brindlex Brindlex :Test User", "NICK tester"}));
    SetFrameMessageHook({});
    SetFloodDelay(frame.Window(), 0);
}

// A line handler restarting the connection from the connection thread itself: the old session
// ends once, and the old thread leaves the new session alone.
TEST_F(ConnectionTest, RestartFromTheConnectionThread) {
    SetCommandWordHandler(
        "RESTART",
        [](ServerLine& line) {
            StartServerConnection(line.Window);
            return true;
        },
        0);
    ScriptedServer server;
    ServerWindow window;
    Connect(window, server);
    CallLog::Instance().Clear();
    server.Send(":irc.test RESTART now\r\n");
    EXPECT_TRUE(server.ClientClosed());
    ASSERT_TRUE(server.Accept());
    EXPECT_EQ(server.ReadLine().value_or(""), "USER tester Brindlex Brindlex :Test User");
    EXPECT_FALSE(server.ClientClosed(500));
    EXPECT_NE(window.Connection().Socket.load(), 0u);
    EXPECT_EQ(CountCalls("SessionEnded"), 1u);
    server.Send("PING :still-here\r\n");
    EXPECT_EQ(server.ReadLine().value_or(""), "NICK tester");
    EXPECT_EQ(server.ReadLine().value_or(""), "PONG :still-here");
    ClearServerLineHandlers();
}

TEST_F(ConnectionTest, UpnpRequestFollowsTheSetting) {
    HWND frame = CreateWindowW(L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    MainWindow = frame;
    XmlDocument settings;
    for (const char* value : {"1", "0"}) {
        const std::string text =
            std::string("<?xml ?><root><Cfg><Lan_Options Use_Upnp=\"") + value + "\"/></Cfg></root>";
        XmlDocumentOpenText(&settings, text.c_str());
        UserConfigDocument = &settings;
        ServerWindow window;
        window.Aim(UnusedLoopbackPort());
        WaitForSingleObject(StartServerConnection(window.Record()), 10000);
        MSG message{};
        const bool posted = PeekMessageW(&message, frame, WM_UPNP_REQUEST, WM_UPNP_REQUEST, PM_REMOVE);
        EXPECT_EQ(posted, value[0] == '1');
        if (posted) {
            EXPECT_EQ(message.lParam, 113);
        }
    }
    DestroyWindow(frame);
}

TEST_F(ConnectionTest, DestroyingTheWindowWaitsForItsThread) {
    ScriptedServer server;
    auto* window = new ServerWindow;
    Connect(*window, server);
    window->Record()->Dcc = new DccConnection(window->Record());
    delete window; // ends the session, waits for the thread, frees both connections
    EXPECT_TRUE(server.ClientClosed());
    EXPECT_EQ(CountCalls("OnDccChatDisconnected"), 1u);

    // Also while the thread is still inside its script, before it connects: the script goes on
    // only once the window has begun to close, and the closing returns only after it left.
    window = new ServerWindow;
    const HANDLE entered = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::atomic<bool> left{false};
    const std::atomic<uint8_t>* stop = &window->Connection().StopRequested;
    CallLog::Instance().Answer = [&](const RecordedCall& call) -> uint64_t {
        if (call.Text.rfind("On_Connect_1", 0) == 0) {
            SetEvent(entered);
            WaitUntil([&] { return stop->load() != 0; }, 10000);
            left = true;
        }
        return 0xFFFFFFFF;
    };
    window->Aim(server.Port());
    StartServerConnection(window->Record());
    ASSERT_EQ(WaitForSingleObject(entered, 10000), WAIT_OBJECT_0);
    delete window;
    EXPECT_TRUE(left);
    CallLog::Instance().Answer = nullptr;
    CloseHandle(entered);
}

// A connection thread asking for a window while the frame's thread waits for that thread to end
// (a restart, a closing window): the wait makes the window, or neither would ever go on.
TEST_F(ConnectionTest, WaitingForAThreadMakesTheWindowItWaitsFor) {
    ChatTestFrame frame;
    ServerWindow server;
    struct Ask {
        WindowRecord* Server;
        WindowRecord* Opened = nullptr;
    } ask{server.Record()};
    const HANDLE thread = reinterpret_cast<HANDLE>(_beginthreadex(
        nullptr, 0,
        [](void* parameter) -> unsigned {
            auto* ask = static_cast<Ask*>(parameter);
            ask->Opened = OpenChatWindow(ask->Server, kChannelWindow, "#late");
            return 0;
        },
        &ask, 0, nullptr));
    ASSERT_NE(thread, nullptr);
    WaitForThreadPumping(thread);
    CloseHandle(thread);
    ASSERT_NE(ask.Opened, nullptr);
    EXPECT_EQ(ask.Opened->Name, "#late");
}

TEST_F(ConnectionTest, FloodQueueOneLinePerConnectionPerTick) {
    HWND frame = CreateWindowW(L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    MainWindow = frame;
    ScriptedServer server1, server2;
    ServerWindow window1, window2;
    Connect(window1, server1);
    Connect(window2, server2);
    WindowRecord channel(nullptr, kChannelWindow, window2.Record());

    FloodQueueing = 1;
    for (int i = 0; i < 3; ++i) {
        const std::string n = std::to_string(i);
        EXPECT_EQ(SendServerLine("PRIVMSG #a :" + n + "\r\n", window1.Record(), 0), 15u);
        EXPECT_EQ(SendServerLine("PRIVMSG #b :" + n + "\r\n", &channel, 0), 15u); // its server's queue
    }
    // A forced line goes ahead of the queued ones.
    EXPECT_EQ(SendServerLine("PRIVMSG #a :forced\r\n", window1.Record(), 1), 20u);
    EXPECT_EQ(server1.ReadLine().value_or(""), "PRIVMSG #a :forced");
    // The first line of an idle queue posts a tick at once; the next ones post nothing.
    MSG message{};
    EXPECT_TRUE(PeekMessageW(&message, frame, WM_TIMER, WM_TIMER, PM_REMOVE));
    EXPECT_EQ(message.wParam, FLOOD_TIMER_ID);
    EXPECT_TRUE(PeekMessageW(&message, frame, WM_TIMER, WM_TIMER, PM_REMOVE));
    EXPECT_FALSE(PeekMessageW(&message, frame, WM_TIMER, WM_TIMER, PM_REMOVE));
    for (int i = 0; i < 3; ++i) {
        FlushSendQueues();
        EXPECT_EQ(server1.ReadLine().value_or(""), "PRIVMSG #a :" + std::to_string(i));
        EXPECT_EQ(server2.ReadLine().value_or(""), "PRIVMSG #b :" + std::to_string(i));
        EXPECT_FALSE(server1.ReadLine(50).has_value());
    }
    EXPECT_EQ(window1.Connection().QueueEmpty, 1);

    FloodQueueing = 0; // off: written at once, nothing queued
    EXPECT_EQ(SendServerLine("PRIVMSG #a :now\r\n", window1.Record(), 0), 17u);
    EXPECT_EQ(server1.ReadLine().value_or(""), "PRIVMSG #a :now");
    EXPECT_TRUE(window1.Connection().SendQueue.empty());
    EXPECT_EQ(SendServerLine("", window1.Record(), 0), 0u);
    EXPECT_EQ(SendServerLine("X\r\n", nullptr, 0), 0u);
    WindowRecord orphan(nullptr, kChannelWindow, nullptr);
    EXPECT_EQ(SendServerLine("X\r\n", &orphan, 0), 0u);
    DestroyWindow(frame);
}

// A line ends at its first CR or LF, queued or written at once: what follows never reaches the
// server as a command of its own, and every line leaves ending in CR LF.
TEST_F(ConnectionTest, NoLineBreakInsideALine) {
    HWND frame = CreateWindowW(L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    MainWindow = frame;
    ScriptedServer server;
    ServerWindow window;
    Connect(window, server);
    for (const uint8_t queueing : {0, 1}) {
        FloodQueueing = queueing;
        EXPECT_EQ(SendServerLine("PRIVMSG #a :x\r\nQUIT :smuggled\r\n", window.Record(), 0), 15u);
        EXPECT_EQ(SendServerLine("PRIVMSG #a :lf\nQUIT\r\n", window.Record(), 0), 16u);
        EXPECT_EQ(SendServerLine("PRIVMSG #a :cr\rQUIT", window.Record(), 0), 16u);
        EXPECT_EQ(SendServerLine("PING unended", window.Record(), 0), 14u);
        EXPECT_EQ(SendServerLine("\r\nQUIT\r\n", window.Record(), 0), 0u);
        for (int i = 0; i < 4; ++i) FlushSendQueues();
        EXPECT_EQ(server.ReadLine().value_or(""), "PRIVMSG #a :x");
        EXPECT_EQ(server.ReadLine().value_or(""), "PRIVMSG #a :lf");
        EXPECT_EQ(server.ReadLine().value_or(""), "PRIVMSG #a :cr");
        EXPECT_EQ(server.ReadLine().value_or(""), "PING unended");
        EXPECT_FALSE(server.ReadLine(50).has_value());
    }
    FloodQueueing = 0;
    DestroyWindow(frame);
}

// Immediate writes from many threads never interleave inside a line.
TEST_F(ConnectionTest, ImmediateWritesAreSerialised) {
    ScriptedServer server;
    ServerWindow window;
    Connect(window, server);
    constexpr int kThreads = 4, kLines = 20;
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t)
        writers.emplace_back([&, t] {
            const std::string line = "PRIVMSG #c :" + std::string(60000, static_cast<char>('a' + t)) + "\r\n";
            for (int i = 0; i < kLines; ++i) SendServerLine(line, window.Record(), 1);
        });
    for (int i = 0; i < kThreads * kLines; ++i) {
        const std::string line = server.ReadLine().value_or("");
        ASSERT_EQ(line.size(), 60012u);
        EXPECT_EQ(line.find_first_not_of(line.back(), 12), std::string::npos);
    }
    for (std::thread& w : writers) w.join();
}

// A server that stops reading while megabytes wait for it: "/quit" and closing the window do
// not wait for the stall limit.
TEST_F(ConnectionTest, StalledWriterDoesNotBlockTheEnd) {
    ScriptedServer server;
    auto* window = new ServerWindow;
    Connect(*window, server);
    const std::string line = std::string(1 << 20, 'x') + "\r\n";
    for (int i = 0; i < 16; ++i) EXPECT_EQ(SendServerLine(line, window->Record(), 1), line.size());
    // The writer is stuck once the socket takes no more.
    const SOCKET socket = window->Connection().Socket.load();
    EXPECT_TRUE(WaitUntil(
        [socket] {
            fd_set writable;
            FD_ZERO(&writable);
            FD_SET(socket, &writable);
            timeval now{0, 0};
            return select(0, nullptr, &writable, nullptr, &now) == 0;
        },
        20000));
    const ULONGLONG start = GetTickCount64();
    OnServerDisconnected(window->Record(), {.ByUser = true});
    delete window;
    EXPECT_LT(GetTickCount64() - start, 20000u);
}

// A line handed over just before the user ends the session still leaves: closing the window
// sends "QUIT" and ends the session at once.
TEST_F(ConnectionTest, LineHandedOverJustBeforeTheUserEndsTheSessionLeaves) {
    ScriptedServer server;
    ServerWindow window;
    Connect(window, server);
    EXPECT_EQ(SendServerLine("QUIT :closing\r\n", window.Record(), 1), 15u);
    OnServerDisconnected(window.Record(), {.ByUser = true});
    EXPECT_EQ(server.ReadLine().value_or(""), "QUIT :closing");
    EXPECT_TRUE(server.ClientClosed());
}

TEST(DccChatSend, SendsOnTheChatSocket) {
    ScriptedServer server;
    WindowRecord chat(nullptr, kDccChatWindow, nullptr);
    EXPECT_EQ(DccChatSend("x", &chat, 1), 0u);
    chat.Dcc = new DccConnection(&chat);
    SOCKET s = ConnectLoopback(server.Port());
    ASSERT_NE(s, INVALID_SOCKET);
    chat.Dcc->Socket = s;
    ASSERT_TRUE(server.Accept());
    EXPECT_EQ(DccChatSend("hello\r\n", &chat, 0xFFFFFFFF), 7u);
    EXPECT_EQ(DccChatSend("hello", &chat, 0), 0u);
    EXPECT_EQ(DccChatSend(nullptr, &chat, 3), 0u);
    EXPECT_EQ(server.ReadLine().value_or(""), "hello");
    // A peer that stops reading: a write ends short instead of waiting for it.
    const std::string block(65536, 'd');
    uint32_t sent = 0;
    for (int i = 0; i < 1000 && (sent = DccChatSend(block.data(), &chat, 65536)) == 65536; ++i) {
    }
    EXPECT_LT(sent, 65536u);
    closesocket(s);
    delete chat.Dcc;
}
