// Server connections made by the connection thread, end to end: registration with ngircd over TLS
// and through every kind of proxy, ngircd's ident lookup answered on the way, chat over TLS with
// a plain client, and bad peers that must fail cleanly.
#include <gtest/gtest.h>

#include "irc/ident_responder.h"
#include "irc/send_path.h"
#include "irc/server_session.h"
#include "script/event_scripts.h"
#include "tests/irc_tls/test_certificates.h"
#include "tests/irc_tls/test_peers.h"
#include "tests/support/irc_test_support.h"
#include "tests/support/ngircd_server.h"
#include "xml/config_documents.h"
#include "xml/xml_document.h"

#include <algorithm>
#include <atomic>
#include <memory>

namespace {

enum class Route { Direct, Socks4, Socks5, HttpConnect, Relay };

// The peers every test here shares, started once: ngircd with a TLS port that resolves its
// clients and asks their ident, Dante taking SOCKS4 and SOCKS5 with or without a login, tinyproxy
// letting CONNECT through to ngircd only, and a plain relay.
struct SharedPeers {
    std::unique_ptr<NgircdServer> Irc;
    Dante Socks;
    TinyProxy Http;
    std::atomic<uint16_t> RelayTarget{0};
    LoopbackServer Relay{[this](SOCKET s) { RelayConnection(s, RelayTarget.load(), RelayMode::Immediate); }};
    std::string Problem;

    SharedPeers() {
        const TestCertificates& certificates = GetTestCertificates();
        if (!certificates.Made) {
            Problem = "openssl could not make the test certificates";
            return;
        }
        NgircdOptions options;
        options.TlsCertificate = certificates.Good;
        options.TlsKey = certificates.GoodKey;
        options.LookUpClients = true;
        Irc = std::make_unique<NgircdServer>(options);
        if (!Irc->WaitReady())
            Problem = "ngircd: " + Irc->Log();
        else if (!Socks.Start("username none"))
            Problem = "danted: " + Socks.Peer.Log();
        else if (!Http.Start({Irc->Port(), Irc->TlsPort()}))
            Problem = "tinyproxy: " + Http.Peer.Log();
    }
};

std::string FailureLine(uint16_t port) {
    return "Could not connect to 127.0.0.1, port " + std::to_string(port);
}

const std::string kBullet = "\x02\x12\xC2\xB7\x12\x03";

class ConnectionThreadTest : public testing::Test {
protected:
    static void SetUpTestSuite() { peers_ = new SharedPeers; }
    static void TearDownTestSuite() {
        delete peers_;
        peers_ = nullptr;
    }

    void SetUp() override {
        ASSERT_TRUE(peers_->Problem.empty()) << peers_->Problem;
        PrepareConnectionTests();
        savedIdentPort_ = IdentListenPort.load();
        savedQueueing_ = FloodQueueing.load();
        IdentListenPort = 113;
        FloodQueueing = 0;
        UseProxy("");
        UserConfigDocument = &settings_;
    }
    void TearDown() override {
        UserConfigDocument = nullptr;
        IdentListenPort = savedIdentPort_;
        FloodQueueing = savedQueueing_;
        CallLog::Instance().Clear();
    }

    NgircdServer& Irc() { return *peers_->Irc; }

    void UseProxy(const std::string& attributes) {
        const std::string text = "<root><Cfg><Proxy_List>" +
                                 (attributes.empty() ? std::string() : "<Proxy " + attributes + " />") +
                                 "</Proxy_List></Cfg></root>";
        ASSERT_NE(XmlDocumentOpenText(&settings_, text.c_str()), 0);
    }
    static std::string ProxyAt(uint16_t port, int type, const std::string& more = "") {
        return "Server=\"127.0.0.1\" Port=\"" + std::to_string(port) + "\" Type=\"" + std::to_string(type) +
               "\" " + more;
    }
    // The proxy list entry for a route to ngircd's plain or TLS port.
    void UseRoute(Route route, bool login, bool tls) {
        const std::string credentials =
            login ? std::string("User_name=\"") + kDanteUser + "\" Password=\"" + kDantePassword + "\"" : "";
        peers_->RelayTarget = tls ? Irc().TlsPort() : Irc().Port();
        switch (route) {
            case Route::Direct: return UseProxy("");
            case Route::Socks4: return UseProxy(ProxyAt(peers_->Socks.Port, 0));
            case Route::Socks5: return UseProxy(ProxyAt(peers_->Socks.Port, 1, credentials));
            case Route::HttpConnect: return UseProxy(ProxyAt(peers_->Http.Port, 3));
            case Route::Relay: return UseProxy(ProxyAt(peers_->Relay.Port(), 2));
        }
    }

    // Starts the window's connection as "/server" would for nick on localhost. Notes whether the
    // ident port was free just before the responder took it (another test program may hold it).
    HANDLE Start(ServerWindow& window, uint16_t port, const std::string& nick, bool tls, bool viaProxy) {
        CallLog::Instance().Clear();
        identPortFree_ = false;
        CallLog::Instance().Answer = [this](const RecordedCall& call) -> uint64_t {
            if (call.Text.rfind("On_Connect_1", 0) == 0) identPortFree_ = IdentPortFree();
            return kNoEventScript;
        };
        window.Aim(port, nick);
        ServerConnection& c = window.Connection();
        c.Host = "localhost";
        c.EMail = "joe@example.org";
        c.UseTls = tls ? 1 : 0;
        c.ConnectMethod = viaProxy ? 1 : 0;
        return StartServerConnection(window.Record());
    }
    // False when something already answers on the ident port (a responder of another program).
    static bool IdentPortFree() {
        SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(113);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const bool taken = connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        closesocket(probe);
        return !taken;
    }
    static bool Printed(const std::string& text) {
        for (const std::string& line : CallTexts("PrintToWindow"))
            if (line.find(text) != std::string::npos) return true;
        return false;
    }

    // The end of a failed attempt: the failure line last, the disconnect routine run once, and
    // neither the server socket nor the ident socket nor a TLS session left.
    static void ExpectCleanFailure(ServerWindow& window, HANDLE thread, uint16_t port) {
        ASSERT_EQ(WaitForSingleObject(thread, 15000), WAIT_OBJECT_0);
        const std::vector<std::string> printed = CallTexts("PrintToWindow");
        ASSERT_FALSE(printed.empty());
        EXPECT_EQ(printed.back(), FailureLine(port));
        EXPECT_FALSE(Printed("TLS session established."));
        EXPECT_EQ(CountCalls("SessionEnded"), 1u);
        EXPECT_EQ(window.Connection().Socket.load(), 0u);
        EXPECT_EQ(window.Connection().IdentSocket.load(), 0u);
        EXPECT_EQ(window.Connection().Tls, nullptr);
    }

    static SharedPeers* peers_;
    XmlDocument settings_;
    std::atomic<bool> identPortFree_{false};
    uint16_t savedIdentPort_ = 113;
    uint8_t savedQueueing_ = 1;
};

SharedPeers* ConnectionThreadTest::peers_ = nullptr;

TEST_F(ConnectionThreadTest, RegistersOverTlsAndThroughEveryProxy) {
    struct Case {
        const char* Name;
        Route Via;
        bool Login;
        bool Tls;
    } cases[] = {
        {"tls", Route::Direct, false, true},
        {"socks4", Route::Socks4, false, false},
        {"socks5", Route::Socks5, false, false},
        {"socks5 login", Route::Socks5, true, false},
        {"http connect", Route::HttpConnect, false, false},
        {"relay", Route::Relay, false, false},
        {"tls socks5", Route::Socks5, false, true},
        {"tls socks5 login", Route::Socks5, true, true},
        {"tls http connect", Route::HttpConnect, false, true},
    };
    int identChecked = 0;
    int serial = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string nick = "route" + std::to_string(++serial);
        UseRoute(c.Via, c.Login, c.Tls);
        LineCollector collector({}, {1, 376});
        ServerWindow window;
        Start(window, c.Tls ? Irc().TlsPort() : Irc().Port(), nick, c.Tls, c.Via != Route::Direct);
        ASSERT_TRUE(collector.WaitFor(" 376 " + nick + " ", 15000)) << Irc().Log();

        // The welcome names the user the responder gave when ngircd asked; without an answer it
        // shows the USER name with a '~'.
        if (identPortFree_) {
            EXPECT_TRUE(collector.WaitFor(" 001 " + nick + " ", 0));
            EXPECT_TRUE(collector.WaitFor(nick + "!joe@localhost", 0)) << Irc().Log();
            ++identChecked;
        }
        EXPECT_EQ(Printed("Connecting through the proxy 127.0.0.1"), c.Via != Route::Direct);
        EXPECT_EQ(Printed("TLS session established."), c.Tls);
        EXPECT_EQ(Printed(kBullet + "12 SSL Info for: localhost"), c.Tls);
        // The test certificate is its own root, which nothing here trusts.
        EXPECT_EQ(Printed(kBullet + "4 SSL Error: Untrusted Root."), c.Tls);
        EXPECT_FALSE(Printed("Name Mismatch"));
        EXPECT_NE(window.Connection().Socket.load(), 0u);
        EXPECT_EQ(window.Connection().Tls != nullptr, c.Tls);
    }
    if (!identChecked)
        GTEST_SKIP() << "port 113 was taken by another program: the ident answers went unchecked";
}

TEST_F(ConnectionThreadTest, ChatOverTlsWithAPlainClientThenQuit) {
    LineCollector collector({"PRIVMSG"}, {376});
    ServerWindow window;
    HANDLE thread = Start(window, Irc().TlsPort(), "secure", true, false);
    ASSERT_TRUE(collector.WaitFor(" 376 secure ", 15000)) << Irc().Log();
    IrcClient plain(Irc().Port(), "plain");
    ASSERT_TRUE(plain.WaitFor(" 376 plain ", 15000));

    // Written at once, then through the flood queue: both leave as TLS records.
    const std::string straight = "PRIVMSG plain :straight over tls\r\n";
    ASSERT_EQ(SendServerLine(straight, window.Record(), 0), straight.size());
    FloodQueueing = 1;
    SendServerLine("PRIVMSG plain :queued over tls\r\n", window.Record(), 0);
    FlushSendQueues();
    FloodQueueing = 0;
    EXPECT_TRUE(plain.WaitFor("PRIVMSG plain :straight over tls"));
    EXPECT_TRUE(plain.WaitFor("PRIVMSG plain :queued over tls"));

    // And the other way, through the receive loop's TlsRecv to the dispatcher.
    plain.Send("PRIVMSG secure :hello back");
    EXPECT_TRUE(collector.WaitFor("@localhost PRIVMSG secure :hello back"));

    SendServerLine("QUIT :done here\r\n", window.Record(), 0);
    ASSERT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
    EXPECT_TRUE(Printed("ERROR :\"done here\""));
    EXPECT_EQ(CountCalls("SessionEnded"), 1u);
    EXPECT_EQ(window.Connection().Socket.load(), 0u);
    EXPECT_EQ(window.Connection().Tls, nullptr);
}

// A certificate for another name or past its date is reported in the window; the connection goes on.
TEST_F(ConnectionThreadTest, BadCertificatesAreReportedAndTheConnectionGoesOn) {
    const TestCertificates& certs = GetTestCertificates();
    struct Case {
        const std::string& Certificate;
        const std::string& Key;
        const char* Name;
        const char* Error;
    } cases[] = {
        {certs.Expired, certs.ExpiredKey, "localhost", "Expired."},
        {certs.WrongName, certs.WrongNameKey, "wrong.example", "Name Mismatch."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Error);
        OpensslServer server;
        ASSERT_TRUE(server.Start(c.Certificate, c.Key)) << server.Peer.Log();
        ServerWindow window;
        Start(window, server.Port, "tester", true, false);
        // The server echoes each line reversed; it comes back through the receive loop.
        ASSERT_TRUE(WaitUntil([] { return Printed("retset KCIN"); }, 10000)) << server.Peer.Log();
        std::vector<std::string> printed = CallTexts("PrintToWindow");
        const std::vector<std::string> report = {kBullet + "12 SSL Info for: " + c.Name,
                                                 kBullet + "4 SSL Error: " + c.Error + "\r\n",
                                                 "TLS session established."};
        EXPECT_NE(std::search(printed.begin(), printed.end(), report.begin(), report.end()), printed.end());
    }
}

TEST_F(ConnectionThreadTest, BadPeersFailCleanly) {
    const uint16_t closed = UnusedLoopbackPort();
    const std::string connect = "CONNECT localhost:" + std::to_string(Irc().Port()) + " HTTP/1.0\r\n\r\n";
    ScriptedProxy shortSocks4({{9, Bytes({0x00, 0x5A, 0, 0})}}, false);
    ScriptedProxy wrongSocks4({{9, Bytes({0x00, 0x5B, 0, 0, 0, 0, 0, 0})}}, false);
    ScriptedProxy wrongVersion5({{3, Bytes({0x04, 0x00})}}, false);
    ScriptedProxy shortSocks5({{3, Bytes({0x05, 0x00})}, {10, Bytes({0x05, 0x00, 0x00, 0x01, 127})}}, false);
    ScriptedProxy needsLogin({{connect.size(), "HTTP/1.1 407 Proxy Authentication Required\r\n"
                                               "Proxy-Authenticate: Basic realm=\"proxy\"\r\n\r\n"}},
                             false);
    // A TLS server that answers the client's hello with the start of a record and hangs up.
    LoopbackServer midHandshake([](SOCKET s) {
        char hello[4096];
        PeerRecv(s, hello, sizeof hello);
        SendText(s, std::string("\x16\x03\x03\x00\x40", 5) + std::string(10, '\x02'));
    });
    const std::string wrongLogin = std::string("User_name=\"") + kDanteUser + "\" Password=\"wrong\"";
    struct Case {
        const char* What;
        std::string Proxy; // empty: direct
        uint16_t ServerPort;
        bool Tls;
    } cases[] = {
        {"short socks4 reply", ProxyAt(shortSocks4.Port(), 0), Irc().Port(), false},
        {"socks4 request rejected", ProxyAt(wrongSocks4.Port(), 0), Irc().Port(), false},
        {"wrong socks5 version", ProxyAt(wrongVersion5.Port(), 1), Irc().Port(), false},
        {"short socks5 reply", ProxyAt(shortSocks5.Port(), 1), Irc().Port(), false},
        {"socks5 login refused", ProxyAt(peers_->Socks.Port, 1, wrongLogin), Irc().Port(), false},
        {"http 403", ProxyAt(peers_->Http.Port, 3), closed, false},
        {"http 407", ProxyAt(needsLogin.Port(), 3), Irc().Port(), false},
        {"tls server hangs up mid-handshake", "", midHandshake.Port(), true},
        {"tls server hangs up mid-handshake behind a proxy", ProxyAt(peers_->Socks.Port, 1),
         midHandshake.Port(), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        UseProxy(c.Proxy);
        ServerWindow window;
        HANDLE thread = Start(window, c.ServerPort, "tester", c.Tls, !c.Proxy.empty());
        ExpectCleanFailure(window, thread, c.ServerPort);
        EXPECT_EQ(Printed("Connecting through the proxy"), !c.Proxy.empty());
    }
}

// A peer that stops answering halfway must not keep the window from closing.
TEST_F(ConnectionThreadTest, ClosingTheWindowEndsAnAttemptStuckWithASilentPeer) {
    std::atomic<int> waiting{0};
    auto silent = [&waiting](SOCKET s) {
        char bytes[4096];
        PeerRecv(s, bytes, sizeof bytes);
        ++waiting;
        while (PeerRecv(s, bytes, sizeof bytes) > 0) {
        }
    };
    LoopbackServer silentProxy(silent);
    LoopbackServer silentServer(silent);
    struct Case {
        const char* What;
        std::string Proxy;
        uint16_t ServerPort;
        bool Tls;
    } cases[] = {
        {"socks5 proxy", ProxyAt(silentProxy.Port(), 1), Irc().Port(), false},
        {"http proxy", ProxyAt(silentProxy.Port(), 3), Irc().Port(), false},
        {"tls handshake", "", silentServer.Port(), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        UseProxy(c.Proxy);
        waiting = 0;
        auto window = std::make_unique<ServerWindow>();
        Start(*window, c.ServerPort, "tester", c.Tls, !c.Proxy.empty());
        ASSERT_TRUE(WaitUntil([&] { return waiting.load() == 1; }, 10000));
        const ULONGLONG start = GetTickCount64();
        window.reset();
        EXPECT_LT(GetTickCount64() - start, 20000u);
    }
}

} // namespace
