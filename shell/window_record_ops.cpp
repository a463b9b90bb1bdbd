#include "shell/window_record_ops.h"

#include "common/text_compare.h"
#include "irc/server_connection.h"
#include "shell/window_record.h"

#include <commctrl.h>

#include <algorithm>
#include <mutex>

namespace {

constexpr int kControlRebarId = 910;
constexpr int kControlToolbarId = 911;

} // namespace

void DestroyWindowRecordPopup(WindowRecord* record) {
    if (!record) return;
    if (record->Popup) DestroyWindow(record->Popup);
    record->Popup = nullptr;
}

void CheckChildToolbarButton(const WindowRecord* record, uint32_t buttonId, bool checked) {
    if (!record || !record->Window) return;
    HWND rebar = GetDlgItem(record->Window, kControlRebarId);
    HWND toolbar = rebar ? GetDlgItem(rebar, kControlToolbarId) : nullptr;
    if (toolbar) SendMessageW(toolbar, TB_CHECKBUTTON, buttonId, MAKELPARAM(checked ? TRUE : FALSE, 0));
}

void RemoveRememberedUser(WindowRecord* record, const std::string& nick) {
    if (!record || !record->Connection) return;
    std::lock_guard<std::mutex> lock(record->Connection->RememberedUsersMutex);
    auto& users = record->Connection->RememberedUsers;
    auto found = std::find_if(users.begin(), users.end(), [&](const RememberedUser& user) {
        return StringEqualsNoCase(user.NickPattern, nick);
    });
    if (found != users.end()) users.erase(found);
}
