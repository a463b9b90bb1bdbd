// Switches the command line sets before any window exists; they do not change afterwards.
#pragma once

#include <atomic>
#include <cstdint>

// "-8": every chat view is the custom-drawn view instead of a Rich Edit control.
extern std::atomic<uint32_t> CustomViewMode;
