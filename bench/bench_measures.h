// Time and memory as the benchmarks that drive a real qv read them.
#pragma once

#include <windows.h>

#include <psapi.h>

#include <chrono>

using BenchClock = std::chrono::steady_clock;

inline double SecondsSince(BenchClock::time_point start) {
    return std::chrono::duration<double>(BenchClock::now() - start).count();
}

// Committed private memory (the page-file usage; Wine leaves PrivateUsage at 0).
inline double PrivateMb(HANDLE process) {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(process, &counters, sizeof counters);
    return static_cast<double>(counters.PagefileUsage) / 1048576.0;
}
