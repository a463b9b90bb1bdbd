// The TLS session against openssl's test server and against scripted peers on loopback.
#include <gtest/gtest.h>

#include "core/dcc_connection.h"
#include "core/window_record.h"
#include "irc/bounded_send.h"
#include "irc/send_path.h"
#include "irc/tls_socket.h"
#include "tests/irc_tls/linux_peer.h"
#include "tests/irc_tls/loopback_server.h"
#include "tests/irc_tls/test_certificates.h"
#include "tests/irc_tls/test_peers.h"
#include "tests/recorders/call_log.h"

#include <memory>
#include <thread>

namespace {

struct ClientSession {
    SOCKET Socket = INVALID_SOCKET;
    std::mutex WriteLock;
    std::unique_ptr<TlsSocket> Tls;

    int Connect(uint16_t port, const wchar_t* target = L"localhost") {
        Socket = ConnectLoopback(port);
        if (Socket == INVALID_SOCKET) return -2;
        Tls = std::make_unique<TlsSocket>(Socket, kTlsClient, nullptr, &WriteLock);
        SetTlsTargetName(Tls.get(), target);
        return TlsClientStart(Tls.get(), 0);
    }
    // Reads until a line feed arrives or the session ends.
    std::string ReadLine() {
        std::string line;
        char buffer[256];
        while (line.find('\n') == std::string::npos) {
            int n = TlsRecv(Tls.get(), buffer, sizeof(buffer));
            if (n < 0) break;
            line.append(buffer, static_cast<size_t>(n));
        }
        return line;
    }
    ~ClientSession() {
        if (Tls) TlsClose(Tls.get());
        Tls.reset();
        if (Socket != INVALID_SOCKET) closesocket(Socket);
    }
};

std::vector<std::string> PrintedLines() {
    std::vector<std::string> lines;
    for (const RecordedCall& call : CallLog::Instance().Calls("PrintToWindow")) lines.push_back(call.Text);
    return lines;
}

class TlsSocketTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(GetTestCertificates().Made) << "openssl could not make the test certificates";
        CallLog::Instance().Clear();
    }
    const TestCertificates& Certs() { return GetTestCertificates(); }
};

TEST_F(TlsSocketTest, ExchangesDataWithOpensslServer) {
    OpensslServer server;
    ASSERT_TRUE(server.Start(Certs().Good, Certs().GoodKey));
    ClientSession client;
    ASSERT_EQ(client.Connect(server.Port), 0) << server.Peer.Log();
    const std::string line = "hello over tls\n";
    EXPECT_EQ(TlsSend(client.Tls.get(), line.data(), static_cast<uint32_t>(line.size())),
              static_cast<int>(line.size()));
    EXPECT_EQ(client.ReadLine(), "slt revo olleh\n");
}

TEST_F(TlsSocketTest, ReportsTheCertificateItWasGiven) {
    OpensslServer good;
    ASSERT_TRUE(good.Start(Certs().Good, Certs().GoodKey));
    ClientSession client;
    ASSERT_EQ(client.Connect(good.Port), 0);
    EXPECT_EQ(VerifyPeerCertificate(client.Tls.get()), static_cast<uint32_t>(CERT_E_UNTRUSTEDROOT));
    ReportSslCertificate(nullptr, client.Tls.get());
    ASSERT_EQ(PrintedLines(), (std::vector<std::string>{"\x02\x12\xC2\xB7\x12\x03"
                                                        "12 SSL Info for: localhost",
                                                        "\x02\x12\xC2\xB7\x12\x03"
                                                        "4 SSL Error: Untrusted Root.\r\n"}));
}

// Each fault has its line: a certificate no trusted root vouches for (self-signed), one past its
// date, one for another name; an address is matched against the addresses a certificate names,
// and a session that names no peer (a DCC chat) is not checked for a name. The session goes on.
TEST_F(TlsSocketTest, UntrustedExpiredAndWronglyNamedCertificatesArePrintedAndTheSessionGoesOn) {
    struct Case {
        const std::string& Certificate;
        const std::string& Key;
        std::vector<const wchar_t*> Targets; // one server answers them in turn
        const char* Name;
        const char* Error;
    } cases[] = {
        {Certs().Good, Certs().GoodKey, {L"127.0.0.1", L""}, "localhost", "Untrusted Root."},
        {Certs().Expired, Certs().ExpiredKey, {L"localhost"}, "localhost", "Expired."},
        {Certs().WrongName,
         Certs().WrongNameKey,
         {L"localhost", L"127.0.0.1"},
         "wrong.example",
         "Name Mismatch."},
    };
    for (const Case& c : cases) {
        OpensslServer server;
        ASSERT_TRUE(server.Start(c.Certificate, c.Key));
        for (const wchar_t* target : c.Targets) {
            SCOPED_TRACE(std::string(c.Error) + " " + std::string(target, target + wcslen(target)));
            CallLog::Instance().Clear();
            ClientSession client;
            ASSERT_EQ(client.Connect(server.Port, target), 0);
            ReportSslCertificate(nullptr, client.Tls.get());
            EXPECT_EQ(PrintedLines(), (std::vector<std::string>{std::string("\x02\x12\xC2\xB7\x12\x03"
                                                                            "12 SSL Info for: ") +
                                                                    c.Name,
                                                                std::string("\x02\x12\xC2\xB7\x12\x03"
                                                                            "4 SSL Error: ") +
                                                                    c.Error + "\r\n"}));
            EXPECT_EQ(TlsSend(client.Tls.get(), "ab\n", 3), 3);
            EXPECT_EQ(client.ReadLine(), "ba\n");
        }
    }
}

// A TLS peer that reads the first line whole and answers with its length, then reads nothing.
const char kStallingPeer[] = R"(import socket, ssl, sys, threading, time
context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(sys.argv[1], sys.argv[2])
listener = socket.create_server(("127.0.0.1", int(sys.argv[3])))
def serve(plain):
    try:
        peer = context.wrap_socket(plain, server_side=True)
        line = b""
        while not line.endswith(b"\n"):
            line += peer.recv(65536)
        peer.sendall(b"%d\n" % len(line))
        time.sleep(600)
    except Exception:
        pass
while True:
    threading.Thread(target=serve, args=(listener.accept()[0],), daemon=True).start()
)";

// A DCC chat line over TLS goes out whole while the peer takes it; a peer that stops taking it
// ends the chat, as the rest of a record cut short could never follow, and the line does not
// count as sent.
TEST_F(TlsSocketTest, ADccChatLineGoesWholeOrTheChatEnds) {
    const std::wstring folder = MakeTestFolder(L"stalling");
    ASSERT_TRUE(WriteFileBytes(folder + L"peer.py", kStallingPeer));
    LinuxPeer peer;
    const uint16_t port = FreeLoopbackPort();
    ASSERT_TRUE(peer.Start(folder,
                           "/usr/bin/python3 peer.py " + ShellQuote(Certs().Good) + " " +
                               ShellQuote(Certs().GoodKey) + " " + std::to_string(port),
                           port))
        << peer.Log();
    WindowRecord chat(nullptr, kDccChatWindow, nullptr);
    chat.Dcc = new DccConnection(&chat);
    chat.Dcc->UseTls = 1;
    chat.Dcc->Socket = ConnectLoopback(port);
    ASSERT_NE(chat.Dcc->Socket, INVALID_SOCKET);
    auto tls = std::make_unique<TlsSocket>(chat.Dcc->Socket, kTlsClient, nullptr);
    ASSERT_EQ(TlsClientStart(tls.get(), 0), 0) << peer.Log();
    chat.Dcc->Tls = tls.get();

    const std::string line = std::string(3 << 20, 'a') + "\n";
    EXPECT_EQ(DccChatSend(line.data(), &chat, static_cast<uint32_t>(line.size())), line.size());
    char answer[32] = {};
    int got = 0;
    while (got == 0) got = TlsRecv(tls.get(), answer, sizeof answer - 1);
    EXPECT_EQ(std::string(answer), std::to_string(line.size()) + "\n");

    // The chat's reader, as its thread reads, ends with the chat.
    std::thread reader([&] {
        char byte;
        while (TlsRecv(tls.get(), &byte, 1) >= 0) {
        }
    });
    const uint32_t savedLimit = WriteStallLimitMs.exchange(1000);
    const std::string unread(32 << 20, 'b');
    EXPECT_LT(DccChatSend(unread.data(), &chat, static_cast<uint32_t>(unread.size())), unread.size());
    EXPECT_EQ(DccChatSend("after\n", &chat, 6), 0u) << "the chat went on after a record cut short";
    WriteStallLimitMs = savedLimit;
    reader.join();
    chat.Dcc->Tls = nullptr;
    TlsClose(tls.get());
    closesocket(chat.Dcc->Socket);
    delete chat.Dcc;
}

TEST_F(TlsSocketTest, SendsTheHostAsServerName) {
    // The server shows its good certificate only to a client that names localhost.
    OpensslServer server;
    ASSERT_TRUE(server.Start(Certs().WrongName, Certs().WrongNameKey,
                             "-servername localhost -cert2 " + ShellQuote(Certs().Good) + " -key2 " +
                                 ShellQuote(Certs().GoodKey)));
    ClientSession client;
    ASSERT_EQ(client.Connect(server.Port, L"localhost"), 0);
    EXPECT_EQ(VerifyPeerCertificate(client.Tls.get()), static_cast<uint32_t>(CERT_E_UNTRUSTEDROOT));
}

TEST_F(TlsSocketTest, HandshakeSplitIntoOneByteReadsCompletes) {
    OpensslServer server;
    ASSERT_TRUE(server.Start(Certs().Good, Certs().GoodKey));
    const uint16_t target = server.Port;
    LoopbackServer relay([target](SOCKET s) { RelayConnection(s, target, RelayMode::OneByte); });
    ClientSession client;
    ASSERT_EQ(client.Connect(relay.Port()), 0);
    EXPECT_EQ(TlsSend(client.Tls.get(), "split\n", 6), 6);
    EXPECT_EQ(client.ReadLine(), "tilps\n");
}

TEST_F(TlsSocketTest, SmallReadsTakeTheRestOfARecordWithoutTheSocket) {
    OpensslServer server;
    ASSERT_TRUE(server.Start(Certs().Good, Certs().GoodKey));
    ClientSession client;
    ASSERT_EQ(client.Connect(server.Port), 0);
    ASSERT_EQ(TlsSend(client.Tls.get(), "0123456789\n", 11), 11);
    std::string got;
    char two[2];
    while (got.size() < 11) {
        int n = TlsRecv(client.Tls.get(), two, 2);
        ASSERT_GE(n, 0);
        got.append(two, static_cast<size_t>(n));
        if (n > 0) {
            EXPECT_FALSE(client.Tls->LeftoverPlaintext.empty() && got.size() < 11 && got.size() % 2 == 1);
        }
    }
    EXPECT_EQ(got, "9876543210\n");
}

TEST_F(TlsSocketTest, PeerThatClosesEndsTheReader) {
    OpensslServer server;
    ASSERT_TRUE(server.Start(Certs().Good, Certs().GoodKey));
    ClientSession client;
    ASSERT_EQ(client.Connect(server.Port), 0);
    server.Peer.Stop();
    char buffer[64];
    int result = 0;
    for (int i = 0; i < 100 && result >= 0; ++i) result = TlsRecv(client.Tls.get(), buffer, sizeof(buffer));
    EXPECT_EQ(result, -1);
    EXPECT_EQ(TlsRecv(client.Tls.get(), buffer, sizeof(buffer)), -1);
}

TEST_F(TlsSocketTest, CloseNotifyEndsTheReaderWhileTheSocketStaysOpen) {
    // The file server sends its close notify after the file and then waits for ours.
    const std::wstring folder = MakeTestFolder(L"www");
    WriteFileBytes(folder + L"page.txt", "page text\n");
    LinuxPeer server;
    const uint16_t port = FreeLoopbackPort();
    ASSERT_TRUE(server.Start(folder,
                             "openssl s_server -WWW -quiet -accept 127.0.0.1:" + std::to_string(port) +
                                 " -cert " + ShellQuote(Certs().Good) + " -key " +
                                 ShellQuote(Certs().GoodKey),
                             port, 30));
    ClientSession client;
    ASSERT_EQ(client.Connect(port), 0);
    ASSERT_EQ(TlsSend(client.Tls.get(), "GET /page.txt HTTP/1.0\r\n\r\n", 26), 26);
    const DWORD start = GetTickCount();
    std::string received;
    char buffer[256];
    int n;
    while ((n = TlsRecv(client.Tls.get(), buffer, sizeof(buffer))) >= 0)
        received.append(buffer, static_cast<size_t>(n));
    EXPECT_LT(GetTickCount() - start, 10000u);
    EXPECT_NE(received.find("page text\n"), std::string::npos);
    EXPECT_TRUE(client.Tls->PeerClosed);
}

TEST_F(TlsSocketTest, DataArrivingWithTheLastHandshakeMessageIsDeliveredFirst) {
    // The server writes a line as soon as the handshake is done; the relay holds the server's
    // bytes until it falls quiet, so the line travels in the same read as the handshake's end.
    LinuxPeer server;
    const uint16_t port = FreeLoopbackPort();
    ASSERT_TRUE(
        server.Start(MakeTestFolder(L"early"),
                     "sh -c " + ShellQuote("(echo early; sleep 30) | openssl s_server -tls1_2 -quiet -accept "
                                           "127.0.0.1:" +
                                           std::to_string(port) + " -cert " + ShellQuote(Certs().Good) +
                                           " -key " + ShellQuote(Certs().GoodKey)),
                     0, 30));
    LoopbackServer relay([port](SOCKET s) { RelayConnection(s, port, RelayMode::Coalescing); });
    ClientSession client;
    ASSERT_EQ(client.Connect(relay.Port()), 0);
    EXPECT_FALSE(client.Tls->PendingCiphertext.empty());
    EXPECT_EQ(client.ReadLine(), "early\n");
}

TEST_F(TlsSocketTest, ServerThatClosesMidHandshakeFails) {
    LoopbackServer server([](SOCKET s) {
        char hello[512];
        PeerRecv(s, hello, sizeof(hello));
    });
    ClientSession client;
    EXPECT_EQ(client.Connect(server.Port()), -1);
}

TEST_F(TlsSocketTest, OversizedHandshakeRecordFailsWithoutOverrun) {
    // A record header announcing more than fits, its body trickling in: the reads must stay in
    // the buffer however much is already held.
    LoopbackServer server([](SOCKET s) {
        char hello[4096];
        PeerRecv(s, hello, sizeof(hello));
        std::string record("\x16\x03\x03\x48\x00", 5);
        record += std::string(5000, '\x01');
        SendText(s, record);
        Sleep(200);
        SendText(s, std::string(0x12000, '\x02'));
        Sleep(500);
    });
    ClientSession client;
    EXPECT_EQ(client.Connect(server.Port()), -1);
}

TEST_F(TlsSocketTest, SendersOnManyThreadsKeepTheirRecordsWhole) {
    OpensslServer server;
    ASSERT_TRUE(server.Start(Certs().Good, Certs().GoodKey));
    ClientSession client;
    ASSERT_EQ(client.Connect(server.Port), 0);
    constexpr int kThreads = 4;
    constexpr int kLines = 50;
    std::vector<std::thread> senders;
    for (int t = 0; t < kThreads; ++t) {
        senders.emplace_back([&client, t] {
            for (int i = 0; i < kLines; ++i) {
                const std::string line = "line-" + std::to_string(t) + "-" + std::to_string(i) + "\n";
                TlsSend(client.Tls.get(), line.data(), static_cast<uint32_t>(line.size()));
            }
        });
    }
    for (std::thread& t : senders) t.join();
    int lines = 0;
    for (; lines < kThreads * kLines; ++lines) {
        std::string line = client.ReadLine();
        if (line.empty()) break;
        std::string reversed(line.rbegin() + 1, line.rend());
        ASSERT_EQ(reversed.rfind("line-", 0), 0u) << line;
        // A read may hold several lines; take them one at a time.
        size_t cut = line.find('\n');
        if (cut + 1 < line.size())
            client.Tls->LeftoverPlaintext.insert(client.Tls->LeftoverPlaintext.begin(),
                                                 line.begin() + static_cast<ptrdiff_t>(cut) + 1, line.end());
    }
    EXPECT_EQ(lines, kThreads * kLines);
}

TEST_F(TlsSocketTest, OutputBufferKeepsEveryRecord) {
    OpensslServer server;
    ASSERT_TRUE(server.Start(Certs().Good, Certs().GoodKey));
    ClientSession client;
    ASSERT_EQ(client.Connect(server.Port), 0);
    // Three lines that need more than two records; the server echoes each one reversed.
    std::string text;
    for (char c : {'a', 'b', 'c'})
        text += std::string(1, static_cast<char>(c - 'a' + 'A')) + std::string(12000, c) + "\n";
    std::vector<char> records;
    ASSERT_EQ(TlsSend(client.Tls.get(), text.data(), static_cast<uint32_t>(text.size()), &records),
              static_cast<int>(text.size()));
    ASSERT_GT(records.size(), text.size());
    ASSERT_TRUE(SendText(client.Socket, std::string(records.begin(), records.end())));
    std::string echoed;
    char buffer[4096];
    while (echoed.size() < text.size()) {
        int n = TlsRecv(client.Tls.get(), buffer, sizeof(buffer));
        if (n < 0) break;
        echoed.append(buffer, static_cast<size_t>(n));
    }
    ASSERT_EQ(echoed.size(), text.size());
    for (char c : {'a', 'b', 'c'}) {
        const size_t at = static_cast<size_t>(c - 'a') * 12002;
        EXPECT_EQ(echoed.substr(at, 12000), std::string(12000, c));
        EXPECT_EQ(echoed[at + 12000], static_cast<char>(c - 'a' + 'A'));
    }
}

TEST(SelfSignedCertificate, IsMadeAgainFromTheSameContainerWithALongKey) {
    for (int round = 0; round < 2; ++round) {
        PCCERT_CONTEXT certificate = MakeSelfSignedCertificate();
        ASSERT_NE(certificate, nullptr);
        DWORD bits = CertGetPublicKeyLength(X509_ASN_ENCODING, &certificate->pCertInfo->SubjectPublicKeyInfo);
        EXPECT_GE(bits, 2048u);
        wchar_t name[100] = {};
        CertGetNameStringW(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name, 100);
        EXPECT_STREQ(name, L"Certificate");
        CertFreeCertificateContext(certificate);
    }
}

} // namespace
