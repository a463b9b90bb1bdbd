// Sending on a virtual channel: pieces of at most 1024 bytes; what the channel refuses for now
// (E_PENDING) waits in the channel's queue, in order, until its next send-completed event.
#include "assist/sharing_object.h"

#include <algorithm>
#include <chrono>

namespace {

// How often a file sender that waits for the queue looks at its progress check and tries the
// queue itself, in case the channel's last completion came before the data was queued.
constexpr auto kDrainPoll = std::chrono::milliseconds(100);

bool QueueEmpty(const ChannelRecord* channel) {
    return channel->PendingForAll.empty() && channel->PendingForAttendees.empty() && !channel->Flushing;
}

} // namespace

bool SharingObject::HasPending(const ChannelRecord* channel, int32_t attendeeId) const {
    if (attendeeId == -1) return !channel->PendingForAll.empty();
    return std::any_of(channel->PendingForAttendees.begin(), channel->PendingForAttendees.end(),
                       [&](const PendingPiece& piece) { return piece.AttendeeId == attendeeId; });
}

// Called with ChannelLock held. front: the rest of data that was queued before (a flush that
// was refused again), which goes ahead of anything queued since.
static void AppendPending(ChannelRecord* channel, const uint8_t* bytes, uint32_t length, bool option,
                          int32_t attendeeId, bool front) {
    std::vector<uint8_t>* buffer = nullptr;
    if (attendeeId == -1) {
        if (channel->PendingForAll.empty()) channel->PendingForAllOption = option;
        buffer = &channel->PendingForAll;
    } else {
        auto& pieces = channel->PendingForAttendees;
        auto it = std::find_if(pieces.begin(), pieces.end(),
                               [&](const PendingPiece& piece) { return piece.AttendeeId == attendeeId; });
        if (it == pieces.end()) it = pieces.insert(pieces.end(), PendingPiece{{}, attendeeId, option});
        buffer = &it->Bytes;
    }
    buffer->insert(front ? buffer->begin() : buffer->end(), bytes, bytes + length);
}

void SharingObject::QueuePending(ChannelRecord* channel, const uint8_t* bytes, uint32_t length, bool option,
                                 int32_t attendeeId) {
    std::lock_guard<std::mutex> lock(ChannelLock);
    AppendPending(channel, bytes, length, option, attendeeId, channel->Flushing);
}

HRESULT SharingObject::SendPieces(ChannelRecord* channel, const uint8_t* bytes, uint32_t length, bool option,
                                  int32_t attendeeId) {
    HRESULT result = S_FALSE;
    for (uint32_t offset = 0; offset < length; offset += kChannelPieceSize) {
        const uint32_t size = std::min(kChannelPieceSize, length - offset);
        BSTR piece = SysAllocStringByteLen(reinterpret_cast<const char*>(bytes + offset), size);
        if (!piece) return E_OUTOFMEMORY;
        result = channel->Channel->SendData(piece, attendeeId, option ? CHANNEL_FLAGS_UNCOMPRESSED : 0);
        SysFreeString(piece);
        if (result == E_PENDING) {
            QueuePending(channel, bytes + offset, length - offset, option, attendeeId);
            return E_PENDING;
        }
        if (FAILED(result)) return result;
    }
    return result;
}

HRESULT SharingObject::Send(ChannelRecord* channel, const uint8_t* bytes, uint32_t length, bool option,
                            const std::vector<AttendeeRecord*>* attendees) {
    if (!channel || !channel->Channel) return E_FAIL;
    if (length == 0 || !bytes) return S_FALSE;
    std::vector<int32_t> targets;
    if (!attendees)
        targets.push_back(-1);
    else
        for (AttendeeRecord* attendee : *attendees)
            if (attendee) targets.push_back(attendee->Id);

    HRESULT result = S_FALSE;
    for (size_t i = 0; i < targets.size(); ++i) {
        {
            // Data behind queued data waits behind it, so the peer gets everything in order.
            std::lock_guard<std::mutex> lock(ChannelLock);
            if (channel->Flushing || HasPending(channel, targets[i])) {
                AppendPending(channel, bytes, length, option, targets[i], false);
                result = E_PENDING;
                continue;
            }
        }
        const HRESULT sent = SendPieces(channel, bytes, length, option, targets[i]);
        if (sent == E_PENDING) {
            for (size_t later = i + 1; later < targets.size(); ++later)
                QueuePending(channel, bytes, length, option, targets[later]);
            return E_PENDING;
        }
        if (FAILED(sent)) return sent;
        if (result != E_PENDING) result = sent;
    }
    return result;
}

void SharingObject::FlushPending(ChannelRecord* channel) {
    {
        std::lock_guard<std::mutex> lock(ChannelLock);
        if (channel->Flushing) return;
        channel->Flushing = true;
    }
    for (;;) {
        PendingPiece piece;
        {
            std::lock_guard<std::mutex> lock(ChannelLock);
            if (!channel->PendingForAttendees.empty()) {
                piece = std::move(channel->PendingForAttendees.back());
                channel->PendingForAttendees.pop_back();
            } else if (!channel->PendingForAll.empty()) {
                piece.Bytes.swap(channel->PendingForAll);
                piece.Option = channel->PendingForAllOption;
            } else {
                channel->Flushing = false;
                drained_.notify_all();
                return;
            }
        }
        const HRESULT sent =
            SendPieces(channel, piece.Bytes.data(), static_cast<uint32_t>(piece.Bytes.size()), piece.Option,
                       piece.AttendeeId);
        if (sent == E_PENDING) {
            std::lock_guard<std::mutex> lock(ChannelLock);
            channel->Flushing = false;
            return;
        }
    }
}

bool SharingObject::WaitForDrain(ChannelRecord* channel, const SendProgressCheck& progress) {
    std::unique_lock<std::mutex> lock(ChannelLock);
    for (;;) {
        if (stopWaiting_) return false;
        if (QueueEmpty(channel)) return true;
        if (drained_.wait_for(lock, kDrainPoll) != std::cv_status::timeout) continue;
        lock.unlock();
        if (progress && FAILED(progress())) return false;
        FlushPending(channel);
        lock.lock();
    }
}

void SharingObject::StopWaitingSenders() {
    std::lock_guard<std::mutex> lock(ChannelLock);
    stopWaiting_ = true;
    drained_.notify_all();
}

// A block the channel refuses for now is kept and the send waits until the channel took it, so
// a file is never cut off by a busy channel.
HRESULT SharingObject::SendFile(ChannelRecord* channel, const wchar_t* fileName,
                                const std::vector<AttendeeRecord*>* attendees,
                                const SendProgressCheck& progress) {
    if (!channel || !channel->Channel || !fileName) return E_FAIL;
    HANDLE file = CreateFileW(fileName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return E_FAIL;
    LARGE_INTEGER size{};
    HRESULT result = GetFileSizeEx(file, &size) ? S_OK : E_FAIL;
    uint64_t sent = 0;
    uint8_t block[kChannelPieceSize];
    while (SUCCEEDED(result) && sent < static_cast<uint64_t>(size.QuadPart)) {
        DWORD got = 0;
        if (!ReadFile(file, block, sizeof block, &got, nullptr) || got == 0) {
            result = E_FAIL;
            break;
        }
        const HRESULT sendResult = Send(channel, block, got, false, attendees);
        if (sendResult == E_PENDING ? !WaitForDrain(channel, progress) : FAILED(sendResult)) result = E_FAIL;
        sent += got;
        if (SUCCEEDED(result) && progress && FAILED(progress())) result = E_FAIL;
    }
    CloseHandle(file);
    return SUCCEEDED(result) ? S_OK : E_FAIL;
}
