#include "core/debug_level.h"

std::atomic<uint32_t> DebugLevel{0};
