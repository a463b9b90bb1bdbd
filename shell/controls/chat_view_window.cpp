#include "shell/controls/chat_view_window.h"

#include "commands/input_dispatcher.h"
#include "common/app_state.h"
#include "common/command_ids.h"
#include "common/window_helpers.h"
#include "common/refusal.h"
#include "core/chat_view_message.h"
#include "core/frame_handles.h"
#include "core/settings.h"
#include "core/window_list.h"
#include "core/window_record.h"
#include "draw/painter.h"
#include "shell/controls/input_rules.h"
#include "shell/windows/window_record_ops.h"
#include "shell/windows/window_state.h"
#include "views/chat_view.h"

#include <richedit.h>

#include <algorithm>
#include <memory>
#include <new>

namespace {

constexpr uint64_t kRepaintInterval = 50;
constexpr UINT_PTR kLineRepaintTimer = 1;
// Views alive: the text stamps they share go with the last.
int g_liveViews = 0;

ChatViewState* StateOf(HWND view) {
    return reinterpret_cast<ChatViewState*>(GetWindowLongPtrW(view, GWLP_USERDATA));
}

WindowRecord* OwnerOf(HWND view) {
    for (WindowRecord* record : WindowListSnapshot())
        if (record->View == view) return record;
    return nullptr;
}

bool Held(int key) {
    return (GetKeyState(key) & 0x8000) != 0;
}

void Repaint(HWND view) {
    InvalidateRect(view, nullptr, FALSE);
}

void ReleasePainter(ChatViewState* state) {
    if (!state->ViewPainter) return;
    PainterRelease(state->ViewPainter);
    delete state->ViewPainter;
    state->ViewPainter = nullptr;
}

// Views fell back from Direct2D: later views go to GDI+ without trying it again.
bool g_direct2DFailed = false;

// Direct2D where the system has it (Windows 7 on); a view whose Direct2D target cannot be made
// (no 3-D device on the display) or cannot lay text out draws through GDI+ instead of showing
// nothing. Text is asked of DirectWrite first: a render target costs far more than the answer,
// and a view that falls back should not keep paying for one.
uint32_t ChooseMode(ChatViewState* state) {
    if (state->Mode != 0xFFFFFFFF) return state->Mode;
    const bool seven = WindowsMajorVersion > 6 || (WindowsMajorVersion == 6 && WindowsMinorVersion >= 1);
    if (!seven || g_direct2DFailed) return kPainterGdiPlus;
    if (!PainterDirectWriteMeasures(state->ViewFont) || !PainterModeAvailable(kPainterDirect2D)) {
        g_direct2DFailed = true;
        return kPainterGdiPlus;
    }
    return kPainterDirect2D;
}

// A Direct2D painter that has a render target and lays text out (DirectWrite may find no font).
bool Direct2DDraws(Painter* painter, HFONT font) {
    if (!painter->RenderTarget) return false;
    PainterSetFont(painter, font, 0, nullptr, 0);
    return PainterMeasureText(painter, L"X", 1, 0, 0, nullptr) != 0;
}

void Paint(HWND view, ChatViewState* state) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(view, &paint);
    if (state) {
        const uint32_t mode = ChooseMode(state);
        if (!state->ViewPainter) {
            state->ViewPainter = new Painter;
            PainterBegin(state->ViewPainter, view, nullptr, dc, nullptr, mode, 1, 1, nullptr, 0, 0);
            if (mode == kPainterDirect2D && !Direct2DDraws(state->ViewPainter, state->ViewFont)) {
                PainterRelease(state->ViewPainter);
                g_direct2DFailed = true;
                state->Mode = kPainterGdiPlus;
                PainterBegin(state->ViewPainter, view, nullptr, dc, nullptr, kPainterGdiPlus, 1, 1, nullptr,
                             0, 0);
            } else {
                state->Mode = mode;
            }
        }
        Painter* painter = state->ViewPainter;
        const uint32_t background = state->BackgroundOverride >= 0
                                        ? static_cast<uint32_t>(state->BackgroundOverride)
                                        : Settings::BackgroundColour();
        state->Background = background;
        PainterSetFont(painter, state->ViewFont, 1, nullptr, 0);
        PainterBeginDraw(painter);
        PainterClear(painter, background);
        const float* t = state->Transform;
        PainterSetTransform(painter, t[0], t[1], t[2], t[3], t[4], t[5]);
        state->Owner = OwnerOf(view);
        PaintChatView(state->Owner, view, state, painter);
        PainterPresent(painter, nullptr, nullptr);
        if (state->Mode != kPainterDirect2D) ReleasePainter(state);
        state->LastPaintTick = GetTickCount64();
        if (state->RepaintDue) KillTimer(view, kLineRepaintTimer);
        state->RepaintDue = 0;
    }
    EndPaint(view, &paint);
}

void Submit(HWND view, ChatViewState* state, WindowRecord* record) {
    std::wstring text = ApplyQuickCompleteSettings(state->Typed);
    if (record) {
        AddToInputHistory(record->InputHistory, text);
        record->HistoryIndex = -1;
    }
    state->Typed.clear();
    Repaint(view);
    if (record)
        commands::ExecuteInputText(record, text,
                                   {.NoTriggers = Held(VK_CONTROL), .PreferUtf8 = Held(VK_MENU)});
}

void Escape(ChatViewState* state, WindowRecord* record) {
    state->Typed.clear();
    if (!record) return;
    DestroyWindowRecordPopup(record);
    record->HistoryIndex = -1;
    if (Held(VK_SHIFT)) record->InputHistory.clear();
    if (!record->ChannelListRows.Empty())
        SendMessageW(MainWindow.load(), WM_COMMAND, ID_CHANNEL_LIST_BY_MEMBERS,
                     reinterpret_cast<LPARAM>(record));
}

void OnChar(HWND view, ChatViewState* state, wchar_t typed) {
    WindowRecord* record = OwnerOf(view);
    if (Held(VK_CONTROL)) {
        const bool styled = typed == 0x02 || typed == 0x09 || typed == 0x0B || typed == 0x15;
        const wchar_t code = typed == L'3' ? 15 : styled ? FormattingCodeForCtrlChar(typed) : 0;
        if (code) {
            state->Typed += code;
            Repaint(view);
            return;
        }
    }
    switch (typed) {
        case L'\b':
            if (!state->Typed.empty()) state->Typed.pop_back();
            break;
        case L'\x1B': Escape(state, record); break;
        case L'\r':
        case L'\n': Submit(view, state, record); return;
        default:
            if (typed >= 32 || typed == 2 || typed == 3 || typed == 15 || typed == 22 || typed == 31)
                state->Typed += typed;
            break;
    }
    Repaint(view);
}

void OnKeyDown(HWND view, ChatViewState* state, WPARAM key) {
    if (key == VK_CONTROL || key == VK_SHIFT || key == VK_MENU) return;
    if (key == 'V' && Held(VK_CONTROL)) {
        SendMessageW(view, WM_PASTE, 0, 0);
    } else if (key == VK_PRIOR || key == VK_NEXT) {
        SendMessageW(view, WM_VSCROLL, key == VK_PRIOR ? SB_PAGEUP : SB_PAGEDOWN, 0);
    } else if (key == VK_UP || key == VK_DOWN) {
        WindowRecord* record = OwnerOf(view);
        std::wstring text;
        if (record && RecallInputHistory(record->InputHistory, record->HistoryIndex, key == VK_UP, text)) {
            state->Typed = text;
            Repaint(view);
        }
    }
}

void OnPaste(HWND view, ChatViewState* state) {
    if (!OpenClipboardPatiently(view)) return;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* text = static_cast<const wchar_t*>(GlobalLock(data))) {
            state->Typed += text;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    Repaint(view);
}

void PauseOrResume(WindowRecord* record, bool away) {
    if (!record || !Settings::AutoPauseOnScroll()) return;
    if (away) {
        if (record->Paused) return;
        ToggleOutputPause(record, kPauseOn);
        record->PausedByScroll = 1;
    } else if (record->Paused) {
        ToggleOutputPause(record, kPauseResume);
        record->PausedByScroll = 0;
    }
}

void OnScroll(HWND view, ChatViewState* state, UINT message, WPARAM wParam) {
    bool away = true;
    if (message == WM_VSCROLL) {
        const int64_t count = static_cast<int64_t>(state->Lines.size());
        const int64_t end = state->EndFirstLine;
        int64_t first = state->ScrolledAway ? state->FirstLine : end;
        switch (LOWORD(wParam)) {
            case SB_LINEUP: first -= 1; break;
            case SB_PAGEUP: first -= 20; break;
            case SB_LINEDOWN: first += 1; break;
            case SB_PAGEDOWN: first += 20; break;
            case SB_TOP: first = 0; break;
            case SB_BOTTOM: first = count; break;
            default: break;
        }
        if (first < 0) first = 0;
        away = first < end && first < count;
        state->ScrolledAway = away ? 1 : 0;
        state->FirstLine = static_cast<uint32_t>(away ? first : end);
    } else {
        // The wheel only stops the view from following the end.
        state->ScrolledAway = 1;
    }
    WindowRecord* record = OwnerOf(view);
    if (message == WM_VSCROLL) PauseOrResume(record, away);
    SetFocus(view);
    Repaint(view);
}

void OnAppend(HWND view, ChatViewState* state, uint32_t kind, const std::wstring& text) {
    state->Lines.Append(kind, text);
    if (state->ScrolledAway) return;
    // While lines pour in, the view is drawn at most every 50 ms: at once after a quiet spell,
    // else by a timer when the interval is over. A paint asked for and not yet made (the view
    // hidden meanwhile) is asked for again after an interval.
    const uint64_t now = GetTickCount64();
    if (state->RepaintDue && now - state->RepaintDueTick < kRepaintInterval) return;
    state->RepaintDue = 1;
    state->RepaintDueTick = now;
    const uint64_t since = now - state->LastPaintTick;
    if (since >= kRepaintInterval) {
        Repaint(view);
        UpdateWindow(view);
    } else {
        SetTimer(view, kLineRepaintTimer, static_cast<UINT>(kRepaintInterval - since), nullptr);
    }
}

LRESULT HandleMessage(HWND view, UINT message, WPARAM wParam, LPARAM lParam) {
    ChatViewState* state = StateOf(view);
    switch (message) {
        case WM_CREATE: {
            auto* fresh = new (std::nothrow) ChatViewState;
            if (fresh) {
                fresh->Cursor = LoadCursorW(nullptr, IDC_IBEAM);
                ++g_liveViews;
            }
            SetWindowLongPtrW(view, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(fresh));
            return 0;
        }
        case WM_DESTROY:
            SetWindowLongPtrW(view, GWLP_USERDATA, 0);
            if (state) {
                ReleasePainter(state);
                if (state->RunFont) DeleteObject(state->RunFont);
                delete state;
                if (--g_liveViews == 0) ReleaseChatViewStamps();
            }
            return 0;
        case WM_PAINT: Paint(view, state); return 0;
        case WM_ERASEBKGND: return 1;
        default: break;
    }
    if (!state) return DefWindowProcW(view, message, wParam, lParam);
    switch (message) {
        case WM_CHAT_VIEW_APPEND:
            if (lParam)
                OnAppend(view, state, static_cast<uint32_t>(wParam),
                         *reinterpret_cast<const std::wstring*>(lParam));
            return 0;
        case WM_TIMER:
            if (wParam != kLineRepaintTimer) break;
            KillTimer(view, kLineRepaintTimer);
            Repaint(view);
            UpdateWindow(view);
            return 0;
        case WM_SIZE:
            if (state->ViewPainter) PainterResize(state->ViewPainter);
            Repaint(view);
            return 0;
        case WM_SETFOCUS:
            CreateCaret(view, nullptr, 4, 4);
            SetCaretPos(static_cast<int>(state->CaretX), static_cast<int>(state->CaretY));
            ShowCaret(view);
            return 0;
        case WM_KILLFOCUS: DestroyCaret(); return 0;
        case WM_SETFONT:
            state->ViewFont = wParam ? reinterpret_cast<HFONT>(wParam)
                                     : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
            ForgetLayout(state);
            if (lParam) Repaint(view);
            return 0;
        case WM_GETFONT: return reinterpret_cast<LRESULT>(state->ViewFont);
        case WM_KEYDOWN: OnKeyDown(view, state, wParam); return 0;
        case WM_CHAR: OnChar(view, state, static_cast<wchar_t>(wParam)); return 0;
        case WM_PASTE: OnPaste(view, state); return 0;
        case WM_VSCROLL:
        case WM_MOUSEWHEEL: OnScroll(view, state, message, wParam); return 0;
        case WM_MOUSEMOVE: {
            static const LPCWSTR kCursors[] = {IDC_ARROW, IDC_IBEAM, IDC_HAND};
            SetCursor(LoadCursorW(nullptr, kCursors[state->CursorKind < 3 ? state->CursorKind : 0]));
            break;
        }
        case WM_LBUTTONDOWN: SetFocus(view); return 0;
        // The window's input box is this view: the shell's text operations reach the typed line.
        case WM_SETTEXT:
            state->Typed = lParam ? reinterpret_cast<const wchar_t*>(lParam) : L"";
            Repaint(view);
            return TRUE;
        case WM_GETTEXTLENGTH: return static_cast<LRESULT>(state->Typed.size());
        case WM_GETTEXT: {
            if (wParam == 0 || !lParam) return 0;
            const size_t n = std::min<size_t>(state->Typed.size(), wParam - 1);
            std::copy_n(state->Typed.c_str(), n, reinterpret_cast<wchar_t*>(lParam));
            reinterpret_cast<wchar_t*>(lParam)[n] = 0;
            return static_cast<LRESULT>(n);
        }
        case EM_REPLACESEL:
            if (lParam) state->Typed += reinterpret_cast<const wchar_t*>(lParam);
            Repaint(view);
            return 0;
        case EM_SETBKGNDCOLOR:
            state->BackgroundOverride = wParam ? -1 : static_cast<int64_t>(lParam);
            Repaint(view);
            return 0;
        default: break;
    }
    return DefWindowProcW(view, message, wParam, lParam);
}

} // namespace

LRESULT CALLBACK ChatViewWndProc(HWND view, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        return HandleMessage(view, message, wParam, lParam);
    } catch (...) {
        return 0;
    }
}

bool RegisterChatViewClass() {
    WNDCLASSEXW type{};
    type.cbSize = sizeof type;
    type.style = CS_DBLCLKS | CS_GLOBALCLASS;
    type.lpfnWndProc = ChatViewWndProc;
    type.hInstance = GetModuleHandleW(nullptr);
    type.lpszClassName = kChatViewClass;
    return RegisterClassExW(&type) != 0;
}
