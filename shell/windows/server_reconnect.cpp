#include "shell/windows/server_reconnect.h"

#include "common/lang_string_ids.h"
#include "irc/connection_messages.h"
#include "irc/server_connection.h"
#include "irc/server_session.h"
#include "core/window_record.h"
#include "shell/windows/window_state.h"

#include <cwchar>
#include <string>

namespace {

// A whole qv driven by the tests waits shortened seconds when its environment names them
// (1 to 1000 ms); anything else keeps real seconds.
uint32_t SecondMsFromEnvironment() {
    wchar_t text[16] = {};
    const DWORD length = GetEnvironmentVariableW(kReconnectSecondMsVariable, text, 16);
    if (length == 0 || length >= 16) return 1000;
    const unsigned long value = std::wcstoul(text, nullptr, 10);
    return value >= 1 && value <= 1000 ? static_cast<uint32_t>(value) : 1000;
}

} // namespace

std::atomic<uint32_t> ReconnectSecondMs{SecondMsFromEnvironment()};

void ScheduleReconnect(WindowRecord* server) {
    ServerConnection& connection = *server->Connection;
    const int32_t attempt = connection.ReconnectCounter - 1;
    if (attempt < 1 || attempt > kReconnectTries) return;
    const uint32_t seconds = kReconnectDelaysSeconds[attempt - 1];
    PrintConnectionMessage(
        server, kReconnectWaitMessage,
        {std::to_wstring(seconds), std::to_wstring(attempt), std::to_wstring(kReconnectTries)});
    connection.ReconnectPending = 1;
    PostMessageW(server->Window, WM_RECONNECT_WAIT, 0,
                 static_cast<LPARAM>(seconds) * ReconnectSecondMs.load());
}

void RunPendingReconnect(WindowRecord* server, HWND window) {
    KillTimer(window, kReconnectTimerId);
    ServerConnection* connection = server ? server->Connection : nullptr;
    if (connection && connection->ReconnectPending.exchange(0)) StartServerConnection(server);
}
