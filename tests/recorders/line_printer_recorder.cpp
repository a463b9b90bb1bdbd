// Records printed lines while the chat views are not linked.
#include "common/xstring.h"
#include "tests/recorders/call_log.h"
#include "views/line_printer.h"

void PrintToWindow(LineKind kind, WindowRecord* record, const std::wstring& text, HWND, uint8_t, uint8_t,
                   uint8_t, uint8_t, uint8_t) {
    CallLog::Instance().Add({"PrintToWindow", record, WideToNarrow(text), kind});
}
