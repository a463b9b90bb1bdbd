// The program's path and the folders it works in, set once by start-up (InitDataFolders) before
// other threads run and read everywhere afterwards: the program's own folder, the documents
// folder (logs, received files), the user's data folder (the user's settings), the folder shared
// by all users and the temporary folder. No folder ends in a backslash.
#pragma once

#include <cstdint>
#include <string>

// Where the data lives: undecided until the command line ("-port1", "-port2") or InitDataFolders
// chooses.
constexpr uint32_t kDataModeUndecided = 0;
constexpr uint32_t kDataModeProgramFolder = 1;
constexpr uint32_t kDataModePerUser = 2;
extern uint32_t DataMode;

extern std::wstring ProgramPath;
extern std::wstring ProgramFolder;
extern std::wstring DocumentsFolder;
extern std::wstring UserDataFolder;
extern std::wstring CommonDataFolder;
extern std::wstring TempFolder;
