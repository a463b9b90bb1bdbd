#include "peer/speech.h"

#include "core/config_values.h"
#include "markup/strip_format_codes.h"

#include <windows.h>
#include <sapi.h>

#include <mutex>

namespace {

// SpVoice and ISpVoice.
const CLSID kSpVoice = {0x96749377, 0x3391, 0x11D2, {0x9E, 0xE3, 0x00, 0xC0, 0x4F, 0x79, 0x73, 0x96}};
const IID kISpVoice = {0x6C44DF74, 0x72B9, 0x4992, {0xA1, 0xEC, 0xEF, 0x99, 0x6E, 0x04, 0x22, 0xD4}};

struct SpeechObject {
    ISpVoice* Voice = nullptr;
    HRESULT LastVoiceResult = S_OK;
};

std::mutex SpeechMutex;
SpeechObject* Speech = nullptr;

void ReleaseVoiceLocked() {
    if (Speech && Speech->Voice) {
        Speech->Voice->Release();
        Speech->Voice = nullptr;
    }
}

} // namespace

void CreateSpeechObject() {
    std::lock_guard<std::mutex> lock(SpeechMutex);
    if (!Speech) Speech = new SpeechObject;
}

void ReleaseSpeechObject() {
    std::lock_guard<std::mutex> lock(SpeechMutex);
    ReleaseVoiceLocked();
    delete Speech;
    Speech = nullptr;
}

bool InitSpeechVoice() {
    std::lock_guard<std::mutex> lock(SpeechMutex);
    if (!Speech) return false;
    if (Speech->Voice) return true;
    void* voice = nullptr;
    Speech->LastVoiceResult = CoCreateInstance(kSpVoice, nullptr, CLSCTX_ALL, kISpVoice, &voice);
    if (FAILED(Speech->LastVoiceResult) || !voice) return false;
    Speech->Voice = static_cast<ISpVoice*>(voice);
    return true;
}

void ApplySpeechSettings() {
    if (ReadConfigInt("Cfg\\Options2", "Enable_Text_to_speech", 0) != 0) {
        InitSpeechVoice();
    } else {
        std::lock_guard<std::mutex> lock(SpeechMutex);
        ReleaseVoiceLocked();
    }
}

void peer::SpeakText(const std::wstring& text) {
    std::lock_guard<std::mutex> lock(SpeechMutex);
    if (!Speech || !Speech->Voice) return;
    const std::wstring plain = StripFormatCodes(text, 0xFFFFFFFF);
    Speech->Voice->Speak(plain.c_str(), SPF_ASYNC, nullptr);
}
