// "/timer": lists, creates, stops, restarts and removes the script timers of a connection.
#include "commands/client_command_handlers.h"
#include "commands/script_timer_runner.h"
#include "commands/command_table.h"
#include "commands/command_text.h"
#include "common/lang_string_ids.h"

#include "common/script_number.h"
#include "common/text_compare.h"
#include "common/xstring.h"
#include "irc/server_connection.h"
#include "script/script_timers.h"
#include "script/script_variables.h"
#include "core/client_services.h"
#include "core/frame_message_ids.h"
#include "core/record_guards.h"
#include "core/remote_text.h"
#include "core/window_record.h"
#include "commands/input_dispatcher.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace {

// The marks of the commands of timers whose command holds text from outside, by connection and
// id: such a timer runs for text from outside, and its command keeps its marks.
SRWLOCK RemoteTimersLock = SRWLOCK_INIT;
std::map<std::pair<const ServerConnection*, uint32_t>, std::string>& RemoteTimers() {
    static std::map<std::pair<const ServerConnection*, uint32_t>, std::string> timers;
    return timers;
}

void NoteRemoteTimer(const ServerConnection* connection, uint32_t id, const std::string* marks) {
    AcquireSRWLockExclusive(&RemoteTimersLock);
    if (marks)
        RemoteTimers()[{connection, id}] = *marks;
    else
        RemoteTimers().erase({connection, id});
    ReleaseSRWLockExclusive(&RemoteTimersLock);
}

std::optional<std::string> RemoteTimerMarks(const ServerConnection* connection, uint32_t id) {
    AcquireSRWLockShared(&RemoteTimersLock);
    std::optional<std::string> marks;
    const auto found = RemoteTimers().find({connection, id});
    if (found != RemoteTimers().end()) marks = found->second;
    ReleaseSRWLockShared(&RemoteTimersLock);
    return marks;
}

// A timer ticks in the chat window it was made in (or stopped, restarted or removed from); the
// command it runs goes to the connection's server window. An interval of 0 kills the timer.
void SetWindowTimer(WindowRecord* window, uint32_t id, uint32_t interval) {
    if (HWND holder = window->Window) SendMessageW(holder, WM_SCRIPT_TIMER, id, interval);
}

// A timer asked to run every 0 ms runs as often as the system allows.
uint32_t RunningInterval(uint32_t interval) {
    return interval ? interval : 1;
}

// Milliseconds from now to the next "HH:MM" (today, or tomorrow when it has passed).
uint32_t MillisecondsUntil(const std::string& time) {
    const size_t colon = time.find(':');
    const int64_t hour = ScriptValueToInt64(time.substr(0, colon));
    const int64_t minute = ScriptValueToInt64(time.substr(colon + 1));
    SYSTEMTIME now{};
    GetLocalTime(&now);
    const int64_t nowMs = ((now.wHour * 60 + now.wMinute) * 60 + now.wSecond) * 1000LL +
                          static_cast<int64_t>(now.wMilliseconds);
    int64_t at = (hour * 60 + minute) * 60000LL;
    if (at <= nowMs) at += 24LL * 3600 * 1000;
    return static_cast<uint32_t>(at - nowMs);
}

// "on", "off" and "die" for an existing timer.
uint64_t ControlTimer(const CommandCall& call, const std::wstring& name, const std::string& what,
                      bool quiet) {
    uint32_t id = 0, interval = 0;
    {
        ScriptScopesWriteLock lock(ScriptScopesMutex());
        uint32_t index = 0;
        TimerEntry* timer = FindTimerByName(call.Target, name, &index);
        if (!timer) return 1;
        id = timer->TimerId;
        interval = timer->Interval;
        if (StringEqualsNoCase(what, "die")) {
            std::vector<TimerEntry>& timers = ConnectionOfWindow(call.Target)->Timers;
            timers.erase(timers.begin() + index);
        }
    }
    SetWindowTimer(call.Target, id, 0);
    if (StringEqualsNoCase(what, "on")) SetWindowTimer(call.Target, id, RunningInterval(interval));
    if (StringEqualsNoCase(what, "die")) NoteRemoteTimer(ConnectionOfWindow(call.Target), id, nullptr);
    if (!quiet) PrintLangString(call.Target, kDoneText);
    return 1;
}

// A name of its own for a timer typed as "**": "t" and the tick count, counted on while a timer
// of that name exists, so two timers made in the same tick both run.
std::wstring UniqueTimerName(WindowRecord* window) {
    for (uint32_t n = GetTickCount();; ++n) {
        std::wstring name = L"t" + std::to_wstring(n);
        if (!FindTimerByName(window, name, nullptr)) return name;
    }
}

// The command word of the first line of the timer's command whose row would refuse it for a
// byte from outside where it chooses what happens; empty when none would. The interpreter reads
// a line's words this way.
std::string RefusedCommandIn(const std::string& command, const std::string& marks) {
    for (const std::string_view line : CutAtLineEnds(command)) {
        if (line.empty() || line[0] != '/') continue;
        const std::string word(line.substr(0, line.find(' ')));
        const CommandRow* row = FindCommandRow(word);
        const size_t at = static_cast<size_t>(line.data() - command.data());
        if (row &&
            !OutsideCapabilityWord(*row, line, std::string_view(marks).substr(at, line.size())).empty())
            return word;
    }
    return {};
}

} // namespace

uint64_t TimerCommand(const CommandCall& call) {
    RejectWindowType(call.Target, kDccChatWindow);
    ServerConnection* connection = ConnectionOfWindow(call.Target);
    if (!connection) RefuseCommand();
    const auto& words = call.Words;
    if (words.size() == 1) {
        ListTimers(call.Target, kAllTimers);
        return 1;
    }
    std::string typed = words[1];
    const bool quiet = typed[0] == '*';
    if (quiet) typed.erase(0, 1);
    std::wstring name = NarrowToWide(typed);
    if (words.size() == 3 && (StringEqualsNoCase(words[2], "on") || StringEqualsNoCase(words[2], "off") ||
                              StringEqualsNoCase(words[2], "die")))
        return ControlTimer(call, name, words[2], quiet);
    if (words.size() < 5) RefuseCommand();

    uint32_t count = static_cast<uint32_t>(ScriptValueToInt64(words[2]));
    uint32_t interval = 0;
    if (words[3].find(':') != std::string::npos) {
        count = 1;
        interval = MillisecondsUntil(words[3]);
    } else {
        interval = static_cast<uint32_t>(ScriptValueToInt64(words[3]));
        if (interval < 60) interval *= 1000;
    }
    // A timer whose command holds text from outside runs for it, with its marks, so each run of a
    // command that such text may not choose would be refused: it is not set at all.
    const std::string command = call.Rest(4), marks = call.RestMarks(4);
    const bool remote = HasOutsideByte(marks);
    if (remote) {
        const std::string refused = RefusedCommandIn(command, marks);
        if (!refused.empty()) {
            ReportRefusedForRemoteText(call.Target, refused, FirstOutsideRun(command, marks));
            return 1;
        }
    }
    uint32_t id = 0, index = 0;
    {
        ScriptScopesWriteLock lock(ScriptScopesMutex());
        if (FindTimerByName(call.Target, name, nullptr)) return 1;
        if (name == L"*") name = UniqueTimerName(call.Target);
        id = connection->NextTimerId++;
        index = static_cast<uint32_t>(connection->Timers.size());
        connection->Timers.push_back({name, count, interval, RestWide(call, 4), id});
    }
    NoteRemoteTimer(connection, id, remote ? &marks : nullptr);
    SetWindowTimer(call.Target, id, RunningInterval(interval));
    if (!quiet) {
        PrintLangString(call.Target, kDoneText);
        ListTimers(call.Target, index);
    }
    return 1;
}

void commands::RunScriptTimer(WindowRecord* record, HWND window, UINT_PTR id) {
    WindowRecord* server = record ? (record->Server ? record->Server : record) : nullptr;
    ServerConnection* connection = server ? server->Connection : nullptr;
    std::wstring command;
    bool found = false, last = true;
    if (connection) {
        ScriptScopesWriteLock lock(ScriptScopesMutex());
        uint32_t index = 0;
        if (TimerEntry* timer = FindTimerById(server, static_cast<int32_t>(id), &index)) {
            found = true;
            command = timer->Command;
            --timer->Count; // a timer started with no count wraps and runs on
            last = timer->Count == 0;
            if (last) connection->Timers.erase(connection->Timers.begin() + index);
        }
    }
    if (last) KillTimer(window, id);
    if (!found) return;
    const std::optional<std::string> marks = RemoteTimerMarks(connection, static_cast<uint32_t>(id));
    if (last) NoteRemoteTimer(connection, static_cast<uint32_t>(id), nullptr);
    const std::string line = WideToNarrow(command);
    if (!marks) return commands::ProcessInputLine(line.c_str(), server);
    RemoteTextScope scope;
    const LineMarksScope lineMarks(line, *marks);
    commands::ProcessInputLine(line.c_str(), server);
}

void commands::SetScriptTimer(HWND window, WPARAM id, LPARAM interval) {
    if (interval > 0)
        SetTimer(window, id, static_cast<UINT>(interval), nullptr);
    else
        KillTimer(window, id);
}
