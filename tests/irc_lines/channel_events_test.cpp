// Channel and user events, and where messages and notices go.
#include "tests/irc_lines/lines_test_support.h"

#include "irc_lines/channel_nicks.h"
#include "common/xstring.h"
#include "irc/remembered_user.h"
#include "tests/irc_tls/linux_peer.h"
#include "tests/recorders/recorders.h"
#include "tests/support/test_files.h"
#include "xml/config_documents.h"
#include "xml/xml_profile.h"

#include <iterator>

namespace {

using Lines = std::vector<std::string>;

class ChannelEvents : public LinesTest {
protected:
    std::string Config(const char* section, const char* key) {
        char value[2000] = {};
        XmlGetProfileString(section, key, "", value, sizeof value, nullptr, settings_.get());
        return value;
    }
};

} // namespace

TEST_F(ChannelEvents, OwnJoinOpensTheChannelOthersJoinItsList) {
    std::string recent;
    for (int i = 0; i < 21; ++i) recent += (i ? " #r" : "#r") + std::to_string(i);
    SetConfig("Cfg\\Options1", "Recent_Channels", recent.c_str());
    Handle(":me!u@h JOIN :#new");
    ASSERT_EQ(FrameOpenedWindows().size(), 1u);
    WindowRecord* channel = FrameOpenedWindows()[0];
    EXPECT_EQ(channel->Type, kChannelWindow);
    EXPECT_EQ(channel->Name, "#new");
    EXPECT_EQ(Sent(), Lines{"MODE #new"});
    EXPECT_EQ(Config("Cfg\\Options1", "Recent_Channels").substr(0, 6), "#r1 #r");
    EXPECT_NE(Config("Cfg\\Options1", "Recent_Channels").find(" #new"), std::string::npos);
    EXPECT_EQ(PrintedIn(channel), Lines{":me!u@h JOIN :#new"});

    Handle(":me!u@h JOIN :#NEW"); // the window exists: nothing new opens or is asked
    Handle(":bob!b@host JOIN :#new");
    Handle(":eve!e@h JOIN :#elsewhere"); // no window: not shown anywhere
    EXPECT_EQ(FrameOpenedWindows().size(), 1u);
    EXPECT_EQ(Nicks(channel), std::vector<std::wstring>{L"bob"});
    EXPECT_EQ(PrintedIn(channel).size(), 3u);
    UserAddress query{"bob", {}, {}};
    ASSERT_NE(FindRememberedUser(Server(), query), nullptr);
    EXPECT_EQ(query.Host, "host");
}

TEST_F(ChannelEvents, AutoListsMatchTheWholeAddress) {
    WindowRecord* channel = Open(kChannelWindow, "#c");
    SetConfig("Cfg\\User_Lists", "AutoOp_List", "bob *!*@trusted.example");
    SetConfig("Cfg\\User_Lists", "AutoVoice_List", "*!friend@*");
    SetConfig("Cfg\\User_Lists", "Black_List", "*!*@*.spam");
    Handle(":bob!x@evil.example JOIN #c"); // a nick alone grants nothing
    Handle(":ann!friend@trusted.example JOIN #c");
    Handle(":zed!z@host.spam JOIN #c");
    EXPECT_EQ(Sent(), (Lines{"MODE #c +v ann", "MODE #c +o ann", "MODE #c +b *!*@*.spam",
                             "KICK #c zed :Black Listed"}));
    EXPECT_EQ(Nicks(channel), (std::vector<std::wstring>{L"ann", L"bob", L"zed"}));
}

TEST_F(ChannelEvents, PartQuitKillAndTopic) {
    WindowRecord* channel = Open(kChannelWindow, "#c");
    WindowRecord* other = Open(kChannelWindow, "#d");
    WindowRecord* query = Open(kQueryWindow, "bob");
    Fill(channel, "@bob carol");
    Fill(other, "dave");
    CallLog::Instance().Clear();

    Handle(":carol!c@h PART #c :bye");
    Handle(":carol!c@h PART #gone :bye"); // no window: the server window, without an activity mark
    EXPECT_EQ(Nicks(channel), std::vector<std::wstring>{L"@bob"});
    Handle(":bob!b@h QUIT :Quit: off");
    EXPECT_TRUE(Nicks(channel).empty());
    EXPECT_EQ(PrintedIn(channel), (Lines{":carol!c@h PART #c :bye", "Quit: off"}));
    EXPECT_EQ(PrintedIn(query), Lines{"Quit: off"});
    EXPECT_TRUE(PrintedIn(other).empty());
    EXPECT_EQ(PrintedIn(Server()), Lines{":carol!c@h PART #gone :bye"});

    Handle(":oper!o@h KILL dave :irc.test!oper (too loud)");
    EXPECT_TRUE(Nicks(other).empty());
    EXPECT_EQ(PrintedIn(other).back(), "(too loud)"); // the reason after the kill path
    EXPECT_EQ(PrintedIn(Server()).size(), 1u);        // not the own nick: the server window stays quiet

    Handle(":bob!b@h TOPIC #c :new topic");
    EXPECT_EQ(channel->Topic, "new topic");
    Handle(":bob!b@h TOPIC #nowindow :elsewhere");
    EXPECT_EQ(Server()->Topic, "elsewhere");
    Handle(":bob!b@h INVITE me :#party");
    EXPECT_EQ(PrintedIn(Server()).back(), "#party");
}

TEST_F(ChannelEvents, KickRejoinsAndClosesOnlyTheChannel) {
    WindowRecord* channel = Open(kChannelWindow, "#c");
    Fill(channel, "@op me bob");
    Handle(":op!o@h KICK #c bob :behave");
    EXPECT_EQ(Nicks(channel), (std::vector<std::wstring>{L"@op", L"me"}));
    EXPECT_EQ(PrintedIn(channel).back(), "behave");
    EXPECT_TRUE(Sent().empty());

    Handle(":op!o@h KICK #c ME :out"); // the own nick in any case; "Rejoin_On_Kick" is on by default
    EXPECT_EQ(Sent(), Lines{"JOIN #c"});
    EXPECT_TRUE(Calls("WM_CLOSE").empty());

    SetConfig("Cfg\\Options2", "Rejoin_On_Kick", "0");
    SetConfig("Cfg\\Options2", "Destroy_Window_On_Kick", "1");
    CallLog::Instance().Clear();
    Handle(":op!o@h KICK #c me :gone");
    Handle(":op!o@h KICK #nowindow me :gone"); // the server window stands in and is never closed
    ASSERT_EQ(Calls("WM_CLOSE").size(), 1u);
    EXPECT_EQ(Calls("WM_CLOSE")[0].Window, channel);
    EXPECT_EQ(PrintedIn(Server()), (Lines{"gone", "gone"}));
    EXPECT_TRUE(PrintedIn(channel).empty());
    EXPECT_TRUE(Sent().empty());
}

TEST_F(ChannelEvents, NickChangesFollowEverywhere) {
    WindowRecord* channel = Open(kChannelWindow, "#c");
    WindowRecord* query = Open(kQueryWindow, "bob");
    Fill(channel, "+bob me");
    Handle(":bob!b@h JOIN #x"); // remembered
    Handle(":bob!b@h NICK :robert");
    EXPECT_EQ(Nicks(channel), (std::vector<std::wstring>{L"+robert", L"me"}));
    EXPECT_EQ(query->Name, "robert");
    EXPECT_EQ(PrintedIn(query), Lines{"robert"});
    UserAddress old{"bob", {}, {}};
    EXPECT_EQ(FindRememberedUser(Server(), old), nullptr);
    UserAddress now{"robert", {}, {}};
    EXPECT_NE(FindRememberedUser(Server(), now), nullptr);

    Handle(":ME!u@h NICK :myself");
    EXPECT_EQ(Connection().OwnNick, "myself");
    EXPECT_EQ(Nicks(channel), (std::vector<std::wstring>{L"+robert", L"myself"}));
}

TEST_F(ChannelEvents, MessagesFindOrOpenTheirWindow) {
    WindowRecord* channel = Open(kChannelWindow, "#c");
    Handle(":bob!b@h PRIVMSG #c :hello all");
    EXPECT_EQ(PrintedIn(channel), Lines{":bob!b@h PRIVMSG #c :hello all"});
    // The sender travels with the line; the handler leaves the window's fields to the printer.
    const std::vector<RecordedCall> printed = CallLog::Instance().Calls("PrintToWindow");
    ASSERT_FALSE(printed.empty());
    EXPECT_EQ(printed.back().Sender, "bob");
    EXPECT_TRUE(channel->CurSender.empty());

    Handle(":bob!b@h PRIVMSG ME :psst"); // the own nick in any case: a private message
    ASSERT_EQ(FrameOpenedWindows().size(), 2u);
    WindowRecord* query = FrameOpenedWindows()[1];
    EXPECT_EQ(query->Type, kQueryWindow);
    EXPECT_EQ(query->Name, "bob");
    EXPECT_EQ(PrintedIn(query).size(), 1u);

    Handle(":bob!b@h PRIVMSG #c :\x01"
           "ACTION waves\x01");
    const auto formats = Calls("FormatEventLine");
    EXPECT_EQ(formats.back().Number, 11u);
    const auto prints = Calls("PrintToWindow");
    EXPECT_EQ(prints.back().Number, 1u); // formatted as an action, printed as a message

    // A script may take messages that have no window.
    CallLog::Instance().Answer = [](const RecordedCall& call) -> uint64_t {
        return call.Service == "RunEventScript" && call.Text.rfind("On_Incoming_Private", 0) == 0;
    };
    Handle(":carol!c@h PRIVMSG me :taken");
    EXPECT_EQ(FrameOpenedWindows().size(), 2u);
    CallLog::Instance().Answer = nullptr;

    SetConfig("Cfg\\User_Lists", "Ignore_List", "*!*@pest.example");
    CallLog::Instance().Clear();
    Handle(":pest!p@pest.example PRIVMSG #c :noise");
    Handle(":pest!p@pest.example NOTICE me :noise");
    EXPECT_TRUE(Calls("PrintToWindow").empty());
}

TEST_F(ChannelEvents, NoticesAreNeverLost) {
    WindowRecord* channel = Open(kChannelWindow, "#c");
    WindowRecord* query = Open(kQueryWindow, "bob");
    ServerWindow otherServer;
    SetRecordedActiveWindow(otherServer.Record()); // the user works on another server
    Handle(":irc.test NOTICE * :*** Looking up your hostname");
    Handle(":bob!b@h NOTICE Me :private");
    EXPECT_EQ(PrintedIn(Server()),
              (Lines{":irc.test NOTICE * :*** Looking up your hostname", ":bob!b@h NOTICE Me :private"}));
    SetRecordedActiveWindow(query);
    Handle(":bob!b@h NOTICE me :to the query");
    EXPECT_EQ(PrintedIn(query).size(), 1u);
    Handle(":op!o@h NOTICE me :-CHANOPS- #c: ops only");
    EXPECT_EQ(PrintedIn(channel).size(), 1u);
    SetConfig("Cfg\\Options2", "Notices_To_All_Windows", "1");
    CallLog::Instance().Clear();
    Handle(":bob!b@h NOTICE me :everyone");
    EXPECT_EQ(Calls("PrintToWindow").size(), 3u);
    EXPECT_TRUE(PrintedIn(otherServer.Record()).empty());
    SetRecordedActiveWindow(nullptr);
}

// A server may send any bytes as the name of a channel it joined us to: the window opens, but a
// name the recent list cannot offer again as it is stays out of it, and the saved settings stay
// well-formed XML.
TEST_F(ChannelEvents, HostileChannelNamesStayOutOfTheRecentList) {
    SetConfig("Cfg\\Options1", "Recent_Channels", "#old");
    const char* const hostile[] = {":me!u@h JOIN :#a\x01\x02\x07", ":me!u@h JOIN :#b\x0B\x1B\x1F",
                                   ":me!u@h JOIN :#c\xED\xA0\x80", ":me!u@h JOIN :#d\xC0\xAF\xE0\x80\xAF",
                                   ":me!u@h JOIN :#e\xFF\xFE",     ":me!u@h JOIN :#f g",
                                   ":me!u@h JOIN :#h,#i"};
    for (const char* line : hostile) Handle(line);
    Handle(":me!u@h JOIN :#caf\xC3\xA9");
    EXPECT_EQ(FrameOpenedWindows().size(), std::size(hostile) + 1);
    EXPECT_EQ(Config("Cfg\\Options1", "Recent_Channels"), "#old #caf\xC3\xA9");

    TestFolder folder;
    const std::wstring path = folder.File(L"qv.xml");
    ASSERT_EQ(XmlDocumentSave(settings_.get(), WideToNarrow(path).c_str(), 0, 0, nullptr), 1);
    EXPECT_TRUE(IsStrictlyWellFormedXml(path)) << ReadFileBytes(path);
}
