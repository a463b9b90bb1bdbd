// Placing a chat window's controls on WM_SIZE.
#include "common/app_state.h"
#include "common/window_helpers.h"
#include "irc_lines/channel_nicks.h"
#include "irc/server_connection.h"
#include "core/applied_settings.h"
#include "shell/chats/channel_list_view.h"
#include "shell/controls/chat_layout.h"
#include "shell/chats/chat_window.h"
#include "core/frame_handles.h"
#include "core/open_chat_window.h"
#include "core/window_list.h"
#include "core/window_record.h"
#include "shell/windows/turn_taking.h"
#include "ui/rebars.h"

#include <set>
#include <unordered_map>
#include <vector>

namespace {

constexpr int kMinimumInputHeight = 30;
constexpr ULONGLONG kLayoutPassMs = 100;

uint32_t OwnLevel(WindowRecord* record) {
    if (record->Type != kChannelWindow) return 0;
    const ServerConnection* connection = ConnectionOfWindow(record);
    if (!connection || connection->OwnNick.empty()) return 0;
    return GetNickLevel(connection->OwnNick.c_str(), record, nullptr, nullptr, nullptr, nullptr);
}

void Place(HWND control, const RECT& box, bool show) {
    if (!control) return;
    SetWindowPos(control, nullptr, box.left, box.top, box.right, box.bottom,
                 SWP_NOZORDER | SWP_NOACTIVATE | (show ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
}

void SetScrollBar(HWND input, bool vertical) {
    LONG_PTR style = GetWindowLongPtrW(input, GWL_STYLE);
    const LONG_PTR wanted = vertical ? (style | WS_VSCROLL) : (style & ~static_cast<LONG_PTR>(WS_VSCROLL));
    if (wanted != style) SetWindowLongPtrW(input, GWL_STYLE, wanted);
}

// What each window was last laid out for, by its record's serial: the same again moves nothing.
struct LaidOut {
    ChatLayoutInput In;
    bool ListRows = false;
};
std::unordered_map<uint64_t, LaidOut> g_laidOut;

// Chat windows whose layout waits, and whether a pass over them is on its way.
std::set<HWND> g_waiting;
bool g_passDue = false;

// What decides which waiting windows a pass lays out, read once a pass.
struct PassView {
    HWND Client = nullptr;
    HWND Active = nullptr; // the MDI client's active child
    bool Maximized = false;
    bool Storm = false; // other threads asked for windows a moment ago
};

PassView ViewForPass() {
    PassView view;
    view.Client = MdiClientWindow.load();
    BOOL maximized = FALSE;
    if (view.Client)
        view.Active = reinterpret_cast<HWND>(
            SendMessageW(view.Client, WM_MDIGETACTIVE, 0, reinterpret_cast<LPARAM>(&maximized)));
    view.Maximized = maximized != FALSE;
    const uint64_t asked = LastWindowRequestTick();
    view.Storm = asked && GetTickCount64() - asked < kWindowStormQuietMs;
    return view;
}

// Minimized, or an MDI child behind the maximized one; while a storm lasts, any MDI child but the
// active one.
bool WaitsLonger(HWND window, const PassView& view) {
    if (IsIconic(window)) return true;
    if (!view.Client || window == view.Active || GetParent(window) != view.Client) return false;
    return view.Maximized || view.Storm;
}

void CALLBACK LayoutTimer(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    LayOutWaitingChatWindows();
}

void LayOutNow(WindowRecord* record) {
    RECT client{};
    GetClientRect(record->Window, &client);
    LayoutChatWindow(record, client.right, client.bottom);
}

} // namespace

void ForgetChatLayout(const WindowRecord* record) {
    if (record) g_laidOut.erase(record->Serial);
}

void RequestChatLayout(WindowRecord* record) {
    if (!record || !record->Window) return;
    HWND frame = MainWindow.load();
    if (!frame) {
        LayOutNow(record);
        return;
    }
    g_waiting.insert(record->Window);
    if (!g_passDue) g_passDue = PostMessageW(frame, WM_LAYOUT_WAITING_CHATS, 0, 0) != FALSE;
}

void LayOutWaitingChatWindows() {
    g_passDue = false;
    const PassView view = ViewForPass();
    // The window in front first.
    std::vector<HWND> order;
    order.reserve(g_waiting.size());
    if (g_waiting.count(view.Active)) order.push_back(view.Active);
    for (HWND window : g_waiting)
        if (window != view.Active) order.push_back(window);
    const ULONGLONG started = GetTickCount64();
    bool later = false;
    for (HWND window : order) {
        // Hundreds of windows laid out at once would hold the thread for seconds: the rest wait
        // for the next pass, once input, painting and timers have had their turn.
        if (GetTickCount64() - started >= kLayoutPassMs) {
            g_passDue = true;
            shell::RunAfterOthersTurn(LayOutWaitingChatWindows);
            return;
        }
        WindowRecord* record = ListedChatRecord(window);
        if (record && WaitsLonger(window, view)) {
            // Behind others while the storm lasts: looked at again once it has calmed. A hidden
            // window is laid out when its size changes as it shows.
            later = later || view.Storm;
            continue;
        }
        g_waiting.erase(window);
        if (record) LayOutNow(record);
    }
    if (later) g_passDue = SetTimer(nullptr, 0, static_cast<UINT>(kWindowStormQuietMs), LayoutTimer) != 0;
}

void LayoutChatWindow(WindowRecord* record, int width, int height) {
    if (!record || width <= 0 || height <= 0) return;
    ChatLayoutInput in;
    in.Width = width;
    in.Height = height;
    in.Type = record->Type;
    HFONT inputFont = ConfiguredFonts.size() > kInputFont ? ConfiguredFonts[kInputFont] : nullptr;
    in.InputHeight = record->Input ? MeasureLineHeight(record->Input, inputFont) : kMinimumInputHeight;
    if (in.InputHeight < kMinimumInputHeight) in.InputHeight = kMinimumInputHeight;
    in.MultiLine = record->MultiLineInput != 0;
    // The custom-drawn view is its own input box and draws its typed line across its whole
    // width at its bottom: the bars beside and above the input box would stand over that line.
    const bool ownInput = record->Input && record->Input != record->View;
    in.ShowInsertsBar = ownInput && record->ShowInsertsBar != 0;
    in.ShowControlBar = ownInput && record->ShowControlBar != 0;
    in.SplitRatio = record->SplitRatio;
    in.OwnLevel = OwnLevel(record);
    in.NickListShown = record->NickList && !record->NickListHidden;
    if (in.ShowInsertsBar && !record->InsertsBar) record->InsertsBar = CreateControlRebar(record->Window);
    if (in.ShowControlBar) MakeControlBar(record);
    // The bars as they are drawn here: a bar squeezed below its height has its buttons cut.
    if (record->InsertsBar) in.InsertsBarHeight = RebarHeight(record->InsertsBar);
    if (record->ControlBar) {
        in.ControlBarWidth = RebarRowWidth(record->ControlBar);
        in.ControlBarStopCount =
            RebarButtonStops(record->ControlBar, in.ControlBarStops, ChatLayoutInput::kMostBarStops);
        in.ControlBarHeight = RebarHeight(record->ControlBar);
    }
    // A window laid out once already for these sizes and modes has every control in place (the
    // size its window is made with asks again once it shows).
    const bool listRows = ShowsChannelListRows(record);
    LaidOut& last = g_laidOut[record->Serial];
    if (last.In == in && last.ListRows == listRows) return;
    last = {in, listRows};
    ChatLayout layout = ComputeChatLayout(in);
    if (!ownInput) {
        // No input box under the nick list either: it reaches the bottom as the view does.
        const int hi = layout.Input.bottom;
        layout.NickList.bottom += hi;
        layout.OperatorBar.top += hi;
    }

    if (ownInput) SetScrollBar(record->Input, in.MultiLine);
    RECT view = layout.View;
    // A view that is its own input box takes the input box's place under it as well.
    if (!ownInput) view.bottom = layout.Input.top + layout.Input.bottom - view.top;
    if (listRows) {
        // The channel list takes the view's place; a view that is the input box keeps its line.
        Place(record->ChannelListView, layout.View, true);
        if (ownInput)
            // No room as well as hidden: a view whose redraw a recent line put off is not hidden
            // until its redraw is back, which shows it again.
            Place(record->View, RECT{view.left, view.top, 0, 0}, false);
        else
            Place(record->View, RECT{view.left, layout.Input.top, view.right, layout.Input.bottom}, true);
    } else {
        Place(record->View, view, true);
    }
    if (record->Type == kChannelWindow) {
        if (in.NickListShown) Place(record->NickList, layout.NickList, true);
        const bool operatorBar = in.NickListShown && layout.ShowOperatorBar;
        if (operatorBar && !record->OperatorBar) record->OperatorBar = CreateInsertsRebar(record->Window);
        if (record->OperatorBar) {
            if (operatorBar)
                Place(record->OperatorBar, layout.OperatorBar, true);
            else
                ShowWindow(record->OperatorBar, SW_HIDE);
        }
    }
    if (ownInput) Place(record->Input, layout.Input, true);
    Place(record->InsertsBar, layout.InsertsBar, in.ShowInsertsBar);
    Place(record->ControlBar, layout.ControlBar, in.ShowControlBar);
    // The window and every control are drawn again when painting has its turn; the window leaves
    // its controls out of its own background (it clips its children), so none is painted over.
    RedrawWindow(record->Window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}
