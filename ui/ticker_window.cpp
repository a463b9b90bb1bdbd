#include "ui/ticker_window.h"

// The ticker is not part of this build; its slot stays empty, so nothing sends to it.
std::atomic<HWND> TickerWindow{nullptr};
