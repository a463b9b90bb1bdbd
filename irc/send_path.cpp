#include "irc/send_path.h"

#include "common/app_state.h"
#include "irc/server_connection.h"
#include "irc/tls_socket.h"
#include "core/dcc_connection.h"
#include "core/frame_message_ids.h"
#include "core/window_list.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

std::atomic<uint8_t> FloodQueueing{1};

void SetFloodDelay(HWND frame, uint32_t periodMs) {
    if (periodMs) {
        SetTimer(frame, FLOOD_TIMER_ID, periodMs, nullptr);
        FloodQueueing = 1;
    } else {
        KillTimer(frame, FLOOD_TIMER_ID);
        FloodQueueing = 0;
    }
}

uint32_t SendAll(SOCKET socket, const char* data, int length, int flags) {
    int sent = 0;
    while (sent < length) {
        const int n = send(socket, data + sent, length - sent, flags);
        if (n == 0 || n == SOCKET_ERROR) break;
        sent += n;
    }
    return static_cast<uint32_t>(sent);
}

namespace {

constexpr size_t kWriteChunk = 8192;

uint32_t WriteLocked(ServerConnection& connection, std::string_view line);
constexpr long kWriteWaitMs = 100;

// 1 writable, 0 not yet, -1 the socket failed.
int WaitWritable(SOCKET socket) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(socket, &set);
    timeval wait{0, kWriteWaitMs * 1000};
    const int result = select(0, nullptr, &set, nullptr, &wait);
    return result == SOCKET_ERROR ? -1 : result;
}

// One writer at a time per connection. The socket is read again before every piece and a piece
// is written only when it fits, so no writer blocks for long in send: a session that ends (the
// field becomes 0) stops the writer within one wait, and the socket is closed only under this
// lock, never under a writer.
uint32_t WriteNow(ServerConnection& connection, std::string_view line) {
    std::lock_guard<std::mutex> lock(connection.WriteLock);
    std::vector<char> records;
    if (connection.UseTls) {
        // Nothing leaves a TLS connection in plain text, before or after its session exists.
        const std::shared_ptr<TlsSocket>& tls = connection.Tls;
        if (!tls || tls->Socket != connection.Socket.load()) return 0;
        // The records are made here and written below under the same lock, so they keep the
        // order of their sequence numbers.
        if (TlsSend(tls.get(), line.data(), static_cast<uint32_t>(line.size()), &records) !=
            static_cast<int>(line.size()))
            return 0;
        const std::string_view wire(records.data(), records.size());
        return WriteLocked(connection, wire) == wire.size() ? static_cast<uint32_t>(line.size()) : 0;
    }
    return WriteLocked(connection, line);
}

// The write itself, with the connection's write lock held.
uint32_t WriteLocked(ServerConnection& connection, std::string_view line) {
    size_t sent = 0;
    while (sent < line.size()) {
        const SOCKET socket = connection.Socket.load();
        if (!socket) break;
        const int writable = WaitWritable(socket);
        if (writable < 0) break;
        if (writable == 0) continue;
        const int piece = static_cast<int>(std::min(line.size() - sent, kWriteChunk));
        const int n = send(socket, line.data() + sent, piece, 0);
        if (n == 0 || n == SOCKET_ERROR) break;
        sent += static_cast<size_t>(n);
    }
    return static_cast<uint32_t>(sent);
}

} // namespace

uint32_t SendServerLine(std::string_view line, WindowRecord* window, uint8_t force) {
    ServerConnection* connection = ConnectionOfWindow(window);
    // A line ends at its first CR or LF: whatever follows would reach the server as a command
    // of its own, so it never leaves.
    const std::string_view content = line.substr(0, line.find_first_of("\r\n"));
    if (content.empty() || !connection) return 0;
    std::string whole;
    whole.reserve(content.size() + 2);
    whole.append(content).append("\r\n");
    if (!force && FloodQueueing.load()) {
        const uint32_t length = static_cast<uint32_t>(whole.size());
        bool post = false;
        {
            std::lock_guard<std::mutex> lock(connection->QueueMutex);
            connection->SendQueue.push_back(std::move(whole));
            post = connection->QueueEmpty != 0;
            connection->QueueEmpty = 0;
        }
        if (post) PostMessageW(MainWindow.load(), WM_TIMER, FLOOD_TIMER_ID, 0);
        return length;
    }
    return WriteNow(*connection, whole);
}

void FlushSendQueues() {
    std::vector<WindowRecord*> servers;
    {
        WindowListReadLock lock(WindowListMutex());
        for (WindowRecord* record : WindowList)
            if (record->Type == kServerWindow && record->Connection) servers.push_back(record);
    }
    for (WindowRecord* record : servers) {
        ServerConnection& connection = *record->Connection;
        std::string line;
        {
            std::lock_guard<std::mutex> lock(connection.QueueMutex);
            if (!connection.SendQueue.empty()) {
                line = std::move(connection.SendQueue.front());
                connection.SendQueue.pop_front();
            }
            connection.QueueEmpty = connection.SendQueue.empty() ? 1 : 0;
        }
        // Written after the queue lock is released; a failed write still removes the line.
        if (!line.empty()) SendServerLine(line, record, 1);
    }
}

uint32_t DccChatSend(const char* data, WindowRecord* window, uint32_t length) {
    if (!data || !length || !window || !window->Dcc) return 0;
    if (length == 0xFFFFFFFF) length = static_cast<uint32_t>(std::strlen(data));
    if (!length || length > static_cast<uint32_t>(INT_MAX)) return 0;
    DccConnection& dcc = *window->Dcc;
    // A chat over TLS sends through its session once chats can make one.
    if (dcc.UseTls || !dcc.Socket) return 0;
    return SendAll(dcc.Socket, data, static_cast<int>(length), 0);
}
