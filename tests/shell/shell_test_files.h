// Files and folders for the shell tests: a fresh folder per test, whole-file reads and writes, the
// libraries built beside the test program and the repository's own sources.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class TestFolder {
public:
    TestFolder();
    ~TestFolder();
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    const std::wstring& Path() const { return path_; }
    std::wstring File(const wchar_t* name) const { return path_ + L"\\" + name; }
    // Names of the entries in the folder (not "." and "..").
    std::vector<std::wstring> Entries() const;

private:
    std::wstring path_;
};

std::string ReadWholeFile(const std::wstring& path);
bool WriteWholeFile(const std::wstring& path, const std::string& bytes);
bool FileExists(const std::wstring& path);

// A library built beside the test program, loaded once for the whole run.
HMODULE BuiltLibrary(const wchar_t* name);

// Every .cpp and .h file of the program's own code (tests, benchmarks and third-party code left
// out), with its text.
struct SourceFile {
    std::string Name;
    std::string Text;
};
const std::vector<SourceFile>& ProgramSources();
