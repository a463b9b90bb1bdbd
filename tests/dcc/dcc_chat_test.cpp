// DCC chats with peers over loopback: lines both ways, a line split over two reads shown once,
// voice frames between lines, a hostile frame length, the listening side, and TLS in the client
// role with openssl s_server.
#include "tests/dcc/dcc_test_support.h"

#include "common/xstring.h"
#include "core/dcc_connection.h"
#include "irc/send_path.h"
#include "peer/dcc_offers.h"
#include "tests/irc_tls/test_certificates.h"
#include "tests/irc_tls/test_peers.h"

namespace {

class DccChat : public DccTest {
protected:
    // A DCC chat window with its connection, and the chat thread started on it, as an accepted
    // offer (direction 1) or our own offer (direction 0) starts it.
    WindowRecord* StartChat(uint32_t direction, uint16_t port, bool tls) {
        WindowRecord* chat = Open(kDccChatWindow, "peer");
        if (!chat) return nullptr;
        DccChatSetup setup;
        setup.LocalName = "me";
        setup.PeerName = "peer";
        setup.Direction = direction;
        setup.UseTls = tls ? 1 : 0;
        setup.Port = port;
        setup.PeerHost = "127.0.0.1";
        StartDccChatThread(chat, setup);
        return chat;
    }
    bool StartPeer(LinuxPeer& peer, uint16_t port, const char* mode) {
        const std::string script = std::string(BRINDLEX_TEST_SOURCE_DIR) + "/dcc_chat_peer.py";
        return peer.Start(MakeTestFolder(L"dccpeer"),
                          "/usr/bin/python3 " + ShellQuote(script) + " " + std::to_string(port) + " " + mode,
                          port);
    }
    // Our own offer on a free port, and a plain peer connected to it; INVALID_SOCKET when the
    // chat did not listen or the peer could not connect.
    SOCKET ConnectToOwnOffer(WindowRecord*& chat, bool tls) {
        const uint16_t port = FreeLoopbackPort();
        chat = StartChat(0, port, tls);
        SOCKET peer = INVALID_SOCKET;
        if (chat && WaitPrinted(chat, std::to_string(port)))
            PumpUntil([&] { return (peer = ConnectLoopback(port, AF_INET)) != INVALID_SOCKET; }, 20000);
        return peer;
    }
    size_t CountPrinted(const WindowRecord* window, const std::string& text) const {
        size_t count = 0;
        for (const std::string& line : PrintedIn(window)) count += line == text ? 1 : 0;
        return count;
    }
};

} // namespace

// Stream parsing alone: where text and frames meet, and the bounds.
TEST(DccChatStream, CutsLinesAndFramesFromOneStream) {
    const std::string frame2 = std::string("\0\2\2\0\0\0xy", 8);
    struct Case {
        const char* Name;
        std::vector<std::string> Reads;
        std::vector<std::string> Lines;
        size_t Frames;
        bool Ends;
    };
    const std::string big(25000, 'b');
    const Case cases[] = {
        {"split line", {"hel", "lo\r\n"}, {"hello"}, 0, false},
        {"two lines in one read", {"one\r\ntwo\n"}, {"one", "two"}, 0, false},
        {"frame between lines", {"a\r\n" + frame2 + "b\r\n"}, {"a", "b"}, 1, false},
        {"frame split over reads",
         {"a\r\n" + frame2.substr(0, 3), frame2.substr(3) + "b\r\n"},
         {"a", "b"},
         1,
         false},
        {"a line at the bound",
         {big.substr(0, 20000) + "\r", "\nnext\n"},
         {big.substr(0, 20000), "next"},
         0,
         false},
        {"text past the bound ends the chat",
         {"ok\n" + big.substr(0, 12000), big.substr(0, 8001) + "\n"},
         {"ok"},
         0,
         true},
        {"1 GB frame", {std::string("\0\0\0\0\0\x40", 6)}, {}, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        peer::DccChatStream stream;
        bool ended = false;
        for (const std::string& read : c.Reads) ended |= !stream.Feed(read.data(), read.size());
        EXPECT_EQ(stream.TakeLines(), c.Lines);
        EXPECT_EQ(stream.TakeFrames().size(), c.Frames);
        EXPECT_EQ(ended, c.Ends);
    }
}

TEST_F(DccChat, LinesBothWaysWithAPeerThatListens) {
    LinuxPeer peer;
    const uint16_t port = FreeLoopbackPort();
    ASSERT_TRUE(StartPeer(peer, port, "talk")) << peer.Log();
    WindowRecord* chat = StartChat(1, port, false);
    ASSERT_NE(chat, nullptr);
    ASSERT_TRUE(WaitPrinted(chat, "\x01"
                                  "ACTION waves\x01"));
    EXPECT_EQ(CountPrinted(chat, "hello"), 1u) << "shown once, when its line feed came";
    EXPECT_EQ(CountPrinted(chat, "hel"), 0u);
    EXPECT_EQ(CountPrinted(chat, "one"), 1u);
    EXPECT_EQ(CountPrinted(chat, "two"), 1u);
    EXPECT_TRUE(PrintedContains(chat, Lang(25))) << "the voice frame between the lines";
    const std::string line = "hi there\r\n";
    EXPECT_EQ(DccChatSend(line.data(), chat, static_cast<uint32_t>(line.size())), line.size());
    EXPECT_TRUE(WaitPrinted(chat, "got hi there"));
    EXPECT_TRUE(WaitPrinted(chat, Lang(53))) << "the peer hung up";
    EXPECT_TRUE(IsWindow(chat->Window)) << "the window stays";
}

// A frame longer than the bound, or 10 MB of text without a line feed: what came before is
// shown, then a notice says why the chat ends, and it ends.
TEST_F(DccChat, APeerBreakingABoundEndsTheChatWithANotice) {
    for (const char* mode : {"hostile", "flood"}) {
        SCOPED_TRACE(mode);
        LinuxPeer peer;
        const uint16_t port = FreeLoopbackPort();
        ASSERT_TRUE(StartPeer(peer, port, mode)) << peer.Log();
        WindowRecord* chat = StartChat(1, port, false);
        ASSERT_NE(chat, nullptr);
        ASSERT_TRUE(WaitPrinted(chat, Lang(53)));
        EXPECT_EQ(CountPrinted(chat, "before"), 1u);
        const auto fault = std::string(mode) == "flood" ? peer::DccChatStream::Fault::LineTooLong
                                                        : peer::DccChatStream::Fault::FrameTooLong;
        EXPECT_EQ(CountPrinted(chat, WideToNarrow(peer::ChatFaultNotice(fault))), 1u);
        EXPECT_EQ(PrintedIn(chat).size(), 5u) << "the connecting lines, before, the notice and the end";
    }
}

// Our own offer: the window listens, one peer connects; closing the peer ends the session, and a
// window closed while it waits ends its thread.
TEST_F(DccChat, ListensForThePeer) {
    WindowRecord* chat = nullptr;
    const SOCKET peer = ConnectToOwnOffer(chat, false);
    ASSERT_NE(peer, INVALID_SOCKET);
    ASSERT_TRUE(WaitPrinted(chat, "127.0.0.1"));
    const std::string text = "from the peer\r\n";
    send(peer, text.data(), static_cast<int>(text.size()), 0);
    EXPECT_TRUE(WaitPrinted(chat, "from the peer"));
    const std::string answer = "to the peer\r\n";
    EXPECT_EQ(DccChatSend(answer.data(), chat, static_cast<uint32_t>(answer.size())), answer.size());
    char got[100] = {};
    EXPECT_EQ(recv(peer, got, sizeof got, 0), static_cast<int>(answer.size()));
    closesocket(peer);
    EXPECT_TRUE(WaitPrinted(chat, Lang(53)));

    WindowRecord* waiting = StartChat(0, FreeLoopbackPort(), false);
    ASSERT_NE(waiting, nullptr);
    ASSERT_TRUE(WaitPrinted(waiting, Lang(55).substr(0, 10)));
    DestroyWindow(waiting->Window); // returns once the thread has ended
}

TEST_F(DccChat, TlsInTheClientRoleWithOpensslServer) {
    ASSERT_TRUE(GetTestCertificates().Made);
    OpensslServer server;
    ASSERT_TRUE(server.Start(GetTestCertificates().Good, GetTestCertificates().GoodKey)) << server.Peer.Log();
    WindowRecord* chat = StartChat(1, server.Port, true);
    ASSERT_NE(chat, nullptr);
    ASSERT_TRUE(WaitPrinted(chat, Lang(59))) << server.Peer.Log();
    const std::string line = "hello over tls\n";
    EXPECT_EQ(DccChatSend(line.data(), chat, static_cast<uint32_t>(line.size())), line.size());
    EXPECT_TRUE(WaitPrinted(chat, "slt revo olleh"));
}

// A peer that does not speak TLS: the chat ends, and nothing it sent is shown as chat.
TEST_F(DccChat, AFailedHandshakeEndsTheChat) {
    LinuxPeer peer;
    const uint16_t port = FreeLoopbackPort();
    ASSERT_TRUE(StartPeer(peer, port, "talk")) << peer.Log();
    WindowRecord* chat = StartChat(1, port, true);
    ASSERT_NE(chat, nullptr);
    ASSERT_TRUE(WaitPrinted(chat, Lang(53)));
    EXPECT_FALSE(PrintedContains(chat, Lang(59)));
    EXPECT_EQ(CountPrinted(chat, "hello"), 0u);
}

// An encrypted chat we offer makes us its TLS server; when that handshake fails (as it always does
// under Wine 8, whose Schannel has no server role) the window says why before the chat ends.
TEST_F(DccChat, AFailedHandshakeAsTheOfferingSideSaysWhy) {
    WindowRecord* chat = nullptr;
    const SOCKET peer = ConnectToOwnOffer(chat, true);
    ASSERT_NE(peer, INVALID_SOCKET);
    closesocket(peer); // no TLS from this peer: the handshake fails wherever it runs
    ASSERT_TRUE(WaitPrinted(chat, Lang(53)));
    EXPECT_TRUE(PrintedContains(chat, "acts as the TLS server"));
    EXPECT_FALSE(PrintedContains(chat, Lang(59)));
}
