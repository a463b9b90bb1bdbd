// Capturing the microphone for voice chat: five buffers of 200 ms go round between the device
// and the frame window; each filled one passes the gate, is compressed and sent on every DCC chat
// that captures. Runs on the interface thread, which owns the frame.
#include "media/voice_chat.h"

#include "common/app_state.h"
#include "core/window_list.h"
#include "core/window_record.h"
#include "irc/send_path.h"

#include <mmreg.h>
#include <msacm.h>

#include <array>
#include <vector>

namespace {

constexpr size_t kCaptureBuffers = 5;
constexpr DWORD kStopWaitMs = 5000;

void* HeapAllocate(size_t bytes) {
    return HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, bytes);
}
void HeapRelease(void* memory) {
    HeapFree(GetProcessHeap(), 0, memory);
}

media::VoiceAllocator Allocator = {&HeapAllocate, &HeapRelease};

struct CaptureBuffer {
    WAVEHDR* Header = nullptr;
    bool Queued = false; // with the device, or its MM_WIM_DATA not yet handled
};

struct CaptureState {
    HWAVEIN Device = nullptr;
    HACMSTREAM Stream = nullptr;
    HANDLE Event = nullptr;
    HWND Callback = nullptr;
    std::array<CaptureBuffer, kCaptureBuffers> Buffers{};
    uint16_t BitsPerSample = 16;
    bool Stopping = false;
    media::VoiceGate Gate;
};

CaptureState Capture;

CaptureBuffer* FindBuffer(const WAVEHDR* header) {
    for (CaptureBuffer& buffer : Capture.Buffers)
        if (buffer.Header && buffer.Header == header) return &buffer;
    return nullptr;
}

size_t BuffersQueued() {
    size_t count = 0;
    for (const CaptureBuffer& buffer : Capture.Buffers) count += buffer.Queued ? 1 : 0;
    return count;
}

void FreeBuffer(CaptureBuffer& buffer) {
    if (!buffer.Header) return;
    if (Capture.Device) waveInUnprepareHeader(Capture.Device, buffer.Header, sizeof(WAVEHDR));
    Allocator.Free(buffer.Header->lpData);
    Allocator.Free(buffer.Header);
    buffer = CaptureBuffer{};
}

bool AddBuffer(CaptureBuffer& buffer) {
    buffer.Header->dwFlags = 0;
    buffer.Header->dwBytesRecorded = 0;
    if (waveInPrepareHeader(Capture.Device, buffer.Header, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) return false;
    if (waveInAddBuffer(Capture.Device, buffer.Header, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) {
        waveInUnprepareHeader(Capture.Device, buffer.Header, sizeof(WAVEHDR));
        return false;
    }
    buffer.Queued = true;
    return true;
}

// Frees what the open made, in reverse order; buffers still out with the device stay allocated
// (their memory may still be written), so nothing is ever freed twice.
void CloseCapture() {
    for (CaptureBuffer& buffer : Capture.Buffers)
        if (!buffer.Queued) FreeBuffer(buffer);
    if (Capture.Stream) acmStreamClose(Capture.Stream, 0);
    if (Capture.Device) waveInClose(Capture.Device);
    if (Capture.Event) CloseHandle(Capture.Event);
    for (CaptureBuffer& buffer : Capture.Buffers) buffer = CaptureBuffer{};
    Capture.Stream = nullptr;
    Capture.Device = nullptr;
    Capture.Event = nullptr;
    Capture.Stopping = false;
}

// Stops the device, which hands every buffer back through the frame's queue; those messages are
// taken here, so no buffer is freed while its message still waits and none is added again.
void StopAndTakeBuffersBack() {
    Capture.Stopping = true;
    waveInStop(Capture.Device);
    waveInReset(Capture.Device);
    const DWORD start = GetTickCount();
    while (BuffersQueued() > 0) {
        MSG message;
        if (Capture.Callback &&
            PeekMessageW(&message, Capture.Callback, MM_WIM_DATA, MM_WIM_DATA, PM_REMOVE)) {
            media::OnWaveInBuffer(reinterpret_cast<WAVEHDR*>(message.lParam));
            continue;
        }
        const DWORD spent = GetTickCount() - start;
        if (spent >= kStopWaitMs) break;
        if (Capture.Event)
            MsgWaitForMultipleObjects(1, &Capture.Event, FALSE, kStopWaitMs - spent, QS_POSTMESSAGE);
        else
            Sleep(10);
    }
}

bool OpenCapture() {
    const std::vector<uint8_t> stored = media::VoiceFormat("In_WaveFormat");
    auto* compressed = reinterpret_cast<WAVEFORMATEX*>(const_cast<uint8_t*>(stored.data()));
    WAVEFORMATEX pcm{};
    pcm.wFormatTag = WAVE_FORMAT_PCM;
    if (acmFormatSuggest(nullptr, compressed, &pcm, sizeof pcm, ACM_FORMATSUGGESTF_WFORMATTAG) != 0)
        return false;
    pcm.cbSize = 0;
    if (acmStreamOpen(&Capture.Stream, nullptr, &pcm, compressed, nullptr, 0, 0,
                      ACM_STREAMOPENF_NONREALTIME) != 0) {
        Capture.Stream = nullptr;
        return false;
    }
    Capture.BitsPerSample = pcm.wBitsPerSample;
    Capture.Gate = media::VoiceGate{};
    Capture.Callback = MainWindow.load();
    if (!Capture.Callback ||
        waveInOpen(&Capture.Device, media::VoiceDevice("Wave_In_Device"), &pcm,
                   reinterpret_cast<DWORD_PTR>(Capture.Callback), 0, CALLBACK_WINDOW) != MMSYSERR_NOERROR) {
        Capture.Device = nullptr;
        CloseCapture();
        return false;
    }
    Capture.Event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    const DWORD size = pcm.nAvgBytesPerSec / 5;
    for (CaptureBuffer& buffer : Capture.Buffers) {
        buffer.Header = static_cast<WAVEHDR*>(Allocator.Allocate(sizeof(WAVEHDR)));
        char* data = buffer.Header ? static_cast<char*>(Allocator.Allocate(size)) : nullptr;
        if (!data) {
            if (buffer.Header) Allocator.Free(buffer.Header);
            buffer.Header = nullptr;
            break;
        }
        *buffer.Header = WAVEHDR{};
        buffer.Header->lpData = data;
        buffer.Header->dwBufferLength = size;
        if (!AddBuffer(buffer)) break;
    }
    Capture.Stopping = false;
    if (!Capture.Event || BuffersQueued() != kCaptureBuffers ||
        waveInStart(Capture.Device) != MMSYSERR_NOERROR) {
        StopAndTakeBuffersBack();
        CloseCapture();
        return false;
    }
    return true;
}

// The recorded bytes compressed; empty when the codec failed.
std::string Compress(const WAVEHDR& header) {
    std::string out(static_cast<size_t>(header.dwBytesRecorded) * 2 + 1000, '\0');
    ACMSTREAMHEADER stream{};
    stream.cbStruct = sizeof stream;
    stream.pbSrc = reinterpret_cast<BYTE*>(header.lpData);
    stream.cbSrcLength = header.dwBytesRecorded;
    stream.pbDst = reinterpret_cast<BYTE*>(out.data());
    stream.cbDstLength = static_cast<DWORD>(out.size());
    if (acmStreamPrepareHeader(Capture.Stream, &stream, 0) != 0) return {};
    const bool converted = acmStreamConvert(Capture.Stream, &stream, 0) == 0;
    acmStreamUnprepareHeader(Capture.Stream, &stream, 0);
    out.resize(converted ? stream.cbDstLengthUsed : 0);
    return out;
}

void SendToCapturingChats(const std::string& compressed) {
    if (compressed.empty()) return;
    const std::string frame = media::BuildVoiceFrame(media::kVoiceSound, compressed.data(),
                                                     static_cast<uint32_t>(compressed.size()));
    // Records are deleted only on this thread, so the copy stays valid while the chats are written.
    for (WindowRecord* record : WindowListSnapshot())
        if (record->Type == kDccChatWindow && record->VoiceCapture)
            DccChatSend(frame.data(), record, static_cast<uint32_t>(frame.size()));
}

} // namespace

void media::SetVoiceAllocator(const VoiceAllocator& allocator) {
    Allocator = allocator;
}

bool media::OpenWaveIn(WindowRecord* record) {
    if (!Capture.Device && !OpenCapture()) return false;
    if (!record) return true;
    const bool before = record->VoiceCapture != 0;
    record->VoiceCapture = 1;
    if (!before) SendVoiceStarted(record);
    return true;
}

void media::OnWaveInBuffer(WAVEHDR* header) {
    CaptureBuffer* buffer = FindBuffer(header);
    if (!buffer || !buffer->Queued || !Capture.Device) return;
    buffer->Queued = false;
    if (!Capture.Stopping) {
        const uint32_t level = VoiceLevelPercent(reinterpret_cast<const uint8_t*>(header->lpData),
                                                 header->dwBytesRecorded, Capture.BitsPerSample);
        if (header->dwBytesRecorded && Capture.Gate.Pass(level)) SendToCapturingChats(Compress(*header));
        waveInUnprepareHeader(Capture.Device, header, sizeof(WAVEHDR));
        AddBuffer(*buffer);
    }
    if (Capture.Event) SetEvent(Capture.Event);
}

void media::CloseWaveIn(WindowRecord* record) {
    if (Capture.Device) {
        StopAndTakeBuffersBack();
        CloseCapture();
    }
    if (record) record->VoiceCapture = 0;
}
