#include "commands/command_settings.h"

std::atomic<uint32_t> DebugLevel{0};
