#include "common/data_folders.h"

uint32_t DataMode = kDataModeUndecided;

std::wstring ProgramPath;
std::wstring ProgramFolder;
std::wstring DocumentsFolder;
std::wstring UserDataFolder;
std::wstring CommonDataFolder;
std::wstring TempFolder;
