// The program-wide one-question prompts.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

// Runs the modal text prompt "DIALOG_AT" on the calling thread. text is a buffer of 1000 wide
// characters, shown first and filled with the answer on OK. timeoutSeconds 0 waits for ever.
// True when the dialog ended with OK.
bool PromptText(HWND owner, const std::wstring& title, const std::wstring& prompt, wchar_t* text,
                uint32_t timeoutSeconds);
