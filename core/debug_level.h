// Program-wide values that commands set and every subsystem reads.
#pragma once

#include <atomic>
#include <cstdint>

// "/debug": 1 echoes every received server line, 2 also appends it to "c:\\s.log".
extern std::atomic<uint32_t> DebugLevel;
