// Fetching one file of an update over HTTP or HTTPS with WinINet, with the progress shown in the
// update dialog, its caption and the taskbar button.
#pragma once

#include <windows.h>
#include <shobjidl.h>

#include <atomic>
#include <cstdint>
#include <string>

// Owned by the update worker for one run.
struct UpdateProgressState {
    ITaskbarList3* Taskbar = nullptr; // may be none
    uint64_t Expected = 0;            // Content-Length of every download so far
    uint64_t Done = 0;
    std::wstring SavedCaption; // the dialog's caption when the worker started
};

struct UpdateDownloadRequest {
    HWND Dialog = nullptr; // none: no progress text or bars
    std::wstring DisplayName;
    std::wstring Target;
    std::wstring Url;
    bool ShowProgress = false;
    bool RequestPath = true; // a request built from the parsed URL; false opens the URL directly
    bool SystemProxy = false;
    UpdateProgressState* Progress = nullptr;      // may be none
    const std::atomic<bool>* Cancelled = nullptr; // checked between reads; may be none
};

// How long one read may wait for the server before the download fails.
constexpr DWORD kUpdateReceiveTimeoutMs = 30000;

// Stores the body in the target. True only when the server answered with a success status, the
// whole body arrived (as long as the announced length, when there was one, and never more than
// kMaxDownloadBytes) and every byte was written; a certificate the system does not trust, more
// than kMaxHttpRedirects redirects or a cancel fail the download. A failed download leaves no
// target file.
bool DownloadUpdateFile(const UpdateDownloadRequest& request);
