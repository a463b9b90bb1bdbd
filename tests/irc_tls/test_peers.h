// Peers that several tests start: openssl's test server, Dante, tinyproxy and a scripted proxy of
// our own that answers every reply shape a test asks for.
#pragma once

#include "tests/irc_tls/linux_peer.h"
#include "tests/irc_tls/loopback_server.h"

#include <cstdint>
#include <initializer_list>
#include <mutex>
#include <string>
#include <vector>

// What the scripted proxy writes once its script has run, standing for the server behind it.
inline const std::string kTunnelText = "tunnel-ok\r\n";

std::string Bytes(std::initializer_list<int> values);

// openssl s_server in its reversing echo mode with the given certificate.
struct OpensslServer {
    LinuxPeer Peer;
    uint16_t Port = 0;
    bool Start(const std::string& certificate, const std::string& key, const std::string& extra = "");
};

// danted on a free loopback port; methods is its "socksmethod" list ("none", "username", or both in
// the order of preference). User and password are the system account made by the setup script.
struct Dante {
    LinuxPeer Peer;
    uint16_t Port = 0;
    bool Start(const std::string& methods);
};
inline const char kDanteUser[] = "brindlexsocks";
inline const char kDantePassword[] = "Proxy-Pass-7";

// tinyproxy on a free loopback port: CONNECT to the allowed ports passes, to any other gets 403.
struct TinyProxy {
    LinuxPeer Peer;
    uint16_t Port = 0;
    bool Start(const std::vector<uint16_t>& allowedPorts);
};

// A proxy that records the bytes it was sent and answers from a script: each step reads a count
// of bytes (0 = read nothing) and then writes its answer; after the script it writes the tunnel
// text, or hangs up.
struct ScriptStep {
    size_t Read;
    std::string Answer;
};

class ScriptedProxy {
public:
    explicit ScriptedProxy(std::vector<ScriptStep> script, bool thenTunnel = true)
        : script_(std::move(script)), server_([this, thenTunnel](SOCKET s) { Serve(s, thenTunnel); }) {}

    uint16_t Port() const { return server_.Port(); }
    std::string Received() {
        std::lock_guard<std::mutex> guard(mutex_);
        return received_;
    }

private:
    void Serve(SOCKET s, bool thenTunnel);

    std::vector<ScriptStep> script_;
    std::mutex mutex_;
    std::string received_;
    LoopbackServer server_;
};
