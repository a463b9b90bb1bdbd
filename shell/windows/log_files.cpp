#include "shell/windows/log_files.h"

#include "common/plain_base_name.h"
#include "common/shell_helpers.h"
#include "common/xstring.h"
#include "core/window_list.h"
#include "core/window_record.h"

#include <cstdio>
#include <mutex>
#include <string>

namespace {

// Lines of one window can come from its connection thread and the interface thread at once.
std::mutex g_logMutex;

std::wstring TwoDigits(unsigned value) {
    wchar_t text[16] = {};
    swprintf(text, 16, L"%02u", value);
    return text;
}

// "dd-mm-yyyy hh:mm:ss" of the local time, the year with all its digits.
std::wstring MarkerTime() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return TwoDigits(now.wDay) + L"-" + TwoDigits(now.wMonth) + L"-" + TwoDigits(now.wYear) + L" " +
           TwoDigits(now.wHour) + L":" + TwoDigits(now.wMinute) + L":" + TwoDigits(now.wSecond);
}

void AppendEntry(WindowRecord* record, const std::wstring& entry) {
    std::string bytes = WideToNarrow(entry);
    while (!bytes.empty() && (bytes.back() == '\r' || bytes.back() == '\n')) bytes.pop_back();
    bytes += "\r\n";
    std::lock_guard<std::mutex> lock(g_logMutex);
    FILE* file = _wfopen(record->LogPath.c_str(), L"a+b");
    if (!file) return;
    fwrite(bytes.data(), 1, bytes.size(), file);
    fclose(file);
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

} // namespace

void shell::WriteLogLine(WindowRecord* record, const wchar_t* text) {
    if (!record || !text) return;
    AppendEntry(record, text);
}

void shell::WriteLogLine(WindowRecord* record, int32_t marker) {
    if (!record) return;
    if (marker == kLogStartMarker)
        AppendEntry(record, L"# Log start: " + NarrowToWide(record->Name) + L" (" + MarkerTime() + L")");
    else if (marker == kLogEndMarker)
        AppendEntry(record, L"# Log end: (" + MarkerTime() + L")");
}

std::wstring ChatLogPath(const std::wstring& folder, const std::string& utf8Name) {
    return folder + L"\\" + PlainBaseNameUtf8(utf8Name) + L".log";
}

bool IsLiveLogFile(const std::wstring& path) {
    const std::wstring wanted = FullPathName(path);
    for (const WindowRecord* record : WindowListSnapshot())
        if (record->Logging && !record->LogPath.empty() && SamePath(FullPathName(record->LogPath), wanted))
            return true;
    return false;
}

std::wstring SaveFileProposal(const std::wstring& folder, const std::string& utf8Name,
                              const std::wstring& extension) {
    const std::wstring base = PlainBaseNameUtf8(utf8Name);
    std::wstring name = base + extension;
    for (int number = 2; IsLiveLogFile(folder + L"\\" + name); ++number)
        name = base + L" (" + std::to_wstring(number) + L")" + extension;
    return name;
}

DWORD CALLBACK AppendStreamToFile(DWORD_PTR cookie, LPBYTE bytes, LONG count, LONG* written) {
    const wchar_t* path = reinterpret_cast<const wchar_t*>(cookie);
    if (!path) return 1;
    HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    DWORD done = 0;
    BOOL ok = count <= 0 || WriteFile(file, bytes, static_cast<DWORD>(count), &done, nullptr);
    CloseHandle(file);
    if (written) *written = static_cast<LONG>(done);
    return ok ? 0 : 1;
}
