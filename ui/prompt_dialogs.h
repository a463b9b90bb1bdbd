// The program-wide one-question prompts: a line of text ("DIALOG_AT"), a hot key ("DIALOG_ATS")
// and a choice from a list ("DIALOG_ATL", "DIALOG_ATL1"). Each runs modally on the calling
// thread and keeps its state with its own dialog, so prompts of several threads never meet.
#pragma once

#include "core/client_services.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace ui {

constexpr uint32_t kNoHotkey = 0xFFFFFFFF;

// text holds the initial text on entry and the answer on OK, at most capacity characters with
// the terminator (the prompt takes no more than 1000). timeoutSeconds 0 waits for ever; when
// the time runs out before a key was typed, the prompt ends as OK with the text it shows. True
// when the prompt ended as OK.
bool PromptText(HWND owner, const std::wstring& title, const std::wstring& prompt, wchar_t* text,
                size_t capacity, uint32_t timeoutSeconds);
// PromptText for a pass phrase: what is typed shows as dots, and no time limit.
bool PromptSecret(HWND owner, const std::wstring& title, const std::wstring& prompt, wchar_t* text,
                  size_t capacity);

// The hot key value as the hot key control gives it (virtual key in the low byte, modifiers in
// the next one); kNoHotkey on Cancel.
uint32_t PromptHotkey(HWND owner, const std::wstring& title, const std::wstring& prompt, uint32_t value);
// The block of "DIALOG_ATS" for those who run the template with PromptHotkeyDlgProc themselves.
struct PromptHotkeyParams {
    std::wstring Title;
    std::wstring Prompt;
    uint32_t Value = 0;
};
INT_PTR CALLBACK PromptHotkeyDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// On OK selection holds one flag per choice, in order; on Cancel it is left as it was. single
// runs the one-choice list.
bool PromptList(HWND owner, const std::wstring& title, const std::wstring& prompt,
                const std::vector<std::wstring>& choices, std::vector<bool>& selection, bool single);

} // namespace ui
