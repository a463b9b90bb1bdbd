#include "common/replacing_file.h"

#include "common/shell_helpers.h"

#include <atomic>

namespace {

// A new, empty file beside the target that nobody else uses.
HANDLE CreateSibling(const std::wstring& full, std::wstring& name) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = full + L"." + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(counter++) +
               L".tmp";
        HANDLE h =
            CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) return h;
        DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
    }
    name.clear();
    return INVALID_HANDLE_VALUE;
}

// The target may be replaced: not read-only, and no other handle denies deleting it.
bool TargetReplaceable(const std::wstring& full) {
    DWORD attributes = GetFileAttributesW(full.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return true;
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

ReplacingFile::ReplacingFile(const std::wstring& target)
    : target_(target.empty() ? target : FullPathName(target)) {
    if (!target_.empty()) handle_ = CreateSibling(target_, temp_);
}

ReplacingFile::~ReplacingFile() {
    Discard();
}

void ReplacingFile::Discard() {
    DWORD error = GetLastError();
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    if (!temp_.empty()) DeleteFileW(temp_.c_str());
    temp_.clear();
    SetLastError(error);
}

bool ReplacingFile::Write(const void* bytes, size_t size) {
    if (!IsOpen() || failed_) return false;
    const char* p = static_cast<const char*>(bytes);
    while (size > 0) {
        DWORD chunk = static_cast<DWORD>(size < (1u << 24) ? size : (1u << 24));
        DWORD written = 0;
        if (!WriteFile(handle_, p, chunk, &written, nullptr) || written != chunk) {
            failed_ = true;
            return false;
        }
        p += written;
        size -= written;
    }
    return true;
}

bool ReplacingFile::Commit() {
    if (!IsOpen()) return false;
    bool ok = !failed_ && FlushFileBuffers(handle_);
    ok = CloseHandle(handle_) && ok;
    handle_ = INVALID_HANDLE_VALUE;
    ok = ok && TargetReplaceable(target_) &&
         MoveFileExW(temp_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok) {
        Discard();
        return false;
    }
    temp_.clear();
    return true;
}

bool WriteFileReplacing(const std::wstring& path, const void* bytes, size_t size) {
    ReplacingFile file(path);
    return file.Write(bytes, size) && file.Commit();
}
