#include "irc/send_path.h"

#include "common/app_state.h"
#include "irc/server_connection.h"
#include "peer/dcc_connection.h"
#include "shell/frame_message_ids.h"
#include "shell/window_list.h"

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

uint32_t WriteNow(ServerConnection& connection, std::string_view line) {
    if (line.size() > static_cast<size_t>(INT_MAX)) return 0;
    std::lock_guard<std::mutex> lock(connection.WriteMutex);
    // Read under the write lock: the session's end closes the socket under the same lock.
    const SOCKET socket = connection.Socket.load();
    if (!socket) return 0;
    return SendAll(socket, line.data(), static_cast<int>(line.size()), 0);
}

} // namespace

uint32_t SendServerLine(std::string_view line, WindowRecord* window, uint8_t force) {
    ServerConnection* connection = ConnectionOfWindow(window);
    if (line.empty() || !connection) return 0;
    if (!force && FloodQueueing.load()) {
        bool post = false;
        {
            std::lock_guard<std::mutex> lock(connection->QueueMutex);
            connection->SendQueue.emplace_back(line);
            post = connection->QueueEmpty != 0;
            connection->QueueEmpty = 0;
        }
        if (post) PostMessageW(MainWindow.load(), WM_TIMER, FLOOD_TIMER_ID, 0);
        return static_cast<uint32_t>(line.size());
    }
    return WriteNow(*connection, line);
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
