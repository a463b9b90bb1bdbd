// Fetching one URL into a file over HTTP or HTTPS.
#pragma once

#include <string>

// What DownloadThread fetches; the thread owns the job and frees it.
struct DownloadJob {
    std::wstring Url;
    std::wstring Path;
};

// Fetches the URL into the file. The body goes to a temporary file beside the target, which
// replaces the target only when the server answered with a success status and the whole body
// arrived (never more than announced, nor than kMaxDownloadBytes, and after at most
// kMaxHttpRedirects redirects); an https URL is fetched over TLS. An empty body removes the target and counts
// as success. False on any failure, and then the target is left as it was.
bool HttpDownloadFile(const std::wstring& url, const std::wstring& path);

// Thread procedure (C run-time thread start) for a heap DownloadJob; reports nothing.
unsigned __stdcall DownloadThread(void* job);

namespace shell {
// Starts DownloadThread for the URL and the file; true when the thread started.
bool StartDownload(const std::wstring& url, const std::wstring& path);
} // namespace shell
