// Taking a closed window's record out of the list, with what the frame does when none is left.
#pragma once

struct WindowRecord;

// Erases the record; when no window is left, shows the start panel, lays out the frame again
// and rebuilds the main menu for no window.
void RemoveWindowRecord(WindowRecord* record);
