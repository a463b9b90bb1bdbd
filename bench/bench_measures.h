// Time and memory as the benchmarks that drive a real qv read them.
#pragma once

#include <windows.h>

#include <psapi.h>

#include <chrono>

using BenchClock = std::chrono::steady_clock;

inline double SecondsSince(BenchClock::time_point start) {
    return std::chrono::duration<double>(BenchClock::now() - start).count();
}

// Committed private memory: the page-file usage. Wine leaves PrivateUsage at 0 and fills this
// with the process's resident anonymous memory (Linux's RssAnon plus VmSwap), so it counts pages
// touched by the program, by Wine's heaps and by the Linux libraries under Wine alike.
inline double PrivateMb(HANDLE process) {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(process, &counters, sizeof counters);
    return static_cast<double>(counters.PagefileUsage) / 1048576.0;
}

// The private figure above and the working set (every resident page, mapped files included).
struct MemoryFigures {
    double PrivateMb = 0;
    double WorkingSetMb = 0;
};

inline MemoryFigures MemoryOf(HANDLE process) {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(process, &counters, sizeof counters);
    return {static_cast<double>(counters.PagefileUsage) / 1048576.0,
            static_cast<double>(counters.WorkingSetSize) / 1048576.0};
}
