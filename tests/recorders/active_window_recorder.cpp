// The window the user works in, as the test sets it, while the shell is not linked.
#include "shell/active_window.h"
#include "shell/window_list.h"
#include "tests/recorders/recorded_answers.h"

#include <atomic>

namespace {
std::atomic<WindowRecord*> ActiveRecord{nullptr};
}

void SetRecordedActiveWindow(WindowRecord* record) {
    ActiveRecord = record;
}

WindowRecord* GetActiveWindowRecord() {
    return ActiveRecord.load();
}

uint32_t GetActiveWindowIndex() {
    return GetWindowRecordIndex(ActiveRecord.load());
}

bool IsAppForeground() {
    return true;
}
