// A plug-in qv loads in the end-to-end tests. When loaded it adds the popup "Test plug-in" to the
// menus through the program's AddPluginMenu; its items say a line through PluginInput (3601),
// fault (3602) and ask to be unloaded (3603). It notes what happens to it in "qv_test_plugin.log"
// beside itself.
#include <windows.h>

#include <cstdint>
#include <string>

namespace {

constexpr UINT kSayHello = 3601;
constexpr UINT kFault = 3602;
constexpr UINT kLeave = 3603;

template <class Entry> Entry ProgramExport(const char* name) {
    return reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(nullptr), name)));
}

void Note(const char* text) {
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&Note), &self);
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
    std::wstring log(path, length);
    log = log.substr(0, log.find_last_of(L'\\') + 1) + L"qv_test_plugin.log";
    HANDLE file = CreateFileW(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    const std::string line = std::string(text) + "\r\n";
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
}

} // namespace

extern "C" {

__declspec(dllexport) uint32_t __cdecl BrindlexVersion7(uint32_t, uint32_t, uint32_t) {
    if (auto add = ProgramExport<uint32_t(__cdecl*)(uint64_t, const char*)>("AddPluginMenu")) {
        HMENU popup = CreatePopupMenu();
        AppendMenuW(popup, MF_STRING, kSayHello, L"Say hello");
        AppendMenuW(popup, MF_STRING, kFault, L"Fault");
        AppendMenuW(popup, MF_STRING, kLeave, L"Leave");
        add(reinterpret_cast<uint64_t>(popup), "Test plug-in");
    }
    Note("loaded");
    return 0;
}

__declspec(dllexport) uint64_t __cdecl BrindlexProc(uint32_t code, void* block) {
    const auto* event = static_cast<const uint64_t*>(block);
    if (code != 2 || !event || event[1] != WM_COMMAND) return 0;
    switch (LOWORD(event[2])) {
        case kSayHello:
            Note("hello");
            if (auto input = ProgramExport<void(__cdecl*)(const char*)>("PluginInput"))
                input("/raw PRIVMSG #test :hello from the plug-in");
            return 1;
        case kFault:
            Note("fault");
            *static_cast<volatile int*>(nullptr) = 1;
            return 1;
        case kLeave: Note("leave"); return 2;
        default: return 0;
    }
}

__declspec(dllexport) void __cdecl BrindlexUnload(uint32_t) {
    Note("unloaded");
}
}
