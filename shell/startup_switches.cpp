#include "shell/startup_switches.h"

std::atomic<uint32_t> CustomViewMode{0};
