// The neighbours of the connection, as counters: the benchmark measures the receive loop and
// the dispatch, not what a real view, plug-in host or script engine would do with a line.
#include "commands/command_settings.h"
#include "commands/plugin_host.h"
#include "irc/server_connection.h"
#include "irc/server_session.h"
#include "peer/dcc_connection.h"
#include "script/event_scripts.h"
#include "script/script_interpreter.h"
#include "shell/window_operations.h"
#include "shell/window_record.h"
#include "views/line_printer.h"

#include <atomic>

std::atomic<uint32_t> DebugLevel{0};
std::atomic<uint64_t> BenchPrinted{0};
std::atomic<uint64_t> BenchPluginCalls{0};

void PrintToWindow(LineKind, WindowRecord*, const std::wstring&, HWND, uint8_t, uint8_t, uint8_t, uint8_t,
                   uint8_t) {
    ++BenchPrinted;
}

uint64_t NotifyPluginsServerLine(uint32_t, const std::string&) {
    ++BenchPluginCalls;
    return 0;
}

uint32_t RunEventScript(const char*, WindowRecord*, WindowRecord*, const std::string&, std::string&,
                        uint8_t) {
    return kNoEventScript;
}

uint32_t ExecuteScript(uint32_t, WindowRecord*, WindowRecord*, const std::string&, const std::string&,
                       std::string&, uint32_t defaultResult) {
    return defaultResult;
}

void OnServerDisconnected(WindowRecord* record, uint8_t byUser) {
    if (record && record->Connection) EndServerSession(*record->Connection, byUser);
}

DccConnection::DccConnection(WindowRecord* owner) : Owner(owner) {}
DccConnection::~DccConnection() = default;
