// Taking the program's tray icon away at the end. The system can take seconds over it (Wine's
// tray without a window manager waits two for the icon's window to go), so quitting starts it on
// a thread of its own while the windows close, and the end of the shutdown waits for it.
#pragma once

namespace shell {

// Starts taking the icon away (once).
void BeginTrayIconRemoval();
// Waits until the icon is gone; takes it away now when that was never started.
void FinishTrayIconRemoval();

} // namespace shell
