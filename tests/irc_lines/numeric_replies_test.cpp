// Numeric replies: registration, the notify check and the lag, the user-host reply, channel
// details, no-such-nick, join refusals, ban and exception lists and the channel list.
#include "tests/irc_lines/lines_test_support.h"

#include "irc/remembered_user.h"
#include "ui/ban_list_dialog.h"

namespace {

using Lines = std::vector<std::string>;

class NumericReplies : public LinesTest {};

bool Contains(const Lines& lines, const std::string& text) {
    for (const std::string& line : lines)
        if (line.find(text) != std::string::npos) return true;
    return false;
}

} // namespace

TEST_F(NumericReplies, RegistrationCompletesOnce) {
    Connection().PerformText = L"/join #a\r\n\r\n/msg x hi";
    Connection().ReconnectCounter = 2;
    Handle(":irc.example 001 me2 :Welcome to the net");
    EXPECT_EQ(Connection().OwnNick, "me2");
    EXPECT_EQ(Server()->Name, "irc.example");
    EXPECT_EQ(Connection().Registered, 1);
    EXPECT_EQ(PrintedIn(Server()), Lines{"Welcome to the net"});

    Handle(":irc.example 376 me2 :End of MOTD");
    Handle(":irc.example 376 me2 :End of MOTD again");
    EXPECT_EQ(CallTexts("ExecuteInputText"), (Lines{"/UTF8", "/join #a", "/msg x hi"}));
    EXPECT_EQ(Sent(), Lines{"USERHOST me2"});
    EXPECT_EQ(Connection().ReconnectCounter, 10);
    EXPECT_EQ(CallTexts("RunEventScript"), Lines{"On_Startup "});
    EXPECT_EQ(PrintedIn(Server()).size(), 3u); // both trailing texts are shown
}

TEST_F(NumericReplies, NotifyCheckAndLag) {
    Connection().NotifyOnline = {"a", "b"};
    Connection().LagProbePending = 1;
    Connection().LastNotifyTick = GetTickCount() - 250;
    Handle(":irc.test 303 me :");
    EXPECT_EQ(Connection().LagProbePending, 0);
    EXPECT_GE(Connection().Lag, 250u);
    EXPECT_LT(Connection().Lag, 5000u);
    EXPECT_EQ(CallTexts("RunEventScript"), (Lines{"On_Notify_Offline b", "On_Notify_Offline a"}));
    EXPECT_TRUE(Connection().NotifyOnline.empty());

    CallLog::Instance().Clear();
    Connection().NotifyOnline = {"a"};
    Handle(":irc.test 303 me :A c");
    EXPECT_EQ(CallTexts("RunEventScript"), Lines{"On_Notify_Online c"});
    EXPECT_EQ(Connection().NotifyOnline, (Lines{"a", "c"}));

    // Any other numeric between the check and its answer cancels the measurement.
    Connection().LagProbePending = 1;
    Connection().Lag = 7;
    Handle(":irc.test 372 me :- motd");
    Handle(":irc.test 303 me :a c");
    EXPECT_EQ(Connection().Lag, 7u);
}

TEST_F(NumericReplies, UserHostOfTheOwnNickAndOfOthers) {
    Handle(":irc.test 302 me :me=+~user@203.0.113.9");
    EXPECT_EQ(Connection().ReportedUser, "~user");
    EXPECT_EQ(Connection().ReportedIPv4, "203.0.113.9");
    EXPECT_EQ(Connection().ReportedHost, "203.0.113.9");
    EXPECT_TRUE(Contains(PrintedIn(Server()), " Remote IP  : 203.0.113.9"));

    Handle(":irc.test 302 me :bob*=-b@host.example");
    UserAddress bob{"bob*", {}, {}};
    ASSERT_NE(FindRememberedUser(Server(), bob), nullptr);
    EXPECT_EQ(bob.User, "b");
    EXPECT_EQ(bob.Host, "host.example");
    Handle(":irc.test 302 me :nobody"); // no address: nothing
    EXPECT_EQ(Connection().RememberedUsers.size(), 1u);
}

TEST_F(NumericReplies, ChannelDetailsAndRefusals) {
    WindowRecord* channel = Open(kChannelWindow, "#c");
    WindowRecord* query = Open(kQueryWindow, "bob");
    ASSERT_NE(channel, nullptr);
    ASSERT_NE(query, nullptr);
    Handle(":irc.test 324 me #c +nt");
    EXPECT_EQ(channel->Modes, "+nt");
    Handle(":irc.test 332 me #c :the topic");
    EXPECT_EQ(channel->Topic, "the topic");
    Handle(":irc.test 333 me #c setter 1700000000");
    Handle(":irc.test 329 me #c 1600000000"); // one of the two per window
    EXPECT_EQ(PrintedIn(channel).size(), 2u);
    Handle(":irc.test 324 me #none +m");
    Handle(":irc.test 474 me #c :Cannot join channel");
    Handle(":irc.test 401 me bob :No such nick");
    Handle(":irc.test 401 me bob :No such nick");
    Handle(":irc.test 999 me");
    const Lines server = PrintedIn(Server());
    ASSERT_EQ(server.size(), 3u) << ::testing::PrintToString(server);
    EXPECT_EQ(server[0], "#none +m");
    EXPECT_NE(server[1].find("#c Cannot join channel (+b)"), std::string::npos);
    EXPECT_EQ(PrintedIn(query), Lines{"bob No such nick"});
    Handle(":bob!b@h PRIVMSG me :back");
    Handle(":irc.test 401 me bob :No such nick");
    EXPECT_EQ(PrintedIn(query).size(), 3u);
}

// Lines as InspIRCd 3 sent them on loopback, and as ircd-hybrid 8, ircu 2.10 and irc2 2.11 send
// them: what is shown holds their parameters as text, never the ':' that marks the last one.
TEST_F(NumericReplies, RealServersRepliesShowTheirParametersAsText) {
    WindowRecord* channel = Open(kChannelWindow, "#qb");
    Handle(":irc.insp.test 005 me CHANMODES=b,k,l,imnpst CHANTYPES=# :are supported by this server");
    Handle(":irc.insp.test 254 me 1 :channels formed");
    Handle(":irc.insp.test 401 me nosuchnick :No such nick");
    Handle(":irc.insp.test 352 me #qb opnick 127.0.0.1 irc.insp.test opnick H@ :0 real opnick");
    Handle(":irc.insp.test 474 me #qb :Cannot join channel (you're banned)");
    Handle(":irc.hybrid.test 474 me #qb :Cannot join channel (+b)"); // the mode is said once
    Handle("NOTICE AUTH :*** Checking Ident");                       // ircu, before registering
    Handle(":irc2.test 042 me 001AAAAAE :your unique ID");
    const std::string dot = "\x02\x12\xC2\xB7\x12\x02 ";
    EXPECT_EQ(
        PrintedIn(Server()),
        (Lines{"CHANMODES=b,k,l,imnpst CHANTYPES=# are supported by this server", "1 channels formed",
               "nosuchnick No such nick", "#qb opnick 127.0.0.1 irc.insp.test opnick H@ 0 real opnick",
               dot + "#qb Cannot join channel (you're banned) (+b)", dot + "#qb Cannot join channel (+b)",
               "*** Checking Ident", "001AAAAAE your unique ID"}));
    Handle(":irc.insp.test 324 me #qb :+nt"); // the window's title shows these
    EXPECT_EQ(channel->Modes, "+nt");
    Handle(":opnick!opnick@127.0.0.1 MODE #qb +v :me");
    EXPECT_EQ(PrintedIn(channel).back(), "+v me");
}

TEST_F(NumericReplies, BanAndExceptionListsWithTheirOwnLinks) {
    CallLog::Instance().Answer = [this](const RecordedCall& call) -> uint64_t {
        if (call.Service == "ProcessInputLine" && call.Text == "/fquery #c_List")
            Open(kQueryWindow, "#c_List");
        return 0;
    };
    Handle(":irc.test 367 me #c *!*@bad.example op 1700000000");
    Handle(":irc.test 367 me #c nick!*@* op");
    Handle(":irc.test 367 me #c x}|||Evil|||/quit!*@* op 1700000000");
    Handle(":irc.test 368 me #c :End of Channel Ban List");
    ASSERT_EQ(FrameOpenedWindows().size(), 1u);
    const Lines list = PrintedIn(FrameOpenedWindows()[0]);
    ASSERT_EQ(list.size(), 6u); // dashes, three entries, dashes, the menu label
    EXPECT_NE(list[1].find("{Remove Ban|||/mode #c -b *!*@bad.example}"), std::string::npos);
    EXPECT_NE(list[2].find("nick!*@*       "), std::string::npos); // padded to the longest mask
    EXPECT_EQ(list[3].find("\x18"), std::string::npos);            // no link made of that mask
    EXPECT_NE(list[5].find("Menu 603"), std::string::npos);

    CallLog::Instance().Clear();
    Handle(":irc.test 348 me #c *!*@friend.example op 1700000000");
    Handle(":irc.test 349 me #c :End of Channel Exception List");
    const Lines exceptions = PrintedIn(FrameOpenedWindows()[0]);
    ASSERT_EQ(exceptions.size(), 4u);
    EXPECT_NE(exceptions[1].find("/mode #c -e *!*@friend.example}"), std::string::npos);
    EXPECT_NE(exceptions[1].find(" exception ["), std::string::npos);
    // An empty list opens its window all the same, framed and named; a channel name that would
    // make more words of the window's command opens nothing.
    Handle(":irc.test 368 me #c :End");
    const Lines empty = PrintedIn(FrameOpenedWindows()[0]);
    ASSERT_EQ(empty.size(), 7u);
    EXPECT_NE(empty[6].find("Menu 603"), std::string::npos);
    CallLog::Instance().Clear();
    Handle(":irc.test 368 me :#c /quit");
    EXPECT_TRUE(CallLog::Instance().Calls("ProcessInputLine").empty());

    // The lists are bounded while they wait for their end.
    for (int i = 0; i < 3000; ++i) Handle(":irc.test 367 me #c m" + std::to_string(i) + "!*@* op 1");
    EXPECT_EQ(Connection().BanListReplies.size(), 2000u);
    CallLog::Instance().Answer = nullptr;
}

TEST_F(NumericReplies, ChannelListRowsGoToTheListWindow) {
    WindowRecord* list = nullptr;
    CallLog::Instance().Answer = [&](const RecordedCall& call) -> uint64_t {
        if (call.Service == "ProcessInputLine" && call.Text == "/fquery irc.test_List" && !list)
            list = Open(kQueryWindow, "irc.test_List");
        return 0;
    };
    Handle(":irc.test 321 me Channel :Users Name");
    Handle(":irc.test 322 me #a 5 :first topic");
    Handle(":irc.test 322 me #b 12 :[+nt] second");
    Handle(":irc.test 322 me #short");
    Handle(":irc.test 323 me :End of LIST");
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->ChannelListRows.Count(), 2u);
    EXPECT_EQ(list->ChannelListRows.Copy()[1].Channel, "#b");
    EXPECT_EQ(list->ChannelListRows.Copy()[1].Members, 12u);
    EXPECT_EQ(list->ChannelListRows.Copy()[1].Topic, "[+nt] second");
    wchar_t title[64] = {};
    GetWindowTextW(list->Window, title, 64);
    EXPECT_STREQ(title, L"Channel list - 2 channels")
        << "rows that come quickly retitle the window at the end";
    const auto commands = Calls("FrameCommand");
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].Number, 772u);
    CallLog::Instance().Answer = nullptr;
}

// A line without the parameters its handler reads is shown as it came and never reaches it.
TEST_F(NumericReplies, ShortLinesNeverReachTheirHandlers) {
    WindowRecord* channel = Open(kChannelWindow, "#c");
    Fill(channel, "me bob");
    channel->Topic = "kept";
    CallLog::Instance().Clear();
    const Lines shortLines{":irc.test 332 me #c", ":irc.test 332 me", ":op!o@h KICK #c",
                           ":bob!b@h PRIVMSG #c"};
    for (const std::string& line : shortLines) Handle(line);
    EXPECT_EQ(channel->Topic, "kept");
    EXPECT_EQ(Nicks(channel), (std::vector<std::wstring>{L"bob", L"me"}));
    EXPECT_EQ(PrintedIn(Server()), shortLines);
    EXPECT_TRUE(PrintedIn(channel).empty());
    EXPECT_TRUE(Calls("FormatEventLine").empty());
    EXPECT_TRUE(Sent().empty());
}
