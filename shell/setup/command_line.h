// qv's command line: the start-up switches and the start-up command.
#pragma once

#include <string>
#include <vector>

// Reads the arguments (the program path first) into the start-up switches; options are compared
// ignoring case. Always true.
bool ParseCommandLine(const std::vector<std::wstring>& arguments);
// The same over the process's own arguments.
bool ParseCommandLine();
