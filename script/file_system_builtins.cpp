// Files and folders: delete, copy, move, size, attributes, extension, short path, listing,
// and creating, removing, entering and reporting folders. Paths are UTF-8 in scripts and go to
// the system's wide calls, so names outside the ANSI code page work.
#include "script/builtin_families.h"
#include "script/builtin_values.h"

#include "common/shell_helpers.h"
#include "common/xstring.h"

#include <windows.h>

namespace {

std::wstring WidePath(const BuiltinCall& call, size_t index) {
    return NarrowToWide(Arg(call, index));
}

// A system call on the path of the one argument, whose outcome the script does not see.
template <typename Act> uint32_t OnPath(BuiltinCall& call, Act act) {
    RequireArgs(call, 1);
    act(WidePath(call, 0).c_str());
    return BareResult(call, "");
}

uint32_t Delete(BuiltinCall& call) {
    return OnPath(call, DeleteFileW);
}

// All 64 bits; 0 for a file that cannot be opened (missing, locked or a folder).
uint32_t Size(BuiltinCall& call) {
    RequireArgs(call, 1);
    return NumberResult(call, static_cast<int64_t>(GetFileSizeByName(WidePath(call, 0).c_str())));
}

// After the last "." of the whole argument, so a "." in a folder name counts when the file
// name has none.
uint32_t Extension(BuiltinCall& call) {
    RequireArgs(call, 1);
    const size_t dot = Arg(call, 0).rfind('.');
    return TextResult(call, dot == std::string::npos ? std::string() : Arg(call, 0).substr(dot + 1));
}

uint32_t ShortPath(BuiltinCall& call) {
    RequireArgs(call, 1);
    const std::wstring path = WidePath(call, 0);
    std::wstring shortPath(GetShortPathNameW(path.c_str(), nullptr, 0), L'\0');
    const DWORD length = shortPath.empty() ? 0
                                           : GetShortPathNameW(path.c_str(), shortPath.data(),
                                                               static_cast<DWORD>(shortPath.size()));
    shortPath.resize(length < shortPath.size() ? length : 0);
    return TextResult(call, WideToNarrow(shortPath));
}

// A third argument that is not 0 keeps an existing destination.
uint32_t Copy(BuiltinCall& call) {
    RequireArgs(call, 2, false);
    const BOOL keepExisting = HasArg(call, 2) && ArgNumber(call, 2) != 0;
    CopyFileW(WidePath(call, 0).c_str(), WidePath(call, 1).c_str(), keepExisting);
    return BareResult(call, "");
}

uint32_t Move(BuiltinCall& call) {
    RequireArgs(call, 2);
    MoveFileW(WidePath(call, 0).c_str(), WidePath(call, 1).c_str());
    return BareResult(call, "");
}

uint32_t Attributes(BuiltinCall& call) {
    RequireArgs(call, 1);
    return NumberResult(call, GetFileAttributesW(WidePath(call, 0).c_str()));
}

// Every entry the search returns, "." and ".." included, without its folder; one empty value
// when nothing matches.
uint32_t FindFiles(BuiltinCall& call) {
    RequireArgs(call, 1);
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW(WidePath(call, 0).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return kTextResult;
    std::vector<std::string> names;
    do names.push_back(WideToNarrow(found.cFileName));
    while (FindNextFileW(search, &found));
    FindClose(search);
    return TextListResult(call, std::move(names));
}

uint32_t MakeFolder(BuiltinCall& call) {
    return OnPath(call, [](const wchar_t* path) { CreateDirectoryW(path, nullptr); });
}

uint32_t RemoveFolder(BuiltinCall& call) {
    return OnPath(call, RemoveDirectoryW);
}

// The current folder belongs to the whole process: relative paths in every thread, the
// program's own included, resolve against it from now on.
uint32_t EnterFolder(BuiltinCall& call) {
    return OnPath(call, SetCurrentDirectoryW);
}

uint32_t CurrentFolder(BuiltinCall& call) {
    std::wstring folder(GetCurrentDirectoryW(0, nullptr), L'\0');
    const DWORD length =
        folder.empty() ? 0 : GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data());
    folder.resize(length < folder.size() ? length : 0);
    return BareResult(call, WideToNarrow(folder));
}

const BuiltinEntry kRows[] = {
    {"remove", Delete, RefusedForRemoteText, Argument(0)},
    {"DeleteFile", Delete, RefusedForRemoteText, Argument(0)},
    {"ExistsFile", Size},
    {"FSize", Size},
    {"GetFileSize", Size},
    {"GetFileExtension", Extension},
    {"FullToShort", ShortPath},
    {"GetShortPathName", ShortPath},
    {"CopyFile", Copy, RefusedForRemoteText, Argument(0) | Argument(1)},
    {"MoveFile", Move, RefusedForRemoteText, Argument(0) | Argument(1)},
    {"GetFileAttributes", Attributes},
    {"FindFiles", FindFiles},
    {"CreateDirectory", MakeFolder, RefusedForRemoteText, Argument(0)},
    {"RemoveDirectory", RemoveFolder, RefusedForRemoteText, Argument(0)},
    {"SetCurrentDirectory", EnterFolder, RefusedForRemoteText, Argument(0)},
    {"GetCurrentDirectory", CurrentFolder},
};

} // namespace

std::span<const BuiltinEntry> FileSystemBuiltins() {
    return kRows;
}
