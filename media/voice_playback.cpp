// Playing received voice frames: the wave-out device takes the compressed format as it is (the
// system's mapper decodes it). Chat threads queue blocks; the frame window frees them when played.
#include "media/voice_chat.h"

#include "common/app_state.h"
#include "core/window_record.h"
#include "irc/send_path.h"

#include <algorithm>
#include <vector>

namespace {

// About ten seconds of sound at 200 ms a block: a peer that sends faster than it plays is cut.
constexpr size_t kMaxQueuedBlocks = 50;
constexpr DWORD kResetWaitMs = 1000;

struct PlaybackState {
    SRWLOCK Lock = SRWLOCK_INIT;
    HWAVEOUT Device = nullptr;
    HANDLE Event = nullptr;
    HWND Callback = nullptr;
    std::vector<WAVEHDR*> Queued; // written and not yet handed back
};

PlaybackState Playback;

void FreeBlock(WAVEHDR* header) {
    delete[] header->lpData;
    delete header;
}

// Lock held: the block leaves the queue and is freed; false when it was not queued.
bool TakeBackLocked(WAVEHDR* header) {
    auto found = std::find(Playback.Queued.begin(), Playback.Queued.end(), header);
    if (found == Playback.Queued.end()) return false;
    Playback.Queued.erase(found);
    if (Playback.Device) waveOutUnprepareHeader(Playback.Device, header, sizeof(WAVEHDR));
    FreeBlock(header);
    return true;
}

void SendControlFrame(WindowRecord* record, uint8_t kind) {
    if (!record) return;
    const std::string frame = media::BuildVoiceFrame(kind, nullptr, 0);
    DccChatSend(frame.data(), record, static_cast<uint32_t>(frame.size()));
}

} // namespace

bool media::OpenWaveOut(WindowRecord* record) {
    {
        AcquireSRWLockExclusive(&Playback.Lock);
        bool open = Playback.Device != nullptr;
        if (!open) {
            const std::vector<uint8_t> format = VoiceFormat("Out_WaveFormat");
            Playback.Callback = MainWindow.load();
            HWAVEOUT device = nullptr;
            if (Playback.Callback && waveOutOpen(&device, VoiceDevice("Wave_Out_Device"),
                                                 reinterpret_cast<const WAVEFORMATEX*>(format.data()),
                                                 reinterpret_cast<DWORD_PTR>(Playback.Callback), 0,
                                                 CALLBACK_WINDOW) == MMSYSERR_NOERROR) {
                Playback.Device = device;
                Playback.Event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
                open = true;
            }
        }
        ReleaseSRWLockExclusive(&Playback.Lock);
        if (!open) return false;
    }
    if (record) record->VoiceListen = 1;
    return true;
}

void media::CloseWaveOut(WindowRecord* record) {
    if (record) record->VoiceListen = 0;
    AcquireSRWLockExclusive(&Playback.Lock);
    if (Playback.Device) {
        waveOutReset(Playback.Device);
        // Every block comes back through the frame's queue: take those messages now, so none of
        // them names a block after it was freed.
        const DWORD start = GetTickCount();
        while (!Playback.Queued.empty() && GetTickCount() - start < kResetWaitMs) {
            MSG message;
            if (Playback.Callback &&
                PeekMessageW(&message, Playback.Callback, MM_WOM_DONE, MM_WOM_DONE, PM_REMOVE))
                TakeBackLocked(reinterpret_cast<WAVEHDR*>(message.lParam));
            else
                Sleep(5);
        }
        for (WAVEHDR* header : Playback.Queued) {
            waveOutUnprepareHeader(Playback.Device, header, sizeof(WAVEHDR));
            FreeBlock(header);
        }
        Playback.Queued.clear();
        waveOutClose(Playback.Device);
        if (Playback.Event) CloseHandle(Playback.Event);
        Playback.Device = nullptr;
        Playback.Event = nullptr;
    }
    ReleaseSRWLockExclusive(&Playback.Lock);
}

void media::OnWaveOutDone(WAVEHDR* header) {
    AcquireSRWLockExclusive(&Playback.Lock);
    if (TakeBackLocked(header) && Playback.Event) SetEvent(Playback.Event);
    ReleaseSRWLockExclusive(&Playback.Lock);
}

void media::PlayVoiceData(WindowRecord* record, const char* data, uint32_t length) {
    if (!data || !length) return;
    AcquireSRWLockExclusive(&Playback.Lock);
    if (Playback.Device && Playback.Queued.size() < kMaxQueuedBlocks) {
        auto* header = new WAVEHDR{};
        header->lpData = new char[static_cast<size_t>(length) + 10]();
        std::copy(data, data + length, header->lpData);
        header->dwBufferLength = length;
        if (waveOutPrepareHeader(Playback.Device, header, sizeof(WAVEHDR)) == MMSYSERR_NOERROR) {
            if (waveOutWrite(Playback.Device, header, sizeof(WAVEHDR)) == MMSYSERR_NOERROR) {
                Playback.Queued.push_back(header);
                header = nullptr;
            } else {
                waveOutUnprepareHeader(Playback.Device, header, sizeof(WAVEHDR));
            }
        }
        if (header) FreeBlock(header);
    }
    ReleaseSRWLockExclusive(&Playback.Lock);
}

size_t media::QueuedVoiceBlocks() {
    AcquireSRWLockShared(&Playback.Lock);
    const size_t count = Playback.Queued.size();
    ReleaseSRWLockShared(&Playback.Lock);
    return count;
}

void media::SendVoiceStarted(WindowRecord* record) {
    SendControlFrame(record, kVoiceStarted);
}

void media::SendVoiceListening(WindowRecord* record) {
    SendControlFrame(record, kVoiceListening);
}
