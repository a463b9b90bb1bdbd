#include "update/update_download.h"

#include "update/update_dialog.h"
#include "update/update_messages.h"

#include <commctrl.h>
#include <wininet.h>

#include <vector>

namespace {

constexpr DWORD kBlockSize = 10000;

class InternetHandle {
public:
    explicit InternetHandle(HINTERNET handle = nullptr) : handle_(handle) {}
    ~InternetHandle() {
        if (handle_) InternetCloseHandle(handle_);
    }
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;
    void reset(HINTERNET handle) {
        if (handle_) InternetCloseHandle(handle_);
        handle_ = handle;
    }
    HINTERNET get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    HINTERNET handle_;
};

void SetDecoding(HINTERNET handle, BOOL on) {
    InternetSetOptionW(handle, INTERNET_OPTION_HTTP_DECODING, &on, sizeof on);
}

void SetReceiveTimeout(HINTERNET handle) {
    DWORD timeout = kUpdateReceiveTimeoutMs;
    InternetSetOptionW(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof timeout);
}

struct UrlParts {
    INTERNET_SCHEME Scheme = INTERNET_SCHEME_UNKNOWN;
    INTERNET_PORT Port = 0;
    std::wstring Host, User, Password, Object;
};

bool CrackUrl(const std::wstring& url, UrlParts& parts) {
    const DWORD room = static_cast<DWORD>(url.size() + 1);
    std::vector<wchar_t> host(room), user(room), password(room), path(room), extra(room);
    URL_COMPONENTSW c{};
    c.dwStructSize = sizeof c;
    c.lpszHostName = host.data();
    c.dwHostNameLength = room;
    c.lpszUserName = user.data();
    c.dwUserNameLength = room;
    c.lpszPassword = password.data();
    c.dwPasswordLength = room;
    c.lpszUrlPath = path.data();
    c.dwUrlPathLength = room;
    c.lpszExtraInfo = extra.data();
    c.dwExtraInfoLength = room;
    if (!InternetCrackUrlW(url.c_str(), static_cast<DWORD>(url.size()), 0, &c)) return false;
    parts.Scheme = c.nScheme;
    parts.Port = c.nPort;
    parts.Host.assign(host.data(), c.dwHostNameLength);
    parts.User.assign(user.data(), c.dwUserNameLength);
    parts.Password.assign(password.data(), c.dwPasswordLength);
    parts.Object.assign(path.data(), c.dwUrlPathLength);
    parts.Object.append(extra.data(), c.dwExtraInfoLength);
    if (parts.Object.empty()) parts.Object = L"/";
    return !parts.Host.empty() &&
           (parts.Scheme == INTERNET_SCHEME_HTTP || parts.Scheme == INTERNET_SCHEME_HTTPS);
}

const wchar_t* NullIfEmpty(const std::wstring& text) {
    return text.empty() ? nullptr : text.c_str();
}

DWORD QueryNumber(HINTERNET request, DWORD what, bool& present) {
    DWORD value = 0, size = sizeof value, index = 0;
    present = HttpQueryInfoW(request, what | HTTP_QUERY_FLAG_NUMBER, &value, &size, &index) != FALSE;
    return value;
}

bool HasHeader(HINTERNET request, DWORD what) {
    wchar_t value[64] = {};
    DWORD size = sizeof value, index = 0;
    return HttpQueryInfoW(request, what, value, &size, &index) != FALSE ||
           GetLastError() == ERROR_INSUFFICIENT_BUFFER;
}

// The handles of one download: the session, and the connection and request of a request built
// from the URL, or the handle of the opened URL.
struct OpenedDownload {
    InternetHandle Session;
    InternetHandle Connection;
    InternetHandle Request;
};

bool OpenByRequest(const UpdateDownloadRequest& job, OpenedDownload& open) {
    UrlParts parts;
    if (!CrackUrl(job.Url, parts)) return false;
    open.Connection.reset(InternetConnectW(open.Session.get(), parts.Host.c_str(), parts.Port,
                                           NullIfEmpty(parts.User), NullIfEmpty(parts.Password),
                                           INTERNET_SERVICE_HTTP, 0, 0));
    if (!open.Connection) return false;
    SetDecoding(open.Connection.get(), TRUE);
    SetReceiveTimeout(open.Connection.get());
    // Certificate errors are never ignored: an update comes only from a server the system trusts
    // under its own name. A redirect from https to plain http is refused as well.
    DWORD flags =
        INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_RELOAD;
    if (parts.Scheme == INTERNET_SCHEME_HTTPS) flags |= INTERNET_FLAG_SECURE;
    const wchar_t* accept[] = {L"*/*", nullptr};
    open.Request.reset(HttpOpenRequestW(open.Connection.get(), nullptr, parts.Object.c_str(), nullptr,
                                        nullptr, accept, flags, 0));
    if (!open.Request) return false;
    SetDecoding(open.Request.get(), TRUE);
    SetReceiveTimeout(open.Request.get());
    HttpAddRequestHeadersW(open.Request.get(), L"Accept-Encoding: gzip,deflate\r\n", static_cast<DWORD>(-1),
                           HTTP_ADDREQ_FLAG_ADD_IF_NEW);
    return HttpSendRequestW(open.Request.get(), nullptr, 0, nullptr, 0) != FALSE;
}

bool OpenDirectly(const UpdateDownloadRequest& job, OpenedDownload& open) {
    UrlParts parts;
    if (!CrackUrl(job.Url, parts)) return false;
    SetDecoding(open.Session.get(), TRUE);
    SetReceiveTimeout(open.Session.get());
    open.Request.reset(InternetOpenUrlW(open.Session.get(), job.Url.c_str(), nullptr, 0,
                                        INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_RELOAD, 0));
    if (!open.Request) return false;
    SetReceiveTimeout(open.Request.get());
    return true;
}

void ShowCaptionPercent(const UpdateDownloadRequest& job) {
    UpdateProgressState* progress = job.Progress;
    if (!job.Dialog || !progress || progress->Expected == 0) return;
    const uint64_t percent = progress->Done * 100 / progress->Expected;
    SetWindowTextW(job.Dialog,
                   FillUpdateText(L"%u%% - %s", {std::to_wstring(percent), progress->SavedCaption}).c_str());
}

void NoteSizeLearnt(const UpdateDownloadRequest& job, uint64_t size) {
    UpdateProgressState* progress = job.Progress;
    if (!progress) return;
    progress->Expected += size;
    if (!progress->Taskbar) return;
    progress->Taskbar->SetProgressState(job.Dialog, TBPF_NOPROGRESS);
    progress->Taskbar->SetProgressState(job.Dialog, TBPF_NORMAL);
    progress->Taskbar->SetProgressValue(job.Dialog, progress->Done, progress->Expected);
    ShowCaptionPercent(job);
}

void NoteChunk(const UpdateDownloadRequest& job, DWORD count, uint64_t soFar, uint64_t size) {
    if (UpdateProgressState* progress = job.Progress) {
        progress->Done += count;
        if (progress->Taskbar)
            progress->Taskbar->SetProgressValue(job.Dialog, progress->Done, progress->Expected);
        ShowCaptionPercent(job);
    }
    if (!job.ShowProgress || !job.Dialog || size == 0) return;
    const uint64_t percent = soFar * 100 / size;
    const std::wstring text = FillUpdateText(L"Downloading: %s %u/%u KB...%u%%",
                                             {job.DisplayName, std::to_wstring(soFar / 1024),
                                              std::to_wstring(size / 1024), std::to_wstring(percent)});
    SetDlgItemTextW(job.Dialog, kUpdateStatusText, text.c_str());
    SendDlgItemMessageW(job.Dialog, kUpdateFileBar, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
}

bool Cancelled(const UpdateDownloadRequest& job) {
    return job.Cancelled && job.Cancelled->load();
}

// Reads what the server has ready, at most one block; 0 bytes at the end of the body. Asking
// first for what is ready keeps a slow server from holding one read for a whole block, so a
// cancel is seen between its bytes.
bool ReadBlock(HINTERNET request, char* block, DWORD& read) {
    read = 0;
    DWORD ready = 0;
    if (!InternetQueryDataAvailable(request, &ready, 0, 0)) return false;
    if (ready == 0) return true;
    return InternetReadFile(request, block, ready < kBlockSize ? ready : kBlockSize, &read) != FALSE;
}

class TargetFile {
public:
    explicit TargetFile(const std::wstring& path) : path_(path) {}
    ~TargetFile() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
        if (!kept_) DeleteFileW(path_.c_str());
    }
    TargetFile(const TargetFile&) = delete;
    TargetFile& operator=(const TargetFile&) = delete;

    bool Append(const char* bytes, DWORD count) {
        if (handle_ == INVALID_HANDLE_VALUE)
            handle_ = CreateFileW(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        return handle_ != INVALID_HANDLE_VALUE && WriteFile(handle_, bytes, count, &written, nullptr) &&
               written == count;
    }
    bool Keep() {
        if (handle_ != INVALID_HANDLE_VALUE) {
            const bool flushed = FlushFileBuffers(handle_) != FALSE;
            CloseHandle(handle_);
            handle_ = INVALID_HANDLE_VALUE;
            if (!flushed) return false;
        }
        kept_ = true;
        return true;
    }

private:
    std::wstring path_;
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    bool kept_ = false;
};

} // namespace

bool DownloadUpdateFile(const UpdateDownloadRequest& job) {
    OpenedDownload open;
    open.Session.reset(InternetOpenW(
        L"Brindlex Update", job.SystemProxy ? INTERNET_OPEN_TYPE_PRECONFIG : INTERNET_OPEN_TYPE_DIRECT,
        nullptr, nullptr, 0));
    if (!open.Session) return false;
    if (!(job.RequestPath ? OpenByRequest(job, open) : OpenDirectly(job, open))) return false;

    bool present = false;
    const DWORD status = QueryNumber(open.Request.get(), HTTP_QUERY_STATUS_CODE, present);
    if (!present || status < 200 || status > 299) return false;
    bool sizeKnown = false;
    const uint64_t size = QueryNumber(open.Request.get(), HTTP_QUERY_CONTENT_LENGTH, sizeKnown);
    // A decoded body is longer than the length announced for its coded form.
    const bool lengthChecked = sizeKnown && !HasHeader(open.Request.get(), HTTP_QUERY_CONTENT_ENCODING);
    if (sizeKnown) NoteSizeLearnt(job, size);

    DeleteFileW(job.Target.c_str());
    TargetFile target(job.Target);
    std::vector<char> block(kBlockSize + 100, 0);
    uint64_t total = 0;
    bool decoding = true;
    for (;;) {
        if (Cancelled(job)) return false;
        DWORD read = 0;
        if (!ReadBlock(open.Request.get(), block.data(), read)) {
            if (!decoding) return false;
            decoding = false;
            SetDecoding(open.Session.get(), FALSE);
            continue;
        }
        if (read == 0) break;
        if (!target.Append(block.data(), read)) return false;
        total += read;
        NoteChunk(job, read, total, sizeKnown ? size : 0);
    }
    if (lengthChecked && total != size) return false;
    if (total == 0) target.Append(block.data(), 0);
    if (job.ShowProgress && job.Dialog && job.RequestPath == false)
        SendDlgItemMessageW(job.Dialog, kUpdateFileBar, PBM_SETPOS, 100, 0);
    return target.Keep();
}
