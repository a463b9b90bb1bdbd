#include "common/rich_edit_helpers.h"

#include <cstdlib>
#include <cwchar>

namespace {

// Masks of the formats last saved; the save and its restore run on one thread around one change.
thread_local DWORD SavedCharMask = 0;
thread_local DWORD SavedParaMask = 0;

// A mutex rather than a critical section: it can be waited for together with sent messages.
HANDLE AppendLock() {
    static HANDLE lock = CreateMutexW(nullptr, FALSE, nullptr);
    return lock;
}

bool OwnsWindow(HWND window) {
    return GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId();
}

// Waits for the lock. The thread that owns the view answers messages sent to it meanwhile: the
// holder may be a worker waiting in SendMessage for exactly this thread.
void EnterAppendLock(HWND richEdit) {
    HANDLE lock = AppendLock();
    if (!OwnsWindow(richEdit)) {
        WaitForSingleObject(lock, INFINITE);
        return;
    }
    for (;;) {
        DWORD woke = MsgWaitForMultipleObjectsEx(1, &lock, INFINITE, QS_SENDMESSAGE, MWMO_INPUTAVAILABLE);
        if (woke == WAIT_OBJECT_0 || woke == WAIT_ABANDONED_0) return;
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

constexpr const wchar_t* kViewFontProperty = L"Brindlex.ViewFont";

bool IsRichEdit(HWND window) {
    wchar_t name[32] = {};
    GetClassNameW(window, name, 32);
    return _wcsnicmp(name, L"RichEdit", 8) == 0;
}

} // namespace

void RichEditSetViewFont(HWND view, HFONT font) {
    if (!view || !font) return;
    if (!IsRichEdit(view)) {
        SendMessageW(view, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
        return;
    }
    SetPropW(view, kViewFontProperty, font);
    if (GetWindowTextLengthW(view) == 0) SendMessageW(view, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void RichEditApplyViewFont(HWND view, CHARFORMAT2W& look) {
    RichEditApplyFont(static_cast<HFONT>(GetPropW(view, kViewFontProperty)), look);
}

void RichEditApplyFont(HFONT font, CHARFORMAT2W& look) {
    LOGFONTW chosen{};
    if (!font || GetObjectW(font, sizeof chosen, &chosen) != sizeof chosen) return;
    wcsncpy(look.szFaceName, chosen.lfFaceName, LF_FACESIZE - 1);
    look.szFaceName[LF_FACESIZE - 1] = 0;
    look.bCharSet = chosen.lfCharSet;
    look.bPitchAndFamily = chosen.lfPitchAndFamily;
    if (chosen.lfHeight != 0) {
        HDC screen = GetDC(nullptr);
        const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
        if (screen) ReleaseDC(nullptr, screen);
        // Twips, worked out as the control does for a font it is given.
        look.yHeight = std::abs(chosen.lfHeight) * 1440 / (dpi > 0 ? dpi : 96);
    }
    const auto effect = [&look](DWORD bit, bool on) {
        look.dwEffects = on ? (look.dwEffects | bit) : (look.dwEffects & ~bit);
    };
    effect(CFE_BOLD, chosen.lfWeight > FW_NORMAL);
    effect(CFE_ITALIC, chosen.lfItalic != 0);
}

void RichEditForgetViewFont(HWND view) {
    RemovePropW(view, kViewFontProperty);
}

int RichEditScrollToEnd(HWND richEdit) {
    CHARRANGE end{-1, -1};
    SendMessageW(richEdit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&end));
    SendMessageW(richEdit, EM_SCROLLCARET, 0, 0);
    return -1;
}

void RichEditSetEffect(HWND richEdit, DWORD mask, DWORD effects, bool apply, int underlineKind) {
    CHARFORMAT2W format{};
    format.cbSize = sizeof format;
    format.dwMask = mask;
    format.dwEffects = apply ? effects : 0;
    const BYTE underline[] = {0, CFU_UNDERLINE, CFU_UNDERLINEDOTTED, CFU_UNDERLINEDOUBLE};
    if (underlineKind >= 1 && underlineKind <= 3) {
        format.dwMask |= CFM_UNDERLINETYPE;
        format.bUnderlineType = underline[underlineKind];
    }
    SendMessageW(richEdit, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
}

void RichEditAppendText(HWND richEdit, const wchar_t* text, bool keepFocus, bool noLock) {
    if (!noLock) EnterAppendLock(richEdit);

    HWND focused = nullptr;
    if (keepFocus) {
        focused = GetFocus();
        SetFocus(richEdit);
    }
    CHARRANGE end{-1, -1};
    SendMessageW(richEdit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&end));
    SendMessageW(richEdit, EM_SCROLLCARET, 0, 0);
    SendMessageW(richEdit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text ? text : L""));
    if (keepFocus) SetFocus(focused);

    if (!noLock) ReleaseMutex(AppendLock());
}

namespace {

// A character or paragraph format: read with its get message, written back with its set message
// (wParam says which text), the saved mask remembering which fields the save read.
template <typename Format>
void SaveFormat(HWND richEdit, Format& format, DWORD mask, UINT get, WPARAM which, DWORD& saved) {
    format.cbSize = sizeof format;
    format.dwMask = mask;
    SendMessageW(richEdit, get, which, reinterpret_cast<LPARAM>(&format));
    saved = mask;
}

template <typename Format>
void RestoreFormat(HWND richEdit, Format& format, DWORD mask, UINT set, WPARAM which, DWORD& saved) {
    const DWORD pending = saved & mask;
    if (!pending) return;
    format.cbSize = sizeof format;
    format.dwMask = pending;
    SendMessageW(richEdit, set, which, reinterpret_cast<LPARAM>(&format));
    saved ^= mask;
}

} // namespace

void RichEditSaveCharFormat(HWND richEdit, CHARFORMAT2W& format, DWORD mask) {
    SaveFormat(richEdit, format, mask, EM_GETCHARFORMAT, SCF_SELECTION, SavedCharMask);
}

void RichEditRestoreCharFormat(HWND richEdit, CHARFORMAT2W& format, DWORD mask) {
    RestoreFormat(richEdit, format, mask, EM_SETCHARFORMAT, SCF_SELECTION, SavedCharMask);
}

void RichEditSaveParaFormat(HWND richEdit, PARAFORMAT2& format, DWORD mask) {
    SaveFormat(richEdit, format, mask, EM_GETPARAFORMAT, 0, SavedParaMask);
}

void RichEditRestoreParaFormat(HWND richEdit, PARAFORMAT2& format, DWORD mask) {
    RestoreFormat(richEdit, format, mask, EM_SETPARAFORMAT, 0, SavedParaMask);
}
