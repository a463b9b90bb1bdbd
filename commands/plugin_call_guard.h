// Calls into plug-in libraries behind a guard: a fault inside the call (an access violation, a
// division by zero, a foreign exception it lets escape) unwinds back to the caller instead of
// ending the program, and the caller learns the exception code.
#pragma once

#include <cstdint>

// Calls entry(a, b, c) and returns its result, or 0 with the exception code in fault when the
// call faulted (fault is 0 when it returned). Entries taking fewer arguments ignore the rest.
uint64_t GuardedPluginCall(const void* entry, uint64_t a, uint64_t b, uint64_t c, uint32_t* fault);
