// Files and folders for the shell tests: a fresh folder per test, whole-file reads and writes, the
// libraries built beside the test program and the repository's own sources.
#pragma once

#include "tests/support/test_files.h"

#include <windows.h>

#include <string>
#include <vector>

// A library built beside the test program, loaded once for the whole run.
HMODULE BuiltLibrary(const wchar_t* name);

// Every .cpp and .h file of the program's own code (tests, benchmarks and third-party code left
// out), with its text.
struct SourceFile {
    std::string Name;
    std::string Text;
};
const std::vector<SourceFile>& ProgramSources();
