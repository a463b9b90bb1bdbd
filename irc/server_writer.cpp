#include "irc/server_writer.h"

#include "irc/bounded_send.h"
#include "irc/connection_messages.h"
#include "irc/server_connection.h"
#include "irc/server_session.h"
#include "irc/tls_socket.h"
#include "core/client_services.h"
#include "core/window_record.h"

#include <process.h>

#include <memory>
#include <vector>

namespace {

// Bytes written per hold of the write lock: a TLS token or the end of the session waits for at
// most one slice.
constexpr size_t kWriteSlice = 64 * 1024;

} // namespace

struct SessionWriter {
    SessionWriter() = default;
    ~SessionWriter() {
        for (HANDLE event : {Wake, Stop, Idle})
            if (event) CloseHandle(event);
    }
    SessionWriter(const SessionWriter&) = delete;
    SessionWriter& operator=(const SessionWriter&) = delete;

    ServerConnection* Connection = nullptr;
    WindowRecord* Record = nullptr;
    SOCKET Socket = 0;
    uint32_t Generation = 0;
    std::wstring Address;
    uint16_t Port = 0;
    HANDLE Wake = nullptr; // auto-reset: bytes were handed over
    HANDLE Stop = nullptr; // manual-reset: the session ended
    HANDLE Idle = nullptr; // manual-reset: nothing is waiting or being written
    // Under the connection's WriterMutex.
    std::string Pending;
    bool GaveUp = false;
};

namespace {

enum class SliceEnd { kWritten, kFailed, kStalled };

// One slice under the write lock. TLS records are made here and written under the same lock,
// so they keep the order of their sequence numbers with every other write of the session.
SliceEnd WriteSlice(SessionWriter& writer, std::string_view slice) {
    ServerConnection& connection = *writer.Connection;
    std::lock_guard<std::mutex> lock(connection.WriteLock);
    // The socket is closed under this lock once the stop is set, never before.
    if (WaitForSingleObject(writer.Stop, 0) == WAIT_OBJECT_0) return SliceEnd::kFailed;
    std::string_view wire = slice;
    std::vector<char> records;
    if (connection.UseTls) {
        // Nothing leaves a TLS connection in plain text, before or after its session exists.
        const std::shared_ptr<TlsSocket>& tls = connection.Tls;
        if (!tls || tls->Socket != writer.Socket) return SliceEnd::kFailed;
        const uint32_t length = static_cast<uint32_t>(slice.size());
        if (TlsSend(tls.get(), slice.data(), length, &records) != static_cast<int>(length))
            return SliceEnd::kFailed;
        wire = std::string_view(records.data(), records.size());
    }
    const BoundedSendResult result = SendBounded(writer.Socket, wire, WriteStallLimitMs.load(), writer.Stop);
    if (result.Sent == wire.size()) return SliceEnd::kWritten;
    return result.Stalled ? SliceEnd::kStalled : SliceEnd::kFailed;
}

SliceEnd WriteBatch(SessionWriter& writer, std::string_view batch) {
    for (size_t at = 0; at < batch.size(); at += kWriteSlice) {
        const SliceEnd end = WriteSlice(writer, batch.substr(at, kWriteSlice));
        if (end != SliceEnd::kWritten) return end;
    }
    return SliceEnd::kWritten;
}

bool StillItsSession(const SessionWriter& writer) {
    const ServerConnection& connection = *writer.Connection;
    return connection.Socket.load() == writer.Socket && connection.Generation.load() == writer.Generation;
}

// A server that stopped reading is a failed connection: its failure line, then the disconnect
// routine, which ends the session once and may reconnect. A window that is gone gets no routine,
// yet its socket must not stay open either.
void GiveUpOnStalledServer(SessionWriter& writer) {
    if (!StillItsSession(writer)) return;
    PrintConnectionMessage(writer.Record, kConnectFailedMessage,
                           {writer.Address, std::to_wstring(writer.Port)});
    OnServerDisconnected(writer.Record);
    if (StillItsSession(writer)) EndServerSession(*writer.Connection, 0);
}

void RunWriter(SessionWriter& writer) {
    ServerConnection& connection = *writer.Connection;
    const HANDLE events[] = {writer.Stop, writer.Wake};
    for (;;) {
        std::string batch;
        {
            std::lock_guard<std::mutex> lock(connection.WriterMutex);
            batch.swap(writer.Pending);
            if (batch.empty()) SetEvent(writer.Idle);
        }
        if (batch.empty()) {
            if (WaitForMultipleObjects(2, events, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) return;
            continue;
        }
        const SliceEnd end = WriteBatch(writer, batch);
        if (end == SliceEnd::kWritten) continue;
        {
            std::lock_guard<std::mutex> lock(connection.WriterMutex);
            writer.GaveUp = true;
            writer.Pending.clear();
            SetEvent(writer.Idle);
        }
        if (end == SliceEnd::kStalled) GiveUpOnStalledServer(writer);
        return;
    }
}

unsigned __stdcall SessionWriterThread(void* start) {
    std::shared_ptr<SessionWriter> writer(std::move(*static_cast<std::shared_ptr<SessionWriter>*>(start)));
    delete static_cast<std::shared_ptr<SessionWriter>*>(start);
    try {
        RunWriter(*writer);
    } catch (...) {
        // Nothing may leave a thread; the session's writes simply end.
    }
    return 0;
}

} // namespace

bool StartSessionWriter(WindowRecord* record, const std::wstring& address, uint16_t port) {
    ServerConnection* connection = record ? record->Connection : nullptr;
    if (!connection) return false;
    auto writer = std::make_shared<SessionWriter>();
    writer->Connection = connection;
    writer->Record = record;
    writer->Generation = connection->Generation.load();
    writer->Address = address;
    writer->Port = port;
    writer->Wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    writer->Stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    writer->Idle = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    if (!writer->Wake || !writer->Stop || !writer->Idle) return false;
    HANDLE thread = nullptr;
    {
        // Checked under the lock the session's end takes, so the end either finds this writer
        // or this start finds the session over.
        std::lock_guard<std::mutex> lock(connection->WriterMutex);
        writer->Socket = connection->Socket.load();
        if (!writer->Socket || connection->Writer) return false;
        auto* start = new std::shared_ptr<SessionWriter>(writer);
        thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, SessionWriterThread, start, 0, nullptr));
        if (!thread) {
            delete start;
            return false;
        }
        connection->Writer = writer;
    }
    std::lock_guard<std::mutex> lock(connection->LifecycleMutex);
    connection->WriterThreads.push_back(thread);
    return true;
}

bool HandToWriter(ServerConnection& connection, std::string_view bytes) {
    std::lock_guard<std::mutex> lock(connection.WriterMutex);
    SessionWriter* writer = connection.Writer.get();
    if (!writer || writer->GaveUp) return false;
    ResetEvent(writer->Idle);
    writer->Pending.append(bytes);
    SetEvent(writer->Wake);
    return true;
}

void StopSessionWriter(ServerConnection& connection) {
    std::shared_ptr<SessionWriter> writer;
    {
        std::lock_guard<std::mutex> lock(connection.WriterMutex);
        writer = std::move(connection.Writer);
        if (!writer) return;
        writer->Pending.clear();
    }
    SetEvent(writer->Stop);
}

void DrainSessionWriter(ServerConnection& connection, uint32_t waitMs) {
    std::shared_ptr<SessionWriter> writer;
    {
        std::lock_guard<std::mutex> lock(connection.WriterMutex);
        writer = connection.Writer;
    }
    if (writer) WaitForSingleObject(writer->Idle, waitMs);
}
