// The pure rules of window state: the paused background and the reconnect counter.
#include "shell/windows/window_state.h"

namespace {

BYTE Lighten(BYTE c) {
    return static_cast<BYTE>(c < 129 ? c + 42 : c - 21);
}

} // namespace

COLORREF PausedBackground(COLORREF color) {
    return RGB(Lighten(GetRValue(color)), Lighten(GetGValue(color)), Lighten(GetBValue(color)));
}

bool AdvanceReconnectCounter(int32_t& counter) {
    if (counter >= 10) counter = 1;
    if (counter < 1 || counter > kReconnectTries) return false;
    ++counter;
    return true;
}
