// Switches the command line sets before any window exists; they do not change afterwards.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

// "-8": every chat view is the custom-drawn view instead of a Rich Edit control.
extern std::atomic<uint32_t> CustomViewMode;
// "-p": start without loading plug-ins.
extern std::atomic<uint8_t> SkipPlugins;
// "-e", "-s", "-sk": the line run through the input dispatcher once the frame exists (UTF-8).
extern std::string StartupCommand;
