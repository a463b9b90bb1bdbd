// Receive throughput of a TLS session beside plain TCP on loopback, read in chunks of 10,000
// bytes as the receive loop reads. Both servers are native programs serving the same file: TLS
// from openssl's test server, plain TCP from socat.
#include "irc/tls_socket.h"
#include "tests/irc_tls/linux_peer.h"
#include "tests/irc_tls/loopback_server.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr size_t kPayloadBytes = 64u << 20;
constexpr int kReadBytes = 10000;
constexpr int kRounds = 3;

double Seconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void Report(const char* what, uint64_t bytes, double seconds) {
    std::printf("%-34s %8.1f MiB in %6.3f s = %8.1f MiB/s\n", what, bytes / 1048576.0, seconds,
                bytes / 1048576.0 / seconds);
}

uint64_t ReceivePlain(uint16_t port, int readBytes) {
    SOCKET s = ConnectLoopback(port);
    std::vector<char> buffer(static_cast<size_t>(readBytes));
    uint64_t total = 0;
    int n;
    while ((n = recv(s, buffer.data(), readBytes, 0)) > 0) total += static_cast<uint64_t>(n);
    closesocket(s);
    return total;
}

uint64_t ReceiveTls(uint16_t port) {
    SOCKET s = ConnectLoopback(port);
    std::mutex writeLock;
    TlsSocket tls(s, kTlsClient, nullptr, &writeLock);
    SetTlsTargetName(&tls, L"localhost");
    uint64_t total = 0;
    if (TlsClientStart(&tls, 0) == 0) {
        const std::string request = "GET /payload HTTP/1.0\r\n\r\n";
        TlsSend(&tls, request.data(), static_cast<uint32_t>(request.size()));
        std::vector<char> buffer(kReadBytes);
        int n;
        while ((n = TlsRecv(&tls, buffer.data(), kReadBytes)) >= 0) total += static_cast<uint64_t>(n);
        TlsClose(&tls);
    }
    closesocket(s);
    return total;
}

} // namespace

int main() {
    WSADATA data{};
    WSAStartup(MAKEWORD(2, 2), &data);
    const std::wstring folder = MakeTestFolder(L"bench");
    const std::string unixFolder = UnixPath(folder);
    if (RunShell("cd " + ShellQuote(unixFolder) +
                 " && openssl req -x509 -newkey rsa:2048 -nodes -days 2 -keyout key.pem -out cert.pem"
                 " -subj /CN=localhost > /dev/null 2>&1 && head -c " +
                 std::to_string(kPayloadBytes) + " /dev/urandom > payload") != 0) {
        std::printf("could not prepare the certificate and payload\n");
        return 1;
    }

    LinuxPeer tlsServer;
    const uint16_t tlsPort = FreeLoopbackPort();
    if (!tlsServer.Start(folder,
                         "openssl s_server -WWW -quiet -accept 127.0.0.1:" + std::to_string(tlsPort) +
                             " -cert cert.pem -key key.pem",
                         tlsPort)) {
        std::printf("openssl s_server did not start\n");
        return 1;
    }
    LinuxPeer plainServer;
    const uint16_t plainPort = FreeLoopbackPort();
    // socat reads colons as separators, and Wine's paths hold "c:": start it in the folder.
    if (!plainServer.Start(MakeTestFolder(L"socat"),
                           "sh -c " + ShellQuote("cd " + ShellQuote(unixFolder) +
                                                 " && exec socat -U TCP-LISTEN:" + std::to_string(plainPort) +
                                                 ",bind=127.0.0.1,reuseaddr,fork FILE:payload"),
                           plainPort)) {
        std::printf("socat did not start\n");
        return 1;
    }

    for (int round = 0; round < kRounds; ++round) {
        auto start = std::chrono::steady_clock::now();
        uint64_t bytes = ReceivePlain(plainPort, kReadBytes);
        Report("plain TCP, 10,000-byte reads", bytes, Seconds(start));
        // The TLS layer reads the socket in chunks of 64 KiB; the same for plain TCP.
        start = std::chrono::steady_clock::now();
        bytes = ReceivePlain(plainPort, 0x10000);
        Report("plain TCP, 64 KiB reads", bytes, Seconds(start));
        start = std::chrono::steady_clock::now();
        bytes = ReceiveTls(tlsPort);
        Report("TLS (incl. handshake), 10,000-byte reads", bytes, Seconds(start));
    }
    tlsServer.Stop();
    plainServer.Stop();
    WSACleanup();
    return 0;
}
