// The pieces of voice chat that need no device: frames, the level, the gate and the formats.
#include "media/voice_chat.h"

#include "core/settings.h"

#include <mmreg.h>

#include <cstring>

namespace {

constexpr int32_t kGateQuietPercent = 20;
constexpr int32_t kGateHangover = 3;

} // namespace

std::string media::BuildVoiceFrame(uint8_t kind, const void* data, uint32_t length) {
    std::string frame(kVoiceFrameHeader + length, '\0');
    frame[1] = static_cast<char>(kind);
    const uint8_t bytes[4] = {static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8),
                              static_cast<uint8_t>(length >> 16), static_cast<uint8_t>(length >> 24)};
    memcpy(frame.data() + 2, bytes, 4);
    if (length) memcpy(frame.data() + kVoiceFrameHeader, data, length);
    return frame;
}

uint32_t media::VoiceLevelPercent(const uint8_t* buffer, uint32_t length, uint32_t bitsPerSample) {
    if (!buffer || !length) return 0;
    uint64_t loud = 0;
    if (bitsPerSample == 16) {
        for (uint32_t at = 0; at + 1 < length; at += 2) {
            int16_t sample = 0;
            memcpy(&sample, buffer + at, 2);
            loud += sample < -100 || sample > 100 ? 1 : 0;
        }
        return static_cast<uint32_t>(loud * 200 / length);
    }
    // 8-bit wave samples are unsigned: silence is 128.
    for (uint32_t at = 0; at < length; ++at) {
        const int32_t sample = static_cast<int32_t>(buffer[at]) - 128;
        loud += sample < -30 || sample > 30 ? 1 : 0;
    }
    return static_cast<uint32_t>(loud * 100 / length);
}

bool media::VoiceGate::Pass(uint32_t levelPercent) {
    if (counter_ > 0) {
        --counter_;
        return true;
    }
    counter_ = 0;
    if (levelPercent < static_cast<uint32_t>(kGateQuietPercent)) return false;
    counter_ = kGateHangover;
    return true;
}

std::vector<uint8_t> media::VoiceFormat(const char* key) {
    std::vector<uint8_t> format = Settings::VoiceFormat(key);
    if (format.size() >= sizeof(WAVEFORMATEX)) {
        WAVEFORMATEX head{};
        memcpy(&head, format.data(), sizeof head);
        if (head.nChannels && head.nSamplesPerSec && head.nBlockAlign &&
            sizeof(WAVEFORMATEX) + head.cbSize <= format.size()) {
            format.resize(kStoredVoiceFormatBytes, 0);
            return format;
        }
    }
    IMAADPCMWAVEFORMAT ima{};
    ima.wfx.wFormatTag = WAVE_FORMAT_IMA_ADPCM;
    ima.wfx.nChannels = 1;
    ima.wfx.nSamplesPerSec = 8000;
    ima.wfx.wBitsPerSample = 4;
    ima.wfx.nBlockAlign = 256;
    ima.wfx.cbSize = 2;
    ima.wSamplesPerBlock = 505; // (256 - 4) * 2 + 1
    ima.wfx.nAvgBytesPerSec = 8000 * 256 / 505;
    format.assign(kStoredVoiceFormatBytes, 0);
    memcpy(format.data(), &ima, sizeof ima);
    return format;
}

UINT media::VoiceDevice(const char* key) {
    const int32_t device = Settings::VoiceDevice(key);
    return device < 0 || device >= 101 ? WAVE_MAPPER : static_cast<UINT>(device);
}
