#include "common/replacing_file.h"

#include "common/shell_helpers.h"

#include <atomic>
#include <cwchar>
#include <string>

namespace {

// A new, empty file beside the target that nobody else uses.
HANDLE CreateSibling(const std::wstring& full, std::wstring& name) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = ReplacingTempName(full, GetCurrentProcessId(), counter++);
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

// The process id of a temporary name of the target ("<name>.<id>-<n>.tmp"), 0 when the name is
// not one.
DWORD TempNameProcess(const std::wstring& targetName, const std::wstring& name) {
    const size_t prefix = targetName.size() + 1;
    if (name.size() <= prefix + 4 || _wcsnicmp(name.c_str(), targetName.c_str(), targetName.size()) != 0 ||
        name[targetName.size()] != L'.' || _wcsicmp(name.c_str() + name.size() - 4, L".tmp") != 0)
        return 0;
    const std::wstring middle = name.substr(prefix, name.size() - prefix - 4);
    const size_t dash = middle.find(L'-');
    const auto digits = [](const std::wstring& s) {
        return !s.empty() && s.size() <= 10 && s.find_first_not_of(L"0123456789") == std::wstring::npos;
    };
    if (dash == std::wstring::npos || !digits(middle.substr(0, dash)) || !digits(middle.substr(dash + 1)))
        return 0;
    const unsigned long long id = std::stoull(middle.substr(0, dash));
    return id <= 0xFFFFFFFFull ? static_cast<DWORD>(id) : 0;
}

// This process has not begun replacing the target, so its own id marks a file of an earlier
// process that had the same id. A process that cannot be asked (another user's) counts as running.
bool WriterMayBeRunning(DWORD processId) {
    if (processId == GetCurrentProcessId()) return false;
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    if (!process) return GetLastError() != ERROR_INVALID_PARAMETER;
    const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
}

} // namespace

std::wstring ReplacingTempName(const std::wstring& target, DWORD processId, unsigned n) {
    return target + L"." + std::to_wstring(processId) + L"-" + std::to_wstring(n) + L".tmp";
}

size_t RemoveStaleReplacingFiles(const std::wstring& target) {
    if (target.empty()) return 0;
    const std::wstring full = FullPathName(target);
    const size_t slash = full.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? std::wstring() : full.substr(0, slash + 1);
    const std::wstring targetName = full.substr(folder.size());
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((full + L".*-*.tmp").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return 0;
    size_t removed = 0;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        const DWORD writer = TempNameProcess(targetName, found.cFileName);
        if (writer == 0 || WriterMayBeRunning(writer)) continue;
        if (DeleteFileW((folder + found.cFileName).c_str())) ++removed;
    } while (FindNextFileW(find, &found));
    FindClose(find);
    return removed;
}

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
