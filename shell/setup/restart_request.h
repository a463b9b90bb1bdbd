// Whether a new qv starts once this one has ended, as asked from the menu.
#pragma once

// Once the program has ended cleanly (connections closed, settings saved), a new qv starts with
// the same command line.
void RestartWhenEnded();
bool RestartRequested();
