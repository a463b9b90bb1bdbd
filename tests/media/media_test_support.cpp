#include "tests/media/media_test_support.h"

#include "common/app_state.h"
#include "core/dcc_connection.h"
#include "core/frame_message_ids.h"
#include "core/window_record.h"
#include "media/speech.h"
#include "media/voice_chat.h"
#include "tests/support/loopback_ports.h"

#include <mmsystem.h>
#include <objbase.h>

bool SoundDevicesPresent(std::string& reason) {
    if (waveOutGetNumDevs() == 0 || waveInGetNumDevs() == 0) {
        reason = "no sound device under Wine (the run's sound server did not start or Wine cannot reach it)";
        return false;
    }
    return true;
}

void MediaTest::SetUp() {
    CallLog::Instance().Clear();
    if (!LanguageModule.load()) {
        wchar_t path[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, path, MAX_PATH);
        std::wstring folder = path;
        folder.resize(folder.find_last_of(L'\\'));
        LanguageModule = LoadLibraryW((folder + L"\\qvlang.dll").c_str());
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    frame_ = std::make_unique<ChatTestFrame>();
    SetFrameMessageHook([this](UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
        result = 0;
        switch (message) {
            case MM_WIM_DATA: media::OnWaveInBuffer(reinterpret_cast<WAVEHDR*>(lParam)); return true;
            case MM_WOM_DONE: {
                const size_t length = reinterpret_cast<const WAVEHDR*>(lParam)->dwBufferLength;
                if (length > largestPlayedBlock_) largestPlayedBlock_ = length;
                ++playedBlocks_;
                media::OnWaveOutDone(reinterpret_cast<WAVEHDR*>(lParam));
                return true;
            }
            case WM_SPEAK_TEXT: OnSpeakTextMessage(wParam, lParam); return true;
            case WM_SPEECH_RECOGNIZED: InsertRecognizedText(); return true;
            default: return false;
        }
    });
}

void MediaTest::TearDown() {
    media::CloseWaveIn(nullptr);
    media::CloseWaveOut(nullptr);
    SetFrameMessageHook({});
    frame_.reset();
    CoUninitialize();
}

namespace {

WindowRecord* StartChat(uint32_t direction, uint16_t port) {
    auto* chat = new WindowRecord(nullptr, kDccChatWindow, nullptr);
    chat->Name = direction ? "caller" : "listener";
    AttachChatWindow(chat);
    DccChatSetup setup;
    setup.LocalName = direction ? "caller" : "listener";
    setup.PeerName = direction ? "listener" : "caller";
    setup.Direction = direction;
    setup.Port = port;
    setup.PeerHost = "127.0.0.1";
    StartDccChatThread(chat, setup);
    return chat;
}

} // namespace

bool Printed(const WindowRecord* window, const std::string& text) {
    for (const RecordedCall& call : CallLog::Instance().Calls("PrintToWindow"))
        if (call.Window == window && call.Text.find(text) != std::string::npos) return true;
    return false;
}

bool DccPair::Start() {
    const uint16_t port = FreeLoopbackPort();
    Listener = StartChat(0, port);
    if (!PumpUntil([&] { return Printed(Listener, std::to_string(port)); }, 20000)) return false;
    Caller = StartChat(1, port);
    // Both sides print the peer's address once connected.
    return PumpUntil([&] { return Printed(Listener, "Connected to") && Printed(Caller, "Connected to"); },
                     20000);
}

DccPair::~DccPair() {
    if (Caller) DetachChatWindow(Caller);
    if (Listener) DetachChatWindow(Listener);
}
