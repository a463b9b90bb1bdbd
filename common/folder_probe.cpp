#include "common/folder_probe.h"

#include <windows.h>

bool IsFolderWritable(const std::wstring& folder) {
    wchar_t probe[MAX_PATH + 16] = {};
    if (folder.size() > MAX_PATH - 14) return false;
    if (GetTempFileNameW(folder.c_str(), L"woa", 0, probe) == 0) return false;
    DeleteFileW(probe);
    return true;
}
