// The program-wide one-question prompts.
#pragma once

#include "core/client_services.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace ui {
// Runs the modal text prompt "DIALOG_AT" on the calling thread. text is a buffer of 1000 wide
// characters, shown first and filled with the answer on OK. timeoutSeconds 0 waits for ever.
// True when the dialog ended with OK.
bool PromptText(HWND owner, const std::wstring& title, const std::wstring& prompt, wchar_t* text,
                uint32_t timeoutSeconds);
} // namespace ui
