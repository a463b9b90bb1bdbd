#include "views/chat_view_clear.h"

#include "core/window_record.h"
#include "views/print_dispatch.h"

void views::ClearChatView(WindowRecord* record) {
    if (!record || !record->View) return;
    const auto clear = [record] {
        SetWindowTextW(record->View, L"");
        record->PrevSender.clear();
    };
    if (!RunOnViewOwner(record->View, clear)) clear();
}
