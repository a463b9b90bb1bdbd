#include "irc/connect_thread.h"

#include "common/net_helpers.h"
#include "common/text_format.h"
#include "common/xstring.h"
#include "irc/connection_messages.h"
#include "irc/connection_tls.h"
#include "irc/ident_responder.h"
#include "irc/proxy_connect.h"
#include "irc/receive_loop.h"
#include "irc/send_path.h"
#include "irc/server_connection.h"
#include "irc/server_session.h"
#include "irc/server_writer.h"
#include "core/client_services.h"
#include "core/window_record.h"
#include "core/settings.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr uint32_t kEventHandled = 1;

// One connection attempt: the thread's view of its record. A restart made from inside this
// thread (a script or the disconnect routine running "/server") starts the next attempt at
// once; from then on the record's socket belongs to that attempt and this one only returns.
class Attempt {
public:
    explicit Attempt(WindowRecord* record)
        : record_(record), connection_(*record->Connection), generation_(connection_.Generation.load()) {}

    void Run();

    // Ends this attempt's session unless the connection was restarted meanwhile.
    void EndOwnSession() {
        if (connection_.Generation.load() == generation_) EndServerSession(connection_, 0);
    }

private:
    // Asked to stop (the window closes, or another thread restarts it), or already replaced.
    bool Superseded() const {
        return connection_.StopRequested.load() || connection_.Generation.load() != generation_;
    }
    // The script event's answer: 1 calls the attempt off.
    bool ScriptStops(const char* event) {
        std::string result;
        return RunEventScript(event, record_, record_, host_, result) == kEventHandled;
    }
    // A failure once the socket exists: the failure line, then the disconnect routine, which
    // closes the socket and may reconnect. A window that is gone gets no routine, yet its
    // socket must not stay open either.
    void Fail() {
        PrintConnectionMessage(record_, kConnectFailedMessage, {address_, std::to_wstring(port_)});
        OnServerDisconnected(record_);
        EndOwnSession();
    }
    bool Resolve();
    bool Register();

    WindowRecord* record_;
    ServerConnection& connection_;
    const uint32_t generation_;
    std::string host_;
    uint16_t port_ = 0;
    sockaddr_in6 address6_{};
    sockaddr_in address4_{};
    bool ipv6_ = false;
    std::wstring address_;
};

// Resolves IPv6 and IPv4; IPv4 is taken whenever it resolved, IPv6 only when it alone did.
bool Attempt::Resolve() {
    const uint32_t length6 = ResolveHost(host_.c_str(), port_, 0, &address6_, sizeof address6_, AF_INET6);
    const uint32_t length4 = ResolveHost(host_.c_str(), port_, 0, &address4_, sizeof address4_, AF_INET);
    if (!length6 && !length4) return false;
    ipv6_ = length6 == sizeof(sockaddr_in6) && !length4;
    if (ipv6_) {
        uint8_t bytes[16];
        std::memcpy(bytes, &address6_.sin6_addr, sizeof bytes);
        address_ = NarrowToWide(FormatIPv6(bytes));
    } else {
        const uint8_t* b = reinterpret_cast<const uint8_t*>(&address4_.sin_addr);
        address_ = std::to_wstring(b[0]) + L"." + std::to_wstring(b[1]) + L"." + std::to_wstring(b[2]) +
                   L"." + std::to_wstring(b[3]);
    }
    return true;
}

// PASS when there is a password, then USER and NICK, as one entry of the send queue: flood
// control sends the whole registration at once instead of one line a tick. False when a line
// was not taken whole.
bool Attempt::Register() {
    const std::string pass =
        connection_.Password.empty() ? std::string() : "PASS " + connection_.Password + "\r\n";
    const std::string user = "USER " + connection_.UserName + " " + connection_.UserField2 + " " +
                             connection_.UserField3 + " :" + connection_.FullName + "\r\n";
    const std::string nick = "NICK " + connection_.Nick + "\r\n";
    return SendServerLines({pass, user, nick}, record_, 0) == pass.size() + user.size() + nick.size();
}

void Attempt::Run() {
    const int32_t priority = Settings::ServerThreadPriority();
    if (priority != kDefaultServerThreadPriority && priority <= 0)
        SetThreadPriority(GetCurrentThread(), priority);

    if (connection_.Host.empty()) {
        if (connection_.ServerList.empty()) return;
        const int32_t count = static_cast<int32_t>(connection_.ServerList.size());
        connection_.Host = connection_.ServerList[static_cast<size_t>(RandomBelow(count))];
    }
    host_ = connection_.Host;
    port_ = connection_.Port;
    PrintConnectionMessage(record_, kConnectingMessage, {NarrowToWide(host_)});
    if (!Resolve()) {
        PrintConnectionMessage(record_, kDisconnectedMessage);
        return;
    }
    if (Superseded()) return;

    const SOCKET socket = ::socket(ipv6_ ? AF_INET6 : AF_INET, SOCK_STREAM, 0);
    if (socket == INVALID_SOCKET) {
        PrintConnectionMessage(record_, kConnectFailedMessage, {address_, std::to_wstring(port_)});
        return;
    }
    connection_.IsIPv6 = ipv6_ ? 1 : 0;
    connection_.Socket = socket;
    // Checked after the store, so either this thread or the one that asked it to stop closes
    // the socket. Every attempt that is called off closes it quietly.
    if (Superseded() || ScriptStops("On_Connect_1") || Superseded()) return EndOwnSession();

    // The ident responder reports the user name as soon as the server asks, which may be before
    // registration, so it is settled before the responder starts.
    if (connection_.UserName.empty())
        connection_.UserName = connection_.EMail.substr(0, connection_.EMail.find('@'));
    StartIdentResponder(record_);
    if (Superseded()) return EndOwnSession();
    PrintConnectionMessage(record_, kAddressMessage, {address_, std::to_wstring(port_)});

    int result = 0;
    if (connection_.ConnectMethod == 0) {
        const sockaddr* target = ipv6_ ? reinterpret_cast<const sockaddr*>(&address6_)
                                       : reinterpret_cast<const sockaddr*>(&address4_);
        const int length = ipv6_ ? static_cast<int>(sizeof address6_) : static_cast<int>(sizeof address4_);
        result = connect(socket, target, length) == 0 ? 0 : -1;
    } else if (connection_.ConnectMethod == 1) {
        const sockaddr* target = ipv6_ ? reinterpret_cast<const sockaddr*>(&address6_)
                                       : reinterpret_cast<const sockaddr*>(&address4_);
        const int length = ipv6_ ? static_cast<int>(sizeof address6_) : static_cast<int>(sizeof address4_);
        // The proxy may replace the socket by one of its own address family.
        result = ProxyConnect(record_, &connection_, socket, target, length, host_, port_);
    }
    if (Superseded()) return EndOwnSession();
    if (result < 0) return Fail();
    PrintConnectionMessage(record_, kConnectedMessage, {address_, std::to_wstring(port_)});

    // The handshake runs end to end with the server, through the tunnel when there is one, and
    // checks the certificate against the host's name. A failed handshake never talks plain.
    if (connection_.UseTls && StartConnectionTls(record_, &connection_) < 0) return Fail();
    // From here on every line, registration first, leaves through the session's writer.
    // It fails for a session that another thread already ended, or when no thread can start.
    if (!StartSessionWriter(record_, address_, port_))
        return Superseded() || !connection_.Socket.load() ? EndOwnSession() : Fail();

    if (ScriptStops("On_Connect_2") || Superseded()) return EndOwnSession();
    if (!Register()) return Fail();
    if (ScriptStops("On_Connect_3") || Superseded()) return EndOwnSession();

    // Ends with the connection and runs the disconnect routine itself.
    ServerReceiveLoop(record_);
}

} // namespace

unsigned __stdcall ServerConnectThread(void* windowRecord) {
    WindowRecord* record = static_cast<WindowRecord*>(windowRecord);
    if (!record || !record->Connection) return 0;
    Attempt attempt(record);
    try {
        attempt.Run();
    } catch (...) {
        // Nothing may leave a thread; an attempt that failed this way must not keep its socket.
        attempt.EndOwnSession();
    }
    return 0;
}
