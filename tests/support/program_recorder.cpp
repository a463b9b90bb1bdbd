// A stand-in program for the tests of commands that start programs (the transfer program qv
// starts, a file opened with the shell): it appends its command line, as UTF-8, to the file
// "started.txt" beside itself and ends.
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wchar_t self[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring log(self, length);
    log = log.substr(0, log.find_last_of(L'\\') + 1) + L"started.txt";
    const wchar_t* line = GetCommandLineW();
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, line, -1, nullptr, 0, nullptr, nullptr);
    std::string text(bytes > 0 ? static_cast<size_t>(bytes - 1) : 0, '\0');
    if (bytes > 1) WideCharToMultiByte(CP_UTF8, 0, line, -1, text.data(), bytes, nullptr, nullptr);
    text += "\n";
    // Another start may append at the same time: retry while the file is held.
    for (int attempt = 0; attempt < 100; ++attempt) {
        HANDLE file = CreateFileW(log.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            Sleep(20);
            continue;
        }
        DWORD written = 0;
        WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        CloseHandle(file);
        break;
    }
    return 0;
}
