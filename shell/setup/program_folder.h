// Files beside the program: whether it may write there, and removing left-overs by pattern.
#pragma once

#include "common/folder_probe.h"

#include <string>

// IsFolderWritable of ProgramFolder.
bool IsProgramFolderWritable();

// Deletes every file in the folder whose long name matches the pattern ('*' and '?', case
// ignored). Short 8.3 names are not matched, so "*.old" never takes "notes.older". Folders and
// files that cannot be deleted are left alone.
void DeleteMatchingFiles(const std::wstring& folder, const std::wstring& pattern);
