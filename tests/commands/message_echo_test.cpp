// What messages, notices, CTCP requests and actions show in the window they were typed in, and
// the commands that reach DCC chats.
#include "common/app_state.h"
#include "common/xstring.h"
#include "core/applied_settings.h"
#include "tests/commands/command_test_fixture.h"
#include "tests/recorders/recorders.h"

namespace {

using MessageEcho = CommandTest;
using Lines = std::vector<std::string>;

std::string Utf8(const std::wstring& text) {
    return WideToNarrow(text);
}

} // namespace

TEST_F(MessageEcho, MessagesNoticesAndCtcpRequests) {
    DefaultCodePage = 1252;
    Type(Channel(), "/msg carol caf\xE9");
    Type(Channel(), "/notice carol :hello");
    Type(Query(), "/ctcp carol VERSION");
    Type(Query(), "/ctcpreply carol PING 1");
    EXPECT_EQ(ServerLines(), (Lines{"PRIVMSG carol :caf\xE9", "NOTICE carol :hello",
                                    "PRIVMSG carol :\x01VERSION\x01", "NOTICE carol :\x01PING 1\x01"}));
    const std::vector<RecordedCall> prints = CallLog::Instance().Calls("PrintToWindow");
    ASSERT_EQ(prints.size(), 4u);
    EXPECT_EQ(prints[0].Text, Utf8(L"\x12\u00B7\x12 MSG \x12\u00AE\x12 \x02"
                                   L"carol\x02 : caf\u00E9\r\n"));
    EXPECT_EQ(prints[1].Text, Utf8(L"\x12\u00B7\x12 NOTICE \x12\u00AE\x12 \x02"
                                   L"carol\x02 : hello"));
    EXPECT_EQ(prints[2].Text, Utf8(L"\x12\u00B7\x12 CTCP \x12\u00AE\x12 \x02"
                                   L"carol\x02 : VERSION"));
    EXPECT_EQ(prints[3].Text, Utf8(L"\x12\u00B7\x12 CTCP \x12\u00AE\x12 \x02"
                                   L"carol\x02 : PING 1"));
    EXPECT_EQ(prints[0].Window, Channel());
    EXPECT_EQ(prints[2].Window, Query());
    for (const RecordedCall& print : prints) EXPECT_EQ(print.Number, 9u);
}

TEST_F(MessageEcho, ActionsUseTheMeFormat) {
    UseSettings("<qv><Cfg><Appearance Me_Format=\"* \\x02$nick\\x02 $message\"/></Cfg></qv>");
    Type(Channel(), "/me waves");
    EXPECT_EQ(ServerLines(), (Lines{"PRIVMSG #a :\x01"
                                    "ACTION waves\x01"}));
    Type(Dcc(), "/me waves back");
    EXPECT_EQ(DccPeer().ReadLine().value_or(""), "\x01"
                                                 "ACTION waves back\x01");
    EXPECT_EQ(CallTexts("PrintToWindow"), (Lines{"* \x02me\x02 waves", "* \x02me-dcc\x02 waves back"}));
    const std::vector<RecordedCall> prints = CallLog::Instance().Calls("PrintToWindow");
    EXPECT_EQ(prints[1].Window, Dcc());
    EXPECT_EQ(prints[1].Number, 11u);
}

TEST_F(MessageEcho, DccMessagesByNameMarkerAndIndex) {
    WindowRecord* second = AddWindow(kDccChatWindow, "second");
    Type(Channel(), "/dccmsg PEER hello there");
    EXPECT_EQ(DccPeer().ReadLine().value_or(""), "hello there");
    Type(Channel(), "/dccmsg =0 by marker");
    EXPECT_EQ(DccPeer().ReadLine().value_or(""), "by marker");
    Type(Channel(), "/dccmsg 2 by index"); // list: irc.test, #a, bob, peer, second
    EXPECT_EQ(ServerLines(), (Lines{"PRIVMSG bob :by index"}));
    (void)second;
}

TEST_F(MessageEcho, FixedFontQueryGetsTheFixedFont) {
    for (int i = 0; i < 5; ++i)
        ConfiguredFonts.push_back(static_cast<HFONT>(GetStockObject(SYSTEM_FIXED_FONT)));
    Type(Channel(), "/fquery dave");
    Type(Channel(), "/query erin");
    ConfiguredFonts.clear();
    EXPECT_EQ(WindowEffects(), (Lines{"open 3 dave", "font dave", "open 3 erin"}));
    const std::vector<RecordedCall> opened = CallLog::Instance().Calls("OpenChatWindow");
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0].Number, 1u); // the flag of "/fquery"
    EXPECT_EQ(opened[0].Window, Server());
    EXPECT_EQ(opened[1].Number, 0u);
}
