#include "irc/send_path.h"

#include "common/app_state.h"
#include "irc/bounded_send.h"
#include "irc/server_connection.h"
#include "irc/server_writer.h"
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

namespace {

// A DCC chat line is written on the thread that typed it, the interface thread: a peer that
// takes nothing for this long gets the rest of the line no more.
constexpr uint32_t kDccChatStallMs = 200;

} // namespace

uint32_t SendServerLines(std::initializer_list<std::string_view> lines, WindowRecord* window, uint8_t force) {
    ServerConnection* connection = ConnectionOfWindow(window);
    if (!connection) return 0;
    std::string whole;
    for (std::string_view line : lines) {
        // A line ends at its first CR or LF: whatever follows would reach the server as a command
        // of its own, so it never leaves.
        const std::string_view content = line.substr(0, line.find_first_of("\r\n"));
        if (content.empty()) continue;
        whole.append(content).append("\r\n");
    }
    if (whole.empty()) return 0;
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
    return HandToWriter(*connection, whole) ? static_cast<uint32_t>(whole.size()) : 0;
}

uint32_t SendServerLine(std::string_view line, WindowRecord* window, uint8_t force) {
    return SendServerLines({line}, window, force);
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
        // Handed over after the queue lock is released; a line no writer takes is still removed.
        if (!line.empty()) HandToWriter(connection, line);
    }
}

uint32_t DccChatSend(const char* data, WindowRecord* window, uint32_t length) {
    if (!data || !length || !window || !window->Dcc) return 0;
    if (length == 0xFFFFFFFF) length = static_cast<uint32_t>(std::strlen(data));
    if (!length || length > static_cast<uint32_t>(INT_MAX)) return 0;
    DccConnection& dcc = *window->Dcc;
    if (dcc.UseTls) {
        TlsSocket* tls = dcc.Tls;
        if (!tls) return 0;
        // The records go on while the peer takes them; they end short only when the connection
        // failed or the peer took nothing for the write limit, with part of a record out. Nothing
        // can follow that on the stream, so the chat ends (its thread's read is called off), and
        // only the whole records count.
        const int sent = TlsSend(tls, data, length);
        if (sent == static_cast<int>(length)) return length;
        if (sent >= 0) {
            shutdown(tls->Socket, SD_BOTH);
            CancelIoEx(reinterpret_cast<HANDLE>(tls->Socket), nullptr);
        }
        return sent > 0 ? static_cast<uint32_t>(sent) : 0;
    }
    if (!dcc.Socket) return 0;
    return static_cast<uint32_t>(
        SendBounded(dcc.Socket, std::string_view(data, length), kDccChatStallMs).Sent);
}
