#include "ui/ticker_window.h"

#include "common/app_state.h"
#include "common/window_helpers.h"
#include "common/xstring.h"
#include "core/applied_settings.h"
#include "core/client_services.h"
#include "core/settings.h"
#include "core/window_record.h"
#include "xml/config_documents.h"
#include "xml/xml_profile.h"

#include <cstdlib>
#include <deque>

namespace {

constexpr const wchar_t* kTickerClass = L"qv_TOPTIP";
constexpr UINT_PTR TICKER_TIMER_ID = 1;
constexpr int32_t kTextGap = 5;

// The strip's state. Only the interface thread touches it: lines from connection threads arrive
// by SendMessage to the strip.
struct TickerState {
    HDC Dc = nullptr;
    RECT Client{};
    int32_t FreePixels = 0;
    uint32_t Period = 50;
    RECT SavedWorkArea{};
    bool WorkAreaTaken = false;
    // A text wider than the strip is drawn bit by bit as it enters at the right edge.
    std::wstring Entering;
    int32_t EnteringLeft = 0;
    int32_t EnteringWidth = 0;
};

TickerState State;
std::deque<std::wstring> Queue;

int32_t ClientWidth() {
    return State.Client.right - State.Client.left;
}

void QueueText(std::wstring text) {
    while (Queue.size() >= kTickerQueueLimit) Queue.pop_front();
    Queue.push_back(std::move(text));
}

void GiveBackWorkArea() {
    if (!State.WorkAreaTaken) return;
    State.WorkAreaTaken = false;
    SystemParametersInfoW(SPI_SETWORKAREA, 0, &State.SavedWorkArea, SPIF_SENDCHANGE);
}

// The frame takes the changed work area when it is shown the other way and back again. A window
// manager may give it the same size again, so it is also told to lay out its children: they keep
// clear of the strip whatever size the frame has.
void RelayoutFrame() {
    HWND frame = MainWindow.load();
    if (!frame || !IsWindow(frame)) return;
    if (IsZoomed(frame)) {
        ShowWindow(frame, SW_RESTORE);
        ShowWindow(frame, SW_MAXIMIZE);
    } else {
        ShowWindow(frame, SW_MAXIMIZE);
        ShowWindow(frame, SW_RESTORE);
    }
    PostMessageW(frame, WM_SIZE, 0, 0);
}

void RestartTimer(HWND window, uint32_t period) {
    State.Period = period;
    SetTimer(window, TICKER_TIMER_ID, period, nullptr);
    XmlWriteProfileInt(Settings::Keys::ScrollTimer.Section, Settings::Keys::ScrollTimer.Key,
                       static_cast<int32_t>(period), nullptr, UserConfigDocument);
}

// Draws the part of the entering text that has just scrolled into the right end of the strip.
void DrawEnteringPart() {
    const int32_t width = ClientWidth();
    RECT exposed{width - kTickerStep, State.Client.top, width, State.Client.bottom};
    FillRect(State.Dc, &exposed,
             reinterpret_cast<HBRUSH>(GetClassLongPtrW(TickerWindow.load(), GCLP_HBRBACKGROUND)));
    const int saved = SaveDC(State.Dc);
    IntersectClipRect(State.Dc, exposed.left, exposed.top, exposed.right, exposed.bottom);
    RECT box{State.EnteringLeft, State.Client.top, State.EnteringLeft + State.EnteringWidth,
             State.Client.bottom};
    DrawTextW(State.Dc, State.Entering.c_str(), static_cast<int>(State.Entering.size()), &box,
              DT_SINGLELINE | DT_VCENTER | DT_NOCLIP);
    RestoreDC(State.Dc, saved);
}

void OnTick() {
    const int32_t width = ClientWidth();
    if (State.FreePixels < width) {
        ScrollDC(State.Dc, -kTickerStep, 0, &State.Client, &State.Client, nullptr, nullptr);
        State.FreePixels += kTickerStep;
        if (!State.Entering.empty()) {
            State.EnteringLeft -= kTickerStep;
            DrawEnteringPart();
            if (State.EnteringLeft + State.EnteringWidth <= width) State.Entering.clear();
        }
    }
    if (Queue.empty()) return;
    const std::wstring& text = Queue.front();
    SIZE size{};
    GetTextExtentPoint32W(State.Dc, text.c_str(), static_cast<int>(text.size()), &size);
    const bool fits = size.cx + kTextGap <= State.FreePixels;
    // A text wider than the strip can never fit: it starts at the left edge once the strip is
    // wholly free and the rest of it follows as the strip scrolls.
    const bool wide = size.cx + kTextGap > width && State.FreePixels >= width;
    if (!fits && !wide) return;
    RECT box = State.Client;
    if (fits) {
        box.left = width - size.cx - kTextGap;
        DrawTextW(State.Dc, text.c_str(), static_cast<int>(text.size()), &box, DT_SINGLELINE | DT_VCENTER);
        State.FreePixels = 0;
    } else {
        box.left = 0;
        DrawTextW(State.Dc, text.c_str(), static_cast<int>(text.size()), &box, DT_SINGLELINE | DT_VCENTER);
        State.Entering = text;
        State.EnteringLeft = 0;
        State.EnteringWidth = size.cx;
        State.FreePixels = width - size.cx - kTextGap;
    }
    Queue.pop_front();
}

void OnCreate(HWND window) {
    State.Dc = GetDC(window);
    GetClientRect(window, &State.Client);
    SelectObject(State.Dc, GetStockObject(DEFAULT_GUI_FONT));
    SetTextColor(State.Dc, Settings::TextColour());
    SetBkMode(State.Dc, TRANSPARENT);
    State.FreePixels = ClientWidth();
    State.Entering.clear();
    State.Period = static_cast<uint32_t>(Settings::ScrollTimer());
    SetTimer(window, TICKER_TIMER_ID, State.Period, nullptr);
}

LRESULT CALLBACK TickerWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE: OnCreate(window); return 0;
        case WM_TIMER:
            if (wParam == TICKER_TIMER_ID) OnTick();
            return 0;
        case WM_LBUTTONDOWN:
            if (HWND frame = MainWindow.load()) SetForegroundWindow(frame);
            return 0;
        case WM_LBUTTONDBLCLK: {
            const uint32_t period = static_cast<uint32_t>(Settings::ScrollTimer()) / 2;
            if (period != 0) RestartTimer(window, period);
            return 0;
        }
        case WM_RBUTTONDBLCLK:
            KillTimer(window, TICKER_TIMER_ID);
            RestartTimer(window, static_cast<uint32_t>(Settings::ScrollTimer()) * 2);
            return 0;
        case WM_TICKER_ADD_TEXT:
            if (lParam)
                QueueText(TickerEntryText(reinterpret_cast<const WindowRecord*>(wParam),
                                          reinterpret_cast<const wchar_t*>(lParam)));
            return 0;
        case WM_CLOSE: DestroyWindow(window); return 0;
        case WM_DESTROY:
            // Whoever ends the strip, the screen gets its work area back exactly as it was.
            KillTimer(window, TICKER_TIMER_ID);
            if (State.Dc) ReleaseDC(window, State.Dc);
            State.Dc = nullptr;
            GiveBackWorkArea();
            {
                HWND self = window;
                TickerWindow.compare_exchange_strong(self, nullptr);
            }
            return 0;
        default: return DefWindowProcW(window, message, wParam, lParam);
    }
}

bool RegisterTickerClass() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_PARENTDC;
    wc.lpfnWndProc = TickerWndProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hIcon = ProgramIcon;
    wc.hIconSm = ProgramIcon;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = CreateSolidBrush(Settings::BackgroundColour());
    wc.lpszClassName = kTickerClass;
    if (RegisterClassExW(&wc)) return true;
    DeleteObject(wc.hbrBackground);
    // Registered by an earlier opening: the background follows the colour of today.
    if (GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
    return true;
}

void OpenTicker(WindowRecord* record) {
    RECT workArea{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);
    HFONT first = ConfiguredFonts.empty() ? nullptr : ConfiguredFonts[0];
    const int height = std::abs(MeasureLineHeight(nullptr, first)) + 1;
    if (!RegisterTickerClass()) return;
    HWND ticker = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kTickerClass, L"", WS_POPUP | WS_VISIBLE,
                                  0, workArea.bottom - height, GetSystemMetrics(SM_CXFULLSCREEN), height,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!ticker) return;
    TickerWindow = ticker;
    State.SavedWorkArea = workArea;
    RECT smaller = workArea;
    smaller.bottom -= height;
    State.WorkAreaTaken = SystemParametersInfoW(SPI_SETWORKAREA, 0, &smaller, SPIF_SENDCHANGE) != FALSE;
    RelayoutFrame();
    ActivateWindowRecord(record);
    Queue.clear();
    QueueText(L"Brindlex 7 Notification Scroll Bar...(Ctrl+* to kill)");
}

} // namespace

std::wstring TickerEntryText(const WindowRecord* record, const wchar_t* text) {
    std::wstring entry;
    if (record && record->Type == kChannelWindow) entry = L"[" + NarrowToWide(record->Name) + L"] ";
    return entry + text + L" | ";
}

size_t TickerQueueLength() {
    return Queue.size();
}

int32_t TickerFreePixels() {
    return State.FreePixels;
}

bool ui::CloseTicker() {
    HWND ticker = TickerWindow.load();
    if (!ticker) return false;
    SendMessageW(ticker, WM_CLOSE, 0, 0);
    TickerWindow = nullptr;
    GiveBackWorkArea();
    RelayoutFrame();
    Queue.clear();
    return true;
}

void ui::ToggleTickerWindow(WindowRecord* record) {
    if (CloseTicker()) {
        ActivateWindowRecord(GetActiveWindowRecord());
        return;
    }
    if (record) OpenTicker(record);
}
