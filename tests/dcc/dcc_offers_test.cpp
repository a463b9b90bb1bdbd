// File offers and resume answers through the CTCP filter to the real transfer program: the
// command line qx gets, the file it then receives from a loopback sender, the requests sent back,
// and what is refused.
#include "tests/dcc/dcc_test_support.h"

#include "common/xstring.h"
#include "tests/assist/dialog_answers.h"

namespace {

class DccOffers : public DccTest {
protected:
    // From a sender on this host: an offer may name a loopback address only when the server
    // reports the sender there.
    void Offer(const std::string& body, const std::string& from = "eve",
               const std::string& host = "127.0.0.1") {
        Handle(":" + from + "!e@" + host + " PRIVMSG me :\x01" + body + "\x01");
    }
    std::string Program() const { return "\"" + WideToNarrow(program_->Path()) + "\\qx.EXE\" "; }
    std::string Saved(const std::string& name) const {
        return "\"" + WideToNarrow(downloads_->Path()) + "\\" + name + "\" ";
    }
    std::string Received(const std::string& name) const {
        return ReadFileBytes(downloads_->File(NarrowToWide(name).c_str()));
    }
    bool SentContains(const std::string& text) {
        for (const std::string& line : Sent(2000))
            if (line.find(text) != std::string::npos) return true;
        return false;
    }
};

// 127.0.0.1 as the number an offer carries (host byte order).
const std::string kLoopback = "2130706433";

} // namespace

TEST_F(DccOffers, AcceptedOffersStartQxWithTheDocumentedCommandLine) {
    SetConfig("Cfg\\Options3\\File_Transfers", "Auto_Accept", "1");
    struct Case {
        std::string Word, Name, Address;
        std::string Bytes;
        std::string Arguments; // after the program and before the port; then the rest up to the path
        std::string Saved;
    };
    const std::string lots(100000, 'x');
    const Case cases[] = {
        {"SEND", "f.txt", kLoopback, "hello", "out 127.0.0.1 ", "f.txt"},
        {"TSEND", "g.txt", "127.0.0.1", lots, "out 127.0.0.1 ", "g.txt"},
        {"SEND", "..\\..\\windows\\evil.dll", kLoopback, "MZ", "out 127.0.0.1 ", "evil.dll"},
        {"SEND", "\"two words.txt\"", kLoopback, "two", "out 127.0.0.1 ", "two words.txt"},
        {"SEND", "CON", "::1", "", "out ::1 ", "_CON"},
    };
    size_t count = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const bool ipv6 = c.Address.find(':') != std::string::npos;
        OfferedFile sender(c.Bytes, 0, ipv6);
        const std::string port = std::to_string(sender.Port());
        Offer("DCC " + c.Word + " " + c.Name + " " + c.Address + " " + port + " " +
                  std::to_string(c.Bytes.size()),
              "eve", ipv6 ? "::1" : "127.0.0.1");
        ASSERT_TRUE(WaitStarted(++count));
        EXPECT_EQ(CommandLine(count - 1), Program() + c.Arguments + port + (ipv6 ? " ipv6 " : " ipv4 ") +
                                              (c.Word[0] == 'T' ? "tdcc" : "dcc") + " get 0 " +
                                              std::to_string(c.Bytes.size()) + " " + Saved(c.Saved));
        EXPECT_TRUE(Completed(count - 1));
        EXPECT_TRUE(Received(c.Saved) == c.Bytes);
    }
    // Nothing landed outside the download folder.
    EXPECT_EQ(GetFileAttributesW(program_->File(L"evil.dll").c_str()), INVALID_FILE_ATTRIBUTES);
}

// A passive offer: qx listens on the port qv picked and tells the sender; the sender connects there.
TEST_F(DccOffers, APassiveOfferListensAndTellsTheSenderWhere) {
    SetConfig("Cfg\\Options3\\File_Transfers", "Auto_Accept", "1");
    Offer("DCC SEND p.txt 0 0 5");
    ASSERT_TRUE(WaitStarted(1));
    const std::string line = CommandLine(0);
    const std::string head = Program() + "in ";
    ASSERT_EQ(line.rfind(head, 0), 0u) << line;
    const std::string port = line.substr(head.size(), line.find(' ', head.size()) - head.size());
    ASSERT_GT(std::stoul(port), 0u);
    EXPECT_EQ(line.substr(head.size() + port.size()), " ipv4 manual dcc get 0 5 " + Saved("p.txt"));
    EXPECT_TRUE(SentContains(" " + port + "\x01")) << "DCC INDIRECT with our address and the port";
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<u_short>(std::stoul(port)));
    ASSERT_TRUE(WaitUntil(
        [&] { return connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0; }, 20000));
    send(s, "abcde", 5, 0);
    shutdown(s, SD_SEND);
    EXPECT_TRUE(Completed(0));
    closesocket(s);
    EXPECT_EQ(Received("p.txt"), "abcde");
}

TEST_F(DccOffers, BlockedFilesAreRefusedWithoutAQuestion) {
    SetConfig("Cfg\\Options3\\File_Transfers", "Blocked_Files", "*.exe *.scr");
    Offer("DCC SEND SETUP.EXE " + kLoopback + " 5000 100");
    EXPECT_TRUE(PrintedContains(Server(), Lang(11)));
    SetConfig("Cfg\\Options3\\File_Transfers", "Blocked_Files", "*");
    CallLog::Instance().Clear();
    Offer("DCC SEND notes.txt " + kLoopback + " 5000 100");
    EXPECT_TRUE(PrintedContains(Server(), Lang(11)));
    // Without auto-accept the user is asked; No starts nothing either.
    SetConfig("Cfg\\Options3\\File_Transfers", "Blocked_Files", "");
    {
        DialogAnswers answers({{L"Brindlex 7", IDNO}});
        Offer("DCC SEND asked.txt " + kLoopback + " 5000 100");
        EXPECT_EQ(answers.Answered(), 1u);
        EXPECT_NE(answers.Seen().find(L"asked.txt\t[100 B]"), std::wstring::npos);
    }
    Sleep(500);
    EXPECT_TRUE(QxChildren().empty());
}

// A shorter file is resumed: RESUME goes out, and only the matching ACCEPT starts qx, once; qx
// then appends the rest to what was there.
TEST_F(DccOffers, ResumeIsTakenOnlyFromTheMatchingAcceptance) {
    SetConfig("Cfg\\Options3\\File_Transfers", "Auto_Accept", "1");
    const std::string whole = std::string(40, 'r') + std::string(60, 'R');
    ASSERT_TRUE(WriteFileBytes(downloads_->File(L"r.bin"), whole.substr(0, 40)));
    OfferedFile rest(whole, 40);
    const std::string port = std::to_string(rest.Port());
    {
        DialogAnswers answers({{L"Brindlex 7", IDYES}});
        Offer("DCC SEND r.bin " + kLoopback + " " + port + " 100");
        EXPECT_EQ(answers.Answered(), 1u);
    }
    EXPECT_TRUE(SentContains("PRIVMSG eve :\x01"
                             "DCC RESUME r.bin " +
                             port + " 40\x01"));
    const std::string otherPort = std::to_string(rest.Port() + 1);
    for (const std::string& wrong :
         {"DCC ACCEPT r.bin " + otherPort + " 40", "DCC ACCEPT r.bin " + port + " 39",
          "DCC ACCEPT other.bin " + port + " 40"})
        Offer(wrong);
    Offer("DCC ACCEPT r.bin " + port + " 40", "mallory");
    Offer("DCC ACCEPT r.bin " + port + " 40");
    Offer("DCC ACCEPT r.bin " + port + " 40"); // the request was answered already
    ASSERT_TRUE(WaitStarted(1));
    Sleep(500);
    ASSERT_EQ(QxChildren().size(), 1u);
    EXPECT_EQ(CommandLine(0), Program() + "out 127.0.0.1 " + port + " ipv4 dcc get 40 100 " + Saved("r.bin"));
    EXPECT_TRUE(Completed(0));
    EXPECT_EQ(Received("r.bin"), whole);

    // An empty file is no file: no question. One as large as the offer is received anew on Yes.
    const std::string fresh(100, 'n');
    OfferedFile z(fresh), s(fresh);
    ASSERT_TRUE(WriteFileBytes(downloads_->File(L"z.bin"), ""));
    Offer("DCC TSEND z.bin " + kLoopback + " " + std::to_string(z.Port()) + " 100");
    ASSERT_TRUE(WriteFileBytes(downloads_->File(L"s.bin"), std::string(100, 's')));
    {
        DialogAnswers answers({{L"Brindlex 7", IDNO}, {L"Brindlex 7", IDYES}});
        Offer("DCC SEND s.bin " + kLoopback + " " + std::to_string(s.Port()) + " 100");
        Offer("DCC SEND s.bin " + kLoopback + " " + std::to_string(s.Port()) + " 100");
        EXPECT_EQ(answers.Answered(), 2u);
    }
    ASSERT_TRUE(WaitStarted(3));
    Sleep(500);
    ASSERT_EQ(QxChildren().size(), 2u); // the first was closed
    EXPECT_NE(CommandLine(1).find(" tdcc get 0 100 " + Saved("z.bin")), std::string::npos);
    EXPECT_NE(CommandLine(2).find(" dcc get 0 100 " + Saved("s.bin")), std::string::npos);
    EXPECT_TRUE(Completed(1));
    EXPECT_TRUE(Completed(2));
    EXPECT_EQ(Received("z.bin"), fresh);
    EXPECT_EQ(Received("s.bin"), fresh);
}
