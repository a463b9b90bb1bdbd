#include "common/data_folders.h"

std::wstring ProgramFolder;
std::wstring UserDataFolder;
std::wstring CommonDataFolder;
std::wstring TempFolder;
