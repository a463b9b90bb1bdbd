// A worker thread that owns the job it is handed and deletes it when it ends. Nobody waits for
// it, so its handle is closed at once; if it cannot start, the job is deleted here instead.
#pragma once

#include <windows.h>
#include <process.h>

template <typename Job> bool StartOwnedJobThread(unsigned(__stdcall* entry)(void*), Job* job) {
    const uintptr_t thread = _beginthreadex(nullptr, 0, entry, job, 0, nullptr);
    if (!thread) {
        delete job;
        return false;
    }
    CloseHandle(reinterpret_cast<HANDLE>(thread));
    return true;
}
