// Whether the program may write into a folder.
#pragma once

#include <string>

// True when a new file can be created in the folder; the probe file is removed again and no
// existing file is touched.
bool IsFolderWritable(const std::wstring& folder);
