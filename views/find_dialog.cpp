#include "common/command_ids.h"
#include "views/find_dialog.h"

namespace {

FindRecord* g_record = nullptr; // of the open dialog

void KeepEntries(HWND dialog, FindRecord& record) {
    wchar_t text[kMaxFindText + 1] = {};
    GetDlgItemTextW(dialog, IDC_FIND_TEXT, text, static_cast<int>(kMaxFindText + 1));
    record.Text = text;
    record.MatchCase = IsDlgButtonChecked(dialog, IDC_FIND_MATCH_CASE) == BST_CHECKED ? 1 : 0;
    record.WholeWord = IsDlgButtonChecked(dialog, IDC_FIND_WHOLE_WORDS) == BST_CHECKED ? 1 : 0;
}

} // namespace

INT_PTR CALLBACK FindTextDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: g_record = reinterpret_cast<FindRecord*>(lParam); return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                if (g_record) KeepEntries(dialog, *g_record);
                g_record = nullptr;
                EndDialog(dialog, 1);
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                g_record = nullptr;
                EndDialog(dialog, 0);
                return TRUE;
            }
            return FALSE;
        case WM_CLOSE:
            g_record = nullptr;
            EndDialog(dialog, 0);
            return TRUE;
        default: return FALSE;
    }
}
