// The server-line handlers on a real connection to ngircd, with two other clients (alice and
// bob) making the events: the channel and nick lists, modes, messages, CTCP, ban, exception and
// channel lists, notify replies and the lag.
#include <gtest/gtest.h>

#include "common/app_state.h"
#include "irc/line_dispatch.h"
#include "irc_lines/line_handler_support.h"
#include "irc/send_path.h"
#include "irc_lines/server_line_handlers.h"
#include "irc/server_session.h"
#include "script/event_scripts.h"
#include "core/frame_message_ids.h"
#include "core/user_lists.h"
#include "tests/irc_lines/lines_test_support.h"
#include "tests/support/ngircd_server.h"
#include "xml/config_documents.h"
#include "xml/xml_profile.h"

#include <memory>
#include <string>

namespace {

class LiveServer : public testing::Test {
protected:
    void SetUp() override {
        PrepareConnectionTests();
        CallLog::Instance().Clear();
        DefaultCodePage = CP_UTF8;
        settings_ = std::make_unique<XmlDocument>();
        XmlDocumentOpenText(settings_.get(), "<?xml version=\"1.0\" ?><root><Cfg><Options1 />"
                                             "<Options2 Join_Box_On_Connect=\"0\" /></Cfg></root>");
        UserConfigDocument = settings_.get();
        LoadUserLists();
        ClearServerLineHandlers();
        RegisterServerLineHandlers();
        frame_ = std::make_unique<ChatTestFrame>();
        FloodQueueing = 0;
        // List windows are opened by "/fquery" as the command interpreter would.
        CallLog::Instance().Answer = [this](const RecordedCall& call) -> uint64_t {
            if (call.Service == "ProcessInputLine" && call.Text.rfind("/fquery ", 0) == 0 &&
                !FindConnectionWindow(call.Text.substr(8), &server_->Connection()))
                OpenChatWindow(Server(), kQueryWindow, call.Text.substr(8), 0);
            return kNoEventScript;
        };
        ASSERT_TRUE(ngircd_.WaitReady()) << ngircd_.Log();
        alice_ = std::make_unique<IrcClient>(ngircd_.Port(), "alice");
        bob_ = std::make_unique<IrcClient>(ngircd_.Port(), "bob");
        ASSERT_TRUE(alice_->WaitFor(" 376 alice "));
        ASSERT_TRUE(bob_->WaitFor(" 376 bob "));
        server_ = std::make_unique<ServerWindow>();
        server_->Aim(ngircd_.Port());
        StartServerConnection(Server());
        ASSERT_TRUE(PumpUntil([] { return Printed(nullptr, kInformationLine, "End of MOTD"); }, 10000))
            << ngircd_.Log();
    }

    void TearDown() override {
        CallLog::Instance().Answer = nullptr;
        frame_->CloseOpenedWindows();
        server_.reset();
        frame_.reset();
        ClearServerLineHandlers();
        UserConfigDocument = nullptr;
        LoadUserLists();
        CallLog::Instance().Clear();
    }

    WindowRecord* Server() const { return server_->Record(); }
    void Send(const std::string& line) { SendServerLine(line + "\r\n", Server(), 0); }

    // A line of that kind containing the text was printed into the window (any window: null).
    static bool Printed(const WindowRecord* window, LineKind kind, const std::string& text) {
        for (const RecordedCall& call : CallLog::Instance().Calls("PrintToWindow"))
            if ((!window || call.Window == window) && call.Number == static_cast<uint64_t>(kind) &&
                call.Text.find(text) != std::string::npos)
                return true;
        return false;
    }
    static bool WaitPrinted(const WindowRecord* window, LineKind kind, const std::string& text) {
        return PumpUntil([&] { return Printed(window, kind, text); });
    }
    bool WaitNicks(const WindowRecord* channel, const std::vector<std::wstring>& nicks) {
        return PumpUntil([&] { return NickListItems(channel) == nicks; });
    }
    WindowRecord* Window(const std::string& name) {
        WindowRecord* found = nullptr;
        PumpUntil([&] { return (found = FindConnectionWindow(name, &server_->Connection())) != nullptr; });
        return found;
    }
    // Our channel with alice and bob in it.
    WindowRecord* JoinWithBoth() {
        Send("JOIN #live");
        WindowRecord* channel = Window("#live");
        if (!channel) return nullptr;
        EXPECT_TRUE(WaitNicks(channel, {L"@tester"}));
        alice_->Send("JOIN #live");
        bob_->Send("JOIN #live");
        EXPECT_TRUE(WaitNicks(channel, {L"@tester", L"alice", L"bob"}));
        return channel;
    }

    NgircdServer ngircd_;
    std::unique_ptr<XmlDocument> settings_;
    std::unique_ptr<ChatTestFrame> frame_;
    std::unique_ptr<IrcClient> alice_;
    std::unique_ptr<IrcClient> bob_;
    std::unique_ptr<ServerWindow> server_;
};

} // namespace

TEST_F(LiveServer, ChannelAndUserEvents) {
    WindowRecord* channel = JoinWithBoth();
    ASSERT_NE(channel, nullptr);
    EXPECT_TRUE(Printed(channel, kJoinLine, "JOIN :#live"));

    Send("MODE #live +o alice");
    Send("MODE #live +v bob");
    EXPECT_TRUE(WaitNicks(channel, {L"@alice", L"@tester", L"+bob"}));
    // Without arguments: the handler asks for the whole mode text, which the list then shows.
    Send("MODE #live +m");
    EXPECT_TRUE(WaitPrinted(channel, kModeLine, "+m"));
    Send("MODE tester +i");
    EXPECT_TRUE(WaitPrinted(Server(), kModeLine, "+i"));
    alice_->Send("TOPIC #live :fresh topic");
    EXPECT_TRUE(WaitPrinted(channel, kTopicLine, "fresh topic"));
    EXPECT_NE(channel->Modes.find('m'), std::string::npos); // the answer came before the topic
    EXPECT_EQ(channel->Topic, "fresh topic");
    EXPECT_NE(server_->Connection().OwnUserModes.find('i'), std::string::npos);

    bob_->Send("NICK bobby");
    EXPECT_TRUE(WaitNicks(channel, {L"@alice", L"@tester", L"+bobby"}));
    Send("NICK tester2");
    EXPECT_TRUE(WaitNicks(channel, {L"@alice", L"@tester2", L"+bobby"}));
    EXPECT_EQ(server_->Connection().OwnNick, "tester2");

    Send("KICK #live bobby :behave");
    EXPECT_TRUE(WaitPrinted(channel, kKickLine, "behave"));
    EXPECT_TRUE(WaitNicks(channel, {L"@alice", L"@tester2"}));
    bob_->Send("JOIN #live");
    bob_->Send("PART #live :later");
    EXPECT_TRUE(WaitPrinted(channel, kPartLine, "PART #live"));
    bob_->Send("JOIN #live");
    EXPECT_TRUE(WaitNicks(channel, {L"@alice", L"@tester2", L"bobby"}));
    bob_->Send("QUIT :gone home");
    EXPECT_TRUE(WaitPrinted(channel, kQuitLine, "gone home"));
    EXPECT_TRUE(WaitNicks(channel, {L"@alice", L"@tester2"}));

    // Kicked: back in at once, the list refilled by the names reply.
    alice_->Send("KICK #live tester2 :out");
    EXPECT_TRUE(WaitPrinted(channel, kKickLine, "out"));
    EXPECT_TRUE(PumpUntil([&] { return alice_->WaitFor(":tester2!~tester@127.0.0.1 JOIN :#live", 0); }));
    EXPECT_TRUE(WaitNicks(channel, {L"@alice", L"tester2"}));
    // Without rejoining the channel window stays, without us.
    XmlWriteProfileString("Cfg\\Options2", "Rejoin_On_Kick", "0", nullptr, settings_.get());
    alice_->Send("KICK #live tester2 :stay out");
    EXPECT_TRUE(WaitPrinted(channel, kKickLine, "stay out"));
    PumpUntil([] { return false; }, 500); // time for a rejoin that must not come
    EXPECT_TRUE(WaitNicks(channel, {L"@alice"}));
    size_t joins = 0;
    for (const IrcClient::Received& line : alice_->Lines())
        joins += line.Line.find("tester2!~tester@127.0.0.1 JOIN") != std::string::npos ? 1 : 0;
    EXPECT_EQ(joins, 1u);
    EXPECT_EQ(FindConnectionWindow("#live", &server_->Connection()), channel);
}

TEST_F(LiveServer, MessagesNoticesInvitesAndCtcp) {
    WindowRecord* channel = JoinWithBoth();
    ASSERT_NE(channel, nullptr);
    alice_->Send("PRIVMSG #live :hello channel");
    EXPECT_TRUE(WaitPrinted(channel, kMessageLine, "hello channel"));
    alice_->Send("PRIVMSG tester :hello you");
    WindowRecord* query = Window("alice");
    ASSERT_NE(query, nullptr);
    EXPECT_EQ(query->Type, kQueryWindow);
    EXPECT_TRUE(WaitPrinted(query, kMessageLine, "hello you"));
    bob_->Send("NOTICE tester :a private notice");
    EXPECT_TRUE(WaitPrinted(nullptr, kNoticeLine, "a private notice"));
    bob_->Send("NOTICE #live :a channel notice");
    EXPECT_TRUE(WaitPrinted(channel, kNoticeLine, "a channel notice"));
    alice_->Send("JOIN #other");
    alice_->Send("INVITE tester #other");
    EXPECT_TRUE(WaitPrinted(Server(), kInviteLine, "#other"));

    alice_->Send("PRIVMSG tester :\x01VERSION\x01");
    alice_->Send("PRIVMSG tester :\x01TIME\x01");
    alice_->Send("PRIVMSG tester :\x01PING 12345 678\x01");
    EXPECT_TRUE(PumpUntil([&] { return alice_->WaitFor("NOTICE alice :\x01VERSION Brindlex 7", 0); }));
    EXPECT_TRUE(PumpUntil([&] { return alice_->WaitFor("NOTICE alice :\x01TIME ", 0); }));
    EXPECT_TRUE(PumpUntil([&] { return alice_->WaitFor("NOTICE alice :\x01PING 12345 678\x01", 0); }));
    EXPECT_TRUE(Printed(nullptr, kInformationLine, "alice CTCP:\x02 VERSION"));
}

TEST_F(LiveServer, ListsNotifyAndLag) {
    WindowRecord* channel = JoinWithBoth();
    ASSERT_NE(channel, nullptr);
    Send("MODE #live +b *!*@bad.example");
    Send("MODE #live +e *!*@good.example");
    Send("MODE #live +b");
    WindowRecord* list = Window("#live_List");
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(WaitPrinted(list, kInformationLine, "{Remove Ban|||/mode #live -b *!*@bad.example}"));
    Send("MODE #live +e");
    EXPECT_TRUE(WaitPrinted(list, kInformationLine, "/mode #live -e *!*@good.example}"));

    alice_->Send("JOIN #second");
    alice_->Send("TOPIC #second :all about lists");
    ASSERT_TRUE(alice_->WaitFor("TOPIC #second"));
    Send("LIST");
    ASSERT_TRUE(PumpUntil([] { return !CallLog::Instance().Calls("FrameCommand").empty(); }));
    WindowRecord* channels = FindConnectionWindow(Server()->Name + "_List", &server_->Connection());
    ASSERT_NE(channels, nullptr);
    bool liveSeen = false, topicSeen = false; // the server may list channels of its own too
    for (const ChannelListEntry& row : channels->ChannelListRows.Copy()) {
        liveSeen |= row.Channel == "#live" && row.Members == 3;
        topicSeen |= row.Channel == "#second" && row.Members == 1 &&
                     row.Topic.find("all about lists") != std::string::npos;
    }
    EXPECT_TRUE(liveSeen);
    EXPECT_TRUE(topicSeen);

    // The notify check as the frame's timer sends it: the reply measures the lag.
    ServerConnection& connection = server_->Connection();
    connection.LastNotifyTick = GetTickCount();
    connection.LagProbePending = 1;
    Send("ISON alice nobody");
    ASSERT_TRUE(PumpUntil([] {
        for (const RecordedCall& call : CallLog::Instance().Calls("RunEventScript"))
            if (call.Text == "On_Notify_Online alice") return true;
        return false;
    }));
    EXPECT_EQ(connection.LagProbePending, 0u);
    EXPECT_LT(connection.Lag, 5000u);
    EXPECT_EQ(connection.NotifyOnline, std::vector<std::string>{"alice"});
}
