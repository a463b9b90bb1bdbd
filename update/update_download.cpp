#include "update/update_download.h"

#include "common/internet_url.h"
#include "update/update_dialog.h"
#include "update/update_messages.h"

#include <commctrl.h>
#include <wininet.h>

#include <vector>

namespace {

constexpr DWORD kBlockSize = 10000;

// Only http and https addresses are fetched.
bool CrackWebUrl(const std::wstring& url, UrlParts& parts) {
    return CrackUrl(url, parts) &&
           (parts.Scheme == INTERNET_SCHEME_HTTP || parts.Scheme == INTERNET_SCHEME_HTTPS);
}

void SetDecoding(HINTERNET handle, BOOL on) {
    InternetSetOptionW(handle, INTERNET_OPTION_HTTP_DECODING, &on, sizeof on);
}

void SetReceiveTimeout(HINTERNET handle) {
    DWORD timeout = kUpdateReceiveTimeoutMs;
    InternetSetOptionW(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof timeout);
}

// The handles of one download: the session, and the connection and request of a request built
// from the URL, or the handle of the opened URL.
struct OpenedDownload {
    InternetHandle Session;
    InternetHandle Connection;
    InternetHandle Request;
};

bool SendByRequest(HINTERNET session, const std::wstring& url, InternetHandle& connection,
                   InternetHandle& request) {
    UrlParts parts;
    if (!CrackWebUrl(url, parts)) return false;
    connection.reset(InternetConnectW(session, parts.Host.c_str(), parts.Port, NullIfEmpty(parts.User),
                                      NullIfEmpty(parts.Password), INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection) return false;
    SetDecoding(connection.get(), TRUE);
    SetReceiveTimeout(connection.get());
    // Certificate errors are never ignored: an update comes only from a server the system trusts
    // under its own name. Redirects are followed by GetFollowingRedirects, which refuses one from
    // https to plain http.
    DWORD flags = INTERNET_FLAG_NO_AUTO_REDIRECT | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_RELOAD;
    if (parts.Scheme == INTERNET_SCHEME_HTTPS) flags |= INTERNET_FLAG_SECURE;
    const wchar_t* accept[] = {L"*/*", nullptr};
    request.reset(HttpOpenRequestW(connection.get(), nullptr, parts.Object.c_str(), nullptr, nullptr, accept,
                                   flags, 0));
    if (!request) return false;
    SetDecoding(request.get(), TRUE);
    SetReceiveTimeout(request.get());
    HttpAddRequestHeadersW(request.get(), L"Accept-Encoding: gzip,deflate\r\n", static_cast<DWORD>(-1),
                           HTTP_ADDREQ_FLAG_ADD_IF_NEW);
    return HttpSendRequestW(request.get(), nullptr, 0, nullptr, 0) != FALSE;
}

bool SendDirectly(HINTERNET session, const std::wstring& url, InternetHandle& request) {
    UrlParts parts;
    if (!CrackWebUrl(url, parts)) return false;
    SetDecoding(session, TRUE);
    SetReceiveTimeout(session);
    request.reset(InternetOpenUrlW(
        session, url.c_str(), nullptr, 0,
        INTERNET_FLAG_NO_AUTO_REDIRECT | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_RELOAD, 0));
    if (!request) return false;
    SetReceiveTimeout(request.get());
    return true;
}

bool Open(const UpdateDownloadRequest& job, OpenedDownload& open) {
    HINTERNET session = open.Session.get();
    const SendHttpGet send = [&](const std::wstring& url, InternetHandle& connection,
                                 InternetHandle& request) {
        return job.RequestPath ? SendByRequest(session, url, connection, request)
                               : SendDirectly(session, url, request);
    };
    return GetFollowingRedirects(job.Url, send, job.Cancelled, open.Connection, open.Request);
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
    if (!Open(job, open)) return false;

    bool present = false;
    const DWORD status = QueryNumber(open.Request.get(), HTTP_QUERY_STATUS_CODE, present);
    if (!present || status < 200 || status > 299) return false;
    bool sizeKnown = false;
    const uint64_t size = QueryNumber(open.Request.get(), HTTP_QUERY_CONTENT_LENGTH, sizeKnown);
    // A decoded body is longer than the length announced for its coded form.
    const bool lengthChecked = sizeKnown && !HasHeader(open.Request.get(), HTTP_QUERY_CONTENT_ENCODING);
    if (sizeKnown) NoteSizeLearnt(job, size);
    // A body longer than announced, or without end, is cut: the download fails there.
    const uint64_t most = lengthChecked ? size : kMaxDownloadBytes;

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
        if (total + read > most) return false;
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
