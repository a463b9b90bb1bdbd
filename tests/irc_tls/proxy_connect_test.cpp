// Proxy negotiation against scripted proxies (every reply shape), Dante, tinyproxy, and TLS
// through the tunnel.
#include <gtest/gtest.h>

#include "irc/connection_tls.h"
#include "irc/proxy_connect.h"
#include "irc/server_connection.h"
#include "irc/tls_socket.h"
#include "core/window_record.h"
#include "tests/irc_tls/linux_peer.h"
#include "tests/irc_tls/loopback_server.h"
#include "tests/irc_tls/test_certificates.h"
#include "tests/irc_tls/test_peers.h"
#include "tests/recorders/call_log.h"
#include "xml/config_documents.h"
#include "xml/xml_document.h"

#include <memory>
#include <mutex>

namespace {

sockaddr_in LoopbackTarget(uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// Runs one negotiation against the proxy on a fresh socket; on success also reads what follows.
struct Attempt {
    int Result = -1;
    std::string AfterTunnel;
};

template <typename Step> Attempt Negotiate(uint16_t proxyPort, Step negotiate) {
    Attempt attempt;
    SOCKET s = ConnectLoopback(proxyPort);
    if (s == INVALID_SOCKET) return attempt;
    attempt.Result = negotiate(s);
    if (attempt.Result == 0) attempt.AfterTunnel = RecvLine(s);
    closesocket(s);
    return attempt;
}

const std::string kGranted4 = Bytes({0x00, 0x5A, 0x1A, 0x0B, 127, 0, 0, 1});

TEST(Socks4, SendsTheRequestAndLeavesTheStreamAtTheServer) {
    ScriptedProxy proxy({{9 + 4, kGranted4}});
    sockaddr_in target = LoopbackTarget(6667);
    Attempt a = Negotiate(proxy.Port(), [&](SOCKET s) {
        return NegotiateSocks4(s, reinterpret_cast<sockaddr*>(&target), sizeof(target), "nick");
    });
    EXPECT_EQ(a.Result, 0);
    EXPECT_EQ(a.AfterTunnel, kTunnelText);
    EXPECT_EQ(proxy.Received(),
              Bytes({0x04, 0x01, 0x1A, 0x0B, 127, 0, 0, 1}) + "nick" + std::string(1, '\0'));
}

TEST(Socks4, RejectedShortOrImpossibleRequestsFail) {
    sockaddr_in target = LoopbackTarget(6667);
    for (const std::string& reply : {Bytes({0x00, 0x5B, 0, 0, 0, 0, 0, 0}), Bytes({0x00, 0x5A, 0, 0})}) {
        ScriptedProxy proxy({{9, reply}}, false);
        EXPECT_EQ(Negotiate(proxy.Port(),
                            [&](SOCKET s) {
                                return NegotiateSocks4(s, reinterpret_cast<sockaddr*>(&target),
                                                       sizeof(target), "");
                            })
                      .Result,
                  -1);
    }
    sockaddr_in6 v6{};
    v6.sin6_family = AF_INET6;
    ScriptedProxy proxy({}, false);
    EXPECT_EQ(Negotiate(proxy.Port(),
                        [&](SOCKET s) {
                            return NegotiateSocks4(s, reinterpret_cast<sockaddr*>(&v6), sizeof(v6), "");
                        })
                  .Result,
              -1);
    EXPECT_EQ(Negotiate(proxy.Port(),
                        [&](SOCKET s) {
                            return NegotiateSocks4(s, reinterpret_cast<sockaddr*>(&target), sizeof(target),
                                                   std::string(256, 'u'));
                        })
                  .Result,
              -1);
    EXPECT_EQ(proxy.Received(), "");
}

const std::string kConnect5 = Bytes({0x05, 0x01, 0x00, 0x01, 127, 0, 0, 1, 0x1A, 0x0B});
const std::string kSucceeded5 = Bytes({0x05, 0x00, 0x00, 0x01, 10, 0, 0, 1, 0x30, 0x39});

TEST(Socks5, WithoutPasswordOffersOnlyNoAuthentication) {
    ScriptedProxy proxy({{3, Bytes({0x05, 0x00})}, {10, kSucceeded5}});
    sockaddr_in target = LoopbackTarget(6667);
    Attempt a = Negotiate(proxy.Port(), [&](SOCKET s) {
        return NegotiateSocks5(s, reinterpret_cast<sockaddr*>(&target), sizeof(target), "user", "");
    });
    EXPECT_EQ(a.Result, 0);
    EXPECT_EQ(a.AfterTunnel, kTunnelText);
    EXPECT_EQ(proxy.Received(), Bytes({0x05, 0x01, 0x00}) + kConnect5);
}

TEST(Socks5, LogsInWithUserAndPasswordWhenTheProxyAsks) {
    const std::string login = Bytes({0x01, 4}) + "user" + Bytes({6}) + "secret";
    ScriptedProxy proxy({{4, Bytes({0x05, 0x02})}, {login.size(), Bytes({0x01, 0x00})}, {10, kSucceeded5}});
    sockaddr_in target = LoopbackTarget(6667);
    Attempt a = Negotiate(proxy.Port(), [&](SOCKET s) {
        return NegotiateSocks5(s, reinterpret_cast<sockaddr*>(&target), sizeof(target), "user", "secret");
    });
    EXPECT_EQ(a.Result, 0);
    EXPECT_EQ(a.AfterTunnel, kTunnelText);
    EXPECT_EQ(proxy.Received(), Bytes({0x05, 0x02, 0x00, 0x02}) + login + kConnect5);
}

TEST(Socks5, BoundAddressesOfEveryTypeAreReadWhole) {
    const std::string domain = Bytes({0x05, 0x00, 0x00, 0x03, 13}) + "proxy.example" + Bytes({0x1A, 0x0B});
    const std::string v6 = Bytes({0x05, 0x00, 0x00, 0x04}) + std::string(16, '\x01') + Bytes({0x1A, 0x0B});
    for (const std::string& reply : {kSucceeded5, domain, v6}) {
        ScriptedProxy proxy({{3, Bytes({0x05, 0x00})}, {10, reply}});
        sockaddr_in target = LoopbackTarget(6667);
        Attempt a = Negotiate(proxy.Port(), [&](SOCKET s) {
            return NegotiateSocks5(s, reinterpret_cast<sockaddr*>(&target), sizeof(target), "", "");
        });
        EXPECT_EQ(a.Result, 0);
        EXPECT_EQ(a.AfterTunnel, kTunnelText) << "the reply was not read whole";
    }
}

TEST(Socks5, IPv6TargetUsesAddressType4) {
    ScriptedProxy proxy({{3, Bytes({0x05, 0x00})}, {22, kSucceeded5}});
    sockaddr_in6 target{};
    target.sin6_family = AF_INET6;
    target.sin6_addr = in6addr_loopback;
    target.sin6_port = htons(6697);
    Attempt a = Negotiate(proxy.Port(), [&](SOCKET s) {
        return NegotiateSocks5(s, reinterpret_cast<sockaddr*>(&target), sizeof(target), "", "");
    });
    EXPECT_EQ(a.Result, 0);
    EXPECT_EQ(proxy.Received().substr(3),
              Bytes({0x05, 0x01, 0x00, 0x04}) + std::string(15, '\0') + Bytes({1, 0x1A, 0x29}));
}

TEST(Socks5, BadRepliesFail) {
    struct Case {
        const char* What;
        std::vector<ScriptStep> Script;
        const char* User;
        const char* Password;
    } cases[] = {
        {"short greeting reply", {{3, Bytes({0x05})}}, "", ""},
        {"wrong version in greeting", {{3, Bytes({0x04, 0x00})}}, "", ""},
        {"method not offered", {{3, Bytes({0x05, 0x02})}}, "", ""},
        {"no acceptable method", {{4, Bytes({0x05, 0xFF})}}, "u", "p"},
        {"login refused", {{4, Bytes({0x05, 0x02})}, {5, Bytes({0x01, 0x01})}}, "u", "p"},
        {"connect refused",
         {{3, Bytes({0x05, 0x00})}, {10, Bytes({0x05, 0x05, 0x00, 0x01, 0, 0, 0, 0, 0, 0})}},
         "",
         ""},
        {"wrong version in reply",
         {{3, Bytes({0x05, 0x00})}, {10, Bytes({0x04, 0x00, 0x00, 0x01, 0, 0, 0, 0, 0, 0})}},
         "",
         ""},
        {"short reply", {{3, Bytes({0x05, 0x00})}, {10, Bytes({0x05, 0x00, 0x00})}}, "", ""},
        {"short bound address",
         {{3, Bytes({0x05, 0x00})}, {10, Bytes({0x05, 0x00, 0x00, 0x01, 1, 2})}},
         "",
         ""},
        {"unknown address type",
         {{3, Bytes({0x05, 0x00})}, {10, Bytes({0x05, 0x00, 0x00, 0x07, 1, 2, 3, 4, 5, 6})}},
         "",
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        ScriptedProxy proxy(c.Script, false);
        sockaddr_in target = LoopbackTarget(6667);
        EXPECT_EQ(Negotiate(proxy.Port(),
                            [&](SOCKET s) {
                                return NegotiateSocks5(s, reinterpret_cast<sockaddr*>(&target),
                                                       sizeof(target), c.User, c.Password);
                            })
                      .Result,
                  -1);
    }
}

TEST(Socks5, OverlongCredentialsAreRefusedBeforeAnythingIsSent) {
    ScriptedProxy proxy({}, false);
    sockaddr_in target = LoopbackTarget(6667);
    for (auto [user, password] : {std::pair{std::string(256, 'u'), std::string("p")},
                                  std::pair{std::string("u"), std::string(256, 'p')}}) {
        EXPECT_EQ(Negotiate(proxy.Port(),
                            [&](SOCKET s) {
                                return NegotiateSocks5(s, reinterpret_cast<sockaddr*>(&target),
                                                       sizeof(target), user, password);
                            })
                      .Result,
                  -1);
    }
    EXPECT_EQ(proxy.Received(), "");
}

TEST(HttpConnect, TwoHundredWithHeadersOpensTheTunnel) {
    const std::string request = "CONNECT irc.example:6667 HTTP/1.0\r\n\r\n";
    ScriptedProxy proxy({{request.size(), "HTTP/1.1 200 Connection established\r\nVia: test\r\n\r\n"}});
    Attempt a =
        Negotiate(proxy.Port(), [](SOCKET s) { return NegotiateHttpConnect(s, "irc.example", 6667); });
    EXPECT_EQ(a.Result, 0);
    EXPECT_EQ(a.AfterTunnel, kTunnelText);
    EXPECT_EQ(proxy.Received(), request);
}

TEST(HttpConnect, IPv6LiteralIsBracketed) {
    const std::string request = "CONNECT [::1]:6697 HTTP/1.0\r\n\r\n";
    ScriptedProxy proxy({{request.size(), "HTTP/1.0 200 OK\r\n\r\n"}});
    EXPECT_EQ(Negotiate(proxy.Port(), [](SOCKET s) { return NegotiateHttpConnect(s, "::1", 6697); }).Result,
              0);
    EXPECT_EQ(proxy.Received(), request);
}

TEST(HttpConnect, RefusalsAndNonsenseFail) {
    for (const char* answer :
         {"HTTP/1.0 403 Forbidden\r\n\r\n",
          "HTTP/1.1 407 Proxy Authentication Required\r\nProxy-Authenticate: Basic\r\n\r\n",
          "HTTP/1.0 302 Found\r\nLocation: x\r\n\r\n", "SSH-2.0-OpenSSH\r\n\r\n", "HTTP/1.0 200"}) {
        SCOPED_TRACE(answer);
        ScriptedProxy proxy({{0, answer}}, false);
        EXPECT_EQ(
            Negotiate(proxy.Port(), [](SOCKET s) { return NegotiateHttpConnect(s, "irc.example", 6667); })
                .Result,
            -1);
    }
}

// ---- real proxies ----

// Greets every connection, then echoes lines: the IRC server behind the proxy.
class TargetServer {
public:
    TargetServer()
        : server_([](SOCKET s) {
              SendText(s, "welcome\r\n");
              std::string line;
              while (!(line = RecvLine(s)).empty()) SendText(s, line);
          }) {}
    uint16_t Port() const { return server_.Port(); }

private:
    LoopbackServer server_;
};

TEST(RealProxies, DanteWithAndWithoutPassword) {
    TargetServer target;
    sockaddr_in address = LoopbackTarget(target.Port());
    for (bool withPassword : {false, true}) {
        SCOPED_TRACE(withPassword ? "username" : "none");
        Dante dante;
        ASSERT_TRUE(dante.Start(withPassword ? "username" : "none")) << dante.Peer.Log();
        const char* user = withPassword ? kDanteUser : "";
        const char* password = withPassword ? kDantePassword : "";
        Attempt a = Negotiate(dante.Port, [&](SOCKET s) {
            return NegotiateSocks5(s, reinterpret_cast<sockaddr*>(&address), sizeof(address), user, password);
        });
        EXPECT_EQ(a.Result, 0) << dante.Peer.Log();
        EXPECT_EQ(a.AfterTunnel, "welcome\r\n");
        if (withPassword) {
            EXPECT_EQ(Negotiate(dante.Port,
                                [&](SOCKET s) {
                                    return NegotiateSocks5(s, reinterpret_cast<sockaddr*>(&address),
                                                           sizeof(address), user, "wrong");
                                })
                          .Result,
                      -1);
        }
    }
}

TEST(RealProxies, TinyproxyConnectAndRefusal) {
    TargetServer target;
    TinyProxy proxy;
    ASSERT_TRUE(proxy.Start({target.Port()})) << proxy.Peer.Log();
    Attempt a =
        Negotiate(proxy.Port, [&](SOCKET s) { return NegotiateHttpConnect(s, "127.0.0.1", target.Port()); });
    EXPECT_EQ(a.Result, 0) << proxy.Peer.Log();
    EXPECT_EQ(a.AfterTunnel, "welcome\r\n");
    EXPECT_EQ(Negotiate(proxy.Port, [&](SOCKET s) { return NegotiateHttpConnect(s, "127.0.0.1", 1); }).Result,
              -1);
}

// ---- the whole road: settings, connection record, tunnel, then TLS end to end ----

class ProxyConnectTest : public testing::Test {
protected:
    void SetUp() override {
        CallLog::Instance().Clear();
        UserConfigDocument = &document_;
        window_.Connection = &connection_;
    }
    void TearDown() override {
        UserConfigDocument = nullptr;
        if (connection_.Tls) {
            TlsClose(connection_.Tls.get());
            connection_.Tls.reset();
        }
        const SOCKET s = connection_.Socket.exchange(0);
        if (s) closesocket(s);
    }
    void UseProxy(const std::string& attributes) {
        const std::string text = "<root><Cfg><Proxy_List>" +
                                 (attributes.empty() ? std::string() : "<Proxy " + attributes + " />") +
                                 "</Proxy_List></Cfg></root>";
        ASSERT_NE(XmlDocumentOpenText(&document_, text.c_str()), 0);
    }
    // The connection thread's part: a socket of the server's family, then ProxyConnect.
    int Connect(const std::string& host, uint16_t port, int family = AF_INET) {
        connection_.Host = host;
        connection_.Port = port;
        connection_.Socket = socket(family, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_storage address{};
        int length = 0;
        if (family == AF_INET) {
            *reinterpret_cast<sockaddr_in*>(&address) = LoopbackTarget(port);
            length = sizeof(sockaddr_in);
        } else {
            auto* v6 = reinterpret_cast<sockaddr_in6*>(&address);
            v6->sin6_family = AF_INET6;
            v6->sin6_addr = in6addr_loopback;
            v6->sin6_port = htons(port);
            length = sizeof(sockaddr_in6);
        }
        return ProxyConnect(&window_, &connection_, connection_.Socket.load(),
                            reinterpret_cast<sockaddr*>(&address), length, host, port);
    }
    std::string ReadLine() { return RecvLine(connection_.Socket.load()); }
    std::vector<std::string> Printed() {
        std::vector<std::string> lines;
        for (const RecordedCall& call : CallLog::Instance().Calls("PrintToWindow"))
            lines.push_back(call.Text);
        return lines;
    }

    XmlDocument document_;
    ServerConnection connection_;
    WindowRecord window_{nullptr, kServerWindow, nullptr};
};

TEST_F(ProxyConnectTest, NoListOrNoServerConnectsDirectly) {
    TargetServer target;
    for (const char* proxy : {"", "Server=\"\" Port=\"1\" Type=\"1\""}) {
        SCOPED_TRACE(proxy);
        UseProxy(proxy);
        ASSERT_EQ(Connect("127.0.0.1", target.Port()), 0);
        EXPECT_EQ(ReadLine(), "welcome\r\n");
        EXPECT_TRUE(Printed().empty());
        closesocket(connection_.Socket.exchange(0));
    }
}

TEST_F(ProxyConnectTest, PortZeroMeans8080AndTypesAboveThreeArePlain) {
    UseProxy("Server=\"proxy.example\" Port=\"0\" Type=\"9\" User_name=\"u\"");
    ProxyEntry entry;
    ASSERT_TRUE(ChooseProxyEntry(&document_, entry));
    EXPECT_EQ(entry.Port, 8080u);
    EXPECT_EQ(entry.Server, "proxy.example");
    EXPECT_EQ(entry.UserName, "u");
    sockaddr_in unused{};
    EXPECT_EQ(NegotiateProxyTunnel(INVALID_SOCKET, entry, reinterpret_cast<sockaddr*>(&unused), 0, "h", 1),
              0);
}

TEST_F(ProxyConnectTest, PlainRelayNeedsNoNegotiation) {
    ScriptedProxy relay({});
    UseProxy("Server=\"127.0.0.1\" Port=\"" + std::to_string(relay.Port()) + "\" Type=\"2\"");
    ASSERT_EQ(Connect("irc.example", 6667), 0);
    EXPECT_EQ(ReadLine(), kTunnelText);
    ASSERT_EQ(Printed().size(), 1u);
    EXPECT_EQ(Printed()[0], "Connecting through the proxy 127.0.0.1");
}

TEST_F(ProxyConnectTest, SocketFollowsTheProxysFamily) {
    // The server resolved to IPv6 only, the proxy is IPv4: the socket is replaced.
    ScriptedProxy relay({});
    UseProxy("Server=\"127.0.0.1\" Port=\"" + std::to_string(relay.Port()) + "\" Type=\"2\"");
    connection_.IsIPv6 = 1;
    ASSERT_EQ(Connect("::1", 6667, AF_INET6), 0);
    EXPECT_EQ(connection_.IsIPv6, 0);
    EXPECT_EQ(ReadLine(), kTunnelText);
}

TEST_F(ProxyConnectTest, SocksThroughDanteAndFailureThroughARefusingProxy) {
    TargetServer target;
    Dante dante;
    ASSERT_TRUE(dante.Start("username")) << dante.Peer.Log();
    UseProxy("Server=\"127.0.0.1\" Port=\"" + std::to_string(dante.Port) +
             "\" Type=\"1\" User_name=\"brindlexsocks\" Password=\"Proxy-Pass-7\"");
    ASSERT_EQ(Connect("127.0.0.1", target.Port()), 0) << dante.Peer.Log();
    EXPECT_EQ(ReadLine(), "welcome\r\n");
    closesocket(connection_.Socket.exchange(0));

    ScriptedProxy refusing({{9, Bytes({0x00, 0x5B, 0, 0, 0, 0, 0, 0})}}, false);
    UseProxy("Server=\"127.0.0.1\" Port=\"" + std::to_string(refusing.Port()) + "\" Type=\"0\"");
    EXPECT_LT(Connect("127.0.0.1", target.Port()), 0);
}

class TlsThroughProxyTest : public ProxyConnectTest {
protected:
    void StartTlsServer() {
        ASSERT_TRUE(GetTestCertificates().Made);
        tlsPort_ = FreeLoopbackPort();
        ASSERT_TRUE(tlsServer_.Start(MakeTestFolder(L"s_server"),
                                     "openssl s_server -accept 127.0.0.1:" + std::to_string(tlsPort_) +
                                         " -cert " + ShellQuote(GetTestCertificates().Good) + " -key " +
                                         ShellQuote(GetTestCertificates().GoodKey) + " -rev -quiet",
                                     tlsPort_));
    }
    // TLS runs with the server named by the connection, end to end through the tunnel.
    void ExpectTlsEndToEnd() {
        ASSERT_EQ(StartConnectionTls(&window_, &connection_), 0);
        ASSERT_NE(connection_.Tls, nullptr);
        EXPECT_EQ(connection_.Tls->WriteLock, &connection_.WriteLock);
        std::vector<std::string> printed = Printed();
        ASSERT_EQ(printed.size(), 4u);
        EXPECT_EQ(printed[1], "\x02\x12\xC2\xB7\x12\x03"
                              "12 SSL Info for: localhost");
        EXPECT_EQ(printed[2], "\x02\x12\xC2\xB7\x12\x03"
                              "4 SSL Error: Untrusted Root.\r\n"); // self-signed
        EXPECT_EQ(printed[3], "TLS session established.");
        ASSERT_EQ(TlsSend(connection_.Tls.get(), "tunnel\n", 7), 7);
        char buffer[32] = {};
        int n = 0;
        while (n == 0) n = TlsRecv(connection_.Tls.get(), buffer, sizeof(buffer) - 1);
        EXPECT_STREQ(buffer, "lennut\n");
    }

    LinuxPeer tlsServer_;
    uint16_t tlsPort_ = 0;
};

TEST_F(TlsThroughProxyTest, ThroughDante) {
    StartTlsServer();
    Dante dante;
    ASSERT_TRUE(dante.Start("none")) << dante.Peer.Log();
    UseProxy("Server=\"127.0.0.1\" Port=\"" + std::to_string(dante.Port) + "\" Type=\"1\"");
    ASSERT_EQ(Connect("localhost", tlsPort_), 0) << dante.Peer.Log();
    ExpectTlsEndToEnd();
}

TEST_F(TlsThroughProxyTest, ThroughTinyproxy) {
    StartTlsServer();
    TinyProxy proxy;
    ASSERT_TRUE(proxy.Start({tlsPort_})) << proxy.Peer.Log();
    UseProxy("Server=\"127.0.0.1\" Port=\"" + std::to_string(proxy.Port) + "\" Type=\"3\"");
    ASSERT_EQ(Connect("localhost", tlsPort_), 0) << proxy.Peer.Log();
    ExpectTlsEndToEnd();
}

TEST_F(TlsThroughProxyTest, FailedHandshakeLeavesNoSession) {
    LoopbackServer closing([](SOCKET s) {
        char hello[512];
        PeerRecv(s, hello, sizeof(hello));
    });
    UseProxy("");
    ASSERT_EQ(Connect("localhost", closing.Port()), 0);
    EXPECT_LT(StartConnectionTls(&window_, &connection_), 0);
    EXPECT_EQ(connection_.Tls, nullptr);
    EXPECT_TRUE(Printed().empty());
}

} // namespace
