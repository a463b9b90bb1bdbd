// The command interpreter's program-wide values, while the interpreter is not linked.
#include "commands/command_settings.h"

std::atomic<uint32_t> DebugLevel{0};
