// Putting a downloaded file in the place of the old one, which keeps a ".old" name.
#pragma once

#include <windows.h>

#include <string>

// Moves the file to "<path>.old" (replacing an older one) and "<path>.new" to the path. Every
// move is checked: when the new file cannot take the old one's place, the old file is moved
// back, so the path always holds a whole file. True when the new file is in place; hadFile tells
// whether there was a file to keep as ".old".
bool SwapInNewFile(const std::wstring& path, bool* hadFile = nullptr);
// Undoes a swap: "<path>.old" takes the path again, or, when there was no file before, the new
// file goes. True when the path is as it was before the swap.
bool PutBackOldFile(const std::wstring& path, bool hadFile);

// The folder name of a backup taken at that time: "month-day-year-hour-minute".
std::wstring BackupFolderName(const SYSTEMTIME& time);
// Moves "<path>.old" into the folder (made when missing) under its own file name.
bool MoveOldFileToBackup(const std::wstring& path, const std::wstring& folder);
