#include "irc/connection_messages.h"

#include "common/lang_strings.h"
#include "core/client_services.h"

#include <cwchar>

std::wstring FillLangText(const wchar_t* format, std::initializer_list<std::wstring> arguments) {
    std::wstring out;
    if (!format) return out;
    auto next = arguments.begin();
    for (const wchar_t* p = format; *p; ++p) {
        if (*p != L'%') {
            out += *p;
            continue;
        }
        if (p[1] == L'%') {
            out += L'%';
            ++p;
            continue;
        }
        // Skip flags, width, precision and size letters up to the conversion letter.
        const wchar_t* q = p + 1;
        while (*q && std::wcschr(L"-+ #0123456789.*lhIwLqjzt", *q)) ++q;
        if (!*q) break;
        if (next != arguments.end()) out += *next++;
        p = q;
    }
    return out;
}

void PrintConnectionMessage(WindowRecord* window, int32_t stringId,
                            std::initializer_list<std::wstring> arguments) {
    PrintToWindow(kInformationLine, window, FillLangText(GetLangString(stringId), arguments));
}
