#include "tests/irc_tls/test_peers.h"

std::string Bytes(std::initializer_list<int> values) {
    std::string bytes;
    for (int v : values) bytes += static_cast<char>(v);
    return bytes;
}

bool OpensslServer::Start(const std::string& certificate, const std::string& key, const std::string& extra) {
    Port = FreeLoopbackPort();
    return Peer.Start(MakeTestFolder(L"s_server"),
                      "openssl s_server -accept 127.0.0.1:" + std::to_string(Port) + " -cert " +
                          ShellQuote(certificate) + " -key " + ShellQuote(key) + " -rev -quiet " + extra,
                      Port);
}

bool Dante::Start(const std::string& methods) {
    Port = FreeLoopbackPort();
    const std::wstring folder = MakeTestFolder(L"danted");
    WriteFileBytes(folder + L"danted.conf",
                   "logoutput: stderr\ninternal: 127.0.0.1 port = " + std::to_string(Port) +
                       "\nexternal: 127.0.0.1\nsocksmethod: " + methods +
                       "\nclientmethod: none\nuser.privileged: root\n"
                       "user.unprivileged: nobody\n"
                       "client pass { from: 127.0.0.0/8 to: 0.0.0.0/0 }\n"
                       "socks pass { from: 127.0.0.0/8 to: 0.0.0.0/0 }\n");
    return Peer.Start(folder, "/usr/sbin/danted -f danted.conf", Port);
}

bool TinyProxy::Start(const std::vector<uint16_t>& allowedPorts) {
    Port = FreeLoopbackPort();
    const std::wstring folder = MakeTestFolder(L"tinyproxy");
    std::string config = "User nobody\nGroup nogroup\nPort " + std::to_string(Port) +
                         "\nListen 127.0.0.1\nTimeout 60\nAllow 127.0.0.1\nLogLevel Info\n";
    for (uint16_t port : allowedPorts) config += "ConnectPort " + std::to_string(port) + "\n";
    WriteFileBytes(folder + L"tinyproxy.conf", config);
    return Peer.Start(folder, "/usr/bin/tinyproxy -d -c tinyproxy.conf", Port);
}

void ScriptedProxy::Serve(SOCKET s, bool thenTunnel) {
    for (const ScriptStep& step : script_) {
        std::string got = RecvExactly(s, step.Read);
        {
            std::lock_guard<std::mutex> guard(mutex_);
            received_ += got;
        }
        if (got.size() < step.Read) return;
        if (!step.Answer.empty() && !SendText(s, step.Answer)) return;
    }
    // A proxy that refuses hangs up after its answer.
    if (!thenTunnel) return;
    SendText(s, kTunnelText);
    char rest[256];
    while (PeerRecv(s, rest, sizeof(rest)) > 0) {
    }
}
