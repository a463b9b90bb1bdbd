#include "common/crash_filter.h"

#include <cstdint>

#include "common/app_state.h"

namespace {

constexpr size_t kLogPathChars = 2 * MAX_PATH + 16;

// Appends text to the line; stops at its end.
void Append(char (&line)[160], size_t& at, const char* text) {
    while (*text && at + 1 < sizeof line) line[at++] = *text++;
    line[at] = '\0';
}

void AppendHex(char (&line)[160], size_t& at, uint64_t value, int digits) {
    char text[17] = {};
    for (int i = digits - 1; i >= 0; --i) {
        text[i] = "0123456789ABCDEF"[value & 0xF];
        value >>= 4;
    }
    Append(line, at, text);
}

void AppendDecimal(char (&line)[160], size_t& at, uint32_t value) {
    char text[11] = {};
    int i = 10;
    do {
        text[--i] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value && i > 0);
    Append(line, at, text + i);
}

// Fills path with the log path in a fixed buffer; false when it does not fit.
bool CrashLogPathInto(wchar_t (&path)[kLogPathChars]) {
    DWORD folder = GetTempPathW(MAX_PATH, path);
    if (folder == 0 || folder >= MAX_PATH) return false;
    wchar_t module[MAX_PATH] = {};
    DWORD length = GetModuleFileNameW(nullptr, module, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
    const wchar_t* base = module;
    for (const wchar_t* c = module; *c; ++c)
        if (*c == L'\\' || *c == L'/') base = c + 1;
    // Folder and name each stay below MAX_PATH, so both and the suffix fit.
    size_t at = folder;
    for (const wchar_t* c = base; *c && *c != L'.'; ++c) path[at++] = *c;
    for (const wchar_t* c = L"-crash.log"; *c; ++c) path[at++] = *c;
    path[at] = L'\0';
    return true;
}

} // namespace

void FormatCrashLine(char (&line)[160], DWORD code, const void* address, DWORD threadId,
                     bool interfaceThread) {
    size_t at = 0;
    line[0] = '\0';
    Append(line, at, "fault ");
    AppendHex(line, at, code, 8);
    Append(line, at, " at ");
    AppendHex(line, at, reinterpret_cast<uintptr_t>(address), 16);
    Append(line, at, " on thread ");
    AppendDecimal(line, at, threadId);
    if (interfaceThread) Append(line, at, " (interface thread)");
    Append(line, at, "\r\n");
}

std::wstring CrashLogPath() {
    wchar_t path[kLogPathChars] = {};
    return CrashLogPathInto(path) ? std::wstring(path) : std::wstring();
}

LONG WINAPI CrashRecoveryFilter(EXCEPTION_POINTERS* exception) {
    const EXCEPTION_RECORD* record = exception ? exception->ExceptionRecord : nullptr;
    const DWORD code = record ? record->ExceptionCode : 0;
    char line[160];
    FormatCrashLine(line, code, record ? record->ExceptionAddress : nullptr, GetCurrentThreadId(),
                    OnInterfaceThread());
    OutputDebugStringA(line);

    wchar_t path[kLogPathChars] = {};
    if (CrashLogPathInto(path)) {
        HANDLE log = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (log != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(log, line, static_cast<DWORD>(lstrlenA(line)), &written, nullptr);
            FlushFileBuffers(log);
            CloseHandle(log);
        }
    }
    // Nothing of the faulting state can be trusted: end without running any more of our code.
    TerminateProcess(GetCurrentProcess(), code ? code : 1);
    return EXCEPTION_EXECUTE_HANDLER;
}
