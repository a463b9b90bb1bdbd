// Storms a server can force on a real qv, each into a fresh qv from a loopback server, measured as
// a person meets them: 500 JOINs (each with a NAMES reply of 20 nicks) for channels the user never
// asked for, 1,000 nicks each opening a query with one PRIVMSG, a MOTD of 200,000 lines and a WHO
// reply of 100,000 lines. Twenty PINGs are spread evenly through each storm.
//
// What is measured, from the server's side of the connection:
// - the worst delay from a PING written to its PONG read;
// - the longest silence of the interface thread: the user's On_Startup script starts a "/timer"
//   that sends a line every 100 ms; a timer message is the last thing a thread's queue hands out
//   (after sent and posted messages, input and painting), so the longest gap between two of its
//   lines is the longest time the thread gave nothing else a turn;
// - typed lines: keys sent as input (SendInput, as the keyboard sends them) into the active window
//   1, 3, 10 and 20 s into the storm (those before its end), each "/raw" line timed from its first
//   key to its arrival at the server;
// - when every window the storm makes is there and the storm's last line is shown in its window;
// - quitting: from WM_CLOSE to the end of the process, and whether the settings it saved read
//   back whole (the forced joins' channels among the recent channels).
// A screenshot of the frame is taken in the middle of each storm (half its windows made, or 2 s
// into a storm that makes none) into the build's screenshots folder.
// Bounds: PING 2 s, silence 1 s, typed line 1 s, everything there 15 s, quitting 5 s. The flood
// delay is off, so what is measured is the interface thread, not the flood queue's pace.
// Usage: qv_storm_bench.exe [joins|queries|motd|who ...] (all four without arguments); a name
// followed by "=count" runs that storm with another count.
#include "bench/bench_measures.h"
#include "tests/qv/qv_process.h"
#include "tests/support/irc_test_support.h"
#include "tests/support/screenshots.h"
#include "xml/xml_document.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr double kPingBound = 2.0;
constexpr double kSilenceBound = 1.0;
constexpr double kTypedBound = 1.0;
constexpr double kThereBound = 15.0;
constexpr double kQuitBound = 5.0;
constexpr int kPings = 20;
constexpr int kNamesPerJoin = 20;
constexpr DWORD kWait = 60000;
// How long a storm may take before what is missing counts as never there.
constexpr DWORD kStormWait = 600000;
constexpr double kTypeAt[] = {1, 3, 10, 20};
const char kNick[] = "bencher";
const char kLastLine[] = "the storm is over";

using Clock = BenchClock;

struct Storm {
    const char* Name;
    const char* Title; // with the count's place
    int Count;         // units of the storm (joins, queries, MOTD or WHO lines)
    int NewWindows;    // chat windows the storm makes
    std::string (*Unit)(int);
    std::string (*End)(int count);         // the storm's last line (and what closes its burst)
    std::wstring (*LastWindow)(int count); // the title the window of the last line begins with
};

std::string ForcedJoin(int i) {
    const std::string channel = "#storm" + std::to_string(i);
    std::string names = std::string(kNick) + " @op" + std::to_string(i);
    for (int n = 2; n < kNamesPerJoin; ++n)
        names += " " + std::string(n % 3 ? "" : "+") + "u" + std::to_string(i) + "_" + std::to_string(n);
    return std::string(":") + kNick + "!u@h JOIN " + channel + "\r\n:irc.storm 353 " + kNick + " = " +
           channel + " :" + names + "\r\n:irc.storm 366 " + kNick + " " + channel + " :End of NAMES list\r\n";
}

std::string QueryOpened(int i) {
    return ":spam" + std::to_string(i) + "!s@spam.example PRIVMSG " + kNick +
           " :buy cheap things at spam dot example\r\n";
}

std::string MotdLine(int i) {
    return std::string(":irc.storm 372 ") + kNick + " :- message of the day line " + std::to_string(i) +
           " with some ordinary words in it\r\n";
}

std::string WhoLine(int i) {
    return std::string(":irc.storm 352 ") + kNick + " #crowd user" + std::to_string(i) + " host" +
           std::to_string(i) + ".example irc.storm nick" + std::to_string(i) + " H :0 Some Real Name\r\n";
}

std::string LastJoinLine(int count) {
    const std::string i = std::to_string(count - 1);
    return ":op" + i + "!o@op.example PRIVMSG #storm" + i + " :" + kLastLine + "\r\n";
}

std::string LastQueryLine(int count) {
    return ":spam" + std::to_string(count - 1) + "!s@spam.example PRIVMSG " + kNick + " :" + kLastLine +
           "\r\n";
}

std::string EndOfMotd(int) {
    return std::string(":irc.storm 999 ") + kNick + " :" + kLastLine + "\r\n:irc.storm 376 " + kNick +
           " :End of MOTD command\r\n";
}

std::string EndOfWho(int) {
    return std::string(":irc.storm 315 ") + kNick + " #crowd :End of WHO list\r\n:irc.storm 999 " + kNick +
           " :" + kLastLine + "\r\n";
}

std::wstring LastChannel(int count) {
    return L"#storm" + std::to_wstring(count - 1);
}

std::wstring LastQuery(int count) {
    return L"spam" + std::to_wstring(count - 1);
}

std::wstring ServerWindowTitle(int) {
    return L"irc.storm";
}

const Storm kStorms[] = {
    {"joins", "%d forced JOINs, each with a NAMES reply of 20 nicks", 500, 500, ForcedJoin, LastJoinLine,
     LastChannel},
    {"queries", "%d nicks each opening a query", 1000, 1000, QueryOpened, LastQueryLine, LastQuery},
    {"motd", "a MOTD of %d lines", 200000, 0, MotdLine, EndOfMotd, ServerWindowTitle},
    {"who", "a WHO reply of %d lines", 100000, 0, WhoLine, EndOfWho, ServerWindowTitle},
};

struct StormFigures {
    bool Ok = false;
    double WorstPing = 0;
    int Unanswered = 0;
    double LongestSilence = 0;
    double SilenceAt = 0; // when the longest silence ended, from the storm's start
    double WorstTyped = 0;
    int TypedLines = 0, TypedLost = 0;
    double WindowsThere = 0; // every window made
    double LastShown = 0;    // the storm's last line in its window
    double Quit = 0;
    bool SavedWhole = false;
    int Windows = 0;
    std::wstring Screenshot;
};

// The chat windows in the frame's MDI client, counted from one list of the client's windows (a
// walk from child to child could meet a window twice as new ones go in behind the active one),
// without a message to qv, so the count is right however busy its interface thread is.
int CountChatWindows(HWND frame) {
    struct Count {
        HWND Client;
        int Found = 0;
    } count{FindWindowExW(frame, nullptr, L"MDIClient", nullptr)};
    if (!count.Client) return 0;
    EnumChildWindows(
        count.Client,
        [](HWND window, LPARAM parameter) -> BOOL {
            auto* count = reinterpret_cast<Count*>(parameter);
            wchar_t name[32] = {};
            if (GetParent(window) == count->Client && GetClassNameW(window, name, 32) &&
                std::wstring(name) == L"BRINDLEX2000_IRC")
                ++count->Found;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count.Found;
}

// The keys of the text and Enter, sent as the keyboard sends them, to whichever window of the
// foreground thread has the focus when that thread reads them.
void TypeKeys(const std::wstring& text) {
    std::vector<INPUT> keys;
    for (wchar_t c : text)
        for (DWORD up : {DWORD{0}, DWORD{KEYEVENTF_KEYUP}}) {
            INPUT key{};
            key.type = INPUT_KEYBOARD;
            key.ki.wScan = c;
            key.ki.dwFlags = KEYEVENTF_UNICODE | up;
            keys.push_back(key);
        }
    for (DWORD up : {DWORD{0}, DWORD{KEYEVENTF_KEYUP}}) {
        INPUT key{};
        key.type = INPUT_KEYBOARD;
        key.ki.wVk = VK_RETURN;
        key.ki.dwFlags = up;
        keys.push_back(key);
    }
    SendInput(static_cast<UINT>(keys.size()), keys.data(), sizeof(INPUT));
}

// The program's first settings with the bench's nick, no join box, no start panel, no flood
// delay, and the user's timer started at the end of registration.
bool WriteSettings(const PortableFolder& folder) {
    return WriteFirstSettings(
        folder, {{"Default_Nick=\"\"", std::string("Default_Nick=\"") + kNick + "\""},
                 {"Flood_Delay_MS=\"1000\"", "Flood_Delay_MS=\"0\""},
                 {"Join_Box_On_Connect=\"1\"", "Join_Box_On_Connect=\"0\""},
                 {"ShowStartPanel=\"1\"", "ShowStartPanel=\"0\""},
                 {"<Special_Scripts />",
                  "<Special_Scripts><s name=\"On_Startup\"><![CDATA[/timer *tick 0 100 /raw TICK]]></s>"
                  "</Special_Scripts>"}});
}

// The settings qv saved read back as a whole document that kept what the storm wrote into them.
bool SavedWhole(const PortableFolder& folder, const Storm& storm) {
    const std::string text = ReadFileBytes(folder.UserDataFolder() + L"\\qv.xml");
    if (text.find("</qv>") == std::string::npos) return false;
    XmlDocument document;
    XmlDocumentOpenFile(&document, (folder.UserDataFolder() + L"\\qv.xml").c_str());
    const bool loaded = XmlDocumentGetState(&document) == 0;
    XmlDocumentDestroy(&document);
    if (!loaded) return false;
    if (storm.Unit != ForcedJoin) return true;
    const std::string recent = folder.SavedSetting("Cfg\\Options1", "Recent_Channels");
    return recent.find("#storm" + std::to_string(storm.Count - 1)) != std::string::npos;
}

StormFigures RunStorm(const Storm& storm) {
    StormFigures figures;
    PortableFolder folder({L"qv.exe", L"qvlang.dll", L"qvres.dll"});
    if (!WriteSettings(folder)) {
        std::printf("  the first settings have changed: the bench's changes do not apply\n");
        return figures;
    }
    ScriptedServer server;
    QvProcess qv(folder.Path(), L"-port1 -e \"/server 127.0.0.1:" + std::to_wstring(server.Port()) + L"\"");
    if (!qv.Started() || !server.Accept(kWait) || !server.SkipToLineStarting("USER", kWait)) {
        std::printf("  qv did not connect\n");
        return figures;
    }
    server.Send(std::string(":irc.storm 001 ") + kNick + " :Welcome\r\n:irc.storm 376 " + kNick +
                " :End of MOTD\r\n");
    HWND frame = nullptr;
    if (!Eventually([&] { return (frame = qv.FindTopWindow(L"BRINDLEX2000_Main")) != nullptr; }, kWait) ||
        !Eventually([&] { return CountChatWindows(frame) == 1; }, kWait)) {
        std::printf("  qv showed no server window\n");
        return figures;
    }
    // The timer runs, and whatever qv says after registering is read before the storm starts.
    if (!server.SkipToLineStarting("TICK", kWait)) {
        std::printf("  the On_Startup timer did not run\n");
        return figures;
    }
    SetForegroundWindow(frame);
    Sleep(1000);
    while (server.ReadLine(100)) {
    }

    std::mutex lock;
    std::vector<Clock::time_point> pingSent(kPings);
    std::vector<double> pingAnswer(kPings, -1);
    std::vector<double> typedAt, typedArrived;
    int answered = 0;
    std::atomic<int> windows{0};
    std::atomic<bool> over{false};
    const auto start = Clock::now();
    auto since = [&] { return SecondsSince(start); };
    std::thread sender([&] {
        const int step = storm.Count / kPings;
        for (int p = 0; p < kPings; ++p) {
            std::string chunk;
            const int last = p == kPings - 1 ? storm.Count : (p + 1) * step;
            for (int i = p * step; i < last; ++i) chunk += storm.Unit(i);
            if (p == kPings - 1) chunk += storm.End(storm.Count);
            if (!server.Send(chunk)) return;
            {
                std::lock_guard<std::mutex> hold(lock);
                pingSent[p] = Clock::now();
            }
            if (!server.Send(":irc.storm PING :storm-" + std::to_string(p) + "\r\n")) return;
        }
    });
    // Reads what qv sends, each line timed as it arrives; the reading never stops meanwhile, or
    // the times would be the bench's and qv's writer would give up.
    std::thread reader([&] {
        double lastTick = 0;
        while (!over) {
            const auto line = server.ReadLine(20);
            if (!line) continue;
            const double now = since();
            std::lock_guard<std::mutex> hold(lock);
            if (line->rfind("TICK", 0) == 0) {
                if (now - lastTick > figures.LongestSilence) {
                    figures.LongestSilence = now - lastTick;
                    figures.SilenceAt = now;
                }
                lastTick = now;
            } else if (line->rfind("TYPED ", 0) == 0) {
                const size_t n = static_cast<size_t>(std::atoi(line->c_str() + 6));
                if (n < typedArrived.size() && typedArrived[n] < 0) typedArrived[n] = now;
            } else if (line->rfind("PONG", 0) == 0 && line->find("storm-") != std::string::npos) {
                const int p = std::atoi(line->c_str() + line->find("storm-") + 6);
                if (p >= 0 && p < kPings && pingAnswer[p] < 0) {
                    pingAnswer[p] = std::chrono::duration<double>(Clock::now() - pingSent[p]).count();
                    ++answered;
                }
            }
        }
        // A timer still silent when the looking ends is silent that long at least.
        std::lock_guard<std::mutex> hold(lock);
        if (since() - lastTick > figures.LongestSilence) {
            figures.LongestSilence = since() - lastTick;
            figures.SilenceAt = -1;
        }
    });
    // The person at the keyboard: types a line now and then and takes a picture in the middle.
    std::thread person([&] {
        bool shot = false;
        size_t next = 0;
        while (!over) {
            const double now = since();
            if (next < std::size(kTypeAt) && now >= kTypeAt[next]) {
                std::lock_guard<std::mutex> hold(lock);
                typedAt.push_back(since());
                typedArrived.push_back(-1);
                TypeKeys(L"/raw TYPED " + std::to_wstring(next));
                ++next;
            }
            const bool middle = storm.NewWindows ? windows.load() >= storm.NewWindows / 2 : now >= 2;
            if (!shot && middle) {
                shot = true;
                figures.Screenshot = ScreenshotFolder() + L"\\qv_storm_" +
                                     std::wstring(storm.Name, storm.Name + strlen(storm.Name)) + L".png";
                SaveScreenshot(frame, figures.Screenshot);
            }
            Sleep(20);
        }
    });

    // Looks until every PING is answered, every window is there and the last line is shown.
    HWND lastWindow = nullptr;
    const ULONGLONG end = GetTickCount64() + kStormWait;
    while (GetTickCount64() < end) {
        Sleep(100);
        if (!figures.WindowsThere && (windows = CountChatWindows(frame) - 1) >= storm.NewWindows)
            figures.WindowsThere = since();
        bool pinged = false, typing = false;
        {
            std::lock_guard<std::mutex> hold(lock);
            pinged = answered == kPings;
            for (double arrived : typedArrived) typing = typing || arrived < 0;
        }
        // Reading a view's text is a message the interface thread answers ahead of all else: asked
        // only once the windows are there, now and then.
        if (figures.WindowsThere && !figures.LastShown && pinged) {
            if (!lastWindow) lastWindow = FindChatWindow(frame, storm.LastWindow(storm.Count));
            const std::wstring marker(kLastLine, kLastLine + sizeof kLastLine - 1);
            if (lastWindow && WindowText(GetDlgItem(lastWindow, 901)).find(marker) != std::wstring::npos)
                figures.LastShown = since();
            Sleep(150);
        }
        // The storm is over once all is there; typed lines still on their way are waited for.
        if (figures.LastShown && (!typing || since() > figures.LastShown + 30)) break;
    }
    figures.Windows = windows;
    over = true;
    person.join();
    reader.join();
    sender.join();
    for (double answer : pingAnswer) {
        if (answer < 0) ++figures.Unanswered;
        figures.WorstPing = std::max(figures.WorstPing, answer);
    }
    figures.TypedLines = static_cast<int>(typedAt.size());
    for (size_t i = 0; i < typedAt.size(); ++i) {
        if (typedArrived[i] < 0) {
            ++figures.TypedLost;
            continue;
        }
        figures.WorstTyped = std::max(figures.WorstTyped, typedArrived[i] - typedAt[i]);
        std::printf("  line typed %4.1f s in reached the server %6.2f s in\n", typedAt[i], typedArrived[i]);
    }
    if (!figures.WindowsThere)
        std::printf("  only %d of %d windows were made\n", figures.Windows, storm.NewWindows);
    else if (!figures.LastShown && !lastWindow)
        std::printf("  the window of the storm's last line was not found\n");
    else if (!figures.LastShown) {
        const std::wstring text = WindowText(GetDlgItem(lastWindow, 901));
        std::printf("  the storm's last line was not shown; its window ends in: %ls\n",
                    text.substr(text.size() > 200 ? text.size() - 200 : 0).c_str());
    }
    // Windows that come in front one by one without a storm: once it has calmed, the newest is.
    if (std::string(storm.Name) == "joins" && lastWindow) {
        HWND client = FindWindowExW(frame, nullptr, L"MDIClient", nullptr);
        DWORD_PTR active = 0;
        for (ULONGLONG until = GetTickCount64() + 5000; GetTickCount64() < until; Sleep(100))
            if (SendMessageTimeoutW(client, WM_MDIGETACTIVE, 0, 0, SMTO_ABORTIFHUNG, 1000, &active) &&
                reinterpret_cast<HWND>(active) == lastWindow)
                break;
        wchar_t title[64] = {};
        if (active) GetWindowTextW(reinterpret_cast<HWND>(active), title, 64);
        std::printf("  in front after the storm: %ls%s\n", title,
                    reinterpret_cast<HWND>(active) == lastWindow ? " (its newest window)"
                                                                 : " (NOT its newest window)");
    }
    const auto closing = Clock::now();
    PostMessageW(frame, WM_CLOSE, 0, 0);
    DWORD code = 0;
    const bool ended = qv.WaitExit(kWait, code);
    figures.Quit = ended ? SecondsSince(closing) : -1;
    figures.SavedWhole = ended && SavedWhole(folder, storm);
    figures.Ok = figures.WindowsThere && figures.LastShown && ended;
    return figures;
}

const char* Verdict(double seconds, double bound) {
    return seconds >= 0 && seconds <= bound ? "met" : "MISSED";
}

void PrintFigure(const char* name, double seconds, double bound) {
    std::printf("  %-36s %7.2f s  bound %.0f s: %s\n", name, seconds, bound, Verdict(seconds, bound));
}

} // namespace

int main(int argc, char** argv) {
    PrepareConnectionTests();
    int status = 0;
    for (Storm storm : kStorms) {
        bool chosen = argc == 1;
        for (int i = 1; i < argc; ++i) {
            // "name=count" runs a storm of another size.
            const std::string argument = argv[i];
            const size_t equals = argument.find('=');
            if (argument.substr(0, equals) != storm.Name) continue;
            chosen = true;
            if (equals == std::string::npos) continue;
            const int count = std::atoi(argument.c_str() + equals + 1);
            if (count < kPings) continue;
            if (storm.NewWindows) storm.NewWindows = count;
            storm.Count = count;
        }
        if (!chosen) continue;
        std::printf(storm.Title, storm.Count);
        std::printf(", %d PINGs among them\n", kPings);
        std::fflush(stdout);
        const StormFigures figures = RunStorm(storm);
        PrintFigure("worst PING answer", figures.WorstPing, kPingBound);
        if (figures.Unanswered)
            std::printf("    (%d of %d PINGs never answered within %lu s)\n", figures.Unanswered, kPings,
                        kStormWait / 1000);
        PrintFigure("longest interface-thread silence", figures.LongestSilence, kSilenceBound);
        if (figures.SilenceAt < 0)
            std::printf("    (still silent when the looking ended)\n");
        else
            std::printf("    (ended %.1f s into the storm)\n", figures.SilenceAt);
        PrintFigure("worst typed line to the server", figures.TypedLost ? -1 : figures.WorstTyped,
                    kTypedBound);
        if (figures.TypedLost)
            std::printf("    (%d of %d typed lines never reached the server)\n", figures.TypedLost,
                        figures.TypedLines);
        if (storm.NewWindows) {
            std::printf("  %d windows made\n", figures.Windows);
            PrintFigure("every window there", figures.WindowsThere ? figures.WindowsThere : -1, kThereBound);
        }
        PrintFigure("the storm's last line shown", figures.LastShown ? figures.LastShown : -1, kThereBound);
        PrintFigure("quitting", figures.Quit, kQuitBound);
        std::printf("  settings saved whole: %s\n", figures.SavedWhole ? "yes" : "NO");
        if (!figures.Screenshot.empty()) std::printf("  screenshot: %ls\n", figures.Screenshot.c_str());
        std::fflush(stdout);
        if (!figures.Ok || figures.Unanswered || !figures.SavedWhole) status = 1;
    }
    return status;
}
