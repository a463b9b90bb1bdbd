#include "shell/windows/turn_taking.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace {

// A step that waits longer than this runs by the timer, whatever else waits.
constexpr UINT kTurnTimeoutMs = 100;

std::vector<shell::TurnStep> g_steps;
UINT_PTR g_timer = 0;

void RunSteps() {
    if (g_timer) KillTimer(nullptr, g_timer);
    g_timer = 0;
    std::vector<shell::TurnStep> steps;
    steps.swap(g_steps);
    for (shell::TurnStep step : steps) step();
}

void CALLBACK TurnTimeout(HWND, UINT, UINT_PTR, DWORD) {
    RunSteps();
}

} // namespace

bool shell::OthersWaiting() {
    return HIWORD(GetQueueStatus(QS_INPUT | QS_PAINT | QS_TIMER)) != 0;
}

bool shell::InputWaiting() {
    return HIWORD(GetQueueStatus(QS_INPUT)) != 0;
}

void shell::RunAfterOthersTurn(TurnStep step) {
    if (std::find(g_steps.begin(), g_steps.end(), step) == g_steps.end()) g_steps.push_back(step);
    if (!g_timer) g_timer = SetTimer(nullptr, 0, kTurnTimeoutMs, TurnTimeout);
}

void shell::RunStepsDue() {
    if (!g_steps.empty() && !OthersWaiting()) RunSteps();
}
