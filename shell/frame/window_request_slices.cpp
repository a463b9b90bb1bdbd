#include "shell/frame/window_request_slices.h"

#include "core/open_chat_window.h"
#include "shell/windows/turn_taking.h"

#include <algorithm>
#include <utility>

namespace {

// A slice makes windows for at most this long: the connection thread that asked for one asks for
// its next soon after, and the windows of one slice are painted together in the turn after it.
constexpr ULONGLONG kSliceMs = 80;

void Slice() {
    const ULONGLONG start = GetTickCount64();
    auto within = [&] { return GetTickCount64() - start < kSliceMs && !shell::InputWaiting(); };
    bool first = true;
    for (;;) {
        if (TakeWindowRequests([&] { return std::exchange(first, false) || within(); }))
            return shell::RunAfterOthersTurn(Slice);
        if (!within()) return;
        const ULONGLONG spent = GetTickCount64() - start;
        if (!AwaitWindowRequest(static_cast<DWORD>(kSliceMs - std::min(spent, kSliceMs)))) return;
    }
}

} // namespace

void TakeWindowRequestSlice() {
    // Told of new requests while input, painting or a timer waits: they go first.
    if (shell::OthersWaiting()) return shell::RunAfterOthersTurn(Slice);
    Slice();
}
