#include "shell/chat_window.h"

#include <cwctype>

namespace {

bool IsDeviceName(const std::wstring& name) {
    // The device names hold with any extension: "con.log" is the console too.
    std::wstring stem = name.substr(0, name.find(L'.'));
    while (!stem.empty() && stem.back() == L' ') stem.pop_back();
    for (wchar_t& c : stem) c = static_cast<wchar_t>(std::towupper(c));
    static const wchar_t* const kDevices[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
    for (const wchar_t* device : kDevices)
        if (stem == device) return true;
    if (stem.size() == 4 && (stem.compare(0, 3, L"COM") == 0 || stem.compare(0, 3, L"LPT") == 0) &&
        stem[3] >= L'0' && stem[3] <= L'9')
        return true;
    return false;
}

} // namespace

std::wstring SafeFileBaseName(const std::wstring& name) {
    std::wstring safe;
    for (wchar_t c : name) {
        const bool bad = c < 32 || c == 127 || c == L'\\' || c == L'/' || c == L':' || c == L'*' || c == L'?' ||
                         c == L'"' || c == L'<' || c == L'>' || c == L'|';
        safe += bad ? L'_' : c;
    }
    // Windows drops trailing dots and blanks, which would make "a." and "a" one file.
    while (!safe.empty() && (safe.back() == L'.' || safe.back() == L' ')) safe.back() = L'_';
    if (safe.empty()) return L"_";
    if (safe.find_first_not_of(L'.') == std::wstring::npos || IsDeviceName(safe)) safe.insert(0, 1, L'_');
    return safe;
}
