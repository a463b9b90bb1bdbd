#include "shell/preferences/http_download.h"

#include "common/owned_job_thread.h"
#include "common/internet_url.h"
#include "common/replacing_file.h"

#include <windows.h>
#include <wininet.h>
#include <process.h>

#include <memory>
#include <vector>

namespace {

constexpr DWORD kBlockSize = 10000;

void TurnDecodingOn(HINTERNET handle) {
    BOOL on = TRUE;
    InternetSetOptionW(handle, INTERNET_OPTION_HTTP_DECODING, &on, sizeof on);
}

// Builds and sends one GET; redirects are left to GetFollowingRedirects.
bool SendGet(HINTERNET session, const std::wstring& url, InternetHandle& connection,
             InternetHandle& request) {
    UrlParts parts;
    if (!CrackUrl(url, parts)) return false;
    if (parts.Scheme != INTERNET_SCHEME_HTTP && parts.Scheme != INTERNET_SCHEME_HTTPS) return false;
    connection.reset(InternetConnectW(session, parts.Host.c_str(), parts.Port, NullIfEmpty(parts.User),
                                      NullIfEmpty(parts.Password), INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection) return false;
    TurnDecodingOn(connection.get());
    const wchar_t* accept[] = {L"*/*", nullptr};
    DWORD flags = INTERNET_FLAG_NO_AUTO_REDIRECT | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_RELOAD;
    if (parts.Scheme == INTERNET_SCHEME_HTTPS) flags |= INTERNET_FLAG_SECURE;
    request.reset(
        HttpOpenRequestW(connection.get(), L"GET", parts.Object.c_str(), nullptr, nullptr, accept, flags, 0));
    if (!request) return false;
    TurnDecodingOn(request.get());
    HttpAddRequestHeadersW(request.get(), L"Accept-Encoding: gzip,deflate\r\n", static_cast<DWORD>(-1),
                           HTTP_ADDREQ_FLAG_ADD_IF_NEW);
    return HttpSendRequestW(request.get(), nullptr, 0, nullptr, 0) != FALSE;
}

} // namespace

bool HttpDownloadFile(const std::wstring& url, const std::wstring& path) {
    InternetHandle session(InternetOpenW(L"Brindlex 7", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    if (!session) return false;
    InternetHandle connection, request;
    const SendHttpGet send = [&](const std::wstring& address, InternetHandle& c, InternetHandle& r) {
        return SendGet(session.get(), address, c, r);
    };
    if (!GetFollowingRedirects(url, send, nullptr, connection, request)) return false;

    bool present = false;
    const DWORD status = QueryNumber(request.get(), HTTP_QUERY_STATUS_CODE, present);
    if (!present || status < 200 || status > 299) return false;
    bool lengthKnown = false;
    const DWORD expected = QueryNumber(request.get(), HTTP_QUERY_CONTENT_LENGTH, lengthKnown);
    // A decoded body is longer than the length the server announced for its coded form.
    if (lengthKnown && HasHeader(request.get(), HTTP_QUERY_CONTENT_ENCODING)) lengthKnown = false;

    // A body longer than announced, or without end, is cut: the download fails there.
    const uint64_t most = lengthKnown ? expected : kMaxDownloadBytes;
    ReplacingFile target(path);
    if (!target.IsOpen()) return false;
    std::vector<char> block(kBlockSize + 100, 0);
    uint64_t total = 0;
    bool retried = false;
    for (;;) {
        DWORD read = 0;
        if (!InternetReadFile(request.get(), block.data(), kBlockSize, &read)) {
            if (retried) return false;
            retried = true;
            TurnDecodingOn(session.get());
            continue;
        }
        if (read == 0) break;
        if (total + read > most) return false;
        if (!target.Write(block.data(), read)) return false;
        total += read;
    }
    if (lengthKnown && total != expected) return false;
    if (total == 0) {
        DeleteFileW(path.c_str());
        return true;
    }
    return target.Commit();
}

unsigned __stdcall DownloadThread(void* job) {
    std::unique_ptr<DownloadJob> owned(static_cast<DownloadJob*>(job));
    try {
        if (owned) HttpDownloadFile(owned->Url, owned->Path);
    } catch (...) {
    }
    return 0;
}

bool shell::StartDownload(const std::wstring& url, const std::wstring& path) {
    auto* job = new DownloadJob{url, path};
    return StartOwnedJobThread(DownloadThread, job);
}
