#include "update/timed_message_box.h"

#include "common/window_centring.h"

namespace {

using MessageBoxTimeoutFunction = int(WINAPI*)(HWND, LPCWSTR, LPCWSTR, UINT, WORD, DWORD);

MessageBoxTimeoutFunction LookUpTimedBox() {
    HMODULE user32 = LoadLibraryW(L"USER32.DLL");
    if (!user32) return nullptr;
    return reinterpret_cast<MessageBoxTimeoutFunction>(GetProcAddress(user32, "MessageBoxTimeoutW"));
}

} // namespace

int TimedMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type, DWORD timeoutMs,
                    int defaultAnswer) {
    static const MessageBoxTimeoutFunction timed = LookUpTimedBox();
    CentreNextBox centred;
    if (!timed || timeoutMs == kNoTimeLimit) return MessageBoxW(owner, text, caption, type);
    const int answer = timed(owner, text, caption, type, 0, timeoutMs);
    return answer == kMessageBoxTimedOut ? defaultAnswer : answer;
}
