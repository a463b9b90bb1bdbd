#include "common/internet_url.h"

#include <vector>

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
    return !parts.Host.empty();
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

namespace {

bool IsRedirect(DWORD status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

bool QueryText(HINTERNET request, DWORD what, std::wstring& text) {
    DWORD size = 0, index = 0;
    HttpQueryInfoW(request, what, nullptr, &size, &index);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0) return false;
    std::vector<wchar_t> value(size / sizeof(wchar_t) + 1);
    index = 0;
    if (!HttpQueryInfoW(request, what, value.data(), &size, &index)) return false;
    text.assign(value.data(), size / sizeof(wchar_t));
    return !text.empty();
}

// The address a redirect names, made whole against the one that answered.
bool RedirectTarget(const std::wstring& base, const std::wstring& location, std::wstring& target) {
    DWORD length = static_cast<DWORD>(base.size() + location.size() + 64);
    std::vector<wchar_t> combined(length);
    if (!InternetCombineUrlW(base.c_str(), location.c_str(), combined.data(), &length, ICU_NO_ENCODE))
        return false;
    target.assign(combined.data(), length);
    return true;
}

} // namespace

bool GetFollowingRedirects(std::wstring url, const SendHttpGet& send, const std::atomic<bool>* cancelled,
                           InternetHandle& connection, InternetHandle& request) {
    for (int redirects = 0;; ++redirects) {
        if (cancelled && cancelled->load()) return false;
        UrlParts parts;
        if (!CrackUrl(url, parts)) return false;
        request.reset(nullptr);
        connection.reset(nullptr);
        if (!send(url, connection, request)) return false;
        bool present = false;
        const DWORD status = QueryNumber(request.get(), HTTP_QUERY_STATUS_CODE, present);
        if (!present || !IsRedirect(status)) return true;
        std::wstring location, next;
        if (redirects >= kMaxHttpRedirects || !QueryText(request.get(), HTTP_QUERY_LOCATION, location) ||
            !RedirectTarget(url, location, next))
            return false;
        UrlParts nextParts;
        if (!CrackUrl(next, nextParts)) return false;
        if (parts.Scheme == INTERNET_SCHEME_HTTPS && nextParts.Scheme != INTERNET_SCHEME_HTTPS) return false;
        url = next;
    }
}
