#include "tests/shell/shell_test_files.h"

#include "common/xstring.h"

#include <atomic>
#include <map>
#include <mutex>

#ifndef BRINDLEX_SOURCE_DIR
#error "BRINDLEX_SOURCE_DIR names the repository for the source scans"
#endif

namespace {

bool EndsWith(const std::wstring& text, const wchar_t* tail) {
    const size_t n = wcslen(tail);
    return text.size() >= n && text.compare(text.size() - n, n, tail) == 0;
}

// Folders of the repository that hold no code of qv (the transfer program has resources of its own).
bool SkippedFolder(const std::wstring& name) {
    return name == L"tests" || name == L"third_party" || name == L"bench" || name == L"scripts" ||
           name == L"qx" || name == L"transfer" || name == L"cmake" || name == L"lang" || name == L"res" ||
           name[0] == L'.' || name.rfind(L"build", 0) == 0;
}

void CollectSources(const std::wstring& folder, const std::string& prefix, std::vector<SourceFile>& out) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring full = folder + L"\\" + name;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (prefix.empty() && SkippedFolder(name)) continue;
            if (FileExists(full + L"\\CMakeCache.txt")) continue;
            CollectSources(full, prefix + WideToNarrow(name) + "/", out);
        } else if (EndsWith(name, L".cpp") || EndsWith(name, L".h")) {
            out.push_back({prefix + WideToNarrow(name), ReadFileBytes(full)});
        }
    } while (FindNextFileW(find, &data));
    FindClose(find);
}

} // namespace

HMODULE BuiltLibrary(const wchar_t* name) {
    static std::mutex mutex;
    static std::map<std::wstring, HMODULE> loaded;
    std::lock_guard<std::mutex> lock(mutex);
    auto found = loaded.find(name);
    if (found != loaded.end()) return found->second;
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    folder.erase(folder.find_last_of(L"\\/") + 1);
    HMODULE module = LoadLibraryW((folder + name).c_str());
    loaded[name] = module;
    return module;
}

const std::vector<SourceFile>& ProgramSources() {
    static const std::vector<SourceFile> sources = [] {
        std::vector<SourceFile> files;
        // The repository as the Windows side sees the build machine's file system.
        std::wstring root = NarrowToWide(BRINDLEX_SOURCE_DIR);
        if (!root.empty() && root[0] == L'/') root = L"Z:" + root;
        for (wchar_t& c : root)
            if (c == L'/') c = L'\\';
        CollectSources(root, "", files);
        return files;
    }();
    return sources;
}
