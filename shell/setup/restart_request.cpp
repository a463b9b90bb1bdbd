#include "shell/setup/restart_request.h"

#include <atomic>

namespace {

std::atomic<bool> g_restartWhenEnded{false};

} // namespace

void RestartWhenEnded() {
    g_restartWhenEnded = true;
}

bool RestartRequested() {
    return g_restartWhenEnded.load();
}
