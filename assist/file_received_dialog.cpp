// The dialog of one incoming file, on a thread of its own: progress while the file arrives, then
// Open, Open Folder and Close. Cancel asks the sender to stop.
#include "assist/assist_session.h"

#include "common/message_box.h"

#include <shellapi.h>

namespace {

void EnableButton(HWND dialog, int button, bool enable) {
    SendMessageW(dialog, TDM_ENABLE_BUTTON, button, enable);
}

void CancelTransfer(HWND dialog, FileReceiveJob& job) {
    {
        std::lock_guard<std::mutex> lock(job.Lock);
        const uint32_t code = CancelTransferCode;
        if (job.Session)
            SendOnSessionChannels(*job.Session, L"data", reinterpret_cast<const uint8_t*>(&code),
                                  sizeof code);
    }
    job.Cancelled = true;
    SetEvent(job.PieceReady);
    EnableButton(dialog, kCancelButton, false);
}

HRESULT CALLBACK FileDialogCallback(HWND dialog, UINT notification, WPARAM wParam, LPARAM, LONG_PTR data) {
    auto& job = *reinterpret_cast<FileReceiveJob*>(data);
    try {
        switch (notification) {
            case TDN_CREATED:
                job.Dialog = dialog;
                SetEvent(job.PieceReady);
                EnableButton(dialog, kOpenFileButton, false);
                EnableButton(dialog, kOpenFolderButton, true);
                EnableButton(dialog, kCloseButton, false);
                EnableButton(dialog, kCancelButton, true);
                return S_OK;
            case TDN_DESTROYED: job.Dialog = nullptr; return S_OK;
            case TDN_BUTTON_CLICKED:
                switch (static_cast<int>(wParam)) {
                    case kCancelButton:
                        if (job.Status == 1 && !job.Cancelled) CancelTransfer(dialog, job);
                        return S_FALSE;
                    case kOpenFileButton:
                        ShellExecuteW(nullptr, L"open", job.FullPath.c_str(), nullptr, nullptr,
                                      SW_SHOWNORMAL);
                        return S_FALSE;
                    case kOpenFolderButton: {
                        const std::wstring folder = job.FullPath.substr(0, job.FullPath.rfind(L'\\'));
                        ShellExecuteW(nullptr, L"open", folder.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
                        return S_FALSE;
                    }
                    case kCloseButton: return S_OK;
                    default: return S_FALSE;
                }
            default: return S_OK;
        }
    } catch (...) {
        return S_FALSE;
    }
}

} // namespace

unsigned __stdcall FileReceivedDialog(void* argument) {
    std::shared_ptr<FileReceiveJob> job(*static_cast<std::shared_ptr<FileReceiveJob>*>(argument));
    delete static_cast<std::shared_ptr<FileReceiveJob>*>(argument);
    try {
        const TASKDIALOG_BUTTON buttons[] = {{kOpenFileButton, L"Open"},
                                             {kOpenFolderButton, L"Open Folder"},
                                             {kCloseButton, L"Close"},
                                             {kCancelButton, L"Cancel"}};
        const std::wstring content = job->FullPath; // the writer may rename the file later
        TASKDIALOGCONFIG config{};
        config.cbSize = sizeof config;
        config.dwFlags = TDF_SHOW_PROGRESS_BAR;
        config.pszWindowTitle = L"File Transfer";
        config.pszMainIcon = TD_INFORMATION_ICON;
        config.pszMainInstruction = L"Transferring file";
        config.pszContent = content.c_str();
        config.pButtons = buttons;
        config.cButtons = ARRAYSIZE(buttons);
        config.pfCallback = FileDialogCallback;
        config.lpCallbackData = reinterpret_cast<LONG_PTR>(job.get());
        const bool shown = SUCCEEDED(TaskDialogIndirectByName(&config, nullptr, nullptr, nullptr));
        if (!shown && !job->Dialog) SetEvent(job->PieceReady);
    } catch (...) {
    }
    job->Dialog = nullptr;
    return 0;
}
