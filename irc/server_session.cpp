#include "irc/server_session.h"

#include "common/app_state.h"
#include "irc/connect_thread.h"
#include "irc/server_connection.h"
#include "irc/server_writer.h"
#include "irc/ident_responder.h"
#include "irc/tls_socket.h"
#include "core/dcc_connection.h"
#include "core/open_chat_window.h"
#include "core/frame_message_ids.h"
#include "core/client_services.h"
#include "core/window_record.h"
#include "core/settings.h"

#include <process.h>

#include <vector>

namespace {

constexpr LPARAM kIdentPort = 113;
// How long a session the user ends waits for its writer to write what it holds ("QUIT").
constexpr uint32_t kUserEndDrainMs = 200;

// Takes every thread handle the connection holds (its connection thread, ended attempts and
// session writers), under its lifecycle lock.
std::vector<HANDLE> TakeThreadHandles(ServerConnection& connection) {
    std::lock_guard<std::mutex> lock(connection.LifecycleMutex);
    std::vector<HANDLE> handles = std::move(connection.RetiredThreads);
    connection.RetiredThreads.clear();
    handles.insert(handles.end(), connection.WriterThreads.begin(), connection.WriterThreads.end());
    connection.WriterThreads.clear();
    if (connection.ConnectionThread) handles.push_back(connection.ConnectionThread);
    connection.ConnectionThread = nullptr;
    return handles;
}

// Waits for the threads and closes their handles. The calling thread's own handle (a
// connection thread restarting its own connection, the automatic reconnect) is kept for the
// next start or the window's destruction to wait for, as that thread is still unwinding; so is
// a session writer's that ran the disconnect routine.
void FinishThreads(ServerConnection& connection, const std::vector<HANDLE>& handles) {
    for (HANDLE thread : handles) {
        if (GetThreadId(thread) == GetCurrentThreadId()) {
            std::lock_guard<std::mutex> lock(connection.LifecycleMutex);
            connection.RetiredThreads.push_back(thread);
            continue;
        }
        WaitForThreadPumping(thread);
        CloseHandle(thread);
    }
}

} // namespace

void WaitForThreadPumping(HANDLE thread) {
    // The thread may be waiting for a window from the frame, which is this thread.
    const HANDLE handles[] = {thread, WindowRequestsWaiting()};
    const bool frame = GetWindowThreadProcessId(MainWindow.load(), nullptr) == GetCurrentThreadId();
    for (;;) {
        const DWORD count = frame && handles[1] ? 2 : 1;
        const DWORD result = MsgWaitForMultipleObjects(count, handles, FALSE, INFINITE, QS_SENDMESSAGE);
        if (result == WAIT_OBJECT_0 + 1 && count == 2) {
            TakeWindowRequests([] { return true; });
            continue;
        }
        if (result != WAIT_OBJECT_0 + count) return;
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

bool EndServerSession(ServerConnection& connection, uint8_t byUser) {
    const SOCKET socket = connection.Socket.exchange(0);
    if (!socket) return false;
    connection.ClosedByUser = byUser;
    if (byUser) DrainSessionWriter(connection, kUserEndDrainMs);
    // The writer leaves a write under way at once; the shutdown wakes a reader blocked in recv.
    // The close waits for the write lock, so nothing is ever written to a closed, reused handle.
    StopSessionWriter(connection);
    shutdown(socket, SD_BOTH);
    std::shared_ptr<TlsSocket> tls;
    {
        std::lock_guard<std::mutex> lock(connection.WriteLock);
        tls = std::move(connection.Tls);
        closesocket(socket);
    }
    // The session's handles go with its last reference (the receive loop may still hold one);
    // no close notify: the socket is already shut down, and its handle may soon be reused.
    tls.reset();
    const SOCKET ident = connection.IdentSocket.exchange(0);
    if (ident) closesocket(ident);
    return true;
}

HANDLE StartServerConnection(WindowRecord* record) {
    ServerConnection* connection = record ? record->Connection : nullptr;
    if (!connection) return nullptr;
    // One start at a time; the disconnect routine below sees that this one is under way.
    DWORD idle = 0;
    if (!connection->RestartingThread.compare_exchange_strong(idle, GetCurrentThreadId())) return nullptr;
    // This start takes the place of an automatic reconnect still waiting for its try.
    connection->ReconnectPending = 0;

    connection->StopRequested = 1;
    OnServerDisconnected(record);
    EndServerSession(*connection, 0);
    FinishThreads(*connection, TakeThreadHandles(*connection));

    connection->StartupDone = 0;
    connection->Registered = 0;
    connection->AltNickTried = 0;
    {
        // Lines meant for the previous session never go to the next server.
        std::lock_guard<std::mutex> lock(connection->QueueMutex);
        connection->SendQueue.clear();
        connection->QueueEmpty = 1;
    }
    if (Settings::UseUpnp()) PostMessageW(MainWindow.load(), WM_UPNP_REQUEST, 0, kIdentPort);

    HANDLE thread = nullptr;
    {
        std::lock_guard<std::mutex> lock(connection->LifecycleMutex);
        if (!connection->Closing) {
            connection->StopRequested = 0;
            ++connection->Generation;
            thread =
                reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, ServerConnectThread, record, 0, nullptr));
            connection->ConnectionThread = thread;
        }
    }
    connection->RestartingThread = 0;
    return thread;
}

void DestroyServerSession(WindowRecord* record) {
    if (!record) return;
    if (ServerConnection* connection = record->Connection) {
        {
            std::lock_guard<std::mutex> lock(connection->LifecycleMutex);
            connection->Closing = 1;
            connection->StopRequested = 1;
        }
        EndServerSession(*connection, 1);
        // A thread that restarted itself meanwhile left a new handle; wait until none is left.
        for (;;) {
            std::vector<HANDLE> handles = TakeThreadHandles(*connection);
            if (handles.empty()) break;
            FinishThreads(*connection, handles);
            EndServerSession(*connection, 1);
        }
        StopIdentResponder(connection);
        delete connection;
    }
    delete record->Dcc;
    record->Connection = nullptr;
    record->Dcc = nullptr;
    // The record's own texts, lists and server link stay as they are until it is deleted: a
    // connection thread may still be reading them in a handler (core/window_record_use.h).
}
