// Closing a chat window: leaving the channel or quitting the server, and tearing down the record.
#include "common/app_state.h"
#include "irc/send_path.h"
#include "irc/server_connection.h"
#include "irc/server_session.h"
#include "shell/chats/chat_window.h"
#include "core/settings.h"
#include "core/frame_handles.h"
#include "shell/menus/main_menu.h"
#include "core/window_list.h"
#include "shell/chats/window_removal.h"
#include "shell/windows/window_tabs.h"
#include "shell/windows/window_operations.h"
#include "core/window_record.h"
#include "core/window_record_use.h"
#include "core/open_chat_window.h"
#include "ui/ribbon.h"

#include <commctrl.h>

#include <string>

namespace {

bool g_closingEvery = false;

void DeleteTab(const WindowRecord* record) {
    HWND tabs = WindowTabsControl.load();
    if (!tabs) return;
    const int count = static_cast<int>(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        TCITEMW item{};
        item.mask = TCIF_PARAM;
        if (SendMessageW(tabs, TCM_GETITEMW, i, reinterpret_cast<LPARAM>(&item)) &&
            reinterpret_cast<const WindowRecord*>(item.lParam) == record) {
            SendMessageW(tabs, TCM_DELETEITEM, i, 0);
            RedrawWindowTabs();
            return;
        }
    }
}

// The server's channels and queries close first, the newest first; DCC chats stay without a
// server.
void CloseServerWindows(WindowRecord* server) {
    const std::vector<WindowRecord*> list = WindowListSnapshot();
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        WindowRecord* other = *it;
        if (other == server || other->Server != server || !IsWindowRecordListed(other)) continue;
        if (other->Type == kDccChatWindow)
            other->Server = nullptr;
        else
            SendMessageW(other->Window, WM_CLOSE, 0, 0);
    }
}

void QuitServer(WindowRecord* server) {
    CloseServerWindows(server);
    ServerConnection* connection = server->Connection;
    if (!connection) return;
    // The window is going: a lost connection from now on is no reason to connect again.
    connection->ReconnectCounter = 0;
    const std::string reason = Settings::DefaultQuitReason();
    const std::string line = reason.empty() ? "QUIT\r\n" : "QUIT :" + reason + "\r\n";
    // Sent at once: a queued line would go with the connection.
    SendServerLine(line, server, 1);
    shell::OnServerDisconnected(server, {.ByUser = true});
}

} // namespace

void OnChatClose(WindowRecord* record) {
    if (record->Detached) ToggleDocking(record);
    DeleteTab(record);
    record->VoiceListen = 0;
    record->VoiceCapture = 0;
    if (record->Type == kServerWindow) {
        // Its connection thread may be waiting for a window, and its close waits for that thread.
        RefuseWindowRequests(record);
        QuitServer(record);
    } else if (record->Type == kChannelWindow && record->Server)
        SendServerLine("PART " + record->Name + "\r\n", record, 0);

    HWND window = record->Window;
    ForgetChatLayout(record);
    RemoveWindowRecord(record);
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    // Ends the session and waits for the connection thread; it is never killed.
    DestroyServerSession(record);
    // A connection thread inside a handler may still hold the record: it goes when that ends.
    RetireWindowRecord(record);
    // Closing every window, the frame leaves them all to the client, which it destroys last.
    if (!g_closingEvery) {
        if (HWND client = MdiClientWindow.load())
            SendMessageW(client, WM_MDIDESTROY, reinterpret_cast<WPARAM>(window), 0);
        else
            DestroyWindow(window);
    }
    RibbonInvalidateContext(kChannelContextGroup);
    RibbonInvalidateContext(kServerContextGroup);
}

ClosingEveryChatWindow::ClosingEveryChatWindow() {
    g_closingEvery = true;
}

ClosingEveryChatWindow::~ClosingEveryChatWindow() {
    g_closingEvery = false;
}
