// Operations of the shell on its windows that other subsystems call from any thread.
#pragma once

// True when the foreground window is the frame window or the own child window of a record.
bool IsAppForeground();
