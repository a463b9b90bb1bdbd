#include "shell/setup/program_folder.h"

#include "common/data_folders.h"
#include "common/text_compare.h"
#include "common/xstring.h"

#include <windows.h>

bool IsProgramFolderWritable() {
    return IsFolderWritable(ProgramFolder);
}

void DeleteMatchingFiles(const std::wstring& folder, const std::wstring& pattern) {
    const std::wstring search = folder + L"\\" + pattern;
    WIN32_FIND_DATAW found{};
    HANDLE find = FindFirstFileW(search.c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return;
    const std::string narrowPattern = WideToNarrow(pattern);
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        if (!WildcardMatch(WideToNarrow(found.cFileName), narrowPattern, false)) continue;
        DeleteFileW((folder + L"\\" + found.cFileName).c_str());
    } while (FindNextFileW(find, &found));
    FindClose(find);
}
