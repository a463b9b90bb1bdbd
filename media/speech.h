// Speech output of chat lines and dictation into the input box, through the system's speech
// interfaces (COM). Without a speech engine both stay off and the user is told.
#pragma once

#include <windows.h>

#include <string>

// Made at start-up with every slot empty, released at shutdown.
void CreateSpeechObject();
void ReleaseSpeechObject();
// Makes the voice unless there is one, on the calling thread, which then owns it; false (and the
// user told) when the system has no speech engine.
bool InitSpeechVoice();
// Starts dictation unless it runs; false (and the user told) when it cannot.
bool StartSpeechRecognition();
void ReleaseSpeechRecognition();
// Each direction on or off by "Cfg\\Options2" "Enable_Speech_to_text" and
// "Enable_Text_to_speech"; then the voice codec install.
void ApplySpeechSettings();
// The frame's WM_SPEECH_RECOGNIZED: the recognised phrase into the active window's input box.
void InsertRecognizedText();
// The frame's WM_SPEAK_TEXT: wParam kSpeakOwnedText with a heap std::wstring in lParam (taken),
// or 0 with a terminated wide text that the sender keeps.
constexpr WPARAM kSpeakOwnedText = 1;
void OnSpeakTextMessage(WPARAM wParam, LPARAM lParam);
// The default token of a category ("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Speech\\AudioInput").
struct ISpObjectToken;
HRESULT DefaultTokenFromCategory(const wchar_t* categoryId, ISpObjectToken** token);

namespace media {
// Speaks the text without its display markup when a voice exists. Only the thread that owns the
// voice speaks: from any other thread the text is posted to the frame, which owns it.
void SpeakText(const std::wstring& text);
} // namespace media
