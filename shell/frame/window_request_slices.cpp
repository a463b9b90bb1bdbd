#include "shell/frame/window_request_slices.h"

#include "core/open_chat_window.h"

namespace {

// A slice ends after this even when nothing else waits: the thread looks at its queue again.
constexpr ULONGLONG kSliceMs = 50;
// A slice waiting for its turn starts by the timer after this, if the loop has not started it.
constexpr UINT kTurnTimeoutMs = 100;

bool g_waitingTurn = false;

// Input, painting or a timer waits for the thread.
bool OthersWaiting() {
    return HIWORD(GetQueueStatus(QS_INPUT | QS_PAINT | QS_TIMER)) != 0;
}

void WaitForTurn(HWND frame) {
    g_waitingTurn = true;
    SetTimer(frame, kWindowRequestTimerId, kTurnTimeoutMs, nullptr);
}

} // namespace

void TakeWindowRequestSlice(HWND frame, bool afterOthers) {
    g_waitingTurn = false;
    KillTimer(frame, kWindowRequestTimerId);
    // Told of new requests while others wait: they go first.
    if (!afterOthers && OthersWaiting()) return WaitForTurn(frame);
    const ULONGLONG start = GetTickCount64();
    bool first = true;
    const bool left = TakeWindowRequests([&] {
        if (first) {
            first = false;
            return true;
        }
        return !OthersWaiting() && GetTickCount64() - start < kSliceMs;
    });
    if (left) WaitForTurn(frame);
}

void ResumeWindowRequests(HWND frame) {
    if (g_waitingTurn && !OthersWaiting()) TakeWindowRequestSlice(frame, true);
}
