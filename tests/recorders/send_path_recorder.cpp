// Records lines sent to servers while the send path is not linked.
#include "irc/send_path.h"
#include "tests/recorders/call_log.h"

#include <cstring>

std::atomic<uint8_t> FloodQueueing{1};

uint32_t SendServerLine(const char* line, WindowRecord* window, uint8_t force) {
    if (!line || !window) return 0;
    CallLog::Instance().Add({"SendServerLine", window, line, force});
    return static_cast<uint32_t>(std::strlen(line));
}
