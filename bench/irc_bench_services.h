// Counters in place of the connection's neighbours, installed into the client services table.
#pragma once

#include <atomic>
#include <cstdint>

extern std::atomic<uint64_t> BenchPrinted;
extern std::atomic<uint64_t> BenchPluginCalls;

void InstallBenchServices();
