// File offers and resume answers through the CTCP filter to the real transfer program: the
// command line qx gets, the file it then receives from a loopback sender, the requests sent back,
// and what is refused.
#include "tests/dcc/dcc_test_support.h"

#include "common/xstring.h"
#include "core/interface_thread_call.h"
#include "core/window_list.h"
#include "peer/own_files.h"
#include "peer/questions_in_turn.h"
#include "tests/assist/dialog_answers.h"

#include <atomic>

namespace {

class DccOffers : public DccTest {
protected:
    // From a sender the server reports on this host, or on the host given.
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
    size_t PrintedCount(const std::string& text) const {
        size_t count = 0;
        for (const std::string& line : PrintedIn(Server())) count += line.find(text) != std::string::npos;
        return count;
    }
};

// Waits (without pumping: the interface thread is inside the question) for an offer's question
// to show its texts; null when none came in time.
HWND WaitForQuestion(std::wstring& texts) {
    HWND question = nullptr;
    WaitUntil(
        [&] {
            question = FindProcessWindow(L"Brindlex 7");
            return question && (texts = WindowTexts(question)).find(L" B]") != std::wstring::npos;
        },
        20000);
    return question;
}

void AnswerQuestion(HWND question, int button) {
    PostMessageW(question, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    WaitUntil([&] { return !IsWindow(question) || !IsWindowVisible(question); }, 20000);
}

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
    // The question was asked and acted on before the offer's line returned: a program it started
    // would be running by now.
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
    // Every acceptance was handled before its line returned, so a second start would be running.
    ASSERT_TRUE(WaitStarted(1));
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
    ASSERT_EQ(QxChildren().size(), 2u); // the first was closed
    EXPECT_NE(CommandLine(1).find(" tdcc get 0 100 " + Saved("z.bin")), std::string::npos);
    EXPECT_NE(CommandLine(2).find(" dcc get 0 100 " + Saved("s.bin")), std::string::npos);
    EXPECT_TRUE(Completed(1));
    EXPECT_TRUE(Completed(2));
    EXPECT_EQ(Received("z.bin"), fresh);
    EXPECT_EQ(Received("s.bin"), fresh);
}

// Offers from the connection thread wait for the interface thread and are asked there one at a
// time, in order; the connection goes on meanwhile and answers the server with a question open.
// Offers past the bound of waiting questions are refused with a line.
TEST_F(DccOffers, QuestionsAreAskedInTurnWhileTheConnectionGoesOn) {
    const size_t offers = peer::kMaxWaitingQuestions + 2;
    std::thread connection([&] {
        for (size_t i = 0; i < offers; ++i)
            Offer("DCC SEND f" + std::to_string(i) + ".txt " + kLoopback + " 5000 100");
    });
    connection.join(); // nothing waited for an answer
    EXPECT_EQ(PrintedCount("offers wait for an answer already"), offers - peer::kMaxWaitingQuestions);

    std::atomic<size_t> asked{0};
    std::string pong;
    std::wstring order;
    std::thread person([&] {
        for (size_t i = 0; i < peer::kMaxWaitingQuestions; ++i) {
            std::wstring texts;
            HWND question = WaitForQuestion(texts);
            if (!question) return;
            if (i == 0) {
                Handle("PING :while-asked"); // as the connection thread would
                pong = scripted_->ReadLine(10000).value_or("<none>");
            }
            order += texts + L"|";
            AnswerQuestion(question, IDNO);
            ++asked;
        }
    });
    EXPECT_TRUE(PumpUntil([&] { return asked == peer::kMaxWaitingQuestions; }, 120000));
    person.join();
    EXPECT_EQ(pong, "PONG :while-asked");
    size_t at = 0;
    for (size_t i = 0; i < peer::kMaxWaitingQuestions; ++i) {
        const size_t next = order.find(L"f" + std::to_wstring(i) + L".txt", at);
        ASSERT_NE(next, std::wstring::npos) << i << " " << WideToNarrow(order);
        at = next;
    }
    EXPECT_TRUE(QxChildren().empty());
}

// The window an offer came through closes while its question is open: the answer sends and
// starts nothing.
TEST_F(DccOffers, AnAnswerAfterTheWindowClosedDoesNothing) {
    SetConfig("Cfg\\Options3\\File_Transfers", "Auto_Accept", "1");
    ASSERT_TRUE(WriteFileBytes(downloads_->File(L"r.bin"), "part"));
    std::thread connection([&] { Offer("DCC SEND r.bin " + kLoopback + " 5000 100"); });
    connection.join();
    std::atomic<bool> answered{false};
    std::thread person([&] {
        HWND question = nullptr;
        WaitUntil([&] { return (question = FindProcessWindow(L"Brindlex 7")) != nullptr; }, 20000);
        RunOnInterfaceThread([&] { EraseWindowRecord(Server()); });
        AnswerQuestion(question, IDYES);
        answered = true;
    });
    EXPECT_TRUE(PumpUntil([&] { return answered.load(); }, 30000));
    person.join();
    RunOnInterfaceThread([&] { InsertWindowRecord(Server()); });
    EXPECT_FALSE(SentContains("RESUME"));
    EXPECT_TRUE(QxChildren().empty());
}

// An offer from a private or loopback address, the sender's host cloaked by the server, reaches
// the question, which shows the address and port the offer named so that the user decides.
TEST_F(DccOffers, OffersFromPrivateAndLoopbackAddressesReachTheQuestion) {
    struct Case {
        std::string Body;
        std::wstring Shown;
        const wchar_t* Caption;
    };
    const Case cases[] = {
        {"DCC SEND f.txt 3232235777 5000 100", L"192.168.1.1:5000", L"Brindlex 7"},
        {"DCC SEND g.txt ::1 5001 100", L"::1:5001", L"Brindlex 7"},
        {"DCC CHAT chat 3232235777 5002", L"192.168.1.1:5002", L"Brindlex"},
        {"DCC CHAT chat ::1 5003", L"::1:5003", L"Brindlex"},
    };
    for (const Case& c : cases) {
        std::wstring texts;
        std::thread person([&] {
            HWND question = nullptr;
            WaitUntil(
                [&] {
                    question = FindProcessWindow(c.Caption);
                    return question && (texts = WindowTexts(question)).find(c.Shown) != std::wstring::npos;
                },
                20000);
            if (question) AnswerQuestion(question, IDNO);
        });
        Offer(c.Body, "eve", "cloaked/eve");
        person.join();
        EXPECT_NE(texts.find(c.Shown), std::wstring::npos) << c.Body << " " << WideToNarrow(texts);
    }
    EXPECT_TRUE(QxChildren().empty());
    EXPECT_TRUE(FrameOpenedWindows().empty());
}

// A chat offer's question runs the interface thread's messages: the server window closing meanwhile
// leaves a Yes with nothing to open.
TEST_F(DccOffers, AChatAcceptedAfterItsWindowClosedOpensNothing) {
    std::atomic<bool> asked{false};
    std::thread person([&] {
        HWND question = nullptr;
        WaitUntil([&] { return (question = FindProcessWindow(L"Brindlex")) != nullptr; }, 20000);
        RunOnInterfaceThread([&] { EraseWindowRecord(Server()); });
        asked = question != nullptr;
        if (question) AnswerQuestion(question, IDYES);
    });
    Offer("DCC CHAT chat " + kLoopback + " 5000");
    person.join();
    InsertWindowRecord(Server());
    EXPECT_TRUE(asked.load());
    EXPECT_TRUE(FrameOpenedWindows().empty());
}

// Whatever the folder, a received file never takes the name of the program's own files (an
// existing qv.xml in the download folder, as in the program-folder layout, never reaches the
// overwrite question), and nothing received goes into the program's folder.
TEST_F(DccOffers, TheProgramsOwnFilesAreNeverReceived) {
    SetConfig("Cfg\\Options3\\File_Transfers", "Auto_Accept", "1");
    ASSERT_TRUE(WriteFileBytes(downloads_->File(L"qv.xml"), "<settings/>"));
    DialogAnswers answers({{L"Brindlex 7", IDYES}}, true);
    const char* const names[] = {"qv.xml",     "QV.INI", "temp.xml.",  "qvlang.dll",
                                 "extras.xml", "qx.exe", "part.xmltmp"};
    for (const char* name : names) Offer("DCC SEND " + std::string(name) + " " + kLoopback + " 5000 5");
    SetConfig("Cfg\\Options3\\File_Transfers", "Default_Download_Directory",
              WideToNarrow(program_->Path()).c_str());
    Offer("DCC SEND version.dll " + kLoopback + " 5000 5");
    EXPECT_EQ(PrintedCount("refused: a received file never takes the name"), std::size(names) + 1);
    EXPECT_EQ(answers.Answered(), 0u);
    EXPECT_EQ(ReadFileBytes(downloads_->File(L"qv.xml")), "<settings/>");
    EXPECT_TRUE(QxChildren().empty());
    // A path the save dialog gives is checked the same way.
    const std::wstring folder = downloads_->Path() + L"\\";
    EXPECT_TRUE(peer::IsProgramOwnFile(folder + L"Qv.Xml. . "));
    EXPECT_TRUE(peer::IsProgramOwnFile(folder + L"qv.xml:stream"));
    EXPECT_TRUE(peer::IsProgramOwnFile(program_->Path() + L"\\sub\\..\\notes.txt"));
    EXPECT_FALSE(peer::IsProgramOwnFile(folder + L"qv.xml.txt"));
    EXPECT_FALSE(peer::IsProgramOwnFile(program_->Path() + L"\\UCFG\\notes.txt"));
}
