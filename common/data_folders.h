// The folders the program works in, set once by start-up before other threads run: the program's
// own folder, the user's data folder, the folder shared by all users and the temporary folder.
#pragma once

#include <string>

extern std::wstring ProgramFolder;
extern std::wstring UserDataFolder;
extern std::wstring CommonDataFolder;
extern std::wstring TempFolder;
