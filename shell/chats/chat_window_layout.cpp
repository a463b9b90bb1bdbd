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
#include "core/window_list.h"
#include "core/window_record.h"
#include "ui/rebars.h"

#include <set>
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

// Chat windows whose layout waits, and whether the frame has the message to look at them.
std::set<HWND> g_waiting;
bool g_layoutPosted = false;

// Minimized, or an MDI child behind the maximized one.
bool HiddenFromUser(HWND window) {
    if (IsIconic(window)) return true;
    HWND client = MdiClientWindow.load();
    if (!client || GetParent(window) != client) return false;
    BOOL maximized = FALSE;
    HWND active = reinterpret_cast<HWND>(
        SendMessageW(client, WM_MDIGETACTIVE, 0, reinterpret_cast<LPARAM>(&maximized)));
    return maximized && active && active != window;
}

void LayOutNow(WindowRecord* record) {
    RECT client{};
    GetClientRect(record->Window, &client);
    LayoutChatWindow(record, client.right, client.bottom);
}

} // namespace

void RequestChatLayout(WindowRecord* record) {
    if (!record || !record->Window) return;
    HWND frame = MainWindow.load();
    if (!frame) {
        LayOutNow(record);
        return;
    }
    g_waiting.insert(record->Window);
    if (!g_layoutPosted) g_layoutPosted = PostMessageW(frame, WM_LAYOUT_WAITING_CHATS, 0, 0) != FALSE;
}

void LayOutWaitingChatWindows() {
    g_layoutPosted = false;
    const std::vector<HWND> waiting(g_waiting.begin(), g_waiting.end());
    const ULONGLONG started = GetTickCount64();
    for (HWND window : waiting) {
        // Hundreds of windows laid out at once would hold the thread for seconds: the rest wait
        // for the next pass, after whatever else the thread has to answer.
        if (GetTickCount64() - started >= kLayoutPassMs) {
            g_layoutPosted = PostMessageW(MainWindow.load(), WM_LAYOUT_WAITING_CHATS, 0, 0) != FALSE;
            return;
        }
        auto* record = IsWindow(window)
                           ? reinterpret_cast<WindowRecord*>(GetWindowLongPtrW(window, GWLP_USERDATA))
                           : nullptr;
        if (record && (record->Window != window || !IsWindowRecordListed(record))) record = nullptr;
        if (record && HiddenFromUser(window)) continue;
        g_waiting.erase(window);
        if (record) LayOutNow(record);
    }
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
    // The nick list's own visibility flag: a hidden chat window hides its children too.
    in.NickListShown = record->NickList && (GetWindowLongPtrW(record->NickList, GWL_STYLE) & WS_VISIBLE) != 0;
    // The bars as they are drawn here: a bar squeezed below its height has its buttons cut.
    if (record->InsertsBar) in.InsertsBarHeight = RebarHeight(record->InsertsBar);
    if (record->ControlBar) {
        in.ControlBarWidth = RebarRowWidth(record->ControlBar);
        in.ControlBarStopCount =
            RebarButtonStops(record->ControlBar, in.ControlBarStops, ChatLayoutInput::kMostBarStops);
        in.ControlBarHeight = RebarHeight(record->ControlBar);
    }
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
    if (ShowsChannelListRows(record)) {
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
        if (record->OperatorBar) {
            if (in.NickListShown && layout.ShowOperatorBar)
                Place(record->OperatorBar, layout.OperatorBar, true);
            else
                ShowWindow(record->OperatorBar, SW_HIDE);
        }
    }
    if (ownInput) Place(record->Input, layout.Input, true);
    Place(record->InsertsBar, layout.InsertsBar, in.ShowInsertsBar);
    Place(record->ControlBar, layout.ControlBar, in.ShowControlBar);
    // The window fills its background without leaving out its controls: a bar moved into a place
    // the window fills is painted over and, its own paint done, would show its buttons again only
    // under the mouse. So the window and every control are drawn again, the controls last.
    RedrawWindow(record->Window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}
