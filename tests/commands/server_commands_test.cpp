// "/server" opening and connecting new server windows in its address forms, "/reconnect",
// "/quit" and "/lag".
#include "irc/server_connection.h"
#include "tests/commands/command_test_fixture.h"
#include "tests/recorders/recorders.h"
#include "xml/config_documents.h"
#include "xml/xml_profile.h"

namespace {

using ServerCommands = CommandTest;
using Lines = std::vector<std::string>;

// The server window the last "/server" opened.
WindowRecord* NewServerWindow() {
    const std::vector<WindowRecord*> opened = FrameOpenedWindows();
    return opened.empty() ? nullptr : opened.back();
}

std::string StartupChannel() {
    char channel[1000] = {};
    XmlGetProfileString("ICfg\\General", "TempStartupChannel", "", channel, sizeof channel, nullptr,
                        UserConfigDocument);
    return channel;
}

// The registration lines the server reads from a new client.
Lines Registration(ScriptedServer& server, size_t count) {
    Lines lines;
    if (!server.Accept()) return lines;
    while (lines.size() < count) lines.push_back(server.ReadLine().value_or("(nothing)"));
    return lines;
}

} // namespace

TEST_F(ServerCommands, HostAndPortWithTheSettingsDefaults) {
    UseSettings("<qv><ICfg><General TempStartupChannel=\"#stale\"/></ICfg></qv>");
    ScriptedServer next;
    Type(Channel(), ("/server 127.0.0.1:" + std::to_string(next.Port())).c_str());
    EXPECT_EQ(WindowEffects(), (Lines{"open 1 127.0.0.1"}));
    EXPECT_EQ(Registration(next, 2), (Lines{"USER user Brindlex Brindlex :test", "NICK TestUser"}));
    WindowRecord* window = NewServerWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->Name, "127.0.0.1");
    const ServerConnection& connection = *window->Connection;
    EXPECT_EQ(connection.Host, "127.0.0.1");
    EXPECT_EQ(connection.Port, next.Port());
    EXPECT_EQ(connection.UseTls, 0);
    EXPECT_EQ(connection.EMail, "user@brindlex.example");
    EXPECT_EQ(connection.ReconnectCounter, 0);
    EXPECT_EQ(StartupChannel(), "");
    EXPECT_EQ(ServerLines(), Lines{}); // nothing went to the window's own server
}

TEST_F(ServerCommands, UrlWithAStartupChannelAndTheConfiguredUser) {
    UseSettings("<qv><Cfg><Options1 Default_Nick=\"setnick\" Default_EMail=\"ident@mail.example\" "
                "Default_Name=\"Set Name\"/></Cfg></qv>");
    ScriptedServer next;
    Type(Server(), ("/server \"irc://127.0.0.1:" + std::to_string(next.Port()) + "/chat\"").c_str());
    EXPECT_EQ(Registration(next, 2), (Lines{"USER ident Brindlex Brindlex :Set Name", "NICK setnick"}));
    EXPECT_EQ(StartupChannel(), "#chat");
}

TEST_F(ServerCommands, IPv6Literal) {
    ScriptedServer next(true);
    Type(Channel(), ("/server [::1]:" + std::to_string(next.Port())).c_str());
    EXPECT_EQ(Registration(next, 2), (Lines{"USER user Brindlex Brindlex :test", "NICK TestUser"}));
    WindowRecord* window = NewServerWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->Connection->Host, "::1");
    EXPECT_TRUE(WaitUntil([&] { return window->Connection->IsIPv6 == 1; }));
}

TEST_F(ServerCommands, PortNickMailNameAndPasswordAsFurtherWords) {
    ScriptedServer next;
    const std::string line =
        "/server 127.0.0.1 " + std::to_string(next.Port()) + " nick2 someone@host.example Full secret";
    Type(Channel(), line.c_str());
    EXPECT_EQ(Registration(next, 3),
              (Lines{"PASS secret", "USER someone Brindlex Brindlex :Full", "NICK nick2"}));
}

TEST_F(ServerCommands, TlsPortAndRefusedForms) {
    Type(Channel(), "/server 127.0.0.1 +1");
    WindowRecord* window = NewServerWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->Connection->Port, 1);
    EXPECT_EQ(window->Connection->UseTls, 1);

    // Forms that name no host or no port are refused and reach the server raw.
    CallLog::Instance().Clear();
    Type(Channel(), "/server irc://");
    Type(Channel(), "/server [::1");
    Type(Channel(), "/server 127.0.0.1 port");
    ASSERT_TRUE(WaitForTriggers(3));
    Lines lines = ServerLines();
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(lines, (Lines{"server 127.0.0.1 port", "server [::1", "server irc://"}));
    EXPECT_EQ(WindowEffects(), Lines{});
}

TEST_F(ServerCommands, ReconnectGoesToTheNewHostAndPort) {
    ScriptedServer next;
    Type(Channel(), ("/reconnect 127.0.0.1 " + std::to_string(next.Port())).c_str());
    EXPECT_TRUE(Irc().ClientClosed());
    EXPECT_EQ(Registration(next, 2), (Lines{"USER tester Brindlex Brindlex :Test User", "NICK tester"}));
    EXPECT_EQ(Server()->Connection->Port, next.Port());
}

TEST_F(ServerCommands, QuitStopsReconnectingAndReadsItsReason) {
    UseSettings("<qv><Cfg><Options1 Default_Quit_Reason=\"off to bed\"/></Cfg></qv>");
    Server()->Connection->ReconnectCounter = 10;
    Type(Channel(), "/quit");
    EXPECT_EQ(Server()->Connection->ReconnectCounter, 0);
    EXPECT_EQ(ServerLines(), (Lines{"QUIT :off to bed"}));
}

TEST_F(ServerCommands, LagShowsTheLastMeasurement) {
    ServerConnection& connection = *Server()->Connection;
    connection.Lag = 42;
    Type(Channel(), "/lag");
    connection.LagProbePending = 1;
    Type(Channel(), "/lag");
    connection.LagProbePending = 0;
    const Lines printed = CallTexts("PrintToWindow");
    ASSERT_EQ(printed.size(), 2u);
    EXPECT_EQ(printed[0], "\x12\xC2\xB7\x12 Lag: 42 ms");
    EXPECT_EQ(printed[1], "\x12\xC2\xB7\x12 Lag: [Not Responding]");
    EXPECT_EQ(CallLog::Instance().Calls("PrintToWindow")[0].Window, Server());
    EXPECT_EQ(CallLog::Instance().Calls("PrintToWindow")[0].Number, 14u);
}
