#include "shell/setup/data_folder_setup.h"

#include "common/data_folders.h"

#include <shlobj.h>

#include <vector>

namespace {

std::wstring WithoutTrailingBackslash(std::wstring path) {
    while (path.size() > 3 && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
    return path;
}

std::wstring ShellFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return std::wstring();
    return WithoutTrailingBackslash(path);
}

SystemFolders ReadSystemFolders() {
    SystemFolders system;
    system.Documents = ShellFolder(CSIDL_PERSONAL);
    system.AppData = ShellFolder(CSIDL_APPDATA);
    system.CommonAppData = ShellFolder(CSIDL_COMMON_APPDATA);
    wchar_t temp[MAX_PATH + 1] = {};
    DWORD n = GetTempPathW(MAX_PATH + 1, temp);
    if (n > 0 && n <= MAX_PATH) system.Temp = WithoutTrailingBackslash(temp);
    return system;
}

std::wstring CurrentUserName() {
    wchar_t name[257] = {};
    DWORD size = 257;
    if (!GetUserNameW(name, &size)) return L"user";
    return name;
}

bool IsInstalled() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

std::wstring ProductFolder(const std::wstring& base) {
    return base.empty() ? std::wstring(kProductFolderName) : base + L"\\" + kProductFolderName;
}

bool SetDefaultText(HKEY key, const wchar_t* name, const std::wstring& text) {
    const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), bytes) ==
           ERROR_SUCCESS;
}

bool SetSubkeyDefault(HKEY parent, const wchar_t* path, const std::wstring& text) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(parent, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return false;
    bool ok = SetDefaultText(key, nullptr, text);
    RegCloseKey(key);
    return ok;
}

} // namespace

uint32_t DecideDataMode(uint32_t commandLineMode, bool installed) {
    if (commandLineMode != kDataModeUndecided) return commandLineMode;
    return installed ? kDataModePerUser : kDataModeProgramFolder;
}

DataFolderSet PlanDataFolders(uint32_t mode, const std::wstring& programFolder, const std::wstring& userName,
                              const SystemFolders& system) {
    DataFolderSet set;
    if (mode == kDataModePerUser) {
        set.Documents = ProductFolder(system.Documents);
        set.UserData = ProductFolder(system.AppData);
        set.CommonData = ProductFolder(system.CommonAppData);
        set.Temp = system.Temp;
    } else {
        set.UserData = programFolder + L"\\UCFG\\" + userName;
        set.Documents = set.UserData;
        set.CommonData = programFolder + L"\\CFG";
        set.Temp = set.UserData;
    }
    return set;
}

void CreateDataFolders(uint32_t mode, const std::wstring& programFolder, const DataFolderSet& folders) {
    std::vector<std::wstring> order;
    if (mode == kDataModePerUser)
        order = {folders.Documents, folders.UserData, folders.CommonData};
    else
        order = {folders.CommonData, programFolder + L"\\UCFG", folders.UserData};
    for (const std::wstring& folder : order) CreateDirectoryW(folder.c_str(), nullptr);
}

bool RegisterIrcProtocol(HKEY root, const std::wstring& programPath) {
    HKEY irc = nullptr;
    if (RegCreateKeyExW(root, L"irc", 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &irc,
                        nullptr) != ERROR_SUCCESS)
        return false;
    bool ok = SetDefaultText(irc, nullptr, L"URL:IRC Protocol");
    // One blank, without a terminator.
    const wchar_t blank = L' ';
    ok = RegSetValueExW(irc, L"URL Protocol", 0, REG_SZ, reinterpret_cast<const BYTE*>(&blank),
                        sizeof blank) == ERROR_SUCCESS &&
         ok;
    ok = SetSubkeyDefault(irc, L"DefaultIcon", programPath + L",0") && ok;
    // The program path is quoted too, so a folder with blanks cannot start another program.
    ok = SetSubkeyDefault(irc, L"Shell\\open\\command", L"\"" + programPath + L"\" -e /server \"%1\"") && ok;
    RegCloseKey(irc);
    return ok;
}

void InitDataFoldersFor(const std::wstring& programPath) {
    ProgramPath = programPath;
    size_t slash = programPath.find_last_of(L"\\/");
    ProgramFolder = slash == std::wstring::npos ? std::wstring() : programPath.substr(0, slash);

    DataMode = DecideDataMode(DataMode, IsInstalled());
    const SystemFolders system = DataMode == kDataModePerUser ? ReadSystemFolders() : SystemFolders();
    const DataFolderSet folders = PlanDataFolders(DataMode, ProgramFolder, CurrentUserName(), system);
    CreateDataFolders(DataMode, ProgramFolder, folders);
    DocumentsFolder = folders.Documents;
    UserDataFolder = folders.UserData;
    CommonDataFolder = folders.CommonData;
    TempFolder = folders.Temp;

    SetCurrentDirectoryW(ProgramFolder.c_str());
    RegisterIrcProtocol(HKEY_CLASSES_ROOT, ProgramPath);
}

void InitDataFolders() {
    std::vector<wchar_t> path(520);
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) break;
        if (n < path.size()) {
            InitDataFoldersFor(std::wstring(path.data(), n));
            return;
        }
        path.resize(path.size() * 2);
    }
    InitDataFoldersFor(std::wstring());
}
