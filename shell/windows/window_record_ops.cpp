#include "shell/windows/window_record_ops.h"

#include "core/window_record.h"
#include "ui/rebars.h"

#include <commctrl.h>

void DestroyWindowRecordPopup(WindowRecord* record) {
    if (!record) return;
    if (record->Popup) DestroyWindow(record->Popup);
    record->Popup = nullptr;
}

void CheckChildToolbarButton(const WindowRecord* record, uint32_t buttonId, bool checked) {
    if (!record || !record->Window) return;
    HWND rebar = GetDlgItem(record->Window, kMainRebarId);
    HWND toolbar = rebar ? GetDlgItem(rebar, kStandardToolbarId) : nullptr;
    if (toolbar) SendMessageW(toolbar, TB_CHECKBUTTON, buttonId, MAKELPARAM(checked ? TRUE : FALSE, 0));
}
