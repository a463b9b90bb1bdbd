#include "tests/support/ngircd_server.h"

#include "tests/support/irc_test_support.h"
#include "tests/support/test_files.h"

#include <ws2tcpip.h>

#include "common/xstring.h"
#include <sstream>

namespace {

// Wine's own export that names the Unix file behind a Windows path.
bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

const char kMinder[] = R"sh(#!/bin/sh
cd "$(dirname "$0")" || exit 1
/usr/sbin/ngircd -n -f ./ngircd.conf >ngircd.log 2>&1 &
pid=$!
start=$(date +%s)
while kill -0 "$pid" 2>/dev/null && [ ! -e stop ]; do
  now=$(date +%s)
  renewed=$(stat -c %Y lease 2>/dev/null || echo 0)
  [ $((now - renewed)) -gt 5 ] && break
  [ $((now - start)) -gt 300 ] && break
  sleep 0.1
done
kill "$pid" 2>/dev/null
wait "$pid"
touch done
)sh";

} // namespace

NgircdServer::NgircdServer(const std::string& password) : NgircdServer(NgircdOptions{password}) {}

NgircdServer::NgircdServer(const NgircdOptions& options) {
    PrepareConnectionTests();
    static std::atomic<int> serial{0};
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    folder_ = std::wstring(temp) + L"brindlex-ngircd-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
              std::to_wstring(++serial);
    CreateDirectoryW(folder_.c_str(), nullptr);
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
    if (tlsPort_)
        conf << "[SSL]\nCertFile = " << options.TlsCertificate << "\nKeyFile = " << options.TlsKey
             << "\nPorts = " << tlsPort_ << "\n";
    WriteFileBytes(File(L"ngircd.conf"), conf.str());
    WriteFileBytes(File(L"run.sh"), kMinder);
    WriteFileBytes(File(L"lease"), "0");

    lease_ = std::thread([this] {
        while (!stopping_) {
            WriteFileBytes(File(L"lease"), std::to_string(GetTickCount64()));
            Sleep(500);
        }
    });

    std::wstring command = L"Z:\\bin\\sh \"" + XString(UnixPath(File(L"run.sh"))).WideString() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}

NgircdServer::~NgircdServer() {
    WriteFileBytes(File(L"stop"), "");
    WaitUntil([this] { return Exists(File(L"done")); }, 10000);
    stopping_ = true;
    lease_.join();
    for (const wchar_t* name : {L"ngircd.conf", L"run.sh", L"lease", L"stop", L"done", L"ngircd.log"})
        DeleteFileW(File(name).c_str());
    RemoveDirectoryW(folder_.c_str());
}

std::string NgircdServer::Log() const {
    return ReadFileBytes(File(L"ngircd.log"));
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
    return WaitUntil(
        [&] {
            std::lock_guard<std::mutex> lock(mutex_);
            for (const Received& r : lines_)
                if (r.Line.find(text) != std::string::npos) return true;
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
