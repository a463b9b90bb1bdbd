#include "ui/prompt_dialogs.h"

#include "common/app_state.h"
#include "common/command_ids.h"
#include "core/interface_thread_call.h"

#include <commctrl.h>

#include <algorithm>
#include <cwchar>

namespace {

constexpr UINT_PTR kPromptTimer = 1;
constexpr size_t kMostAnswerCharacters = 1000;

struct PromptTextParams {
    const std::wstring* Title;
    const std::wstring* Prompt;
    wchar_t* Text;
    size_t Capacity; // of Text, terminator included
    uint32_t TimeoutSeconds;
    bool Hidden = false; // a pass phrase: what is typed is shown as dots
};

struct PromptListParams {
    const std::wstring* Title;
    const std::wstring* Prompt;
    const std::vector<std::wstring>* Choices;
    std::vector<bool>* Selection;
};

// Every prompt keeps its block in its own dialog's user data.
template <typename Params> Params* ParamsOf(HWND dialog, UINT message, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        return reinterpret_cast<Params*>(lParam);
    }
    return reinterpret_cast<Params*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

void ShowTexts(HWND dialog, const std::wstring& title, const std::wstring& prompt) {
    SetWindowTextW(dialog, title.c_str());
    SetDlgItemTextW(dialog, IDC_PROMPT_LABEL, prompt.c_str());
}

// OK keeps the answer (keep) and ends the prompt with 1, Cancel ends it with 2; other commands
// are not the prompt's to answer.
template <typename Keep> INT_PTR EndOnOkOrCancel(HWND dialog, WPARAM wParam, Keep keep) {
    if (LOWORD(wParam) == IDOK) {
        keep();
        EndDialog(dialog, 1);
        return TRUE;
    }
    if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, 2);
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK PromptTextDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* params = ParamsOf<PromptTextParams>(dialog, message, lParam);
    if (!params) return FALSE;
    switch (message) {
        case WM_INITDIALOG:
            ShowTexts(dialog, *params->Title, *params->Prompt);
            SendDlgItemMessageW(dialog, IDC_PROMPT_ANSWER, EM_LIMITTEXT,
                                params->Capacity > 1 ? params->Capacity - 1 : 1, 0);
            SetDlgItemTextW(dialog, IDC_PROMPT_ANSWER, params->Text);
            if (params->Hidden) SendDlgItemMessageW(dialog, IDC_PROMPT_ANSWER, EM_SETPASSWORDCHAR, 0x25CF, 0);
            if (params->TimeoutSeconds)
                SetTimer(dialog, kPromptTimer, params->TimeoutSeconds * 1000, nullptr);
            return TRUE;
        case WM_COMMAND:
            if (HIWORD(wParam) == EN_UPDATE) {
                KillTimer(dialog, kPromptTimer); // the first keystroke stops the countdown for good
                return TRUE;
            }
            return EndOnOkOrCancel(dialog, wParam, [&] {
                // Never more than the caller's buffer holds.
                GetDlgItemTextW(dialog, IDC_PROMPT_ANSWER, params->Text, static_cast<int>(params->Capacity));
                params->Text[params->Capacity - 1] = L'\0';
            });
        case WM_TIMER:
            KillTimer(dialog, kPromptTimer);
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
            return TRUE;
        default: return FALSE;
    }
}

INT_PTR CALLBACK PromptListDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* params = ParamsOf<PromptListParams>(dialog, message, lParam);
    if (!params) return FALSE;
    switch (message) {
        case WM_INITDIALOG:
            ShowTexts(dialog, *params->Title, *params->Prompt);
            for (const std::wstring& choice : *params->Choices)
                SendDlgItemMessageW(dialog, IDC_PROMPT_ANSWER, LB_ADDSTRING, 0,
                                    reinterpret_cast<LPARAM>(choice.c_str()));
            return TRUE;
        case WM_COMMAND:
            return EndOnOkOrCancel(dialog, wParam, [&] {
                std::vector<bool> chosen;
                for (size_t i = 0; i < params->Choices->size(); ++i)
                    chosen.push_back(SendDlgItemMessageW(dialog, IDC_PROMPT_ANSWER, LB_GETSEL, i, 0) > 0);
                *params->Selection = std::move(chosen);
            });
        default: return FALSE;
    }
}

// The prompts are the interface thread's windows: a script on another thread waits for them there.
bool AskedElsewhere() {
    return !OnInterfaceThread() && MainWindow.load();
}

} // namespace

INT_PTR CALLBACK ui::PromptHotkeyDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* params = ParamsOf<PromptHotkeyParams>(dialog, message, lParam);
    if (!params) return FALSE;
    switch (message) {
        case WM_INITDIALOG:
            ShowTexts(dialog, params->Title, params->Prompt);
            SendDlgItemMessageW(dialog, IDC_PROMPT_ANSWER, HKM_SETHOTKEY, params->Value, 0);
            return TRUE;
        case WM_COMMAND:
            return EndOnOkOrCancel(dialog, wParam, [&] {
                params->Value = static_cast<uint32_t>(
                    SendDlgItemMessageW(dialog, IDC_PROMPT_ANSWER, HKM_GETHOTKEY, 0, 0));
            });
        default: return FALSE;
    }
}

namespace {

bool RunTextPrompt(HWND owner, PromptTextParams& params) {
    if (AskedElsewhere()) return AskOnInterfaceThread([&] { return RunTextPrompt(owner, params); }, false);
    HMODULE language = LanguageModule.load();
    if (!params.Text || params.Capacity == 0 || !language) return false;
    return DialogBoxParamW(language, L"DIALOG_AT", owner, PromptTextDlgProc,
                           reinterpret_cast<LPARAM>(&params)) == 1;
}

} // namespace

bool ui::PromptText(HWND owner, const std::wstring& title, const std::wstring& prompt, wchar_t* text,
                    size_t capacity, uint32_t timeoutSeconds) {
    PromptTextParams params{&title, &prompt, text, std::min(capacity, kMostAnswerCharacters), timeoutSeconds};
    return RunTextPrompt(owner, params);
}

bool ui::PromptSecret(HWND owner, const std::wstring& title, const std::wstring& prompt, wchar_t* text,
                      size_t capacity) {
    PromptTextParams params{&title, &prompt, text, std::min(capacity, kMostAnswerCharacters), 0, true};
    return RunTextPrompt(owner, params);
}

uint32_t ui::PromptHotkey(HWND owner, const std::wstring& title, const std::wstring& prompt, uint32_t value) {
    if (AskedElsewhere())
        return AskOnInterfaceThread([&] { return ui::PromptHotkey(owner, title, prompt, value); }, kNoHotkey);
    HMODULE language = LanguageModule.load();
    if (!language) return kNoHotkey;
    PromptHotkeyParams params{title, prompt, value};
    if (DialogBoxParamW(language, L"DIALOG_ATS", owner, PromptHotkeyDlgProc,
                        reinterpret_cast<LPARAM>(&params)) != 1)
        return kNoHotkey;
    return params.Value;
}

bool ui::PromptList(HWND owner, const std::wstring& title, const std::wstring& prompt,
                    const std::vector<std::wstring>& choices, std::vector<bool>& selection, bool single) {
    if (AskedElsewhere())
        return AskOnInterfaceThread(
            [&] { return ui::PromptList(owner, title, prompt, choices, selection, single); }, false);
    HMODULE language = LanguageModule.load();
    if (!language) return false;
    PromptListParams params{&title, &prompt, &choices, &selection};
    return DialogBoxParamW(language, single ? L"DIALOG_ATL1" : L"DIALOG_ATL", owner, PromptListDlgProc,
                           reinterpret_cast<LPARAM>(&params)) == 1;
}
