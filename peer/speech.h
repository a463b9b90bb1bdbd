// Speech output of chat lines.
#pragma once

#include <string>

// When a voice exists, speaks the text asynchronously without its display markup; otherwise
// does nothing.
void SpeakText(const std::wstring& text);
