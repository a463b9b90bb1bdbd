// Records the shell services the views call (main menu, log files, window shake) while the shell
// parts that own them are not linked.
#include "common/xstring.h"
#include "shell/log_files.h"
#include "shell/main_menu.h"
#include "shell/window_shake.h"
#include "tests/recorders/call_log.h"

void UpdateMainMenu(uint32_t windowType, HWND, uint32_t) {
    CallLog::Instance().Add({"UpdateMainMenu", nullptr, {}, windowType});
}

void WriteLogLine(WindowRecord* record, const wchar_t* text) {
    if (text) CallLog::Instance().Add({"WriteLogLine", record, WideToNarrow(text), 0});
}

void WriteLogLine(WindowRecord* record, int32_t marker) {
    CallLog::Instance().Add(
        {"WriteLogLine", record, {}, static_cast<uint64_t>(static_cast<int64_t>(marker))});
}

unsigned __stdcall ShakeWindowThread(void* childWindow) {
    CallLog::Instance().Add({"ShakeWindowThread", nullptr, {}, reinterpret_cast<uint64_t>(childWindow)});
    return 0;
}
