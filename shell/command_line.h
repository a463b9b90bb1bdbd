// qv's command line: the start-up switches and the start-up command.
#pragma once

#include <string>
#include <vector>

// The registry key whose presence makes the per-user layout the default.
constexpr const wchar_t* kUninstallKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Brindlex 7";

// Reads the arguments (the program path first) into the start-up switches; options are compared
// ignoring case. Always true.
bool ParseCommandLine(const std::vector<std::wstring>& arguments);
// The same over the process's own arguments.
bool ParseCommandLine();
