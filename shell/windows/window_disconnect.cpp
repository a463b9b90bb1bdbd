// What happens to a window when its server or DCC connection is lost.
#include "common/lang_string_ids.h"
#include "common/lang_strings.h"
#include "irc/server_connection.h"
#include "irc/server_session.h"
#include "irc_lines/channel_nicks.h"
#include "irc/tls_socket.h"
#include "core/dcc_connection.h"
#include "script/event_scripts.h"
#include "shell/windows/window_operations.h"
#include "core/window_record.h"
#include "core/window_list.h"
#include "core/window_record_use.h"
#include "shell/windows/server_reconnect.h"
#include "shell/windows/window_state.h"
#include "views/line_printer.h"

namespace {

// The channels and queries of a session that ended: each says so, and no channel goes on
// listing members it no longer shares with the user.
void TellChatWindowsOfLoss(WindowRecord* server) {
    for (WindowRecord* window : WindowListSnapshot()) {
        if (window->Server != server || (window->Type != kChannelWindow && window->Type != kQueryWindow))
            continue;
        views::PrintToWindow(kInformationLine, window, GetLangString(kDisconnectedMessage));
        if (window->Type == kChannelWindow) ClearNickList(window);
    }
}

} // namespace

void shell::OnServerDisconnected(WindowRecord* record, DisconnectOptions options) {
    if (!record || !record->Connection || !IsWindow(record->Window)) return;
    // The disconnect event's script may find other windows of the server, and so does the loss.
    WindowRecordUse use;
    ServerConnection& connection = *record->Connection;
    // The user ending the connection calls off a reconnect that waits for its try.
    if (options.ByUser && connection.ReconnectPending.exchange(0))
        views::PrintToWindow(kInformationLine, record, GetLangString(kDisconnectedMessage));
    // Only the caller that takes the socket goes on, so one loss is handled once.
    if (!EndServerSession(connection, options.ByUser ? 1 : 0)) return;
    std::string result;
    script::RunEventScript("On_Disconnect", record->Server, record->Server, connection.Host, result);
    views::PrintToWindow(kInformationLine, record, GetLangString(kDisconnectedMessage));
    // Registration is what the channels and queries stood on; a failed try had none.
    if (connection.Registered) TellChatWindowsOfLoss(record);
    // A start under way on this thread brings the next session itself.
    if (options.ByUser || connection.RestartingThread.load() == GetCurrentThreadId()) return;
    if (AdvanceReconnectCounter(connection.ReconnectCounter)) ScheduleReconnect(record);
}

void shell::OnDccChatDisconnected(WindowRecord* record, DccConnection* dcc) {
    if (!dcc) return;
    // The chat thread is asked to end by closing its socket, and waited for; it is never killed.
    // Its TLS session is freed only once no thread reads through it.
    const SOCKET socket = dcc->Socket;
    dcc->Socket = 0;
    if (socket) {
        shutdown(socket, SD_BOTH);
        closesocket(socket);
    }
    if (HANDLE thread = dcc->ChatThread) {
        dcc->ChatThread = nullptr;
        if (GetThreadId(thread) != GetCurrentThreadId()) WaitForThreadPumping(thread);
        CloseHandle(thread);
    }
    if (TlsSocket* tls = dcc->Tls) {
        dcc->Tls = nullptr;
        TlsClose(tls);
        delete tls;
    }
    std::string result;
    script::RunEventScript("On_DCC_Disconnect", record, record, record ? record->Name : std::string(),
                           result);
}
