// How long a window record outlives its window. A thread other than the interface thread that
// finds records in the window list and goes on using them (a connection thread handling a line)
// does so inside a WindowRecordUse. A closed window's record leaves the list at once, so no use
// that begins afterwards can find it, and is deleted once every use that began before it left
// has ended.
#pragma once

#include <cstddef>

struct WindowRecord;

class WindowRecordUse {
public:
    WindowRecordUse();
    ~WindowRecordUse();
    WindowRecordUse(const WindowRecordUse&) = delete;
    WindowRecordUse& operator=(const WindowRecordUse&) = delete;
};

// For a record that has left the window list: deletes it now, or when the last use that may hold
// it ends (on that use's thread).
void RetireWindowRecord(WindowRecord* record);
// Records retired and not yet deleted.
size_t RetiredWindowRecordCount();
