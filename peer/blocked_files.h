// The files the user refuses to receive from others: "Cfg\Options3\File_Transfers"
// "Blocked_Files", blank-separated wildcard patterns matched against the whole file name without
// regard to case; a pattern "*" refuses every file.
#pragma once

#include <string>

namespace peer {
// name: the file's base name (UTF-8).
bool IsBlockedFileName(const std::string& name);
} // namespace peer
