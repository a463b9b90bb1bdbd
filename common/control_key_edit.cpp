#include "common/control_key_edit.h"

namespace {

WNDPROC PreviousEditProc = nullptr;

// The character a Ctrl key inserts for the typed code; 0 when the code is not one of them.
wchar_t InsertedCharacter(WPARAM code) {
    switch (code) {
        case 1: return 0x01;  // Ctrl+A
        case 2: return 0x02;  // Ctrl+B: bold
        case 4: return 0x04;  // Ctrl+D
        case 7: return 0x07;  // Ctrl+G
        case 9: return 0x16;  // Ctrl+I: reverse
        case 11: return 0x03; // Ctrl+K: colour
        case 12: return 0x18; // Ctrl+L
        case 15: return 0x0F; // Ctrl+O: plain
        case 18: return 0x12; // Ctrl+R
        case 19: return 0x1D; // Ctrl+S
        case 21: return 0x1F; // Ctrl+U: underline
        case 25: return 0x19; // Ctrl+Y
        default: return 0;
    }
}

LRESULT CallPrevious(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return PreviousEditProc ? CallWindowProcW(PreviousEditProc, window, message, wParam, lParam)
                            : DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

bool RegisterSpecialEditClass() {
    WNDCLASSEXW edit{};
    edit.cbSize = sizeof edit;
    if (!GetClassInfoExW(nullptr, L"edit", &edit)) return false;
    PreviousEditProc = edit.lpfnWndProc;
    edit.style |= CS_GLOBALCLASS;
    edit.hInstance = GetModuleHandleW(nullptr);
    edit.lpszClassName = L"brindlex_spedit";
    edit.lpfnWndProc = SpecialEditProc;
    return RegisterClassExW(&edit) != 0;
}

LRESULT CALLBACK SpecialEditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CHAR && wParam >= 1 && wParam <= 25) {
        // Tab without Ctrl would move nowhere useful: swallowed.
        if (wParam == 9 && GetKeyState(VK_CONTROL) >= 0) return 0;
        if (wchar_t inserted = InsertedCharacter(wParam)) {
            const wchar_t text[2] = {inserted, L'\0'};
            SendMessageW(window, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text));
            return 0;
        }
    }
    return CallPrevious(window, message, wParam, lParam);
}
