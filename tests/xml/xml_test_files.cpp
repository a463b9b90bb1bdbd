#include "tests/xml/xml_test_files.h"

#include "common/xstring.h"

#include <atomic>

std::string TempFolder::FileUtf8(const wchar_t* name) const {
    return WideToNarrow(File(name));
}

CurrentFolder::CurrentFolder(const std::wstring& path) {
    wchar_t buffer[MAX_PATH + 1] = {};
    GetCurrentDirectoryW(MAX_PATH, buffer);
    previous_ = buffer;
    SetCurrentDirectoryW(path.c_str());
}

CurrentFolder::~CurrentFolder() {
    SetCurrentDirectoryW(previous_.c_str());
}
