// Where the test programs find the libraries built beside them.
#pragma once

#include <windows.h>

#include <string>

inline std::wstring BesideTestProgram(const wchar_t* name) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    folder.erase(folder.find_last_of(L"\\/") + 1);
    return folder + name;
}
