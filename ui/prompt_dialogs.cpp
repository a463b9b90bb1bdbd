#include "ui/prompt_dialogs.h"

#include "common/app_state.h"

#include <cwchar>

namespace {

constexpr int kPromptText = 101;
constexpr int kAnswerEdit = 102;
constexpr UINT_PTR kPromptTimer = 1;
constexpr size_t kAnswerLength = 1000;

struct PromptTextParams {
    const std::wstring* Title;
    const std::wstring* Prompt;
    wchar_t* Text;
    uint32_t TimeoutSeconds;
};

// Each open prompt keeps its block in its own dialog, so prompts of several threads never share one.
INT_PTR CALLBACK PromptTextDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* params = reinterpret_cast<PromptTextParams*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG:
            params = reinterpret_cast<PromptTextParams*>(lParam);
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            SetWindowTextW(dialog, params->Title->c_str());
            SetDlgItemTextW(dialog, kPromptText, params->Prompt->c_str());
            SetDlgItemTextW(dialog, kAnswerEdit, params->Text);
            if (params->TimeoutSeconds)
                SetTimer(dialog, kPromptTimer, params->TimeoutSeconds * 1000, nullptr);
            return TRUE;
        case WM_COMMAND:
            if (HIWORD(wParam) == EN_UPDATE) {
                KillTimer(dialog, kPromptTimer); // the first keystroke stops the countdown for good
                return TRUE;
            }
            if (LOWORD(wParam) == IDOK && params) {
                GetDlgItemTextW(dialog, kAnswerEdit, params->Text, static_cast<int>(kAnswerLength));
                params->Text[kAnswerLength - 1] = L'\0';
                EndDialog(dialog, 1);
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, 2);
                return TRUE;
            }
            return FALSE;
        case WM_TIMER:
            KillTimer(dialog, kPromptTimer);
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
            return TRUE;
        default: return FALSE;
    }
}

} // namespace

bool ui::PromptText(HWND owner, const std::wstring& title, const std::wstring& prompt, wchar_t* text,
                    uint32_t timeoutSeconds) {
    HMODULE language = LanguageModule.load();
    if (!text || !language) return false;
    PromptTextParams params{&title, &prompt, text, timeoutSeconds};
    return DialogBoxParamW(language, L"DIALOG_AT", owner, PromptTextDlgProc,
                           reinterpret_cast<LPARAM>(&params)) == 1;
}
