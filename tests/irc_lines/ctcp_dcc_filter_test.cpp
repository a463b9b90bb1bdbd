// The CTCP and DCC filter against hostile lines: offers are taken only with a plain file name, a
// usable address, port and size and only when addressed to us; anything else is refused with a
// line or left to be shown as text. CTCP requests are answered at a bounded rate.
#include "tests/irc_lines/lines_test_support.h"

#include "core/window_list.h"

#include "irc_lines/ctcp_requests.h"
#include "irc_lines/dcc_offer_checks.h"
#include "irc_lines/transfer_program.h"

#include <string>
#include <thread>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

class CtcpDccFilter : public LinesTest {};

// 203.0.113.5 as the number an offer carries (host byte order).
const std::string kPublic = "3405803781";

std::string Offer(const std::string& target, const std::string& body) {
    return ":eve!e@evil.example PRIVMSG " + target + " :\x01" + body + "\x01";
}

bool AnyContains(const Lines& lines, const std::string& text) {
    for (const std::string& line : lines)
        if (line.find(text) != std::string::npos) return true;
    return false;
}

} // namespace

TEST_F(CtcpDccFilter, HostileOffersNeverReachTheDiskUnchecked) {
    struct Case {
        std::string Body;
        const char* Outcome; // the base name handed on, "refused: ...", or "text"
    };
    const std::string overlong(5000, 'a');
    const Case cases[] = {
        {"DCC SEND ..\\..\\windows\\system32\\evil.dll " + kPublic + " 5000 100", "evil.dll"},
        {"DCC SEND ../../../etc/passwd " + kPublic + " 5000 100", "passwd"},
        {"DCC SEND C:autoexec.bat " + kPublic + " 5000 100", "autoexec.bat"},
        {"DCC SEND \"two words.txt\" " + kPublic + " 5000 100", "two words.txt"},
        {"DCC SEND CON " + kPublic + " 5000 100", "_CON"},
        {"DCC SEND nul.txt " + kPublic + " 5000 100", "_nul.txt"},
        {"DCC SEND a\x02|b?.txt " + kPublic + " 5000 100", "a_b_.txt"},
        // Direction controls and C1 controls go: "exe.txt" shown is still invoice.txt.exe saved.
        {"DCC SEND invoice\xE2\x80\xAEtxt.exe " + kPublic + " 5000 100", "invoicetxt.exe"},
        {"DCC SEND a\xE2\x81\xA6"
         "b\xE2\x80\x8F\xD8\x9C\xC2\x85\xC3\xA9.txt " +
             kPublic + " 5000 100",
         "ab\xC3\xA9.txt"},
        {"DCC SEND " + overlong + ".txt " + kPublic + " 5000 100", "overlong"},
        {"DCC SEND ... " + kPublic + " 5000 100", "refused: bad file name"},
        {"DCC SEND f.txt 999.1.1.1 5000 100", "refused: bad address"},
        {"DCC SEND f.txt 4294967296 5000 100", "refused: bad address"},
        {"DCC SEND f.txt 0 5000 100", "refused: bad address"},
        {"DCC SEND f.txt ff02::1 5000 100", "refused: bad address"},
        {"DCC SEND f.txt " + kPublic + " 0 100", "refused: bad port"},
        {"DCC SEND f.txt " + kPublic + " 70000 100", "refused: bad port"},
        {"DCC SEND f.txt " + kPublic + " -1 100", "refused: bad port"},
        {"DCC SEND f.txt " + kPublic + " 5000 0", "f.txt"}, // an empty file
        {"DCC SEND f.txt " + kPublic + " 5000 -1", "refused: bad size"},
        {"DCC SEND f.txt " + kPublic + " 5000 99999999999999999999999", "refused: bad size"},
        {"DCC SEND f.txt " + kPublic + " 5000 5000000000", "f.txt"}, // beyond 4 GiB is a size
        {"DCC SEND f.txt " + kPublic + " 5000", "text"},             // a field missing
        {"DCC SEND", "text"},
        {"DCC ACCEPT ../x.txt 0 99999999999999999999999", "refused: bad position"},
        {"DCC CHAT chat 255.255.255.255 5000", "refused: bad address"},
        {"DCC CHAT chat " + kPublic + " 70000", "refused: bad port"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Body.substr(0, 80));
        CallLog::Instance().Clear();
        Handle(Offer("me", c.Body));
        const auto offers = Calls("HandleDccSendOffer");
        const std::string outcome = c.Outcome;
        if (outcome.rfind("refused: ", 0) == 0) {
            EXPECT_TRUE(offers.empty());
            EXPECT_TRUE(AnyContains(PrintedIn(Server()), outcome.substr(9)));
        } else if (outcome == "text") {
            EXPECT_TRUE(offers.empty());
            EXPECT_FALSE(AnyContains(PrintedIn(Server()), "refused"));
            EXPECT_TRUE(Calls("PrintToWindow").size() >= 1u); // shown as a message
        } else {
            ASSERT_EQ(offers.size(), 1u);
            const std::string& words = offers[0].Text;
            // eve>:prefix|PRIVMSG|me|DCC|SEND|name|address|port|size|
            const size_t start = words.find("|DCC|SEND|") + 10;
            const std::string name = words.substr(start, words.find('|', start) - start);
            if (outcome == "overlong") {
                EXPECT_LE(name.size(), kMaxOfferFileName);
                EXPECT_EQ(name.find_first_not_of('a'), std::string::npos);
            } else {
                EXPECT_EQ(name, outcome);
            }
            EXPECT_EQ(name.find_first_of("/\\:\"<>|?*"), std::string::npos);
            EXPECT_NE(words.find("|203.0.113.5|"), std::string::npos); // normalised address
        }
        EXPECT_TRUE(Sent(0).empty());
    }
}

// Two users on one network offer the address they have there, whatever host the server shows:
// a private or loopback address goes on to the question, as dotted text for a decimal number.
TEST_F(CtcpDccFilter, PrivateAndLoopbackAddressesAreOffered) {
    const std::pair<std::string, std::string> cases[] = {
        {"3232235777", "|192.168.1.1|"}, {"2130706433", "|127.0.0.1|"}, {"::1", "|::1|"}};
    for (const auto& [address, shown] : cases) {
        CallLog::Instance().Clear();
        Handle(Offer("me", "DCC SEND f.txt " + address + " 5000 100"));
        const auto offers = Calls("HandleDccSendOffer");
        ASSERT_EQ(offers.size(), 1u) << address;
        EXPECT_NE(offers[0].Text.find(shown), std::string::npos) << offers[0].Text;
    }
}

TEST_F(CtcpDccFilter, OnlyAWholeRequestToUsIsAnOffer) {
    WindowRecord* channel = Open(kChannelWindow, "#c");
    // To a channel: nobody's offer, shown as text there.
    Handle(Offer("#c", "DCC SEND f.txt " + kPublic + " 5000 100"));
    // Inside a message's text, or in a word that only contains a numeric: plain messages.
    Handle(":eve!e@evil.example PRIVMSG me :see \x01"
           "DCC SEND f.txt " +
           kPublic + " 5000 100\x01");
    Handle(":eve!e@evil.example PRIVMSG me :the code 451 and 433 mean nothing here");
    Handle(":eve!e@evil.example NOTICE me :x 451 y");
    EXPECT_TRUE(Calls("HandleDccSendOffer").empty());
    EXPECT_TRUE(Sent().empty()); // no USER and no NICK sent again
    EXPECT_EQ(PrintedIn(channel).size(), 1u);

    // A passive offer (address and port 0) needs no address check.
    Handle(Offer("ME", "DCC SEND f.txt 0 0 100 7"));
    EXPECT_EQ(Calls("HandleDccSendOffer").size(), 1u);
}

TEST_F(CtcpDccFilter, RequestsAnsweredWithTheirTokenAtABoundedRate) {
    Handle(":bob!b@h PRIVMSG me :\x01VERSION\x01");
    Handle(":bob!b@h PRIVMSG me :\x01TIME\x01");
    Handle(":bob!b@h PRIVMSG me :\x01PING\x01");
    Handle(":bob!b@h PRIVMSG me :\x01PING 1700000000 123\x01");
    Lines sent = Sent();
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_EQ(sent[0], "NOTICE bob :\x01VERSION " + CtcpVersionText() + "\x01");
    EXPECT_EQ(sent[1].rfind("NOTICE bob :\x01TIME ", 0), 0u);
    EXPECT_EQ(sent[1].size(), std::string("NOTICE bob :\x01TIME dd.mm.yyyy,hh:mm:ss\x01").size());
    EXPECT_EQ(sent[2], "NOTICE bob :\x01PONG\x01");
    EXPECT_EQ(sent[3], "NOTICE bob :\x01PING 1700000000 123\x01");
    EXPECT_TRUE(AnyContains(PrintedIn(Server()), "bob CTCP:\x02 PING 1700000000 123"));

    // A flood is still shown but no longer answered, so it cannot flood us off the server.
    for (int i = 0; i < 50; ++i) Handle(":bob!b@h PRIVMSG me :\x01VERSION\x01");
    EXPECT_TRUE(Sent().empty());

    // A reply is shown in the target's window; nothing goes back.
    WindowRecord* channel = Open(kChannelWindow, "#c");
    Handle(":bob!b@h NOTICE #c :\x01VERSION other 1.0\x01");
    EXPECT_TRUE(AnyContains(PrintedIn(channel), "CTCP:\x02 VERSION other 1.0"));
    // With "Ignore_All" nothing is shown.
    SetConfig("Cfg\\Options3\\CTCP_Replies", "Ignore_All", "1");
    CallLog::Instance().Clear();
    Handle(":bob!b@h PRIVMSG me :\x01TIME\x01");
    EXPECT_TRUE(Calls("PrintToWindow").empty());
}

// A refused nick while registering: the alternative nick first, then the user is asked, on the
// interface thread (this test's thread) though the lines arrive on a connection thread.
TEST_F(CtcpDccFilter, NickRefusedIsAskedOnTheInterfaceThread) {
    SetConfig("Cfg\\Options1", "Alternative_Nick", "alt");
    const auto receive = [this](const std::string& line) { std::thread([&] { Handle(line); }).join(); };
    receive(":irc.test 433 * me :Nickname is already in use");
    EXPECT_EQ(Sent(), Lines{"NICK alt"});
    EXPECT_TRUE(Calls("PromptText").empty());

    CallLog::Instance().AnswerText = [](const RecordedCall&) { return std::string("chosen more"); };
    receive(":irc.test 433 * alt :Nickname is already in use");
    ASSERT_TRUE(PumpUntil([] { return !CallLog::Instance().Calls("PromptText").empty(); }));
    EXPECT_EQ(Calls("PromptText")[0].ThreadId, GetCurrentThreadId());
    EXPECT_EQ(Sent(), Lines{"NICK chosen"});

    // The server window closes while the prompt is open: the answer goes nowhere.
    CallLog::Instance().AnswerText = [this](const RecordedCall&) {
        EraseWindowRecord(Server());
        return std::string("late");
    };
    receive(":irc.test 433 * chosen :Nickname is already in use");
    ASSERT_TRUE(PumpUntil([] { return CallLog::Instance().Calls("PromptText").size() == 2; }));
    EXPECT_TRUE(Sent().empty());
    InsertWindowRecord(Server());
}

TEST(TransferProgramLine, PathAndProgramQuoted) {
    EXPECT_EQ(SendOutCommandLine(L"C:\\Program Files\\q", "203.0.113.5", 5000, false, L"tdcc",
                                 L"C:\\My \"Files\"\\a.txt"),
              L"\"C:\\Program Files\\q\\qx.exe\" out 203.0.113.5 5000 ipv4 tdcc send 0 0 "
              L"\"C:\\My Files\\a.txt\" ");
    EXPECT_EQ(SendInCommandLine(L"C:\\q", 1025, true, true, L"evil word", L"C:\\a b.txt"),
              L"\"C:\\q\\qx.exe\" in 1025 ipv6 upnp dcc send 0 0 \"C:\\a b.txt\" ");
}
