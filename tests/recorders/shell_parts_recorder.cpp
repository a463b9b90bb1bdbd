// Records the shell services the views call (main menu, window shake) while the shell parts that
// own them are not linked.
#include "common/xstring.h"
#include "shell/main_menu.h"
#include "shell/window_shake.h"
#include "tests/recorders/call_log.h"

void UpdateMainMenu(uint32_t windowType, HWND, uint32_t) {
    CallLog::Instance().Add({"UpdateMainMenu", nullptr, {}, windowType});
}

unsigned __stdcall ShakeWindowThread(void* childWindow) {
    CallLog::Instance().Add({"ShakeWindowThread", nullptr, {}, reinterpret_cast<uint64_t>(childWindow)});
    return 0;
}
