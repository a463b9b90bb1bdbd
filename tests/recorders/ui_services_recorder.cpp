// The ticker's window slot and the ribbon's requests while the window chrome is not linked.
#include "tests/recorders/call_log.h"
#include "ui/ribbon.h"
#include "ui/ticker_window.h"

std::atomic<HWND> TickerWindow{nullptr};

void RibbonInvalidateContext(uint32_t commandId) {
    CallLog::Instance().Add({"RibbonInvalidateContext", nullptr, {}, commandId});
}
