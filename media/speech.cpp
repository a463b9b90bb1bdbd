#include "media/speech.h"

#include "common/app_state.h"
#include "common/lang_string_ids.h"
#include "common/lang_strings.h"
#include "common/xstring.h"
#include "core/client_services.h"
#include "core/frame_message_ids.h"
#include "core/settings.h"
#include "core/window_record.h"
#include "markup/strip_format_codes.h"
#include "media/voice_chat.h"
#include "views/line_printer.h"

#include <sapi.h>

#include <algorithm>
#include <memory>
#include <mutex>

namespace {

const CLSID kSpVoice = {0x96749377, 0x3391, 0x11D2, {0x9E, 0xE3, 0x00, 0xC0, 0x4F, 0x79, 0x73, 0x96}};
const IID kISpVoice = {0x6C44DF74, 0x72B9, 0x4992, {0xA1, 0xEC, 0xEF, 0x99, 0x6E, 0x04, 0x22, 0xD4}};
const CLSID kSpInprocRecognizer = {
    0x41B89B6B, 0x9399, 0x11D2, {0x96, 0x23, 0x00, 0xC0, 0x4F, 0x8E, 0xE6, 0x28}};
const IID kISpRecognizer = {0xC2B5F241, 0xDAA0, 0x4507, {0x9E, 0x16, 0x5A, 0x1E, 0xAA, 0x2B, 0x7A, 0x5C}};
const IID kISpEventSource = {0xBE7A9CCE, 0x5F9E, 0x11D2, {0x96, 0x0F, 0x00, 0xC0, 0x4F, 0x8E, 0xE6, 0x28}};
const CLSID kSpObjectTokenCategory = {
    0xA910187F, 0x0C7A, 0x45AC, {0x92, 0xCC, 0x59, 0xED, 0xAF, 0xB7, 0x7B, 0x53}};
const IID kISpObjectTokenCategory = {
    0x2D3D3845, 0x39AF, 0x4850, {0xBB, 0xF9, 0x40, 0xB4, 0x97, 0x80, 0x01, 0x1D}};
const CLSID kSpObjectToken = {0xEF411752, 0x3736, 0x4CB4, {0x9C, 0x8C, 0x8E, 0xF4, 0xCC, 0xB5, 0x8E, 0xFE}};
const IID kISpObjectToken = {0x14056589, 0xE16C, 0x11D2, {0xBB, 0x90, 0x00, 0xC0, 0x4F, 0x8E, 0xE6, 0xC0}};
constexpr wchar_t kAudioInputCategory[] = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Speech\\AudioInput";

// The slots in their order: the recognizer, the recognition context and the dictation grammar,
// the audio-input token, the context's event source, and the voice.
struct SpeechObject {
    ISpRecognizer* Recognizer = nullptr;
    ISpRecoContext* Context = nullptr;
    ISpRecoGrammar* Grammar = nullptr;
    ISpObjectToken* AudioInput = nullptr;
    ISpEventSource* Events = nullptr;
    ISpVoice* Voice = nullptr;
    HRESULT LastVoiceResult = S_OK;
    DWORD VoiceThread = 0; // the thread that made the voice and alone speaks with it
};

std::recursive_mutex SpeechMutex;
SpeechObject* Speech = nullptr;

template <typename T> void ReleaseSlot(T*& slot) {
    if (slot) slot->Release();
    slot = nullptr;
}

void ReleaseVoiceLocked() {
    if (Speech) ReleaseSlot(Speech->Voice);
}

void ReleaseRecognitionLocked() {
    if (!Speech) return;
    ReleaseSlot(Speech->Events);
    ReleaseSlot(Speech->AudioInput);
    ReleaseSlot(Speech->Grammar);
    ReleaseSlot(Speech->Context);
    ReleaseSlot(Speech->Recognizer);
}

bool RecognitionRunning() {
    return Speech->Recognizer && Speech->Context && Speech->Grammar && Speech->AudioInput && Speech->Events;
}

// Every step of the recognition set-up; the first failure stops it.
HRESULT SetUpRecognitionLocked() {
    void* made = nullptr;
    HRESULT result = CoCreateInstance(kSpInprocRecognizer, nullptr, CLSCTX_ALL, kISpRecognizer, &made);
    if (FAILED(result) || !made) return FAILED(result) ? result : E_NOINTERFACE;
    Speech->Recognizer = static_cast<ISpRecognizer*>(made);
    if (FAILED(result = DefaultTokenFromCategory(kAudioInputCategory, &Speech->AudioInput))) return result;
    if (FAILED(result = Speech->Recognizer->SetInput(Speech->AudioInput, TRUE))) return result;
    if (FAILED(result = Speech->Recognizer->CreateRecoContext(&Speech->Context))) return result;
    if (!Speech->Context) return E_POINTER;
    result = Speech->Context->SetNotifyWindowMessage(MainWindow.load(), WM_SPEECH_RECOGNIZED, 0, 0);
    if (FAILED(result)) return result;
    const ULONGLONG interest = SPFEI(SPEI_RECOGNITION);
    if (FAILED(result = Speech->Context->SetInterest(interest, interest))) return result;
    if (FAILED(result = Speech->Context->CreateGrammar(0, &Speech->Grammar))) return result;
    if (!Speech->Grammar) return E_POINTER;
    if (FAILED(result = Speech->Grammar->LoadDictation(nullptr, SPLO_STATIC))) return result;
    if (FAILED(result = Speech->Grammar->SetDictationState(SPRS_ACTIVE))) return result;
    made = nullptr;
    result = Speech->Context->QueryInterface(kISpEventSource, &made);
    Speech->Events = static_cast<ISpEventSource*>(made);
    return FAILED(result) || !made ? E_NOINTERFACE : S_OK;
}

// Frees what an event carries besides its id.
void ClearEvent(SPEVENT& event) {
    if (!event.lParam) return;
    if (event.elParamType == SPET_LPARAM_IS_OBJECT)
        reinterpret_cast<IUnknown*>(event.lParam)->Release();
    else if (event.elParamType == SPET_LPARAM_IS_POINTER || event.elParamType == SPET_LPARAM_IS_STRING)
        CoTaskMemFree(reinterpret_cast<void*>(event.lParam));
    event.lParam = 0;
}

void InsertIntoInput(const wchar_t* text) {
    WindowRecord* window = GetActiveWindowRecord();
    if (!window || !window->Input) return;
    SendMessageW(window->Input, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text));
    SendMessageW(window->Input, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L" "));
}

// The text without display markup; control characters the markup leaves (a reset, a tab) are not
// read out either.
std::wstring PlainSpeechText(const std::wstring& text) {
    std::wstring plain = StripFormatCodes(text, kStripAll);
    plain.erase(std::remove_if(plain.begin(), plain.end(), [](wchar_t c) { return c < 0x20; }), plain.end());
    return plain;
}

void SpeakOnOwnerThread(const std::wstring& plain) {
    std::lock_guard<std::recursive_mutex> lock(SpeechMutex);
    if (Speech && Speech->Voice) Speech->Voice->Speak(plain.c_str(), SPF_ASYNC, nullptr);
}

} // namespace

void CreateSpeechObject() {
    std::lock_guard<std::recursive_mutex> lock(SpeechMutex);
    if (!Speech) Speech = new (std::nothrow) SpeechObject;
}

void ReleaseSpeechObject() {
    std::lock_guard<std::recursive_mutex> lock(SpeechMutex);
    ReleaseVoiceLocked();
    ReleaseRecognitionLocked();
    delete Speech;
    Speech = nullptr;
}

bool InitSpeechVoice() {
    {
        std::lock_guard<std::recursive_mutex> lock(SpeechMutex);
        if (!Speech) return false;
        if (Speech->Voice) return true;
        void* voice = nullptr;
        Speech->LastVoiceResult = CoCreateInstance(kSpVoice, nullptr, CLSCTX_ALL, kISpVoice, &voice);
        if (SUCCEEDED(Speech->LastVoiceResult) && voice) {
            Speech->Voice = static_cast<ISpVoice*>(voice);
            Speech->VoiceThread = GetCurrentThreadId();
            return true;
        }
        if (voice) static_cast<IUnknown*>(voice)->Release();
        ReleaseVoiceLocked();
    }
    // Shown in the window the user works in, as an information line.
    views::PrintToWindow(kInformationLine, GetActiveWindowRecord(), GetLangString(kNoSpeechText));
    return false;
}

bool StartSpeechRecognition() {
    {
        std::lock_guard<std::recursive_mutex> lock(SpeechMutex);
        if (!Speech) return false;
        if (RecognitionRunning()) return true;
        ReleaseRecognitionLocked();
        if (SUCCEEDED(SetUpRecognitionLocked())) return true;
        ReleaseRecognitionLocked();
    }
    views::PrintToWindow(kInformationLine, GetActiveWindowRecord(), GetLangString(kNoSpeechText));
    return false;
}

void ReleaseSpeechRecognition() {
    std::lock_guard<std::recursive_mutex> lock(SpeechMutex);
    ReleaseRecognitionLocked();
}

HRESULT DefaultTokenFromCategory(const wchar_t* categoryId, ISpObjectToken** token) {
    if (!token) return E_POINTER;
    *token = nullptr;
    void* made = nullptr;
    HRESULT result =
        CoCreateInstance(kSpObjectTokenCategory, nullptr, CLSCTX_ALL, kISpObjectTokenCategory, &made);
    if (FAILED(result) || !made) return FAILED(result) ? result : E_NOINTERFACE;
    auto* category = static_cast<ISpObjectTokenCategory*>(made);
    wchar_t* tokenId = nullptr;
    result = category->SetId(categoryId, TRUE);
    if (SUCCEEDED(result)) result = category->GetDefaultTokenId(&tokenId);
    if (SUCCEEDED(result) && tokenId) {
        made = nullptr;
        result = CoCreateInstance(kSpObjectToken, nullptr, CLSCTX_ALL, kISpObjectToken, &made);
        if (SUCCEEDED(result) && made) {
            auto* made_token = static_cast<ISpObjectToken*>(made);
            result = made_token->SetId(categoryId, tokenId, FALSE);
            if (SUCCEEDED(result))
                *token = made_token;
            else
                made_token->Release();
        } else if (SUCCEEDED(result)) {
            result = E_NOINTERFACE;
        }
    } else if (SUCCEEDED(result)) {
        result = E_FAIL;
    }
    CoTaskMemFree(tokenId);
    category->Release();
    return result;
}

void ApplySpeechSettings() {
    bool exists = false;
    {
        std::lock_guard<std::recursive_mutex> lock(SpeechMutex);
        exists = Speech != nullptr;
    }
    if (exists) {
        if (Settings::SpeechToText())
            StartSpeechRecognition();
        else
            ReleaseSpeechRecognition();
        if (Settings::TextToSpeech()) {
            InitSpeechVoice();
        } else {
            std::lock_guard<std::recursive_mutex> lock(SpeechMutex);
            ReleaseVoiceLocked();
        }
    }
    media::InstallVoiceCodecOnce();
    // The script hot keys are registered again by both callers (start-up and the settings).
}

void InsertRecognizedText() {
    SPEVENT event{};
    {
        std::lock_guard<std::recursive_mutex> lock(SpeechMutex);
        if (!Speech || !Speech->Events) return;
        ULONG fetched = 0;
        if (FAILED(Speech->Events->GetEvents(1, &event, &fetched)) || fetched != 1) return;
    }
    if (event.eEventId == SPEI_RECOGNITION && event.elParamType == SPET_LPARAM_IS_OBJECT && event.lParam) {
        auto* result = reinterpret_cast<ISpRecoResult*>(event.lParam);
        wchar_t* text = nullptr;
        if (SUCCEEDED(result->GetText(SP_GETWHOLEPHRASE, SP_GETWHOLEPHRASE, TRUE, &text, nullptr)) && text)
            InsertIntoInput(text);
        CoTaskMemFree(text);
    }
    ClearEvent(event);
}

void OnSpeakTextMessage(WPARAM wParam, LPARAM lParam) {
    if (!lParam) return;
    if (wParam == kSpeakOwnedText) {
        std::unique_ptr<std::wstring> text(reinterpret_cast<std::wstring*>(lParam));
        SpeakOnOwnerThread(*text);
        return;
    }
    media::SpeakText(reinterpret_cast<const wchar_t*>(lParam));
}

void media::SpeakText(const std::wstring& text) {
    DWORD owner = 0;
    {
        std::lock_guard<std::recursive_mutex> lock(SpeechMutex);
        if (!Speech || !Speech->Voice) return;
        owner = Speech->VoiceThread;
    }
    std::wstring plain = PlainSpeechText(text);
    if (owner == GetCurrentThreadId()) {
        SpeakOnOwnerThread(plain);
        return;
    }
    // The voice belongs to the interface thread: a connection or chat thread never speaks itself.
    HWND frame = MainWindow.load();
    auto* posted = new std::wstring(std::move(plain));
    if (!frame || !PostMessageW(frame, WM_SPEAK_TEXT, kSpeakOwnedText, reinterpret_cast<LPARAM>(posted)))
        delete posted;
}
