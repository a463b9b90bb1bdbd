#include "tests/views/views_test_support.h"

#include "common/app_state.h"
#include "core/remote_text.h"
#include "views/event_format.h"

namespace {

class EventFormat : public ChatViewTest {
protected:
    std::wstring Format(LineKind kind, const char* format, const std::string& message,
                        const std::vector<std::string>& words, WindowRecord* record = nullptr) {
        SetConfig("Cfg\\Appearance", kKeys[kind], format);
        std::wstring out = L"unchanged";
        FormatEventLine(record ? record : channel_, out, kind, message, words, sender_);
        return out;
    }
    static constexpr const char* kKeys[] = {
        "MyMessage_Format", "Message_Format", "Join_Format",   "Part_Format",   "Mode_Format",
        "Topic_Format",     "Quit_Format",    "Nick_Format",   "Kick_Format",   "Notice_Format",
        "Kill_Format",      "Me_Format",      "Invite_Format", "Silence_Format"};
    UserAddress sender_{"bob", "bobby", "host.example"};
};

} // namespace

TEST_F(EventFormat, EachKindTakesItsVariables) {
    std::vector<std::string> words = {":bob!bobby@host.example", "PRIVMSG", "#test", "hello there"};
    EXPECT_EQ(Format(kMessageLine, "<$nick> $message", "", words), L"<bob> hello there");
    EXPECT_EQ(Format(kOwnMessageLine, "<$nick> $message", "typed", {"#test"}), L"<me> typed");
    EXPECT_EQ(Format(kJoinLine, "$nick ($ident@$ip) joins $channel", "", {"x", "JOIN", "#test"}),
              L"bob (bobby@host.example) joins #test");
    EXPECT_EQ(Format(kPartLine, "$nick leaves $channel", "", {"x", "PART", "#test"}), L"bob leaves #test");
    EXPECT_EQ(Format(kModeLine, "$nick sets $message", "+o bob", {}), L"bob sets +o bob");
    // A message is shown as given: a topic may well start with ':'.
    EXPECT_EQ(Format(kTopicLine, "topic: $message", ":-) new topic", {}), L"topic: :-) new topic");
    EXPECT_EQ(Format(kQuitLine, "$nick quits ($message)", "bye", {}), L"bob quits (bye)");
    EXPECT_EQ(Format(kNickLine, "$nick is now $message", "robert", {}), L"bob is now robert");
    EXPECT_EQ(Format(kKickLine, "$victim kicked from $channel by $nick ($message)", "rude",
                     {"x", "KICK", "#test", "carol"}),
              L"carol kicked from #test by bob (rude)");
    EXPECT_EQ(Format(kNoticeLine, "-$nick- $message", "", {"x", "NOTICE", "me", "psst"}), L"-bob- psst");
    EXPECT_EQ(Format(kKillLine, "$target killed: $message", "spam", {"x", "KILL", "carol"}),
              L"carol killed: spam");
    // Incoming and own actions share "Me_Format": the text comes without the blank after ACTION.
    EXPECT_EQ(Format(kActionLine, "* $nick $message", "",
                     {"x", "PRIVMSG", "#test",
                      "\x01"
                      "ACTION waves\x01"}),
              L"* bob waves");
    EXPECT_EQ(Format(kInviteLine, "$nick invites $target to $channel", "#other", {"x", "INVITE", "me"}),
              L"bob invites me to #other");
    EXPECT_EQ(Format(kSilenceLine, "silence $message", "+*!*@x", {}), L"silence +*!*@x");
}

// The user's own line keeps the program's markup; said for text from outside, through the
// user's scripts, its link is no link.
TEST_F(EventFormat, OwnTextSaidForTextFromOutsideLosesItsLinks) {
    const std::string link = "\x18{Open|||/run calc}click\x18";
    EXPECT_EQ(Format(kOwnMessageLine, "$message", link, {"#test"}), L"\x18{Open|||/run calc}click\x18");
    RemoteTextScope remote;
    EXPECT_EQ(Format(kOwnMessageLine, "$message", link, {"#test"}), L"{Open|||/run calc}click");
}

TEST_F(EventFormat, EmptyFormatGivesAnEmptyLineAndUnknownKindsLeaveTheOutput) {
    EXPECT_EQ(Format(kJoinLine, "", "", {"x", "JOIN", "#test"}), L"");
    std::wstring out = L"kept";
    FormatEventLine(channel_, out, kInformationLine, "text", {}, sender_);
    EXPECT_EQ(out, L"kept");
}

TEST_F(EventFormat, HostAppearsForBothIpAndDomain) {
    EXPECT_EQ(Format(kJoinLine, "$ip/$domain", "", {}), L"host.example/host.example");
}

TEST_F(EventFormat, InsertedTextIsNeverSearchedAgain) {
    std::vector<std::string> words = {"x", "PRIVMSG", "#test", "say $message and $target and $nick"};
    EXPECT_EQ(Format(kMessageLine, "<$nick> $message", "", words),
              L"<bob> say $message and $target and $nick");
    sender_.Nick = "$nick$message";
    EXPECT_EQ(Format(kJoinLine, "$nick $channel", "", {"x", "JOIN", "$nick"}), L"$nick$message $nick");
}

TEST_F(EventFormat, ShortActionsAreSafe) {
    for (const char* word : {"", "\x01",
                             "\x01"
                             "ACTION",
                             "\x01"
                             "ACTION\x01"})
        EXPECT_EQ(Format(kActionLine, "[$message]", "", {"x", "PRIVMSG", "#test", word}), L"[]") << word;
    EXPECT_EQ(Format(kActionLine, "[$message]", "", {"x", "PRIVMSG"}), L"[]");
    // Only the one blank after ACTION goes; the text keeps its own.
    EXPECT_EQ(Format(kActionLine, "[$message]", "",
                     {"x", "PRIVMSG", "#test",
                      "\x01"
                      "ACTION \x01"}),
              L"[]");
    EXPECT_EQ(Format(kActionLine, "[$message]", "",
                     {"x", "PRIVMSG", "#test",
                      "\x01"
                      "ACTION  two\x01"}),
              L"[ two]");
}

TEST_F(EventFormat, EscapesInTheFormatBecomeBytes) {
    EXPECT_EQ(Format(kJoinLine, "\\x02$nick\\x02", "", {}), L"\x02"
                                                            L"bob\x02");
}

TEST_F(EventFormat, ServerTextCannotPlantLinksOrProgramCodes) {
    std::vector<std::string> words = {"x", "PRIVMSG", "#test",
                                      "\x18{x|||/quit}click me\x18 \x07"
                                      "FF0000FFred \x12\x19hidden\x12\x19 \x02ok\x02"};
    sender_.Nick = "e\x18vil";
    std::wstring out = Format(kMessageLine, "\x18{who|||/whois $nick}$nick\x18: $message", "", words);
    EXPECT_EQ(out, L"\x18{who|||/whois evil}evil\x18: {x|||/quit}click me FF0000FFred hidden \x02ok\x02");
}

TEST_F(EventFormat, MessagesAreRecodedFromTheWindowsCodePage) {
    WindowRecord* latin = AddRecord(kChannelWindow, server_, "#latin", nullptr, nullptr);
    latin->CodePage = 1252;
    std::vector<std::string> words = {"x", "PRIVMSG", "#LATIN", "caf\xE9"};
    EXPECT_EQ(Format(kMessageLine, "$message", "", words), L"caf\u00e9");
    // A window without a code page of its own uses the program's default code page.
    DefaultCodePage = 65001;
    words[2] = "#test";
    words[3] = "caf\xC3\xA9";
    EXPECT_EQ(Format(kMessageLine, "$message", "", words), L"caf\u00e9");
    DefaultCodePage = 0;
}
