#include "script/script_timers.h"

#include "common/lang_strings.h"
#include "common/text_compare.h"
#include "irc/server_connection.h"
#include "script/script_variables.h"
#include "core/client_services.h"
#include "core/window_record.h"

#include <vector>

namespace {

std::vector<TimerEntry>* TimersOf(WindowRecord* window) {
    if (!window) return nullptr;
    WindowRecord* server = window->Server ? window->Server : window;
    return server->Connection ? &server->Connection->Timers : nullptr;
}

} // namespace

TimerEntry* FindTimerById(WindowRecord* window, int32_t timerId, uint32_t* index) {
    if (!window) return nullptr;
    WindowRecord* server = window->Server ? window->Server : window;
    ServerConnection* connection = server->Connection;
    if (!connection) return nullptr;
    std::vector<TimerEntry>& timers = connection->Timers;
    for (size_t i = 0; i < timers.size(); ++i) {
        if (timers[i].TimerId != static_cast<uint32_t>(timerId)) continue;
        if (index) *index = static_cast<uint32_t>(i);
        return &timers[i];
    }
    return nullptr;
}

TimerEntry* FindTimerByName(WindowRecord* window, const std::wstring& name, uint32_t* index) {
    std::vector<TimerEntry>* timers = TimersOf(window);
    if (!timers) return nullptr;
    for (size_t i = 0; i < timers->size(); ++i) {
        if (!WStringEqualsNoCase((*timers)[i].Name, name)) continue;
        if (index) *index = static_cast<uint32_t>(i);
        return &(*timers)[i];
    }
    return nullptr;
}

void ListTimers(WindowRecord* window, uint32_t index) {
    if (!window) return;
    std::vector<TimerEntry> listed;
    {
        ScriptScopesReadLock lock(ScriptScopesMutex());
        if (std::vector<TimerEntry>* timers = TimersOf(window)) {
            if (index == 0xFFFFFFFF)
                listed = *timers;
            else if (index < timers->size())
                listed.push_back((*timers)[index]);
        }
    }
    const wchar_t* label = GetLangString(4);
    PrintToWindow(kInformationLine, window, L"\x02\x12\u00B7\x12 (Timers begin) \x12\u00B7\x12\x02");
    for (const TimerEntry& timer : listed) {
        PrintToWindow(kInformationLine, window,
                      L"\x02\x12\u00B7\x12 " + timer.Name + L" [" + std::to_wstring(timer.Count) + L"] [" +
                          std::to_wstring(timer.Interval) + L" ms] : " + timer.Command +
                          L" [\x18{Remove|||/timer " + timer.Name + L" die}" + (label ? label : L"") +
                          L"\x18]\x02");
    }
    PrintToWindow(kInformationLine, window, L"\x02\x12\u00B7\x12 (Timers end) \x12\u00B7\x12\x02");
}
