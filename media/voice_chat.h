// Voice chat inside DCC chats: the microphone captured with the wave-in functions, compressed
// with an audio codec and sent as voice frames on every DCC chat whose window captures; received
// frames played with the wave-out functions. The frame window gets the device notifications
// (MM_WIM_DATA, MM_WOM_DONE) and hands them here. Devices are shared by all chat windows.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct WindowRecord;

namespace media {

// Kinds of voice frame: compressed sound, the sender started capturing, the sender listens.
constexpr uint8_t kVoiceSound = 0;
constexpr uint8_t kVoiceStarted = 1;
constexpr uint8_t kVoiceListening = 2;
constexpr size_t kVoiceFrameHeader = 6; // 0, kind, length (u32, little-endian)

// A frame as it goes on the chat: the zero byte, the kind, the length and the data.
std::string BuildVoiceFrame(uint8_t kind, const void* data, uint32_t length);

// The share of loud samples in percent: 16-bit samples beyond +-100, or 8-bit samples (unsigned,
// centred on 128) more than 30 from the centre. 0 for an empty buffer.
uint32_t VoiceLevelPercent(const uint8_t* buffer, uint32_t length, uint32_t bitsPerSample);

// The voice-activity gate over captured buffers: the first ten buffers after opening pass; later a
// buffer below 20 percent passes only within three buffers after a loud one.
class VoiceGate {
public:
    bool Pass(uint32_t levelPercent);

private:
    int32_t counter_ = 10;
};

// The compressed format of a setting ("In_WaveFormat", "Out_WaveFormat": a format with its extra
// bytes, 38 bytes at most). Without a usable stored format: IMA ADPCM, 8 kHz mono, which the
// system's codecs always have.
std::vector<uint8_t> VoiceFormat(const char* key);
// "Wave_In_Device" / "Wave_Out_Device": -1 and 101 or more are the wave mapper.
UINT VoiceDevice(const char* key);

// Capture: the device is opened by the first window that switches it on; the window then
// captures (VoiceCapture) and the peer is told once. False when the device or codec failed; the
// window's flag is then left alone. record may be null (the device only).
bool OpenWaveIn(WindowRecord* record);
// Stops capture: every buffer is freed once the device has handed it back, and never twice.
void CloseWaveIn(WindowRecord* record);
// MM_WIM_DATA: a filled capture buffer. Unknown buffers are ignored.
void OnWaveInBuffer(WAVEHDR* header);

// Playback of received frames on the wave-out device, which decodes the compressed format.
bool OpenWaveOut(WindowRecord* record);
void CloseWaveOut(WindowRecord* record);
// MM_WOM_DONE: frees the played block. Unknown blocks are ignored.
void OnWaveOutDone(WAVEHDR* header);
// Queues one received block (any thread); nothing while no device is open or when too much is
// queued already.
void PlayVoiceData(WindowRecord* record, const char* data, uint32_t length);
// Blocks queued for playback and not yet handed back.
size_t QueuedVoiceBlocks();

void SendVoiceStarted(WindowRecord* record);
void SendVoiceListening(WindowRecord* record);

// Writes the codec resources beside the program and has the system install them; true when it
// did. InstallVoiceCodecOnce does so while "ICfg\\Sound" "Speex_Installed" is 0 and the program
// folder is writable, and sets it to 1 only when the install worked.
bool InstallSpeexCodec();
void InstallVoiceCodecOnce();

// Where the capture buffers' memory comes from (the process heap unless set); tests count it.
struct VoiceAllocator {
    void* (*Allocate)(size_t bytes);
    void (*Free)(void* memory);
};
void SetVoiceAllocator(const VoiceAllocator& allocator);

} // namespace media
