#include <gtest/gtest.h>

#include "core/debug_level.h"
#include "irc/line_dispatch.h"
#include "irc/send_path.h"
#include "tests/support/irc_test_support.h"
#include "xml/config_documents.h"
#include "xml/xml_document.h"

#include <cstdio>

namespace {

// A server window whose socket is connected to a scripted server, to see what is sent back.
class LineDispatchTest : public testing::Test {
protected:
    void SetUp() override {
        CallLog::Instance().Clear();
        FloodQueueing = 1; // PONG must not wait for the queue
        SOCKET s = ConnectLoopback(server_.Port());
        ASSERT_NE(s, INVALID_SOCKET);
        window_.UseSocket(s, server_.Port());
        ASSERT_TRUE(server_.Accept());
    }
    void TearDown() override {
        ClearServerLineHandlers();
        DebugLevel = 0;
        UserConfigDocument = nullptr;
        CallLog::Instance().Clear();
    }
    void Handle(const std::string& line) { HandleServerLine(line, window_.Record()); }
    std::vector<std::string> Printed() { return CallTexts("PrintToWindow"); }

    ServerWindow window_;
    ScriptedServer server_;
};

std::vector<std::string> SeenParams;
int32_t SeenNumeric = 0;

bool RecordParams(ServerLine& line) {
    SeenParams = line.Message.Params;
    SeenNumeric = line.Numeric;
    return false;
}

bool PrintOwnText(ServerLine&) {
    return true;
}

bool Throw(ServerLine&) {
    throw 0;
}

uint32_t ConsumeCtcp(const IrcMessage& message, WindowRecord*) {
    CallLog::Instance().Add({"Filter", nullptr, message.Sender.Nick, 0});
    return message.Text.find('\x01') != std::string::npos;
}

} // namespace

TEST_F(LineDispatchTest, PingIsAnsweredInEveryFormAheadOfTheQueue) {
    const std::pair<const char*, const char*> cases[] = {
        {"PING :abc", "PONG :abc"},
        {"PING abc", "PONG :abc"},
        {"PING :a:b", "PONG :a:b"},
        {":irc.test PING :x y", "PONG :x y"},
        {"ping  first last", "PONG :last"},
        {":irc.test PING irc.test", "PONG :irc.test"},
        {"PING", "PONG :"},
        {"PING x :", "PONG :"},
        {"PING :a\nb\rc", "PONG :abc"}, // nothing in the token may end the answer early
    };
    for (const auto& c : cases) {
        Handle(c.first);
        EXPECT_EQ(server_.ReadLine(10000).value_or("<none>"), c.second) << c.first;
    }
    EXPECT_TRUE(window_.Connection().SendQueue.empty());
    EXPECT_TRUE(Printed().empty());

    XmlDocument settings;
    XmlDocumentOpenText(&settings, "<?xml ?><root><Cfg><Options2 Show_Ping_Pong=\"1\"/></Cfg></root>");
    UserConfigDocument = &settings;
    Handle("PING :shown");
    EXPECT_EQ(server_.ReadLine(10000).value_or("<none>"), "PONG :shown");
    EXPECT_EQ(Printed(), std::vector<std::string>{"\x02\x12\xC2\xB7\x12 PING/PONG \x12\xC2\xB7\x12\x02"});
}

TEST_F(LineDispatchTest, ChainOrderPluginsFilterTriggers) {
    XmlDocument settings;
    XmlDocumentOpenText(
        &settings,
        "<?xml ?><root><Scripts>"
        "<a Trigger_Type=\"1\" Enabled=\"1\" Trigger=\"*PRIVMSG*|||x\"><![CDATA[first]]></a>"
        "<b Trigger_Type=\"1\" Enabled=\"1\" Trigger=\"*\" Anti_Trigger=\"*\"><![CDATA[never]]></b>"
        "<c Trigger_Type=\"1\" Enabled=\"0\" Trigger=\"*\"><![CDATA[disabled]]></c>"
        "<d Trigger_Type=\"2\" Enabled=\"1\" Trigger=\"*\"><![CDATA[typed]]></d>"
        "<e Trigger_Type=\"1\" Enabled=\"1\" Trigger=\"*QUIT*\" Case_Sensitive_Match=\"1\" "
        "Locked=\"1\"><![CDATA[locked]]></e>"
        "</Scripts></root>");
    UserConfigDocument = &settings;
    SetCtcpAndDccFilter(ConsumeCtcp);
    LineCollector privmsg({"PRIVMSG"});

    Handle(":bob!b@h privmsg #c :hello"); // matched case-insensitively, not consumed
    EXPECT_EQ(CallTexts("ExecuteScript"), std::vector<std::string>{"first|:bob!b@h privmsg #c :hello"});
    EXPECT_EQ(privmsg.Count(), 1u);
    EXPECT_EQ(CallTexts("Filter"), std::vector<std::string>{"bob"});

    CallLog::Instance().Clear();
    Handle(":bob!b@h PRIVMSG #c :\x01VERSION\x01"); // the filter takes it before the triggers
    EXPECT_EQ(CountCalls("ExecuteScript"), 0u);
    EXPECT_EQ(privmsg.Count(), 1u);

    CallLog::Instance().Clear();
    CallLog::Instance().Answer = [](const RecordedCall& call) -> uint64_t {
        return call.Service == "NotifyPluginsServerLine" && call.Text.find("PING") != std::string::npos;
    };
    Handle("PING :eaten"); // a plug-in took it: no filter, no triggers, no PONG
    EXPECT_EQ(CountCalls("Filter"), 0u);
    EXPECT_FALSE(server_.ReadLine(200).has_value());

    CallLog::Instance().Clear();
    Handle(":bob!b@h quit :bye");      // case-sensitive pattern: no match
    Handle(":bob!b@h QUIT :quit now"); // "Locked" 1 consumes the line
    EXPECT_EQ(CallTexts("ExecuteScript"), std::vector<std::string>{"locked|:bob!b@h QUIT :quit now"});
    EXPECT_EQ(Printed(), std::vector<std::string>{":bob!b@h quit :bye"});
}

TEST_F(LineDispatchTest, DispatchByNumberAndWordWithGenericDisplays) {
    SetNumericHandler(1, RecordParams, 1);
    SetNumericHandler(372, PrintOwnText, 0);
    SetCommandWordHandler("join", RecordParams, 1);
    SetCommandWordHandler("BAD", Throw, 0);
    window_.Connection().LagProbePending = 1;

    Handle(":irc.test 001 me :Welcome  to the net");
    EXPECT_EQ(SeenNumeric, 1);
    EXPECT_EQ(SeenParams, (std::vector<std::string>{"me", "Welcome  to the net"}));
    EXPECT_EQ(window_.Connection().LagProbePending, 0);
    Handle(":irc.test 372 me :- motd"); // prints its own text
    Handle(":irc.test 999 me");         // three words: nothing to show
    Handle(":irc.test 303 me :nick");
    Handle(":bob!b@h JOIN  :#chan");
    EXPECT_EQ(SeenParams, std::vector<std::string>{"#chan"}); // a run of blanks is one separator
    EXPECT_EQ(SeenNumeric, 0);
    Handle(":bob!b@h bad x");                  // a failing handler ends only its line
    Handle(":bob!b@h WALLOPS :\xFF\xFE text"); // unclaimed: shown whole, invalid UTF-8 survives
    Handle("ERROR :Closing link");
    Handle(":only-a-prefix");
    EXPECT_EQ(Printed(), (std::vector<std::string>{"Welcome  to the net", "nick",
                                                   ":bob!b@h WALLOPS :\xEF\xBF\xBD\xEF\xBF\xBD text",
                                                   "ERROR :Closing link"}));
}

TEST_F(LineDispatchTest, DebugEchoComesFirst) {
    DebugLevel = 2;
    std::remove("c:\\s.log");
    CallLog::Instance().Answer = [](const RecordedCall& call) -> uint64_t {
        return call.Service == "NotifyPluginsServerLine";
    };
    Handle(":a!b@c PRIVMSG #x :one");
    Handle(":a!b@c PRIVMSG #x :two");
    EXPECT_EQ(Printed(), (std::vector<std::string>{":a!b@c PRIVMSG #x :one", ":a!b@c PRIVMSG #x :two"}));
    FILE* log = std::fopen("c:\\s.log", "rb");
    ASSERT_NE(log, nullptr);
    char text[200] = {};
    std::fread(text, 1, sizeof text - 1, log);
    std::fclose(log);
    std::remove("c:\\s.log");
    EXPECT_STREQ(text, ":a!b@c PRIVMSG #x :one\r\n:a!b@c PRIVMSG #x :two\r\n");
}

// An unclaimed line is server text: a link or colour of the program's own markup in it must not
// reach the window, while the text itself does.
TEST_F(LineDispatchTest, UnclaimedLinesLoseTheProgramsOwnMarkup) {
    Handle(":irc.test 999 me :see \x18{click|||/quit}here\x18 and \x07"
           "FF0000FFred");
    const std::vector<std::string> printed = Printed();
    ASSERT_FALSE(printed.empty());
    EXPECT_EQ(printed.back().find('\x18'), std::string::npos) << printed.back();
    EXPECT_EQ(printed.back().find('\x07'), std::string::npos) << printed.back();
    EXPECT_NE(printed.back().find("here"), std::string::npos) << printed.back();
}
