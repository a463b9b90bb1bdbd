// WinINet handles that close themselves, and a URL split into what InternetConnect and
// HttpOpenRequest take.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

class InternetHandle {
public:
    explicit InternetHandle(HINTERNET handle = nullptr) : handle_(handle) {}
    ~InternetHandle() { reset(nullptr); }
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

struct UrlParts {
    INTERNET_SCHEME Scheme = INTERNET_SCHEME_UNKNOWN;
    INTERNET_PORT Port = 0;
    std::wstring Host, User, Password, Object; // Object: path and extra ("/" when both are empty)
};

// Splits the URL; false when it does not parse or names no host.
bool CrackUrl(const std::wstring& url, UrlParts& parts);

// The most redirects one download follows before it fails.
constexpr int kMaxHttpRedirects = 10;
// The most bytes a download stores when its server announced no length: far above any file the
// program fetches (its own files are a few megabytes), so a body without end is cut there.
constexpr uint64_t kMaxDownloadBytes = 64ull << 20;

// Opens and sends one GET for the URL, built with INTERNET_FLAG_NO_AUTO_REDIRECT so that WinINet
// leaves redirects to the caller; connection may stay empty.
using SendHttpGet =
    std::function<bool(const std::wstring& url, InternetHandle& connection, InternetHandle& request)>;

// Sends the GET and follows redirects itself: at most kMaxHttpRedirects, never from https to
// plain http, none once cancelled is set (it may be null). WinINet's own following has no end
// under every system, and a request blocked in it cannot be stopped. True when an answer that is
// not a redirect came; connection and request then hold it.
bool GetFollowingRedirects(std::wstring url, const SendHttpGet& send, const std::atomic<bool>* cancelled,
                           InternetHandle& connection, InternetHandle& request);

// A numeric header of the answer; present says whether the answer had it.
DWORD QueryNumber(HINTERNET request, DWORD what, bool& present);

// Whether the answer has the header at all.
bool HasHeader(HINTERNET request, DWORD what);

// For the optional user and password arguments: null when the text is empty.
inline const wchar_t* NullIfEmpty(const std::wstring& text) {
    return text.empty() ? nullptr : text.c_str();
}
