// Registration with ngircd over TLS, and ngircd's ident lookup answered by our responder.
#include <gtest/gtest.h>

#include "irc/ident_responder.h"
#include "irc/server_connection.h"
#include "irc/tls_socket.h"
#include "core/window_record.h"
#include "tests/irc_tls/linux_peer.h"
#include "tests/irc_tls/loopback_server.h"
#include "tests/irc_tls/test_certificates.h"
#include "tests/recorders/call_log.h"
#include "tests/support/ngircd_server.h"

namespace {

class NgircdTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(GetTestCertificates().Made);
        CallLog::Instance().Clear();
        plainPort_ = FreeLoopbackPort();
        tlsPort_ = FreeLoopbackPort();
        const std::wstring folder = MakeTestFolder(L"ngircd");
        const TestCertificates& certs = GetTestCertificates();
        WriteFileBytes(folder + L"ngircd.conf",
                       "[Global]\nName = irc.test\nInfo = test\nPorts = " + std::to_string(plainPort_) +
                           "\nListen = 127.0.0.1\nMotdPhrase = hello\n"
                           "ServerUID = nobody\nServerGID = nogroup\n"
                           "[Options]\nIdent = yes\nDNS = yes\nPAM = no\n"
                           "[SSL]\nCertFile = " +
                           certs.Good + "\nKeyFile = " + UnixPath(folder) + "/server.key\nDHFile = " +
                           UnixPath(folder) + "/dh.pem\nPorts = " + std::to_string(tlsPort_) + "\n");
        WriteFileBytes(folder + L"dh.pem", kServerDhParameters);
        // The server reads its key after giving up root. It asks ident only while it resolves names.
        const std::string key = ShellQuote(UnixPath(folder) + "/server.key");
        ASSERT_TRUE(server_.Start(folder,
                                  "sh -c " + ShellQuote("cp " + ShellQuote(certs.GoodKey) + " " + key +
                                                        " && chmod 644 " + key +
                                                        " && exec /usr/sbin/ngircd -n -f ngircd.conf"),
                                  plainPort_))
            << server_.Log();
        ASSERT_TRUE(WaitForLoopbackPort(tlsPort_, 5000));
    }

    LinuxPeer server_;
    uint16_t plainPort_ = 0;
    uint16_t tlsPort_ = 0;
};

// Lines until one holds the welcome numeric, or the stream ends.
template <typename ReadSome> std::string ReadUntilWelcome(ReadSome readSome) {
    std::string received;
    char buffer[1024];
    for (int reads = 0; reads < 200 && received.find(" 001 ") == std::string::npos; ++reads) {
        int n = readSome(buffer, static_cast<int>(sizeof(buffer)));
        if (n < 0) break;
        received.append(buffer, static_cast<size_t>(n));
    }
    return received;
}

TEST_F(NgircdTest, RegistersOverTls) {
    SOCKET s = ConnectLoopback(tlsPort_);
    ASSERT_NE(s, INVALID_SOCKET);
    std::mutex writeLock;
    TlsSocket tls(s, kTlsClient, nullptr, &writeLock);
    SetTlsTargetName(&tls, L"localhost");
    ASSERT_EQ(TlsClientStart(&tls, 0), 0);
    ReportSslCertificate(nullptr, &tls);
    // Only that the self-signed certificate has no trusted root.
    const std::vector<RecordedCall> printed = CallLog::Instance().Calls("PrintToWindow");
    ASSERT_EQ(printed.size(), 2u) << "the certificate check found another fault";
    EXPECT_NE(printed[1].Text.find("Untrusted Root."), std::string::npos);
    const std::string registration = "USER joe x y :Real Name\r\nNICK tester\r\n";
    ASSERT_EQ(TlsSend(&tls, registration.data(), static_cast<uint32_t>(registration.size())),
              static_cast<int>(registration.size()));
    const std::string received =
        ReadUntilWelcome([&tls](char* buffer, int size) { return TlsRecv(&tls, buffer, size); });
    EXPECT_NE(received.find(":irc.test 001 tester "), std::string::npos) << received;
    TlsClose(&tls);
    closesocket(s);
}

TEST_F(NgircdTest, IdentLookupIsAnsweredByTheResponder) {
    const uint16_t savedPort = IdentListenPort.load();
    IdentListenPort = 113;
    ServerConnection connection;
    connection.UserName = "joe";
    WindowRecord window(nullptr, kServerWindow, nullptr);
    window.Connection = &connection;
    StartIdentResponder(&window);
    if (!connection.IdentSocket.load()) {
        IdentListenPort = savedPort;
        GTEST_SKIP() << "port 113 cannot be bound here";
    }
    SOCKET s = ConnectLoopback(plainPort_);
    ASSERT_NE(s, INVALID_SOCKET);
    ASSERT_TRUE(SendText(s, "USER other x y :Real Name\r\nNICK tester\r\n"));
    const std::string received =
        ReadUntilWelcome([s](char* buffer, int size) { return static_cast<int>(recv(s, buffer, size, 0)); });
    // Without an ident answer the server would show the USER name with a '~'.
    EXPECT_NE(received.find("tester!joe@"), std::string::npos) << received;
    closesocket(s);
    StopIdentResponder(&connection);
    IdentListenPort = savedPort;
}

} // namespace
