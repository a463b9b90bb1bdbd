// Files written so that a failure never costs the old content: the bytes go to a temporary file
// in the same folder, every write is checked and flushed, and only then the file is replaced.
#pragma once

#include <cstddef>
#include <string>

bool XmlWriteFileReplacing(const std::wstring& path, const void* bytes, size_t size);
