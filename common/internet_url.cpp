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
