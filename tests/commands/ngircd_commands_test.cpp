// Typed lines and commands against a real server, seen by a second client.
#include "irc/server_connection.h"
#include "core/frame_message_ids.h"
#include "tests/commands/command_test_fixture.h"
#include "tests/support/ngircd_server.h"

#include "common/app_state.h"

namespace {

using NgircdCommands = CommandTest;

WindowRecord* OpenChannel(WindowRecord* server, const std::string& name) {
    OpenChatWindowRequest request{server, kChannelWindow, name, 0};
    const HWND window = reinterpret_cast<HWND>(
        SendMessageW(MainWindow.load(), WM_OPEN_CHAT_WINDOW, 0, reinterpret_cast<LPARAM>(&request)));
    return reinterpret_cast<WindowRecord*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

} // namespace

TEST_F(NgircdCommands, TypedLinesAndCommandsReachAnotherClient) {
    NgircdServer ngircd;
    ASSERT_TRUE(ngircd.WaitReady()) << ngircd.Log();
    LineCollector collector({"JOIN"}, {353, 376});
    Type(Channel(), "/server 127.0.0.1:" + std::to_string(ngircd.Port()));
    ASSERT_FALSE(FrameOpenedWindows().empty());
    WindowRecord* server = FrameOpenedWindows().back();
    ASSERT_TRUE(collector.WaitFor(" 376 TestUser ", 10000)) << ngircd.Log();
    // Only the collector handles lines here; the welcome's own handler marks the session so.
    server->Connection->Registered = 1;

    // "/join #t" is refused by its word count and joins through the raw road.
    Type(server, "/join #t");
    ASSERT_TRUE(collector.WaitFor("JOIN :#t")) << ngircd.Log();
    WindowRecord* channel = OpenChannel(server, "#t");
    ASSERT_NE(channel, nullptr);

    IrcClient peer(ngircd.Port(), "peer2");
    ASSERT_TRUE(peer.WaitFor(" 376 peer2 "));
    peer.Send("JOIN #t");
    ASSERT_TRUE(peer.WaitFor("JOIN :#t"));

    Type(channel, "hello everyone");
    EXPECT_TRUE(peer.WaitFor("PRIVMSG #t :hello everyone"));
    Type(channel, "/me waves");
    EXPECT_TRUE(peer.WaitFor("PRIVMSG #t :\x01"
                             "ACTION waves\x01"));
    Type(channel, "/topic fresh topic");
    EXPECT_TRUE(peer.WaitFor("TOPIC #t :fresh topic"));
    Type(channel, "/notice peer2 psst");
    EXPECT_TRUE(peer.WaitFor("NOTICE peer2 :psst"));
    Type(channel, "/ctcp peer2 VERSION");
    EXPECT_TRUE(peer.WaitFor("PRIVMSG peer2 :\x01VERSION\x01"));
    Type(channel, "/names");
    EXPECT_TRUE(collector.WaitFor(" 353 TestUser "));
    Type(channel, "/kick peer2 out you go");
    EXPECT_TRUE(peer.WaitFor("KICK #t peer2 :out you go"));
    Type(server, "/quit done");
    EXPECT_TRUE(WaitUntil([&] { return server->Connection->Socket.load() == 0; }, 10000));
}
