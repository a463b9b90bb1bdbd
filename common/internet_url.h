// WinINet handles that close themselves, and a URL split into what InternetConnect and
// HttpOpenRequest take.
#pragma once

#include <windows.h>
#include <wininet.h>

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

// A numeric header of the answer; present says whether the answer had it.
DWORD QueryNumber(HINTERNET request, DWORD what, bool& present);

// Whether the answer has the header at all.
bool HasHeader(HINTERNET request, DWORD what);

// For the optional user and password arguments: null when the text is empty.
inline const wchar_t* NullIfEmpty(const std::wstring& text) {
    return text.empty() ? nullptr : text.c_str();
}
