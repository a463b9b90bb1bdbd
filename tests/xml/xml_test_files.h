// Temporary folders and whole-file reads and writes for the XML tests.
#pragma once

#include "tests/support/test_files.h"

#include <string>

// A fresh folder for one test, with the UTF-8 names the narrow XML functions take.
class TempFolder : public TestFolder {
public:
    TempFolder() : TestFolder(L"xmltest") {}
    std::string FileUtf8(const wchar_t* name) const;
};

// Makes the current directory the folder for the object's lifetime.
class CurrentFolder {
public:
    explicit CurrentFolder(const std::wstring& path);
    ~CurrentFolder();

private:
    std::wstring previous_;
};
