// The system's dialog for choosing a file to open, over every file ("*.*").
#pragma once

#include <windows.h>

#include <string>

// The buffer the dialog filled, of the capacity (the full path, or with OFN_ALLOWMULTISELECT
// among the flags the folder and then each name, each ended by a zero); empty when cancelled.
std::wstring ChooseFileToOpen(HWND owner, DWORD flags, size_t capacity);
