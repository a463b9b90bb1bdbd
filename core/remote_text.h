// Whether the code running on this thread runs on behalf of text that came from outside (a line a
// server sent, and the trigger and event scripts it set off). Commands that start programs or
// write settings that load code refuse to run then: only typed input and the user's own scripts
// may do that.
#pragma once

#include <cstdint>

// Marks the thread for as long as the scope lives; scopes nest.
class RemoteTextScope {
public:
    RemoteTextScope();
    ~RemoteTextScope();
    RemoteTextScope(const RemoteTextScope&) = delete;
    RemoteTextScope& operator=(const RemoteTextScope&) = delete;
};

bool HandlingRemoteText();
