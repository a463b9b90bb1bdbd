// Objects offered and fetched over loopback: between the program's own two sides, and from a
// Python sender that misbehaves.
#include <gtest/gtest.h>

#include "common/crc32.h"
#include "common/lang_strings.h"
#include "common/xstring.h"
#include "core/object_transfer.h"
#include "peer/object_exchange.h"
#include "tests/ax_control/test_control_registration.h"
#include "tests/irc_tls/linux_peer.h"
#include "tests/peer/peer_test_support.h"
#include "tests/support/test_files.h"

#include <string>

namespace {

constexpr DWORD kWait = 20000;

const std::string kAccepted = WideToNarrow(std::wstring(kTestControlClsidText));

ObjectTransfer* FetchJob(uint16_t port, const std::wstring& sent, const std::wstring& target, HWND view) {
    auto* job = new ObjectTransfer;
    job->PeerHost = "127.0.0.1";
    job->Port = port;
    job->Size = ReadFileBytes(sent).size();
    job->Crc = Crc32OfFile(sent);
    job->Path = target;
    job->InsertIntoView = 1;
    job->TargetView = view;
    return job;
}

std::wstring Said(int32_t id, const std::wstring& argument = {}, const std::wstring& second = {}) {
    std::wstring text = GetLangString(id);
    for (const std::wstring* value : {&argument, &second}) {
        const size_t at = text.find(L"%s");
        if (at != std::wstring::npos) text.replace(at, 2, *value);
    }
    return text;
}

class ObjectExchange : public testing::Test {
protected:
    static void SetUpTestSuite() { registered_ = RegisterTestControl(); }
    void SetUp() override { ASSERT_TRUE(registered_); }
    static bool registered_;
    TestFolder sender_{L"objsend"};
    TestFolder receiver_{L"objrecv"};
};

bool ObjectExchange::registered_ = false;

TEST_F(ObjectExchange, AnOfferServesEachFetcherWhoseObjectIsShownOnlyAfterYes) {
    PeerTest peer(60, kAccepted);
    const std::wstring gift = sender_.File(L"gift.stg");
    ASSERT_TRUE(WriteControlObject(gift, L"from the sender"));
    const uint16_t port = FreeLoopbackPort();
    StartedOffer offer;
    ASSERT_TRUE(OfferFile(gift, port, offer));

    ASSERT_TRUE(FetchFile(FetchJob(port, gift, receiver_.File(L"gift.stg"), peer.View())));
    ASSERT_TRUE(PumpUntil([&] { return peer.Inserts().size() == 1; }, kWait));
    const SeenInsert first = peer.Inserts()[0];
    EXPECT_EQ(first.Question, Said(27, L"gift.stg"));
    EXPECT_TRUE(first.Clsid == kTestControlClsid);
    EXPECT_TRUE(first.FileThere) << "complete before it is offered for the view";
    EXPECT_EQ(peer.ViewObjectCount(), 1);
    EXPECT_TRUE(PumpUntil([&] { return !FileExists(receiver_.File(L"gift.stg")); }, kWait));
    peer.SaveScreenshot(L"received_object_in_view.png");

    // A second fetcher within the time-out is served too; No shows nothing.
    peer.AnswerQuestions(false);
    ASSERT_TRUE(FetchFile(FetchJob(port, gift, receiver_.File(L"gift.stg"), peer.View())));
    ASSERT_TRUE(PumpUntil([&] { return peer.Inserts().size() == 2; }, kWait));
    EXPECT_EQ(peer.ViewObjectCount(), 1);
    EXPECT_TRUE(PumpUntil([&] { return !FileExists(receiver_.File(L"gift.stg")); }, kWait));

    EXPECT_FALSE(KillObjectOffer(static_cast<SOCKET>(offer.Socket), offer.ThreadId + 1))
        << "the thread must match too";
    EXPECT_TRUE(KillObjectOffer(static_cast<SOCKET>(offer.Socket), offer.ThreadId));
    EXPECT_TRUE(PumpUntil([&] { return IsPortFree(port); }, kWait)) << "the offer stopped listening";
    EXPECT_TRUE(receiver_.Entries().empty());
}

TEST_F(ObjectExchange, AnOfferWithATimeOutOfZeroEndsWhenNobodyComes) {
    PeerTest peer(0, kAccepted);
    const std::wstring gift = sender_.File(L"gift.stg");
    ASSERT_TRUE(WriteControlObject(gift, L"never fetched"));
    const uint16_t port = FreeLoopbackPort();
    StartedOffer offer;
    ASSERT_TRUE(OfferFile(gift, port, offer));
    // Watched without connecting: a connection would count as a fetcher.
    EXPECT_TRUE(PumpUntil([&] { return IsPortFree(port); }, kWait));
    EXPECT_EQ(ObjectOfferSocket(offer.ThreadId), INVALID_SOCKET) << "the offer withdrew its socket";
}

// Each case: what the Python sender serves, what the fetch announces, and what the user is told.
struct HostileCase {
    const char* Name;
    const wchar_t* Served;    // the file the sender serves
    const wchar_t* Target;    // the name the fetch writes (relative to the receiving folder)
    int ExtraBytes;           // sent beyond the announced size
    uint32_t CrcChange;       // added to the announced CRC
    int32_t Told;             // the language string printed
    bool Kept;                // the received file stays (saved, never opened)
    const char* Blocked = ""; // "Blocked_Files"
};

TEST_F(ObjectExchange, HostileSendersAreRefusedAndNothingIsOpened) {
    const HostileCase cases[] = {
        {"more than announced", L"gift.stg", L"gift.stg", 100, 0, 26, false},
        {"wrong CRC", L"gift.stg", L"gift.stg", 0, 1, 26, false},
        {"class nobody accepts", L"foreign.stg", L"foreign.stg", 0, 0, 30, false},
        {"a program", L"run.cmd", L"run.cmd", 0, 0, 28, true},
        {"a way out of the folder", L"gift.stg", L"..\\escaped.stg", 0, 0, 26, false},
        {"a separator in the name", L"gift.stg", L"sub/escaped.stg", 0, 0, 26, false},
        {"a blocked name", L"run.cmd", L"Run.CMD", 0, 0, 11, false, "*.exe *.cmd"},
    };
    ASSERT_TRUE(WriteControlObject(sender_.File(L"gift.stg"), L"hostile"));
    ASSERT_TRUE(WriteForeignObject(sender_.File(L"foreign.stg")));
    ASSERT_TRUE(WriteFileBytes(sender_.File(L"run.cmd"), "echo ran > ran.txt\r\n"));
    const std::string script = std::string(BRINDLEX_TEST_SOURCE_DIR) + "/object_peer.py";

    for (const HostileCase& c : cases) {
        SCOPED_TRACE(c.Name);
        PeerTest peer(60, kAccepted, c.Blocked);
        TestFolder received(L"objhostile");
        const std::wstring peerFolder = MakeTestFolder(L"objpeer");
        const uint16_t port = FreeLoopbackPort();
        LinuxPeer sender;
        ASSERT_TRUE(sender.Start(peerFolder,
                                 "/usr/bin/python3 " + ShellQuote(script) + " " + std::to_string(port) + " " +
                                     ShellQuote(UnixPath(sender_.File(c.Served))) + " " +
                                     std::to_string(c.ExtraBytes),
                                 port))
            << sender.Log();

        ObjectTransfer* job = FetchJob(port, sender_.File(c.Served), received.File(c.Target), peer.View());
        job->Crc += c.CrcChange;
        const std::wstring told = Said(c.Told, c.Target, received.Path());
        ASSERT_TRUE(FetchFile(job));
        ASSERT_TRUE(PumpUntil([&] { return peer.ViewShows(told); }, kWait)) << WideToNarrow(told);

        EXPECT_TRUE(peer.Inserts().empty()) << "nothing was offered for the view";
        EXPECT_EQ(peer.ViewObjectCount(), 0);
        EXPECT_FALSE(FileExists(received.File(L"ran.txt"))) << "the program did not run";
        EXPECT_FALSE(FileExists(received.Path() + L"\\..\\escaped.stg"));
        if (c.Kept) {
            EXPECT_EQ(ReadFileBytes(received.File(c.Target)), ReadFileBytes(sender_.File(c.Served)));
            EXPECT_EQ(received.Entries().size(), 1u);
        } else {
            EXPECT_TRUE(received.Entries().empty()) << "no partial or refused file stays";
        }
        if (c.Told == 11 ||
            (c.Told == 26 && std::wstring(c.Target).find_first_of(L"\\/") != std::wstring::npos)) {
            EXPECT_EQ(ReadFileBytes(peerFolder + L"connections.log"), "connected\n")
                << "refused before connecting (the one connection is the start-up probe's)";
        }
        sender.Stop();
    }
}

} // namespace
