#include "core/startup_switches.h"

std::atomic<uint32_t> CustomViewMode{0};
std::atomic<uint8_t> SkipPlugins{0};
std::string StartupCommand;
