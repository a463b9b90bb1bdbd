#include "shell/windows/window_state.h"

#include "common/app_state.h"
#include "common/command_ids.h"
#include "common/frame_messages.h"
#include "common/tray_icon.h"
#include "common/xstring.h"
#include "shell/windows/active_window.h"
#include "core/settings.h"
#include "core/frame_handles.h"
#include "shell/windows/window_operations.h"
#include "core/window_record.h"
#include "shell/windows/window_record_ops.h"
#include "shell/windows/window_tabs.h"
#include "ui/ticker_window.h"
#include "views/line_printer.h"

#include <richedit.h>

#include <string>
#include <vector>

namespace {

COLORREF ViewBackground() {
    return Settings::BackgroundColour();
}

void SetViewBackground(const WindowRecord* record, COLORREF color) {
    if (record->View) SendMessageW(record->View, EM_SETBKGNDCOLOR, 0, color);
}

void FocusInput(const WindowRecord* record) {
    if (record->Input) SetFocus(record->Input);
}

void Resume(WindowRecord* record) {
    record->Paused = 0;
    std::vector<std::wstring> held;
    held.swap(record->HeldLines);
    for (const std::wstring& line : held)
        views::PrintToWindow(kInformationLine, record, line, {.NoTray = true});
    shell::SetWindowTabState(record, kTabIdle);
    CheckChildToolbarButton(record, ID_WINDOW_PAUSE, false);
    SetViewBackground(record, ViewBackground());
    FocusInput(record);
}

void Pause(WindowRecord* record) {
    record->HeldLines.clear();
    record->Paused = 1;
    shell::SetWindowTabState(record, kTabPaused);
    CheckChildToolbarButton(record, ID_WINDOW_PAUSE, true);
    SetViewBackground(record, PausedBackground(ViewBackground()));
    FocusInput(record);
}

} // namespace

void ToggleOutputPause(WindowRecord* record, uint32_t mode) {
    if (!record) return;
    if ((record->Paused || mode == kPauseResume) && mode != kPauseOn)
        Resume(record);
    else
        Pause(record);
}

void AutoPauseOnScroll(HWND view, WindowRecord* record) {
    if (!record || !record->ChannelListRows.Empty()) return;
    if (!Settings::AutoPauseOnScroll()) return;
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    if (!GetScrollInfo(view, SB_VERT, &info) || info.nPage == 0) return;
    if (info.nPos + static_cast<int>(info.nPage) < info.nMax) {
        if (!record->Paused) {
            Pause(record);
            record->PausedByScroll = 1;
        }
    } else if (record->PausedByScroll && record->Paused) {
        Resume(record);
        record->PausedByScroll = 0;
    }
}

void ToggleWindowNotify(WindowRecord* record) {
    if (!record) return;
    if (++record->NotifyCount == 1) {
        ShowTrayBalloon(kProgramTitle, NarrowToWide(record->Name).c_str(), false, nullptr, NIIF_INFO);
        shell::SetWindowTabState(record, kTabNotifyOn);
        CheckChildToolbarButton(record, ID_WINDOW_NOTIFY, true);
        return;
    }
    record->NotifyCount = 0;
    NOTIFYICONDATAW& data = TrayIconData();
    data.cbSize = NOTIFYICONDATAW_V3_SIZE;
    data.hWnd = MainWindow.load();
    data.hIcon = ProgramIcon;
    data.uCallbackMessage = WM_TRAY_NOTIFY;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.szTip[0] = L'\0';
    NotifyIconWithBalloon(NIM_MODIFY, data, 0, nullptr, nullptr, 0);
    record->NoticeText.clear();
    shell::SetWindowTabState(record, kTabIdle);
    CheckChildToolbarButton(record, ID_WINDOW_NOTIFY, false);
}

void CloseTickerWindow() {
    if (ui::CloseTicker()) shell::ActivateWindowRecord(shell::GetActiveWindowRecord());
}

void shell::ActivateWindowRecord(WindowRecord* record) {
    if (!record) return;
    WindowRecord* active = shell::GetActiveWindowRecord();
    if (active && active != record) DestroyWindowRecordPopup(active);
    if (!record->Detached) {
        if (HWND frame = MainWindow.load()) SetForegroundWindow(frame);
        if (HWND client = MdiClientWindow.load())
            SendMessageW(client, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(record->Window), 0);
    } else {
        SetForegroundWindow(record->Window);
    }
    if (record->Paused && record->PausedByScroll) {
        Resume(record);
        record->PausedByScroll = 0;
    }
}
