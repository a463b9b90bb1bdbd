// Temporary folders and whole-file reads and writes for the XML tests.
#pragma once

#include <windows.h>

#include <string>

// A fresh folder under the system's temporary folder, removed with its files afterwards.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::wstring& Path() const { return path_; }
    std::wstring File(const wchar_t* name) const { return path_ + L"\\" + name; }
    std::string FileUtf8(const wchar_t* name) const;

private:
    std::wstring path_;
};

std::string ReadBytes(const std::wstring& path);
bool WriteBytes(const std::wstring& path, const std::string& bytes);
bool FileExists(const std::wstring& path);
// Makes the current directory the folder for the object's lifetime.
class CurrentFolder {
public:
    explicit CurrentFolder(const std::wstring& path);
    ~CurrentFolder();

private:
    std::wstring previous_;
};
