#include "irc/connect_thread.h"

#include "common/net_helpers.h"
#include "common/text_format.h"
#include "common/xstring.h"
#include "irc/connection_messages.h"
#include "irc/receive_loop.h"
#include "irc/send_path.h"
#include "irc/server_connection.h"
#include "irc/server_session.h"
#include "script/event_scripts.h"
#include "shell/window_operations.h"
#include "shell/window_record.h"
#include "xml/config_documents.h"
#include "xml/xml_profile.h"

#include <string>

namespace {

constexpr int32_t kDefaultThreadPriority = 200;
constexpr uint32_t kEventHandled = 1;

// The script event's answer: 1 ends the attempt.
bool ScriptStopsAttempt(const char* event, WindowRecord* record, const std::string& host) {
    std::string result;
    return RunEventScript(event, record, record, host, result, 0) == kEventHandled;
}

// An attempt that scripts or the window's end called off closes its socket quietly.
void AbandonAttempt(ServerConnection& connection) {
    EndServerSession(connection, 0);
}

bool StopRequested(const ServerConnection& connection) {
    return connection.StopRequested.load() != 0;
}

// Ends this attempt's session unless the connection was restarted meanwhile (from inside the
// disconnect routine): then the socket field belongs to the next attempt.
void EndOwnSession(ServerConnection& connection, uint32_t generation) {
    if (connection.Generation.load() == generation) EndServerSession(connection, 0);
}

// A failure after the socket exists: the failure line, then the disconnect routine (which
// closes the socket and may reconnect).
void FailAttempt(WindowRecord* record, ServerConnection& connection, uint32_t generation,
                 const std::wstring& address, uint16_t port) {
    PrintConnectionMessage(record, kConnectFailedMessage, {address, std::to_wstring(port)});
    OnServerDisconnected(record, 0);
    // The routine does nothing for a window that is gone; the socket still must not stay open.
    EndOwnSession(connection, generation);
}

// The e-mail address up to its '@', when no user name was given.
void FillUserName(ServerConnection& connection) {
    if (!connection.UserName.empty()) return;
    connection.UserName = connection.EMail.substr(0, connection.EMail.find('@'));
}

// Writes the registration lines; false when a line written at once did not leave whole.
bool Register(WindowRecord* record, ServerConnection& connection) {
    if (!connection.Password.empty()) {
        const std::string pass = "PASS " + connection.Password + "\r\n";
        if (SendServerLine(pass, record, 0) != pass.size()) return false;
    }
    const std::string user = "USER " + connection.UserName + " " + connection.UserField2 + " " +
                             connection.UserField3 + " :" + connection.FullName + "\r\nNICK " +
                             connection.Nick + "\r\n";
    return SendServerLine(user, record, 0) == user.size();
}

void RunConnection(WindowRecord* record, uint32_t generation) {
    ServerConnection& connection = *record->Connection;

    const int32_t priority = XmlGetProfileInt("ICfg\\General", "ServerThreadPriority", kDefaultThreadPriority,
                                              nullptr, UserConfigDocument);
    if (priority != kDefaultThreadPriority && priority <= 0) SetThreadPriority(GetCurrentThread(), priority);

    if (connection.Host.empty()) {
        if (connection.ServerList.empty()) return;
        const int32_t count = static_cast<int32_t>(connection.ServerList.size());
        connection.Host = connection.ServerList[static_cast<size_t>(RandomBelow(count))];
    }
    const std::string host = connection.Host;
    const uint16_t port = connection.Port;
    PrintConnectionMessage(record, kConnectingMessage, {NarrowToWide(host)});

    sockaddr_in6 address6{};
    sockaddr_in address4{};
    const uint32_t length6 = ResolveHost(host.c_str(), port, 0, &address6, sizeof address6, AF_INET6);
    const uint32_t length4 = ResolveHost(host.c_str(), port, 0, &address4, sizeof address4, AF_INET);
    if (!length6 && !length4) {
        PrintConnectionMessage(record, kDisconnectedMessage);
        return;
    }
    if (StopRequested(connection)) return;

    // IPv4 whenever it resolved; IPv6 only when it alone did.
    const bool useIPv6 = length6 == sizeof(sockaddr_in6) && !length4;
    std::wstring addressText;
    const sockaddr* target = nullptr;
    int targetLength = 0;
    if (useIPv6) {
        uint8_t bytes[16];
        memcpy(bytes, &address6.sin6_addr, sizeof bytes);
        addressText = NarrowToWide(FormatIPv6(bytes));
        target = reinterpret_cast<const sockaddr*>(&address6);
        targetLength = static_cast<int>(length6);
    } else {
        char dotted[INET_ADDRSTRLEN] = {};
        const uint8_t* b = reinterpret_cast<const uint8_t*>(&address4.sin_addr);
        snprintf(dotted, sizeof dotted, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
        addressText = NarrowToWide(dotted);
        target = reinterpret_cast<const sockaddr*>(&address4);
        targetLength = static_cast<int>(length4);
    }

    const SOCKET socket = ::socket(useIPv6 ? AF_INET6 : AF_INET, SOCK_STREAM, 0);
    if (socket == INVALID_SOCKET) {
        PrintConnectionMessage(record, kConnectFailedMessage, {addressText, std::to_wstring(port)});
        return;
    }
    connection.IsIPv6 = useIPv6 ? 1 : 0;
    connection.Socket = socket;
    // Stored before the check, so either this thread or the one asking it to stop closes it.
    if (StopRequested(connection)) return AbandonAttempt(connection);

    if (ScriptStopsAttempt("On_Connect_1", record, host) || StopRequested(connection))
        return AbandonAttempt(connection);

    // The ident responder answers here once the connection can start one.
    connection.IdentWaited = 0;

    PrintConnectionMessage(record, kAddressMessage, {addressText, std::to_wstring(port)});

    int result = 0;
    if (connection.ConnectMethod == 0) {
        result = connect(socket, target, targetLength) == 0 ? 0 : -1;
    } else if (connection.ConnectMethod == 1) {
        result = -1; // proxies are not available to this connection yet
    }
    if (StopRequested(connection)) return AbandonAttempt(connection);
    if (result < 0) return FailAttempt(record, connection, generation, addressText, port);

    PrintConnectionMessage(record, kConnectedMessage, {addressText, std::to_wstring(port)});

    // TLS sessions are not available to this connection yet: refuse rather than talk plain.
    if (connection.UseTls && !connection.Tls)
        return FailAttempt(record, connection, generation, addressText, port);

    if (ScriptStopsAttempt("On_Connect_2", record, host) || StopRequested(connection))
        return AbandonAttempt(connection);

    FillUserName(connection);
    if (!Register(record, connection)) return FailAttempt(record, connection, generation, addressText, port);

    if (ScriptStopsAttempt("On_Connect_3", record, host) || StopRequested(connection))
        return AbandonAttempt(connection);

    // Ends with the connection and runs the disconnect routine itself.
    ServerReceiveLoop(record);
}

} // namespace

unsigned __stdcall ServerConnectThread(void* windowRecord) {
    WindowRecord* record = static_cast<WindowRecord*>(windowRecord);
    if (!record || !record->Connection) return 0;
    ServerConnection& connection = *record->Connection;
    const uint32_t generation = connection.Generation.load();
    try {
        RunConnection(record, generation);
    } catch (...) {
        // Nothing may leave a thread; an attempt that failed this way must not keep its socket.
        EndOwnSession(connection, generation);
    }
    return 0;
}
