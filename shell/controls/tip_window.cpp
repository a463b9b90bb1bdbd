#include "shell/controls/tip_window.h"

#include "core/settings.h"
#include "core/window_record.h"

#include <richedit.h>

namespace {

constexpr int kTipHeight = 64;

} // namespace

HWND CreateTipWindow(WindowRecord* record) {
    if (!record || !record->Input) return nullptr;
    if (Settings::DisableTips()) return nullptr;
    RECT input{}, view{};
    GetWindowRect(record->Input, &input);
    if (record->View) GetWindowRect(record->View, &view);
    // Above the input box, as wide as the view; below it when there is no room on the screen.
    const int left = record->View ? view.left : input.left;
    const int width = (record->View ? view.right : input.right) - left;
    int top = input.top - kTipHeight;
    if (top < 0) top = input.bottom;
    // Created hidden and shown without activation: a popup created visible is activated by the
    // system under Wine despite WS_EX_NOACTIVATE, which takes the focus from the input box and
    // the display's focus from the frame while the user types.
    HWND tip = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, L"RichEdit20W", L"",
                               WS_POPUP | WS_BORDER | ES_MULTILINE | ES_READONLY, left, top, width,
                               kTipHeight, record->Window, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!tip) return nullptr;
    if (record->View) {
        HFONT font = reinterpret_cast<HFONT>(SendMessageW(record->View, WM_GETFONT, 0, 0));
        SendMessageW(tip, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    ShowWindow(tip, SW_SHOWNOACTIVATE);
    return tip;
}
