// Guards that end the current command by throwing a refusal when the window it needs is
// missing or of the wrong type.
#pragma once

#include "common/refusal.h"
#include "core/window_record.h"

inline void RequireWindow(const WindowRecord* record) {
    if (!record) throw static_cast<int>(kRefused);
}

inline void RequireWindowType(const WindowRecord* record, uint32_t type) {
    if (!record || record->Type != type) throw static_cast<int>(kRefused);
}

inline void RejectWindowType(const WindowRecord* record, uint32_t type) {
    if (!record || record->Type == type) throw static_cast<int>(kRefused);
}
