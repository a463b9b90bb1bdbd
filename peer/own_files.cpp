#include "peer/own_files.h"

#include "common/data_folders.h"
#include "common/text_compare.h"
#include "markup/markup_codes.h"

#include <windows.h>

namespace {

// The files the program reads or writes under these names in its folders.
const wchar_t* const kOwnNames[] = {
    L"qv.exe",   L"qx.exe",       L"qvlang.dll", L"qvres.dll", L"qv.xml",  L"qv.ini",
    L"temp.xml", L"tempuser.xml", L"extras.xml", L"qx.ini",    L"rup.ini",
};
// Parts of a settings document unloaded to files of their own.
const wchar_t kUnloadedPartExtension[] = L".xmltmp";

std::wstring LongForm(const std::wstring& path) {
    const DWORD size = GetLongPathNameW(path.c_str(), nullptr, 0);
    if (size == 0) return path;
    std::wstring out(size, L'\0');
    out.resize(GetLongPathNameW(path.c_str(), out.data(), size));
    return out.empty() ? path : out;
}

std::wstring FullForm(const std::wstring& path) {
    const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0) return path;
    std::wstring out(size, L'\0');
    out.resize(GetFullPathNameW(path.c_str(), size, out.data(), nullptr));
    return out;
}

// The name Windows would open: after the last separator, before a stream name, without
// trailing dots and blanks.
std::wstring EffectiveName(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    name = name.substr(0, name.find(L':'));
    while (!name.empty() && (name.back() == L'.' || name.back() == L' ')) name.pop_back();
    return name;
}

bool IsOwnName(const std::wstring& name) {
    for (const wchar_t* own : kOwnNames)
        if (WStringEqualsNoCase(name, own)) return true;
    const size_t extension = wcslen(kUnloadedPartExtension);
    return name.size() >= extension &&
           WStringEqualsNoCase(name.substr(name.size() - extension), kUnloadedPartExtension);
}

std::wstring FolderOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

std::wstring WithoutTrailingSeparators(std::wstring folder) {
    while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
    return folder;
}

} // namespace

bool peer::IsProgramOwnFile(const std::wstring& path) {
    const std::wstring full = LongForm(FullForm(path));
    if (IsOwnName(EffectiveName(path)) || IsOwnName(EffectiveName(full))) return true;
    if (ProgramFolder.empty()) return false;
    const std::wstring program = WithoutTrailingSeparators(LongForm(FullForm(ProgramFolder)));
    return WStringEqualsNoCase(WithoutTrailingSeparators(LongForm(FolderOf(full))), program);
}

std::wstring peer::OwnFileRefusal(const std::wstring& name) {
    return std::wstring(kSymbolDot) + L" " + name +
           L" refused: a received file never takes the name of a file of Brindlex nor goes into its program "
           L"folder.";
}
