// The ban-list dialog's view slot and the menu labels while the window chrome is not linked.
#include "tests/recorders/call_log.h"
#include "ui/ban_list_dialog.h"
#include "ui/menu_labels.h"

#include <string>

std::atomic<HWND> BanListDialogView{nullptr};

void GetMenuLabel(uint32_t commandId, uint32_t, wchar_t* out) {
    CallLog::Instance().Add({"GetMenuLabel", nullptr, {}, commandId});
    const std::wstring label = L"Menu " + std::to_wstring(commandId);
    label.copy(out, 999);
    out[label.size() < 999 ? label.size() : 999] = 0;
}
