#include "irc/receive_loop.h"

#include "irc/line_dispatch.h"
#include "irc/server_connection.h"
#include "irc/tls_socket.h"
#include "core/client_services.h"
#include "core/window_record.h"

#include <winsock2.h>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace {

// Lines read but not yet handled. The reader stops reading while this much waits, so a server
// that sends faster than its lines are handled cannot make it grow without end. The line bound
// keeps a PING close behind lines handled quickly (a long MOTD) while the handling waits for the
// window to print what it was given.
constexpr size_t kWaitingBytesBound = 1024 * 1024;
constexpr size_t kWaitingLinesBound = 4000;

struct ReadLine {
    std::string Text;
    PingAnswer Ping = PingAnswer::Owed;
};

// The hand-over between the reader and the thread that handles the lines, in arrival order.
class WaitingLines {
public:
    // False once the handling side has stopped taking lines.
    bool Push(ReadLine line) {
        std::unique_lock<std::mutex> lock(mutex_);
        room_.wait(lock, [this] {
            return (bytes_ < kWaitingBytesBound && lines_.size() < kWaitingLinesBound) || stopped_;
        });
        if (stopped_) return false;
        bytes_ += line.Text.size();
        lines_.push_back(std::move(line));
        ++unfinished_;
        ready_.notify_one();
        return true;
    }
    // Lines read and not yet handled, the one being handled among them.
    bool Behind() {
        std::lock_guard<std::mutex> lock(mutex_);
        return unfinished_ > 0;
    }
    // Waits for the next line; none once the reader has ended and every line is taken.
    std::optional<ReadLine> Take() {
        std::unique_lock<std::mutex> lock(mutex_);
        ready_.wait(lock, [this] { return !lines_.empty() || ended_; });
        if (lines_.empty()) return std::nullopt;
        ReadLine line = std::move(lines_.front());
        lines_.pop_front();
        bytes_ -= line.Text.size();
        room_.notify_one();
        return line;
    }
    void Finished() {
        std::lock_guard<std::mutex> lock(mutex_);
        --unfinished_;
    }
    void EndOfReading() {
        std::lock_guard<std::mutex> lock(mutex_);
        ended_ = true;
        ready_.notify_all();
    }
    void StopTaking() {
        std::lock_guard<std::mutex> lock(mutex_);
        stopped_ = true;
        room_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable ready_, room_;
    std::deque<ReadLine> lines_;
    size_t bytes_ = 0, unfinished_ = 0;
    bool ended_ = false, stopped_ = false;
};

// Reads until the connection ends, its socket is taken away or the lines stop being taken. A
// PING read while earlier lines still wait is answered here at once: however long those take
// (a window made for each of hundreds of forced joins), the server hears from us in time.
void ReadServerLines(WindowRecord* record, SOCKET socket, TlsSocket* tls, WaitingLines& waiting) {
    ServerConnection& connection = *record->Connection;
    ReceiveBuffer buffer;
    bool taking = true;
    // A read of 0 (closed) or an error ends the loop. A TLS record without application data
    // gives 0 and is read past.
    while (taking && connection.Socket.load() == socket) {
        const int got = tls ? TlsRecv(tls, buffer.ReadSpace(), static_cast<int>(kReceiveReadSize))
                            : recv(socket, buffer.ReadSpace(), static_cast<int>(kReceiveReadSize), 0);
        if (tls && got == 0) continue;
        if (got <= 0) break;
        buffer.Commit(static_cast<size_t>(got), [&](const std::string& text) {
            if (!taking) return;
            ReadLine line{text};
            if (waiting.Behind() && AnswerPingAhead(text, record)) line.Ping = PingAnswer::AlreadySent;
            taking = waiting.Push(std::move(line));
        });
    }
    waiting.EndOfReading();
}

// Handles the lines in order on this, the connection's, thread. A handler that ended the session
// (a restart, the user's disconnect) ends the handling: what was read after belongs to no one.
void HandleWaitingLines(WindowRecord* record, SOCKET socket, WaitingLines& waiting) {
    ServerConnection& connection = *record->Connection;
    while (std::optional<ReadLine> line = waiting.Take()) {
        if (connection.Socket.load() != socket) break;
        HandleServerLine(line->Text, record, line->Ping);
        waiting.Finished();
    }
    waiting.StopTaking();
}

} // namespace

void ServerReceiveLoop(WindowRecord* record) {
    ServerConnection& connection = *record->Connection;
    const uint32_t generation = connection.Generation.load();
    const SOCKET socket = connection.Socket.load();
    std::shared_ptr<TlsSocket> tls;
    if (connection.UseTls) {
        std::lock_guard<std::mutex> lock(connection.WriteLock);
        tls = connection.Tls;
        // A TLS connection without its session never reads plain text.
        if (!tls) return;
    }
    if (socket) {
        WaitingLines waiting;
        // The reader ends on its own once the socket is closed: the disconnect routine shuts it
        // down, which wakes a blocked read, and a full hand-over wakes once taking stops.
        std::thread reader;
        try {
            reader = std::thread([&] {
                try {
                    ReadServerLines(record, socket, tls.get(), waiting);
                } catch (...) {
                    waiting.EndOfReading();
                }
            });
        } catch (...) {
            waiting.EndOfReading();
        }
        HandleWaitingLines(record, socket, waiting);
        if (reader.joinable()) reader.join();
    }
    // A line handler that restarted the connection already ended this session; the socket
    // field now belongs to the next attempt.
    if (connection.Generation.load() == generation) OnServerDisconnected(record);
}
