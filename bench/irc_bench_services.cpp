// The neighbours of the connection, as counters: the benchmark measures the receive loop and
// the dispatch, not what a real view, plug-in host or script engine would do with a line.
#include "bench/irc_bench_services.h"

#include "core/client_services.h"
#include "core/window_record.h"
#include "irc/server_connection.h"
#include "irc/server_session.h"

std::atomic<uint64_t> BenchPrinted{0};
std::atomic<uint64_t> BenchPluginCalls{0};

void InstallBenchServices() {
    ClientServices& s = Services();
    s.Printing.PrintToWindow = [](LineKind, WindowRecord*, const std::wstring&, const PrintOptions&) {
        ++BenchPrinted;
    };
    s.Commands.NotifyPluginsServerLine = [](uint32_t, const std::string&) -> uint64_t {
        ++BenchPluginCalls;
        return 0;
    };
    s.Windows.OnServerDisconnected = [](WindowRecord* record, DisconnectOptions options) {
        if (record && record->Connection) EndServerSession(*record->Connection, options.ByUser ? 1 : 0);
    };
}
