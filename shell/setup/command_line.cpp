#include "shell/setup/command_line.h"

#include "common/data_folders.h"
#include "common/text_compare.h"
#include "common/xstring.h"
#include "shell/setup/data_folder_setup.h"
#include "core/startup_switches.h"

#include <windows.h>
#include <shellapi.h>

namespace {

bool Is(const std::wstring& argument, const wchar_t* option) {
    return WStringEqualsNoCase(argument, option);
}

// Creating the key (no values) makes the per-user layout the default from now on; without the
// rights to do so nothing changes.
void WriteUninstallKey() {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS)
        RegCloseKey(key);
}

} // namespace

bool ParseCommandLine(const std::vector<std::wstring>& arguments) {
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        if (Is(argument, L"-8")) {
            CustomViewMode = 1;
        } else if (Is(argument, L"-p")) {
            SkipPlugins = 1;
        } else if (Is(argument, L"-e")) {
            StartupCommand.clear();
            for (size_t j = i + 1; j < arguments.size(); ++j)
                StartupCommand += WideToNarrow(arguments[j]) + " ";
            break;
        } else if (Is(argument, L"-s")) {
            if (i + 1 < arguments.size()) StartupCommand = "/installscript " + WideToNarrow(arguments[++i]);
        } else if (Is(argument, L"-sk")) {
            if (i + 1 < arguments.size()) StartupCommand = "/installskin " + WideToNarrow(arguments[++i]);
        } else if (Is(argument, L"-port1")) {
            DataMode = kDataModeProgramFolder;
        } else if (Is(argument, L"-port2")) {
            DataMode = kDataModePerUser;
        } else if (Is(argument, L"-fix64i")) {
            WriteUninstallKey();
        }
    }
    return true;
}

bool ParseCommandLine() {
    int count = 0;
    LPWSTR* list = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::wstring> arguments;
    for (int i = 0; list && i < count; ++i) arguments.emplace_back(list[i]);
    if (list) LocalFree(list);
    return ParseCommandLine(arguments);
}
