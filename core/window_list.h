// The global list of window records. The interface thread changes it; every thread may read
// it. Readers take the shared lock for the length of their look-up (WindowListReadLock). A
// closed window's record leaves the list and is deleted once no thread can hold it any more
// (core/window_record_use.h).
#pragma once

#include "core/window_record.h"

#include <windows.h>

#include <mutex>
#include <shared_mutex>
#include <vector>

// The list's lock: the system's slim reader/writer lock. Every printed line looks records up on
// two threads, and this lock waits without a call to the Wine server, where the C++ library's
// shared mutex signals an event whenever a reader and a writer meet.
class WindowListLock {
public:
    void lock() { AcquireSRWLockExclusive(&lock_); }
    bool try_lock() { return TryAcquireSRWLockExclusive(&lock_) != 0; }
    void unlock() { ReleaseSRWLockExclusive(&lock_); }
    void lock_shared() { AcquireSRWLockShared(&lock_); }
    bool try_lock_shared() { return TryAcquireSRWLockShared(&lock_) != 0; }
    void unlock_shared() { ReleaseSRWLockShared(&lock_); }

private:
    SRWLOCK lock_ = SRWLOCK_INIT;
};

extern std::vector<WindowRecord*> WindowList;
WindowListLock& WindowListMutex();

using WindowListReadLock = std::shared_lock<WindowListLock>;
using WindowListWriteLock = std::unique_lock<WindowListLock>;

// Inserts the record and keeps the list sorted by CompareWindowRecords.
void InsertWindowRecord(WindowRecord* record);
// Erases the record from the list; returns whether it was there. The shell adds what the
// frame must do when the last window leaves.
bool EraseWindowRecord(WindowRecord* record);

uint32_t GetWindowRecordIndex(const WindowRecord* record);
// The record at an index, or null when the index is outside the list.
WindowRecord* GetWindowRecordAt(uint32_t index);
// First record of the connection (its own or its server window's) that is not a DCC chat
// and whose name equals the given one ignoring case.
uint32_t FindWindowRecordIndex(const std::string& name, const ServerConnection* connection);
// The same record, found and taken in one step under the lock; null when there is none.
WindowRecord* FindWindowRecord(const std::string& name, const ServerConnection* connection);
uint32_t FindDccChatWindowIndex(const std::string& name);
bool IsWindowRecordListed(const WindowRecord* record);
// The record with that serial is listed (a pointer kept for later, such as a queued line's, may
// meanwhile point at another record made at the same address).
bool IsWindowRecordListed(const WindowRecord* record, uint64_t serial);

// A copy of the list taken under the lock, for walks that send messages: a thread must not hold
// the lock while it waits for the interface thread, which may be waiting for the lock itself.
std::vector<WindowRecord*> WindowListSnapshot();
// The code page of the connection's window of that name (as FindWindowRecordIndex finds it),
// read under the lock; -1 when there is no such window or it has none of its own.
int32_t FindWindowCodePage(const std::string& name, const ServerConnection* connection);

// A window's name is written on the interface thread, under the lock (a caller on another thread
// waits while it is), and its tab shows the new name; other threads read it with
// WindowRecordName.
void SetWindowRecordName(WindowRecord* record, const std::string& name);
std::string WindowRecordName(const WindowRecord* record);

// A window's topic and channel modes are written by its connection's thread and read on
// others (titles, scripts): both sides go through these, under the lock. Modes are kept
// without trailing blanks.
void SetWindowRecordTopic(WindowRecord* record, const std::string& topic);
void SetWindowRecordModes(WindowRecord* record, const std::string& modes);
std::string WindowRecordTopic(const WindowRecord* record);
std::string WindowRecordModes(const WindowRecord* record);
