// File offers and resume answers through the CTCP filter to the transfer program: the command
// line qx gets, the requests sent back, and what is refused.
#include "tests/dcc/dcc_test_support.h"

#include "common/xstring.h"
#include "tests/assist/dialog_answers.h"

namespace {

class DccOffers : public DccTest {
protected:
    void Offer(const std::string& body, const std::string& from = "eve") {
        Handle(":" + from + "!e@evil.example PRIVMSG me :\x01" + body + "\x01");
    }
    std::string Program() const { return "\"" + WideToNarrow(program_->Path()) + "\\qx.EXE\" "; }
    std::string Saved(const std::string& name) const {
        return "\"" + WideToNarrow(downloads_->Path()) + "\\" + name + "\" ";
    }
    bool SentContains(const std::string& text) {
        for (const std::string& line : Sent(2000))
            if (line.find(text) != std::string::npos) return true;
        return false;
    }
};

// 203.0.113.5 as the number an offer carries (host byte order).
const std::string kPublic = "3405803781";

} // namespace

TEST_F(DccOffers, AcceptedOffersStartQxWithTheDocumentedCommandLine) {
    SetConfig("Cfg\\Options3\\File_Transfers", "Auto_Accept", "1");
    struct Case {
        std::string Body;
        std::string Arguments; // after the program, before the path
        std::string Name;
    };
    const Case cases[] = {
        {"DCC SEND f.txt " + kPublic + " 5000 100", "out 203.0.113.5 5000 ipv4 dcc get 0 100 ", "f.txt"},
        {"DCC TSEND g.txt 203.0.113.5 6000 5000000000", "out 203.0.113.5 6000 ipv4 tdcc get 0 5000000000 ",
         "g.txt"},
        {"DCC SEND ..\\..\\windows\\evil.dll " + kPublic + " 5000 7",
         "out 203.0.113.5 5000 ipv4 dcc get 0 7 ", "evil.dll"},
        {"DCC SEND \"two words.txt\" " + kPublic + " 5000 1", "out 203.0.113.5 5000 ipv4 dcc get 0 1 ",
         "two words.txt"},
        {"DCC SEND CON 2001:db8::5 5000 0", "out 2001:db8::5 5000 ipv6 dcc get 0 0 ", "_CON"},
    };
    size_t count = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Body);
        Offer(c.Body);
        ASSERT_TRUE(WaitStarted(++count));
        EXPECT_EQ(Started().back(), Program() + c.Arguments + Saved(c.Name));
    }
}

TEST_F(DccOffers, APassiveOfferListensAndTellsTheSenderWhere) {
    SetConfig("Cfg\\Options3\\File_Transfers", "Auto_Accept", "1");
    Offer("DCC SEND p.txt 0 0 100");
    ASSERT_TRUE(WaitStarted(1));
    const std::string line = Started()[0];
    const std::string head = Program() + "in ";
    ASSERT_EQ(line.rfind(head, 0), 0u) << line;
    const std::string port = line.substr(head.size(), line.find(' ', head.size()) - head.size());
    EXPECT_GT(std::stoul(port), 0u);
    EXPECT_EQ(line.substr(head.size() + port.size()), " ipv4 manual dcc get 0 100 " + Saved("p.txt"));
    EXPECT_TRUE(SentContains(" " + port + "\x01")) << "DCC INDIRECT with our address and the port";
}

TEST_F(DccOffers, BlockedFilesAreRefusedWithoutAQuestion) {
    SetConfig("Cfg\\Options3\\File_Transfers", "Blocked_Files", "*.exe *.scr");
    Offer("DCC SEND SETUP.EXE " + kPublic + " 5000 100");
    EXPECT_TRUE(PrintedContains(Server(), Lang(11)));
    SetConfig("Cfg\\Options3\\File_Transfers", "Blocked_Files", "*");
    CallLog::Instance().Clear();
    Offer("DCC SEND notes.txt " + kPublic + " 5000 100");
    EXPECT_TRUE(PrintedContains(Server(), Lang(11)));
    // Without auto-accept the user is asked; No starts nothing either.
    SetConfig("Cfg\\Options3\\File_Transfers", "Blocked_Files", "");
    {
        DialogAnswers answers({{L"Brindlex 7", IDNO}});
        Offer("DCC SEND asked.txt " + kPublic + " 5000 100");
        EXPECT_EQ(answers.Answered(), 1u);
        EXPECT_NE(answers.Seen().find(L"asked.txt\t[100 B]"), std::wstring::npos);
    }
    Sleep(500);
    EXPECT_TRUE(Started().empty());
}

// A shorter file is resumed: RESUME goes out, and only the matching ACCEPT starts qx, once.
TEST_F(DccOffers, ResumeIsTakenOnlyFromTheMatchingAcceptance) {
    SetConfig("Cfg\\Options3\\File_Transfers", "Auto_Accept", "1");
    ASSERT_TRUE(WriteFileBytes(downloads_->File(L"r.bin"), std::string(40, 'r')));
    {
        DialogAnswers answers({{L"Brindlex 7", IDYES}});
        Offer("DCC SEND r.bin " + kPublic + " 5000 100");
        EXPECT_EQ(answers.Answered(), 1u);
    }
    EXPECT_TRUE(SentContains("PRIVMSG eve :\x01"
                             "DCC RESUME r.bin 5000 40\x01"));
    for (const char* wrong :
         {"DCC ACCEPT r.bin 5001 40", "DCC ACCEPT r.bin 5000 39", "DCC ACCEPT other.bin 5000 40"})
        Offer(wrong);
    Offer("DCC ACCEPT r.bin 5000 40", "mallory");
    Offer("DCC ACCEPT r.bin 5000 40");
    Offer("DCC ACCEPT r.bin 5000 40"); // the request was answered already
    ASSERT_TRUE(WaitStarted(1));
    Sleep(500);
    ASSERT_EQ(Started().size(), 1u);
    EXPECT_EQ(Started()[0], Program() + "out 203.0.113.5 5000 ipv4 dcc get 40 100 " + Saved("r.bin"));

    // An empty file is no file: no question. One as large as the offer is received anew on Yes.
    ASSERT_TRUE(WriteFileBytes(downloads_->File(L"z.bin"), ""));
    Offer("DCC TSEND z.bin " + kPublic + " 5000 100");
    ASSERT_TRUE(WriteFileBytes(downloads_->File(L"s.bin"), std::string(100, 's')));
    {
        DialogAnswers answers({{L"Brindlex 7", IDNO}, {L"Brindlex 7", IDYES}});
        Offer("DCC SEND s.bin " + kPublic + " 5000 100");
        Offer("DCC SEND s.bin " + kPublic + " 5000 100");
        EXPECT_EQ(answers.Answered(), 2u);
    }
    ASSERT_TRUE(WaitStarted(3));
    Sleep(500);
    ASSERT_EQ(Started().size(), 3u);
    const std::string all = ReadFileBytes(program_->File(L"started.txt"));
    EXPECT_NE(all.find(" tdcc get 0 100 " + Saved("z.bin")), std::string::npos);
    EXPECT_NE(all.find(" dcc get 0 100 " + Saved("s.bin")), std::string::npos);
}
