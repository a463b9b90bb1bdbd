#include "script/script_timers.h"

#include "irc/server_connection.h"
#include "core/window_record.h"

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
