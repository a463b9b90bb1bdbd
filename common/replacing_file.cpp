#include "common/replacing_file.h"

#include <windows.h>

ReplacingFile::ReplacingFile(const std::wstring& target) : target_(target) {
    const size_t slash = target.find_last_of(L"\\/");
    const std::wstring folder =
        slash == std::wstring::npos ? std::wstring(L".") : target.substr(0, slash + 1);
    wchar_t temp[MAX_PATH];
    if (!GetTempFileNameW(folder.c_str(), L"qvt", 0, temp)) return;
    temp_ = temp;
    file_ = _wfopen(temp_.c_str(), L"wb");
    if (!file_) Discard();
}

ReplacingFile::~ReplacingFile() {
    Discard();
}

void ReplacingFile::Discard() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    if (!temp_.empty()) DeleteFileW(temp_.c_str());
    temp_.clear();
}

bool ReplacingFile::Commit() {
    if (!file_) return false;
    const bool written = std::fflush(file_) == 0 && !std::ferror(file_);
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!written || !closed ||
        !MoveFileExW(temp_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        Discard();
        return false;
    }
    temp_.clear();
    return true;
}
