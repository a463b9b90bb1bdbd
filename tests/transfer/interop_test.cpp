// qx against the DCC of real clients from Debian (irssi in tmux, WeeChat without its interface),
// connected to a test ngircd on loopback. The test's own IRC client plays qv's part: it reads the
// peer's offers and makes offers of its own, and starts qx with the command line qv would write.
// "tdcc" runs qx without acknowledgements against a peer that still speaks the acknowledged form
// (neither peer knows TSEND): the data must arrive whole all the same.
#include "tests/transfer/interop_peers.h"

#include "tests/irc_tls/linux_peer.h"
#include "tests/support/test_files.h"
#include "tests/transfer/transfer_test_support.h"

#include <gtest/gtest.h>

namespace {

struct Round {
    size_t Size;
    const wchar_t* Protocol;
};

// Sizes and protocols both peers are tried with: empty, one byte, 10 MB, and without
// acknowledgements.
const Round kRounds[] = {{0, L"dcc"}, {1, L"dcc"}, {10000000, L"dcc"}, {3000000, L"tdcc"}};

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

// The peer has offered the bytes under the name: qx takes the offer and gets them whole.
void TakeOffer(IrcClient& client, const TestFolder& folder, const std::wstring& name,
               const std::string& bytes, const wchar_t* protocol) {
    Offer offer;
    ASSERT_TRUE(ReadOffer(client, offer, Narrow(name)));
    EXPECT_EQ(offer.Size, bytes.size());
    const std::wstring target = folder.File((L"received_" + name).c_str());
    {
        QxProcess qx(L"out 127.0.0.1 " + std::to_wstring(offer.Port) + L" ipv4 " + protocol + L" get 0 " +
                     std::to_wstring(offer.Size) + L" \"" + target + L"\"");
        EXPECT_TRUE(RunToEnd(qx));
    }
    EXPECT_TRUE(ReadFileBytes(target) == bytes);
}

// The peer sends each round's file (typed into it); qx receives each whole.
template <typename Peer> void ReceiveFiles(IrcClient& client, const TestFolder& folder, Peer& peer) {
    for (const Round& round : kRounds) {
        SCOPED_TRACE(testing::Message() << round.Size << " " << Narrow(round.Protocol));
        const std::string bytes = RandomBytes(round.Size, 21);
        const std::wstring name = L"from_peer_" + std::to_wstring(round.Size) + round.Protocol + L".bin";
        ASSERT_TRUE(WriteFileBytes(folder.File(name.c_str()), bytes));
        ASSERT_TRUE(peer.Type("/dcc send qxpeer " + UnixPath(folder.File(name.c_str()))));
        TakeOffer(client, folder, name, bytes, round.Protocol);
    }
}

// qx offers each round's file, which the peer takes into its downloads whole.
template <typename Peer>
void OfferFiles(IrcClient& client, const TestFolder& folder, const std::string& nick, Peer& peer) {
    for (const Round& round : kRounds) {
        SCOPED_TRACE(testing::Message() << round.Size << " " << Narrow(round.Protocol));
        const std::string bytes = RandomBytes(round.Size, 22);
        const std::wstring name = L"offered_" + std::to_wstring(round.Size) + round.Protocol + L".bin";
        const std::wstring path = folder.File(name.c_str());
        ASSERT_TRUE(WriteFileBytes(path, bytes));
        peer.Acknowledge(std::wstring(round.Protocol) == L"dcc");
        const uint16_t port = FreeTransferPort();
        QxProcess qx(L"in " + std::to_wstring(port) + L" ipv4 manual " + round.Protocol + L" send 0 0 \"" +
                     path + L"\"");
        ASSERT_TRUE(qx.WaitForWindow(L"Transfer"));
        client.Send(Ctcp(nick, "DCC SEND " + Narrow(name) + " 2130706433 " + std::to_string(port) + " " +
                                   std::to_string(round.Size)));
        EXPECT_TRUE(RunToEnd(qx));
        EXPECT_TRUE(WaitForFileSize(peer.Download(name), round.Size));
        EXPECT_TRUE(ReadFileBytes(peer.Download(name)) == bytes);
    }
}

// A sparse file just past 4 GiB, resumed at 4 GiB + 1 both ways, so only its last megabytes
// travel: the peer sends and qx asks to resume; then qx sends and the peer, finding its part,
// asks to resume. The peers answer a large file with the low 32 bits in four bytes.
template <typename Peer>
void ResumePast4GiBBothWays(IrcClient& client, const TestFolder& folder, const std::string& nick,
                            Peer& peer) {
    const uint64_t offset = 0x100000000ull + 1;
    const std::string tail = RandomBytes(3 << 20, 23);
    const uint64_t size = offset + tail.size();

    const std::wstring source = folder.File(L"big_from_peer.bin"), target = folder.File(L"big_part.bin");
    ASSERT_TRUE(WriteSparseFile(source, size, tail));
    ASSERT_TRUE(WriteSparseFile(target, offset, ""));
    ASSERT_TRUE(peer.Type("/dcc send qxpeer " + UnixPath(source)));
    Offer offer;
    ASSERT_TRUE(ReadOffer(client, offer, "big_from_peer.bin"));
    ASSERT_EQ(offer.Size, size);
    client.Send(Ctcp(nick, "DCC RESUME " + offer.Name + " " + std::to_string(offer.Port) + " " +
                               std::to_string(offset)));
    std::istringstream accepted;
    ASSERT_TRUE(ReadRequest(client, "DCC ACCEPT", accepted));
    {
        QxProcess qx(L"out 127.0.0.1 " + std::to_wstring(offer.Port) + L" ipv4 dcc get " +
                     std::to_wstring(offset) + L" " + std::to_wstring(size) + L" \"" + target + L"\"");
        EXPECT_TRUE(RunToEnd(qx));
    }
    EXPECT_EQ(FileSizeOf(target), size);
    EXPECT_TRUE(ReadFileTail(target, offset) == tail);

    const std::wstring name = L"big_to_peer.bin";
    const std::wstring outgoing = folder.File(name.c_str());
    ASSERT_TRUE(WriteSparseFile(outgoing, size, tail));
    ASSERT_TRUE(WriteSparseFile(peer.Partial(name), offset, ""));
    const uint16_t port = FreeTransferPort();
    client.Send(Ctcp(nick, "DCC SEND big_to_peer.bin 2130706433 " + std::to_string(port) + " " +
                               std::to_string(size)));
    std::istringstream resume;
    ASSERT_TRUE(ReadRequest(client, "DCC RESUME", resume));
    std::string resumeName, resumePort;
    uint64_t resumeAt = 0;
    resume >> resumeName >> resumePort >> resumeAt;
    ASSERT_EQ(resumeAt, offset);
    QxProcess qx(L"in " + std::to_wstring(port) + L" ipv4 manual dcc send " + std::to_wstring(resumeAt) +
                 L" 0 \"" + outgoing + L"\"");
    ASSERT_TRUE(qx.WaitForWindow(L"Transfer"));
    client.Send(Ctcp(nick, "DCC ACCEPT " + resumeName + " " + resumePort + " " + std::to_string(resumeAt)));
    EXPECT_TRUE(RunToEnd(qx));
    EXPECT_TRUE(WaitForFileSize(peer.Download(name), size));
    EXPECT_TRUE(ReadFileTail(peer.Download(name), offset) == tail);
}

class IrssiInterop : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server_.WaitReady());
        client_ = std::make_unique<IrcClient>(server_.Port(), "qxpeer");
        ASSERT_TRUE(client_->WaitFor(" 001 ", 10000));
        irssi_ = std::make_unique<IrssiPeer>(server_.Port(), folder_.Path());
        ASSERT_TRUE(irssi_->Started());
        ASSERT_TRUE(Online(*client_, "irssinick"));
    }
    TestFolder folder_;
    NgircdServer server_;
    std::unique_ptr<IrcClient> client_;
    std::unique_ptr<IrssiPeer> irssi_;
};

TEST_F(IrssiInterop, QxReceivesFromIrssi) {
    ReceiveFiles(*client_, folder_, *irssi_);
}

TEST_F(IrssiInterop, QxSendsToIrssi) {
    OfferFiles(*client_, folder_, "irssinick", *irssi_);
}

TEST_F(IrssiInterop, SparseFilePast4GiBResumedBothWays) {
    ResumePast4GiBBothWays(*client_, folder_, "irssinick", *irssi_);
}

class WeechatInterop : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server_.WaitReady());
        client_ = std::make_unique<IrcClient>(server_.Port(), "qxpeer");
        ASSERT_TRUE(client_->WaitFor(" 001 ", 10000));
        weechat_ = std::make_unique<WeechatPeer>(server_.Port());
        ASSERT_TRUE(weechat_->Started());
        ASSERT_TRUE(Online(*client_, "weenick")) << weechat_->Log();
    }
    TestFolder folder_;
    NgircdServer server_;
    std::unique_ptr<IrcClient> client_;
    std::unique_ptr<WeechatPeer> weechat_;
};

TEST_F(WeechatInterop, QxReceivesFromWeechatAndSendsToIt) {
    ReceiveFiles(*client_, folder_, *weechat_);
    OfferFiles(*client_, folder_, "weenick", *weechat_);
}

TEST_F(WeechatInterop, SparseFilePast4GiBResumedBothWays) {
    ResumePast4GiBBothWays(*client_, folder_, "weenick", *weechat_);
}

} // namespace
