// Storms a server can force on a real qv, each into a fresh qv from a loopback server: 500 JOINs
// (with their NAMES) for channels the user never asked for, 1,000 nicks each opening a query with
// one PRIVMSG, and a MOTD of 200,000 lines. Twenty PINGs are spread evenly through each storm.
// Figures per storm: the worst delay from a PING written to its PONG read, and the longest time
// the interface thread took to answer a message sent to the frame while the storm went on (a
// probe sends the frame WM_NULL over and over). Both against the bound of 2 s. The storm is over
// when every PING is answered and every window the storm makes is there.
// Usage: qv_storm_bench.exe [joins|queries|motd ...] (all three without arguments)
#include "bench/bench_measures.h"
#include "tests/qv/qv_process.h"
#include "tests/support/irc_test_support.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr double kBoundSeconds = 2.0;
constexpr int kPings = 20;
constexpr DWORD kWait = 60000;
// How long a storm may take before its unanswered PINGs count as never answered.
constexpr DWORD kStormWait = 600000;
const char kNick[] = "bencher";

using Clock = BenchClock;

struct Storm {
    const char* Name;
    const char* Title;
    int Count;      // units of the storm (joins, queries, MOTD lines)
    int NewWindows; // chat windows the storm makes
    std::string (*Unit)(int);
};

std::string ForcedJoin(int i) {
    const std::string channel = "#storm" + std::to_string(i);
    return std::string(":") + kNick + "!u@h JOIN " + channel + "\r\n:irc.storm 353 " + kNick + " = " +
           channel + " :" + kNick + " @op" + std::to_string(i) + " +voiced plain" + std::to_string(i) +
           "\r\n:irc.storm 366 " + kNick + " " + channel + " :End of NAMES list\r\n";
}

std::string QueryOpened(int i) {
    return ":spam" + std::to_string(i) + "!s@spam.example PRIVMSG " + kNick +
           " :buy cheap things at spam dot example\r\n";
}

std::string MotdLine(int i) {
    return std::string(":irc.storm 372 ") + kNick + " :- message of the day line " + std::to_string(i) +
           " with some ordinary words in it\r\n";
}

const Storm kStorms[] = {
    {"joins", "500 forced JOINs with NAMES", 500, 500, ForcedJoin},
    {"queries", "1,000 nicks each opening a query", 1000, 1000, QueryOpened},
    {"motd", "a MOTD of 200,000 lines", 200000, 0, MotdLine},
};

struct StormFigures {
    bool Ok = false;
    double WorstPing = 0;
    int Unanswered = 0;
    double LongestGap = 0;
    double Took = 0;  // from the first byte to the last PONG and window
    double Close = 0; // from WM_CLOSE to the process's end
    int Windows = 0;
};

int CountChatWindows(HWND frame) {
    int count = 0;
    EnumChildWindows(
        frame,
        [](HWND window, LPARAM found) -> BOOL {
            wchar_t name[64] = {};
            GetClassNameW(window, name, 64);
            if (std::wstring(name) == L"BRINDLEX2000_IRC") ++*reinterpret_cast<int*>(found);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count;
}

// Sends the frame WM_NULL again and again until told to stop; keeps the longest answer.
class InterfaceProbe {
public:
    explicit InterfaceProbe(HWND frame)
        : thread_([this, frame] {
              while (!stop_) {
                  const auto start = Clock::now();
                  DWORD_PTR result = 0;
                  SendMessageTimeoutW(frame, WM_NULL, 0, 0, SMTO_NORMAL, kStormWait, &result);
                  const double took = SecondsSince(start);
                  longest_ = std::max(longest_.load(), took);
                  Sleep(5);
              }
          }) {}
    double Stop() {
        stop_ = true;
        thread_.join();
        return longest_;
    }

private:
    std::atomic<bool> stop_{false};
    std::atomic<double> longest_{0};
    std::thread thread_;
};

StormFigures RunStorm(const Storm& storm) {
    StormFigures figures;
    PortableFolder folder({L"qv.exe", L"qvlang.dll", L"qvres.dll"});
    CreateDirectoryW((folder.Path() + L"\\UCFG").c_str(), nullptr);
    CreateDirectoryW(folder.UserDataFolder().c_str(), nullptr);
    WriteFileBytes(folder.UserDataFolder() + L"\\qv.xml",
                   std::string("<?xml version=\"1.0\" ?>\r\n<qv><Cfg><Options1 Default_Nick=\"") + kNick +
                       "\" /><Options2 Join_Box_On_Connect=\"0\" /><Misc ShowStartPanel=\"0\" />"
                       "</Cfg><Servers /></qv>");
    ScriptedServer server;
    QvProcess qv(folder.Path(), L"-port1 -e \"/server 127.0.0.1:" + std::to_wstring(server.Port()) + L"\"");
    if (!qv.Started() || !server.Accept(kWait) || !server.SkipToLineStarting("USER", kWait)) {
        std::printf("qv did not connect\n");
        return figures;
    }
    server.Send(std::string(":irc.storm 001 ") + kNick + " :Welcome\r\n:irc.storm 376 " + kNick +
                " :End of MOTD\r\n");
    HWND frame = nullptr;
    if (!Eventually([&] { return (frame = qv.FindTopWindow(L"BRINDLEX2000_Main")) != nullptr; }, kWait) ||
        !Eventually([&] { return CountChatWindows(frame) == 1; }, kWait)) {
        std::printf("qv showed no server window\n");
        return figures;
    }
    // Whatever qv says after registering is read before the storm starts.
    Sleep(1000);
    while (server.ReadLine(100)) {
    }

    std::vector<Clock::time_point> pingSent(kPings);
    std::vector<double> pingAnswer(kPings, -1);
    std::mutex pingLock;
    InterfaceProbe probe(frame);
    const auto start = Clock::now();
    std::thread sender([&] {
        const int step = storm.Count / kPings;
        for (int p = 0; p < kPings; ++p) {
            std::string chunk;
            for (int i = p * step; i < (p + 1) * step; ++i) chunk += storm.Unit(i);
            if (!server.Send(chunk)) return;
            {
                std::lock_guard<std::mutex> hold(pingLock);
                pingSent[p] = Clock::now();
            }
            if (!server.Send(":irc.storm PING :storm-" + std::to_string(p) + "\r\n")) return;
        }
    });
    int answered = 0;
    const ULONGLONG end = GetTickCount64() + kStormWait;
    while (answered < kPings && GetTickCount64() < end) {
        const auto line = server.ReadLine(1000);
        if (!line) continue;
        const size_t at = line->find("storm-");
        if (line->rfind("PONG", 0) != 0 || at == std::string::npos) continue;
        const int p = std::atoi(line->c_str() + at + 6);
        if (p < 0 || p >= kPings || pingAnswer[p] >= 0) continue;
        std::lock_guard<std::mutex> hold(pingLock);
        pingAnswer[p] = std::chrono::duration<double>(Clock::now() - pingSent[p]).count();
        ++answered;
    }
    const bool windowsMade = Eventually(
        [&] { return (figures.Windows = CountChatWindows(frame) - 1) >= storm.NewWindows; },
        static_cast<DWORD>(std::max<LONGLONG>(static_cast<LONGLONG>(end - GetTickCount64()), 1000)));
    figures.Took = SecondsSince(start);
    figures.LongestGap = probe.Stop();
    sender.join();
    for (double answer : pingAnswer) {
        if (answer < 0) ++figures.Unanswered;
        figures.WorstPing = std::max(figures.WorstPing, answer);
    }
    if (!windowsMade) std::printf("  only %d of %d windows were made\n", figures.Windows, storm.NewWindows);
    const auto closing = Clock::now();
    PostMessageW(frame, WM_CLOSE, 0, 0);
    DWORD code = 0;
    qv.WaitExit(kWait, code);
    figures.Close = SecondsSince(closing);
    figures.Ok = windowsMade;
    return figures;
}

const char* Verdict(double seconds) {
    return seconds <= kBoundSeconds ? "met" : "MISSED";
}

} // namespace

int main(int argc, char** argv) {
    PrepareConnectionTests();
    int status = 0;
    for (const Storm& storm : kStorms) {
        bool chosen = argc == 1;
        for (int i = 1; i < argc; ++i) chosen = chosen || std::string(argv[i]) == storm.Name;
        if (!chosen) continue;
        std::printf("%s, %d PINGs among them\n", storm.Title, kPings);
        std::fflush(stdout);
        const StormFigures figures = RunStorm(storm);
        std::printf("  worst PING answer            %7.2f s  bound %.0f s: %s", figures.WorstPing,
                    kBoundSeconds, Verdict(figures.WorstPing));
        if (figures.Unanswered)
            std::printf(" (%d of %d never answered within %lu s)", figures.Unanswered, kPings,
                        kStormWait / 1000);
        std::printf("\n  longest interface-thread gap %7.2f s  bound %.0f s: %s\n", figures.LongestGap,
                    kBoundSeconds, Verdict(figures.LongestGap));
        std::printf("  storm over after %.1f s, %d windows made; qv closed %.1f s after WM_CLOSE\n",
                    figures.Took, figures.Windows, figures.Close);
        std::fflush(stdout);
        if (!figures.Ok || figures.Unanswered) status = 1;
    }
    return status;
}
