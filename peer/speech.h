// Speech output of chat lines through the system's speech interface.
#pragma once

#include "core/client_services.h"

#include <string>

// Made at start-up with no voice, released at shutdown.
void CreateSpeechObject();
void ReleaseSpeechObject();
// Makes the voice unless there is one; false when the system has no speech engine.
bool InitSpeechVoice();
// The voice on or off by "Cfg\\Options2" "Enable_Text_to_speech".
void ApplySpeechSettings();

namespace peer {
// When a voice exists, speaks the text asynchronously without its display markup; otherwise
// does nothing.
void SpeakText(const std::wstring& text);
} // namespace peer
