#include "update/file_swap.h"

namespace {

constexpr DWORD kMoveFlags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring BaseName(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

} // namespace

bool SwapInNewFile(const std::wstring& path, bool* hadFileOut) {
    const std::wstring oldPath = path + L".old";
    const std::wstring newPath = path + L".new";
    if (!Exists(newPath)) return false;
    DeleteFileW(oldPath.c_str());
    // Whether there is a file to keep is learnt from moving it, not from a look before: a file
    // the look missed for a moment would be replaced below without its ".old", and a later put
    // back would delete it.
    const bool hadFile = MoveFileExW(path.c_str(), oldPath.c_str(), kMoveFlags) != FALSE;
    const DWORD moveError = hadFile ? ERROR_SUCCESS : GetLastError();
    const bool noFile = moveError == ERROR_FILE_NOT_FOUND || moveError == ERROR_PATH_NOT_FOUND;
    if (hadFileOut) *hadFileOut = !noFile;
    if (!hadFile && !noFile) return false;
    // The path is free now: whatever stands there after all is never replaced.
    if (MoveFileExW(newPath.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH)) return true;
    // The old file goes back; should even that move fail, a copy of it does.
    if (hadFile && !MoveFileExW(oldPath.c_str(), path.c_str(), kMoveFlags))
        CopyFileW(oldPath.c_str(), path.c_str(), TRUE);
    return false;
}

bool PutBackOldFile(const std::wstring& path, bool hadFile) {
    if (!hadFile) return DeleteFileW(path.c_str()) != FALSE;
    return MoveFileExW((path + L".old").c_str(), path.c_str(), kMoveFlags) != FALSE;
}

std::wstring BackupFolderName(const SYSTEMTIME& time) {
    return std::to_wstring(time.wMonth) + L"-" + std::to_wstring(time.wDay) + L"-" +
           std::to_wstring(time.wYear) + L"-" + std::to_wstring(time.wHour) + L"-" +
           std::to_wstring(time.wMinute);
}

bool MoveOldFileToBackup(const std::wstring& path, const std::wstring& folder) {
    const std::wstring oldPath = path + L".old";
    if (!Exists(oldPath)) return false;
    CreateDirectoryW(folder.c_str(), nullptr);
    return MoveFileExW(oldPath.c_str(), (folder + L"\\" + BaseName(oldPath)).c_str(), kMoveFlags) != FALSE;
}
