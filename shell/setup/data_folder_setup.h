// Deciding, at every start, where the program keeps its settings, logs and received files, making
// those folders, and registering the "irc" URL protocol.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

// The product folder appended to the system folders in the per-user layout.
constexpr const wchar_t* kProductFolderName = L"Brindlex 7";
// Present in HKEY_LOCAL_MACHINE when the program was installed: the per-user layout is the default.
constexpr const wchar_t* kUninstallKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Brindlex 7";

// The folders of one layout.
struct DataFolderSet {
    std::wstring Documents;
    std::wstring UserData;
    std::wstring CommonData;
    std::wstring Temp;
};

// The system folders the per-user layout builds on (no trailing backslash).
struct SystemFolders {
    std::wstring Documents;
    std::wstring AppData;
    std::wstring CommonAppData;
    std::wstring Temp;
};

// A mode chosen on the command line stays; otherwise the uninstall key decides.
uint32_t DecideDataMode(uint32_t commandLineMode, bool installed);
// The folders of the mode: the program-folder layout keeps everything under "CFG" and
// "UCFG\<user>" of the program folder; the per-user layout uses the system folders.
DataFolderSet PlanDataFolders(uint32_t mode, const std::wstring& programFolder, const std::wstring& userName,
                              const SystemFolders& system);
// Creates every folder of the set (an existing one is no error; a failure is not reported).
void CreateDataFolders(uint32_t mode, const std::wstring& programFolder, const DataFolderSet& folders);

// Registers the protocol under root\irc (HKEY_CLASSES_ROOT at start-up) so that an "irc://" link
// starts the program with "/server" and the URL as its start-up command. False when the key
// cannot be opened for writing; nothing is said.
bool RegisterIrcProtocol(HKEY root, const std::wstring& programPath);

// Fills ProgramPath, ProgramFolder, DataMode and the folders for the running program, creates the
// folders, makes the program folder the current directory and registers the protocol.
void InitDataFolders();
// The same for a given program path (tests run it for a program in a folder of their own).
void InitDataFoldersFor(const std::wstring& programPath);
