// Speed of the script interpreter: lines per second for a loop of simple assignments and for a
// loop of statements over text values. Output goes to the test stand-ins, which keep nothing
// these scripts produce.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "core/client_services.h"
#include "script/event_scripts.h"
#include "script/script_interpreter.h"
#include "tests/recorders/recorders.h"
#include "common/app_state.h"
#include "common/text_compare.h"
#include "irc/server_connection.h"
#include "script/script_interpreter.h"
#include "core/window_list.h"

namespace {

constexpr int kIterations = 200000;
constexpr int kRepetitions = 3;

std::string Loop(const char* body, int statements, int iterations = kIterations, const char* prologue = "") {
    std::string script = "#nodebug\r\n$s = \"abc\"\r\n$n = 0\r\n" + std::string(prologue) +
                         "for ($i = 0; $i < " + std::to_string(iterations) + "; $i += 1)\r\n{\r\n";
    for (int i = 0; i < statements; ++i) script += body;
    return script + "}\r\n";
}

// Best of several runs: seconds for one run.
double BestSeconds(WindowRecord* server, WindowRecord* channel, const std::string& script) {
    double best = 1e100;
    for (int r = 0; r < kRepetitions; ++r) {
        std::string result;
        const auto start = std::chrono::steady_clock::now();
        ExecuteScript(0, server, channel, script, "", result, 0);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        if (took.count() < best) best = took.count();
    }
    return best;
}

void Report(const char* name, double seconds, int statementsPerIteration, double target) {
    // Each iteration runs its statements, the "for" line and the closing brace.
    const double statements = static_cast<double>(kIterations) * statementsPerIteration;
    const double lines = static_cast<double>(kIterations) * (statementsPerIteration + 2);
    std::printf("%-22s %12.0f statements/s %12.0f lines/s", name, statements / seconds, lines / seconds);
    if (target > 0)
        std::printf("  target %.0f: %s", target, statements / seconds >= target ? "met" : "MISSED");
    std::printf("\n");
}

} // namespace

int main() {
    NoteInterfaceThread();
    BuildFoldTable();
    Services().Scripts.RunEventScript = &script::RunEventScript;
    Services().Scripts.ExecuteScript = &script::ExecuteScript;
    for (void (*install)() : {InstallPrinterRecorder, InstallInputRecorders, InstallForegroundRecorder,
                              InstallPromptRecorder, InstallDisconnectRecorder, InstallPluginRecorders})
        install();
    ServerConnection connection;
    auto server = std::make_unique<WindowRecord>(nullptr, kServerWindow, nullptr);
    server->Name = "irc.example.net";
    server->Connection = &connection;
    auto channel = std::make_unique<WindowRecord>(nullptr, kChannelWindow, server.get());
    channel->Name = "#chan";
    InsertWindowRecord(server.get());
    InsertWindowRecord(channel.get());

    const std::string simple = Loop("$a = 1\r\n$b = $a\r\n$n += 1\r\n$c = 2\r\n$d = 3\r\n", 2);
    Report("simple assignments", BestSeconds(server.get(), channel.get(), simple), 10, 500000);

    const std::string text = Loop("$t = $s\r\n$t += \"def\"\r\n$u = abc + def + ghi\r\n$v = \"hello\"+2\r\n"
                                  "$w = $t\r\n",
                                  2);
    Report("text expressions", BestSeconds(server.get(), channel.get(), text), 10, 0);

    // A mix of built-in calls, one a line: 100,002 calls in all.
    constexpr int kCallIterations = 16667;
    constexpr int kCallsPerIteration = 6;
    const std::string calls =
        Loop("$a = strlen(\"hello world\")\r\n$b = replace(\"a cat scat\", cat, dog, 0, 1)\r\n"
             "$c = mid(\"Hello\", 1, 3)\r\n$d = sprintf(\"%s-%i\", \"ab\", 12)\r\n"
             "$e = items('$v')\r\n$f = mask(\":nick!user@host\")\r\n",
             1, kCallIterations, "$v = {a, b, c}\r\n");
    const double callSeconds = BestSeconds(server.get(), channel.get(), calls);
    const double perSecond = kCallIterations * kCallsPerIteration / callSeconds;
    std::printf("%-22s %12.0f calls/s  target 200000: %s\n", "built-in calls", perSecond,
                perSecond >= 200000 ? "met" : "MISSED");

    EraseWindowRecord(channel.get());
    EraseWindowRecord(server.get());
    return 0;
}
