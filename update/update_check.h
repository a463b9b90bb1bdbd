// The program's side of updating: whether a check may run, the job it builds, and what follows
// the engine's answer (offer the update, or mark the settings for a merge and close).
#pragma once

#include <string>

// checkOnly: learn whether files differ, download nothing. reportWhenNone: say so when no update
// is found (a check started by the user). Does nothing while a run is going on.
void CheckForUpdates(bool checkOnly, bool reportWhenNone);

// For every blank-separated "-update" (any case) of the command line: the program folder becomes
// the current folder and the update runs. Always true.
bool HandleUpdateSwitch();

// The update server, scheme and host: the shared settings' "ICfg\General" "Update_Server", else
// the program's own server.
std::wstring UpdateServerAddress();

bool UpdateIsRunning();
