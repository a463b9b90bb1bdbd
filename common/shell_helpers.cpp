#include "common/shell_helpers.h"

#include <objbase.h>
#include <shellapi.h>

#include <cwchar>

#include "common/app_state.h"
#include "common/command_ids.h"
#include "common/message_box.h"

BOOL RunElevated(const wchar_t* file, const wchar_t* parameters, const wchar_t* directory) {
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = L"runas";
    info.lpFile = file;
    info.lpParameters = parameters;
    info.lpDirectory = directory;
    info.nShow = SW_SHOWNORMAL;
    return ShellExecuteExW(&info);
}

INT_PTR ShellOpen(const wchar_t* file, const wchar_t* parameters, const wchar_t* verb) {
    HINSTANCE result =
        ShellExecuteW(MainWindow.load(), verb ? verb : L"open", file, parameters, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result);
}

bool BuildBrowserCommandLine(const std::wstring& registeredCommand, const std::wstring& url,
                             std::wstring& commandLine) {
    if (url.empty() || url[0] == L'-') return false;
    for (wchar_t c : url)
        if (c == L'"' || c < 0x20 || c == 0x7F) return false;

    std::wstring command = registeredCommand;
    size_t cut = command.find(L"\"%1\"");
    if (cut == std::wstring::npos) cut = command.find(L"%1");
    if (cut != std::wstring::npos) command.erase(cut);
    commandLine = command + L" \"" + url + L"\"";
    return true;
}

namespace {

// Starts the browser registered for ".htm"; false when there is none or it does not start.
bool StartHtmBrowser(const wchar_t* url, int showCommand) {
    std::wstring programId, command;
    if (RegQueryDefaultValue(HKEY_CLASSES_ROOT, L".htm", programId) != ERROR_SUCCESS || programId.empty())
        return false;
    if (RegQueryDefaultValue(HKEY_CLASSES_ROOT, (programId + L"\\shell\\open\\command").c_str(), command) !=
            ERROR_SUCCESS ||
        command.empty())
        return false;

    std::wstring commandLine;
    if (!BuildBrowserCommandLine(command, url, commandLine)) return false;

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showCommand);
    PROCESS_INFORMATION process{};
    std::vector<wchar_t> writable(commandLine.begin(), commandLine.end());
    writable.push_back(L'\0');
    if (!CreateProcessW(nullptr, writable.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

} // namespace

bool OpenUrlInBrowser(const wchar_t* url, int showCommand, bool forceBrowser) {
    if (!url) return false;
    if (!forceBrowser) {
        HINSTANCE result = ShellExecuteW(MainWindow.load(), L"open", url, nullptr, nullptr, showCommand);
        if (reinterpret_cast<INT_PTR>(result) > 32) return true;
    }
    return StartHtmBrowser(url, showCommand);
}

std::wstring PathToFileUrl(const std::wstring& path) {
    std::wstring url = L"file://" + path;
    for (wchar_t& c : url)
        if (c == L'\\') c = L'/';
    return url;
}

std::wstring FullPathName(const std::wstring& path) {
    DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (n == 0) return path;
    std::wstring full(n, L'\0');
    n = GetFullPathNameW(path.c_str(), n, full.data(), nullptr);
    full.resize(n);
    return full;
}

uint64_t GetFileSizeByName(const wchar_t* path) {
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size)) size.QuadPart = 0;
    CloseHandle(file);
    return static_cast<uint64_t>(size.QuadPart);
}

LONG RegQueryDefaultValue(HKEY key, const wchar_t* subKey, std::wstring& value) {
    value.clear();
    HKEY opened = nullptr;
    LONG result = RegOpenKeyExW(key, subKey, 0, KEY_QUERY_VALUE, &opened);
    if (result != ERROR_SUCCESS) return result;

    DWORD type = 0, bytes = 0;
    if (RegQueryValueExW(opened, nullptr, nullptr, &type, nullptr, &bytes) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ) && bytes >= sizeof(wchar_t)) {
        std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1, L'\0');
        DWORD size = bytes;
        if (RegQueryValueExW(opened, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                             &size) == ERROR_SUCCESS)
            value.assign(buffer.data(), wcsnlen(buffer.data(), size / sizeof(wchar_t)));
    }
    RegCloseKey(opened);
    return ERROR_SUCCESS;
}

namespace {

bool FindResourceBytes(const wchar_t* name, HMODULE module, const wchar_t* type, const void*& bytes,
                       DWORD& size) {
    HRSRC found = FindResourceW(module, name, type ? type : L"DATA");
    if (!found) return false;
    HGLOBAL loaded = LoadResource(module, found);
    bytes = loaded ? LockResource(loaded) : nullptr;
    size = SizeofResource(module, found);
    return bytes != nullptr;
}

} // namespace

bool ExtractResource(std::vector<uint8_t>& destination, const wchar_t* name, HMODULE module,
                     const wchar_t* type) {
    const void* bytes = nullptr;
    DWORD size = 0;
    if (!FindResourceBytes(name, module, type, bytes, size)) return false;
    const uint8_t* first = static_cast<const uint8_t*>(bytes);
    destination.assign(first, first + size);
    return true;
}

bool ExtractResource(const wchar_t* destinationPath, const wchar_t* name, HMODULE module,
                     const wchar_t* type) {
    const void* bytes = nullptr;
    DWORD size = 0;
    if (!FindResourceBytes(name, module, type, bytes, size)) return false;
    // Created or emptied, as "wb" would.
    HANDLE file = CreateFileW(destinationPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD done = 0;
    bool written = WriteFile(file, bytes, size, &done, nullptr) && done == size;
    if (!CloseHandle(file)) written = false;
    return written;
}

HRESULT ClsidFromAnsiString(CLSID& clsid, const char* text) {
    wchar_t wide[1000] = {};
    if (text) MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 999);
    return CLSIDFromString(wide, &clsid);
}

std::string ClsidToAnsiString(const CLSID& clsid) {
    LPOLESTR wide = nullptr;
    if (FAILED(StringFromCLSID(clsid, &wide)) || !wide) return std::string();
    char narrow[1000] = {};
    WideCharToMultiByte(CP_ACP, 0, wide, -1, narrow, 999, nullptr, nullptr);
    CoTaskMemFree(wide);
    return narrow;
}

void ShowLastError() {
    const DWORD code = GetLastError();
    wchar_t text[1000] = {};
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                   MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, 1000, nullptr);
    AppMessageBox(MainWindow.load(), text, L"GetLastError", MB_OK, MB_ICONINFORMATION);
}

bool IsWindows7OrLater() {
    return WindowsMajorVersion > 6 || (WindowsMajorVersion == 6 && WindowsMinorVersion >= 1);
}

bool IsPageCommand(unsigned long command) {
    // The start panel's links (connect, preferences, set-up, show or hide the panel) and the
    // channel list's; a page can run nothing else.
    static constexpr unsigned long kAllowed[] = {
        ID_CHANNEL_LIST_BY_NAME, ID_CHANNEL_LIST_BY_MEMBERS, ID_CONNECT,    ID_PREFERENCES,
        ID_SHOW_START_PAGE,      ID_HIDE_START_PAGE,         ID_FIRST_STEPS};
    for (unsigned long allowed : kAllowed)
        if (command == allowed) return true;
    return false;
}

int WhatsNewCommandCallback(const wchar_t* text) {
    if (!text || _wcsnicmp(text, L"app:", 4) != 0) return 0;
    const wchar_t* digits = text + 4;
    if (*digits < L'0' || *digits > L'9') return 0;
    const unsigned long command = wcstoul(digits, nullptr, 10);
    if (!IsPageCommand(command)) return 0;
    PostMessageW(MainWindow.load(), WM_COMMAND, static_cast<WPARAM>(command), 0);
    return 0;
}
