#include "irc/receive_loop.h"

#include "irc/line_dispatch.h"
#include "irc/server_connection.h"
#include "irc/tls_socket.h"
#include "core/client_services.h"
#include "core/window_record.h"

#include <winsock2.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// Lines read but not yet handled. The reader stops reading while this much waits, so a server
// that sends faster than its lines are handled cannot make it grow without end. The line bound
// keeps a PING close behind lines handled quickly (a long MOTD) while the handling waits for the
// window to print what it was given.
constexpr size_t kWaitingBytesBound = 1024 * 1024;
constexpr size_t kWaitingLinesBound = 4000;

// The complete lines of one read in one block: where each line ends, and which of them are PINGs
// the reader already answered. One allocation a read, not one a line: the reader's allocations
// are freed on the handling thread, and under Wine every meeting of two threads at one heap waits.
struct ReadLines {
    std::string Bytes;
    std::vector<uint32_t> Ends;
    std::vector<uint32_t> Answered; // indexes of lines, in order
};

// The hand-over between the reader and the thread that handles the lines, in arrival order. It
// moves the lines of a read together and the handler takes all that wait at once, so a flood
// costs a wake per read at most, not one per line (under Wine every wait is a call to the
// server), and the lock and its condition are the system's own, which wait without one.
class WaitingLines {
public:
    // Adds the lines of one read; waits first while the bound is reached. False once the
    // handling side has stopped taking lines.
    bool Push(ReadLines&& read) {
        AcquireSRWLockExclusive(&lock_);
        while (!stopped_ && (bytes_ >= kWaitingBytesBound || lines_ >= kWaitingLinesBound))
            SleepConditionVariableSRW(&room_, &lock_, INFINITE, 0);
        const bool taking = !stopped_;
        if (taking) {
            const bool wake = reads_.empty();
            bytes_ += read.Bytes.size();
            lines_ += read.Ends.size();
            unhandled_.fetch_add(read.Ends.size());
            reads_.push_back(std::move(read));
            if (wake) WakeConditionVariable(&ready_);
        }
        ReleaseSRWLockExclusive(&lock_);
        return taking;
    }
    // Lines read and not yet handled, those being handled among them.
    bool Behind() const { return unhandled_.load() > 0; }
    // Takes every waiting read, waiting for one; false once the reader has ended and every read
    // is taken.
    bool Take(std::vector<ReadLines>& reads) {
        reads.clear();
        AcquireSRWLockExclusive(&lock_);
        while (reads_.empty() && !ended_) SleepConditionVariableSRW(&ready_, &lock_, INFINITE, 0);
        reads.swap(reads_);
        bytes_ = 0;
        lines_ = 0;
        WakeConditionVariable(&room_);
        ReleaseSRWLockExclusive(&lock_);
        return !reads.empty();
    }
    void Handled(size_t lines) { unhandled_.fetch_sub(lines); }
    void EndOfReading() {
        AcquireSRWLockExclusive(&lock_);
        ended_ = true;
        WakeAllConditionVariable(&ready_);
        ReleaseSRWLockExclusive(&lock_);
    }
    void StopTaking() {
        AcquireSRWLockExclusive(&lock_);
        stopped_ = true;
        WakeAllConditionVariable(&room_);
        ReleaseSRWLockExclusive(&lock_);
    }

private:
    SRWLOCK lock_ = SRWLOCK_INIT;
    CONDITION_VARIABLE ready_ = CONDITION_VARIABLE_INIT, room_ = CONDITION_VARIABLE_INIT;
    std::vector<ReadLines> reads_;
    size_t bytes_ = 0, lines_ = 0;
    std::atomic<size_t> unhandled_{0};
    bool ended_ = false, stopped_ = false;
};

// Whether the line's command is PING, read without parsing the line (every line of a flood passes
// here on the reader's thread).
bool LooksLikePing(const std::string& line) {
    size_t at = 0;
    if (!line.empty() && line[0] == ':') {
        at = line.find(' ');
        if (at == std::string::npos) return false;
        while (at < line.size() && line[at] == ' ') ++at;
    }
    if (line.size() - at < 4) return false;
    static const char kWord[] = "PING";
    for (size_t i = 0; i < 4; ++i)
        if ((line[at + i] & ~0x20) != kWord[i]) return false;
    return line.size() == at + 4 || line[at + 4] == ' ';
}

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
        ReadLines read;
        read.Bytes.reserve(buffer.Held() + static_cast<size_t>(got));
        buffer.Commit(static_cast<size_t>(got), [&](const std::string& text) {
            // Behind the lines of this read or lines still waiting, a PING is answered now.
            if (LooksLikePing(text) && (!read.Ends.empty() || waiting.Behind()) &&
                AnswerPingAhead(text, record))
                read.Answered.push_back(static_cast<uint32_t>(read.Ends.size()));
            read.Bytes += text;
            read.Ends.push_back(static_cast<uint32_t>(read.Bytes.size()));
        });
        if (!read.Ends.empty()) taking = waiting.Push(std::move(read));
    }
    waiting.EndOfReading();
}

// Handles the lines in order on this, the connection's, thread. A handler that ended the session
// (a restart, the user's disconnect) ends the handling: what was read after belongs to no one.
void HandleWaitingLines(WindowRecord* record, SOCKET socket, WaitingLines& waiting) {
    ServerConnection& connection = *record->Connection;
    std::vector<ReadLines> reads;
    std::string line;
    bool going = true;
    while (going && waiting.Take(reads)) {
        for (const ReadLines& read : reads) {
            size_t answered = 0;
            for (size_t i = 0, start = 0; i < read.Ends.size() && going; start = read.Ends[i], ++i) {
                if (connection.Socket.load() != socket) {
                    going = false;
                    break;
                }
                const bool sent = answered < read.Answered.size() && read.Answered[answered] == i;
                if (sent) ++answered;
                line.assign(read.Bytes, start, read.Ends[i] - start);
                HandleServerLine(line, record, sent ? PingAnswer::AlreadySent : PingAnswer::Owed);
            }
            waiting.Handled(read.Ends.size());
        }
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
