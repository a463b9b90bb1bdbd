#include "xml/xml_file_io.h"

#include <windows.h>

#include <atomic>

namespace {

std::wstring FolderOf(const std::wstring& path) {
    size_t cut = path.find_last_of(L"\\/");
    return cut == std::wstring::npos ? std::wstring(L".") : path.substr(0, cut);
}

std::wstring FullPath(const std::wstring& path) {
    DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (n == 0) return path;
    std::wstring full(n, L'\0');
    n = GetFullPathNameW(path.c_str(), n, full.data(), nullptr);
    full.resize(n);
    return full;
}

// A new, empty file beside the target that nobody else uses.
HANDLE CreateSibling(const std::wstring& full, std::wstring* name) {
    static std::atomic<unsigned> counter{0};
    std::wstring folder = FolderOf(full);
    std::wstring base = full.substr(folder.size() + (folder.size() < full.size() ? 1 : 0));
    for (int attempt = 0; attempt < 100; ++attempt) {
        *name = folder + L"\\" + base + L"." + std::to_wstring(GetCurrentProcessId()) + L"-" +
                std::to_wstring(counter++) + L".tmp";
        HANDLE h =
            CreateFileW(name->c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) return h;
        DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return INVALID_HANDLE_VALUE;
    }
    return INVALID_HANDLE_VALUE;
}

bool WriteAll(HANDLE h, const void* bytes, size_t size) {
    const char* p = static_cast<const char*>(bytes);
    while (size > 0) {
        DWORD chunk = static_cast<DWORD>(size < (1u << 24) ? size : (1u << 24));
        DWORD written = 0;
        if (!WriteFile(h, p, chunk, &written, nullptr) || written != chunk) return false;
        p += written;
        size -= written;
    }
    return true;
}

// The target may be replaced: not read-only, and no other handle denies deleting it.
bool TargetReplaceable(const std::wstring& full, bool* exists) {
    DWORD attributes = GetFileAttributesW(full.c_str());
    *exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (!*exists) return true;
    if (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    HANDLE h = CreateFileW(full.c_str(), GENERIC_WRITE | DELETE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
}

} // namespace

bool XmlWriteFileReplacing(const std::wstring& path, const void* bytes, size_t size) {
    if (path.empty()) return false;
    std::wstring full = FullPath(path);
    bool exists = false;
    if (!TargetReplaceable(full, &exists)) return false;

    std::wstring temporary;
    HANDLE h = CreateSibling(full, &temporary);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool ok = WriteAll(h, bytes, size);
    ok = FlushFileBuffers(h) && ok;
    ok = CloseHandle(h) && ok;
    if (ok)
        ok = MoveFileExW(temporary.c_str(), full.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok) {
        DWORD error = GetLastError();
        DeleteFileW(temporary.c_str());
        SetLastError(error);
    }
    return ok;
}
