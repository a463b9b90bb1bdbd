// The list information dialog: one chat view that the ban and exception list replies print into
// while it is open, apart from the channel's traffic.
#include "ui/server_dialogs.h"

#include "common/app_state.h"
#include "common/command_ids.h"
#include "core/applied_settings.h"
#include "core/frame_handles.h"
#include "core/window_list.h"
#include "irc/send_path.h"

namespace {

WindowRecord* PendingChannel = nullptr;
std::string PendingRequest;

INT_PTR CALLBACK InfoDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            HWND view = GetDlgItem(dialog, IDC_LIST_INFORMATION_VIEW);
            BanListDialogView.store(view);
            if (!ConfiguredFonts.empty() && ConfiguredFonts[0])
                SendMessageW(view, WM_SETFONT, reinterpret_cast<WPARAM>(ConfiguredFonts[0]), TRUE);
            WindowRecord* channel = nullptr;
            std::string request;
            if (ui::TakeListInformationRequest(channel, request) && IsWindowRecordListed(channel))
                SendServerLine(request, channel, 0);
            return FALSE;
        }
        case WM_SIZE:
            SetWindowPos(GetDlgItem(dialog, IDC_LIST_INFORMATION_VIEW), nullptr, 0, 0, LOWORD(lParam),
                         HIWORD(lParam), SWP_NOZORDER | SWP_SHOWWINDOW);
            return FALSE;
        case WM_COMMAND:
            if (LOWORD(wParam) != IDCANCEL) return FALSE;
            [[fallthrough]];
        case WM_CLOSE:
            BanListDialogView.store(nullptr);
            EndDialog(dialog, 0);
            return TRUE;
        default: return FALSE;
    }
}

} // namespace

void ui::SetListInformationRequest(WindowRecord* channel, const std::string& line) {
    PendingChannel = channel;
    PendingRequest = line;
}

bool ui::TakeListInformationRequest(WindowRecord*& channel, std::string& line) {
    if (PendingRequest.empty()) return false;
    channel = PendingChannel;
    line.swap(PendingRequest);
    PendingRequest.clear();
    PendingChannel = nullptr;
    return true;
}

void ui::OpenListInformationDialog(HWND owner) {
    HMODULE language = LanguageModule.load();
    if (!language) return;
    DialogBoxParamW(language, L"DIALOG_R", MainWindow.load() ? MainWindow.load() : owner, InfoDialogProc, 0);
    BanListDialogView.store(nullptr);
}
