// Answers prompts while the dialogs are not linked: OK with the test's answer text, Cancel
// when the test gives none.
#include "common/xstring.h"
#include "tests/recorders/call_log.h"
#include "ui/prompt_dialogs.h"

#include <cwchar>

bool PromptText(HWND, const std::wstring& title, const std::wstring& prompt, wchar_t* text,
                uint32_t timeout) {
    RecordedCall call{"PromptText", nullptr, WideToNarrow(title + L"|" + prompt), timeout};
    CallLog& log = CallLog::Instance();
    log.Add(call);
    if (!log.AnswerText) return false;
    std::wstring answer = NarrowToWide(log.AnswerText(call));
    wcsncpy(text, answer.c_str(), 999);
    text[999] = 0;
    return true;
}
