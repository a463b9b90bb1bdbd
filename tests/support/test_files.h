// Files and folders for the tests: a fresh folder per test, whole-file reads and writes, and the
// host's name of a path when the tests run under Wine.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// A fresh folder under the system's temporary folder, removed with its files afterwards.
class TestFolder {
public:
    explicit TestFolder(const wchar_t* prefix = L"test");
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

// Removes the folder with everything in it, read-only files too.
void RemoveTree(const std::wstring& folder);
// The whole file; empty when it cannot be read.
std::string ReadFileBytes(const std::wstring& path);
// Replaces the file with the bytes; false when not all were written.
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
bool FileExists(const std::wstring& path);
// The folder of the running test program (the build's bin folder, beside the program's files),
// without a final backslash.
std::wstring TestProgramFolder();
// The host's path of a Windows path under Wine; empty elsewhere.
std::string UnixPath(const std::wstring& windowsPath);
