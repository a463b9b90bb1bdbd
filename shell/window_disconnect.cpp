// What happens to a window when its server or DCC connection is lost.
#include "common/lang_string_ids.h"
#include "common/lang_strings.h"
#include "irc/server_connection.h"
#include "irc/server_session.h"
#include "irc/tls_socket.h"
#include "core/dcc_connection.h"
#include "script/event_scripts.h"
#include "shell/window_operations.h"
#include "core/window_record.h"
#include "core/window_record_use.h"
#include "shell/window_state.h"
#include "views/line_printer.h"

void shell::OnServerDisconnected(WindowRecord* record, uint8_t byUser) {
    if (!record || !record->Connection || !IsWindow(record->Window)) return;
    // The disconnect event's script may find other windows of the server.
    WindowRecordUse use;
    ServerConnection& connection = *record->Connection;
    // Only the caller that takes the socket goes on, so one loss is handled once.
    if (!EndServerSession(connection, byUser)) return;
    std::string result;
    RunEventScript("On_Disconnect", record->Server, record->Server, connection.Host, result, 0);
    PrintToWindow(kInformationLine, record, GetLangString(kDisconnectedMessage));
    if (!byUser && AdvanceReconnectCounter(connection.ReconnectCounter)) StartServerConnection(record);
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
    RunEventScript("On_DCC_Disconnect", record, record, record ? record->Name : std::string(), result, 0);
}
