// The last stage of the connection thread: a reader cuts the server's bytes into lines and hands
// each complete line to the connection thread, which runs HandleServerLine for it in arrival
// order. A PING read while earlier lines wait is answered by the reader at once.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

struct WindowRecord;

constexpr size_t kReceiveReadSize = 10000;
constexpr size_t kReceiveInitialBuffer = 12000;
// A partial line longer than this is dropped up to its line feed, so memory stays bounded.
constexpr size_t kMaxPartialLine = 16 * 1024;

// Reads until the connection ends (closed, failed, or its socket taken away), then runs the
// disconnect routine.
void ServerReceiveLoop(WindowRecord* record);

// The receive buffer: length-counted bytes, so a zero byte is just a byte. Data is cut after
// the last line feed of the buffer and split at every line feed, a CR just before it dropped
// (servers and bouncers that end lines with LF alone are read like the rest); a lone CR stays
// inside its line, and empty lines are dropped. The rest waits for the next read.
class ReceiveBuffer {
public:
    ReceiveBuffer() : bytes_(kReceiveInitialBuffer) {}

    // Room for kReceiveReadSize bytes behind the bytes held; grows in steps of held + 10100.
    char* ReadSpace() {
        if (bytes_.size() < held_ + kReceiveReadSize) bytes_.resize(held_ + kReceiveReadSize + 100);
        return bytes_.data() + held_;
    }

    // Takes count bytes just written into ReadSpace and calls handle(const std::string&) for
    // every complete line.
    template <class Handler> void Commit(size_t count, Handler&& handle);

    size_t Held() const { return held_; }
    size_t Capacity() const { return bytes_.size(); }

private:
    std::vector<char> bytes_;
    size_t held_ = 0;
    bool discarding_ = false; // inside a line that outgrew kMaxPartialLine
    std::string line_;        // reused for every line handed out
};

template <class Handler> void ReceiveBuffer::Commit(size_t count, Handler&& handle) {
    char* data = bytes_.data();
    size_t fresh = held_;
    held_ += count;
    if (discarding_) {
        const char* feed = static_cast<const char*>(std::memchr(data + fresh, '\n', held_ - fresh));
        if (!feed) {
            held_ = 0;
            return;
        }
        const size_t after = static_cast<size_t>(feed - data) + 1;
        std::memmove(data, data + after, held_ - after);
        held_ -= after;
        fresh = 0;
        discarding_ = false;
    }
    // The bytes held before this read hold no line feed, so only the fresh ones are searched.
    size_t end = held_;
    while (end > fresh && data[end - 1] != '\n') --end;
    if (end == fresh) {
        if (held_ > kMaxPartialLine) {
            held_ = 0;
            discarding_ = true;
        }
        return;
    }
    // The last byte before end is a line feed, so every search finds one.
    for (size_t start = 0; start < end;) {
        const char* feed = static_cast<const char*>(std::memchr(data + start, '\n', end - start));
        const size_t next = static_cast<size_t>(feed - data) + 1;
        size_t stop = next - 1;
        if (stop > start && data[stop - 1] == '\r') --stop;
        if (stop > start) {
            line_.assign(data + start, stop - start);
            handle(line_);
        }
        start = next;
    }
    std::memmove(data, data + end, held_ - end);
    held_ -= end;
}
