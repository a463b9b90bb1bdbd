#include "tests/support/ngircd_server.h"

#include "tests/support/irc_test_support.h"
#include "tests/support/test_files.h"

#include <ws2tcpip.h>

#include <sstream>

const char kServerDhParameters[] = "-----BEGIN DH PARAMETERS-----\n"
                                   "MIIBCAKCAQEA//////////+t+FRYortKmq/cViAnPTzx2LnFg84tNpWp4TZBFGQz\n"
                                   "+8yTnc4kmz75fS/jY2MMddj2gbICrsRhetPfHtXV/WVhJDP1H18GbtCFY2VVPe0a\n"
                                   "87VXE15/V8k1mE8McODmi3fipona8+/och3xWKE2rec1MKzKT0g6eXq8CrGCsyT7\n"
                                   "YdEIqUuyyOP7uWrat2DX9GgdT0Kj3jlN9K5W7edjcrsZCwenyO4KbXCeAvzhzffi\n"
                                   "7MA0BM0oNC9hkXL+nOmFg/+OTxIy7vKBg8P+OxtMb61zO7X8vC7CIAXFjvGDfRaD\n"
                                   "ssbzSibBsu/6iGtCOGEoXJf//////////wIBAg==\n"
                                   "-----END DH PARAMETERS-----\n";

NgircdServer::NgircdServer(const std::string& password) : NgircdServer(NgircdOptions{password}) {}

NgircdServer::NgircdServer(const NgircdOptions& options) : process_(L"brindlex-ngircd") {
    PrepareConnectionTests();
    port_ = UnusedLoopbackPort();
    if (!options.TlsCertificate.empty())
        while (!tlsPort_ || tlsPort_ == port_) tlsPort_ = UnusedLoopbackPort();

    std::ostringstream conf;
    conf << "[Global]\nName = irc.test.local\nInfo = Test server\nListen = 127.0.0.1\nPorts = " << port_
         << "\nMotdPhrase = Welcome to the test server\nAdminInfo1 = Tests\nAdminInfo2 = Tests\n"
            "AdminEMail = tests@example.org\n";
    if (!options.Password.empty()) conf << "Password = " << options.Password << "\n";
    const char* lookUp = options.LookUpClients ? "yes" : "no";
    conf << "[Limits]\nPingTimeout = 5\nPongTimeout = 5\nMaxConnectionsIP = 0\nMaxJoins = 0\n"
         << "[Options]\nIdent = " << lookUp << "\nDNS = " << lookUp << "\nPAM = no\n";
    if (tlsPort_) {
        WriteFileBytes(process_.File(L"dh.pem"), kServerDhParameters);
        conf << "[SSL]\nCertFile = " << options.TlsCertificate << "\nKeyFile = " << options.TlsKey
             << "\nDHFile = " << UnixPath(process_.File(L"dh.pem")) << "\nPorts = " << tlsPort_ << "\n";
    }
    WriteFileBytes(process_.File(L"ngircd.conf"), conf.str());
    Start();
}

void NgircdServer::Stop() {
    process_.Stop();
}

void NgircdServer::Start() {
    process_.Start("/usr/sbin/ngircd -n -f ./ngircd.conf >>ngircd.log 2>&1");
}

std::string NgircdServer::Log() const {
    return ReadFileBytes(process_.File(L"ngircd.log"));
}

bool NgircdServer::WaitReady() {
    return WaitUntil(
        [this] {
            for (uint16_t port : {port_, tlsPort_}) {
                if (!port) continue;
                SOCKET s = ConnectLoopback(port);
                const bool ok = s != INVALID_SOCKET;
                closesocket(s);
                if (!ok) {
                    Sleep(100);
                    return false;
                }
            }
            return true;
        },
        10000);
}

IrcClient::IrcClient(uint16_t port, const std::string& nick, const std::string& password) {
    socket_ = ConnectLoopback(port);
    reader_ = std::thread([this] {
        std::string pending;
        char buffer[4096];
        for (;;) {
            const int n = recv(socket_, buffer, sizeof buffer, 0);
            if (n <= 0) return;
            pending.append(buffer, static_cast<size_t>(n));
            size_t cut;
            while ((cut = pending.find("\r\n")) != std::string::npos) {
                std::string line = pending.substr(0, cut);
                pending.erase(0, cut + 2);
                if (line.rfind("PING ", 0) == 0) Send("PONG " + line.substr(5));
                std::lock_guard<std::mutex> lock(mutex_);
                lines_.push_back({std::move(line), GetTickCount64()});
            }
        }
    });
    if (!password.empty()) Send("PASS " + password);
    Send("NICK " + nick);
    Send("USER " + nick + " 0 * :Second client");
}

IrcClient::~IrcClient() {
    shutdown(socket_, SD_BOTH);
    closesocket(socket_);
    reader_.join();
}

bool IrcClient::Send(const std::string& line) {
    const std::string bytes = line + "\r\n";
    return send(socket_, bytes.data(), static_cast<int>(bytes.size()), 0) == static_cast<int>(bytes.size());
}

bool IrcClient::WaitFor(const std::string& text, DWORD timeoutMs) {
    return WaitFor({text}, timeoutMs);
}

bool IrcClient::WaitFor(std::initializer_list<std::string> texts, DWORD timeoutMs) {
    return WaitUntil(
        [&] {
            std::lock_guard<std::mutex> lock(mutex_);
            for (const Received& r : lines_) {
                bool all = true;
                for (const std::string& text : texts) all = all && r.Line.find(text) != std::string::npos;
                if (all) return true;
            }
            return false;
        },
        timeoutMs);
}

std::vector<IrcClient::Received> IrcClient::Lines() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_;
}

bool IrcClient::Joins(const std::string& channel, DWORD timeoutMs) {
    return WaitFor(" 001 ", timeoutMs) && Send("JOIN " + channel) && WaitFor("JOIN :" + channel, timeoutMs);
}
