// A plug-in library for the host's tests. Built twice, as test_plugin_a.dll and test_plugin_b.dll;
// the test sets through its exports what it answers to each event and reads what it received.
// Two answers act instead of returning: kFault faults inside the call, kBlock waits in it until
// the test lets it go. A test program that exports TestPluginWindowText sees and answers each
// printed line itself.
#include <windows.h>

#include <cstdint>
#include <string>

namespace {

constexpr uint64_t kFault = 0xFA17;
constexpr uint64_t kBlock = 0xB10C;
constexpr UINT kMenuItem = 3500 + PLUGIN_LETTER;
constexpr uint32_t kWindowText = 4; // a line printed into a window

uint64_t Answers[8] = {};
uint32_t Received[8] = {};
uint32_t VersionAnswer = PLUGIN_REFUSES;
uint32_t Unloads = 0;

// The program's own exports, found as every plug-in finds them.
template <class Entry> Entry ProgramExport(const char* name) {
    return reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(nullptr), name)));
}

void WaitInCall() {
    HANDLE entered = OpenEventW(EVENT_MODIFY_STATE, FALSE, L"BrindlexTestPluginEntered");
    HANDLE release = OpenEventW(SYNCHRONIZE, FALSE, L"BrindlexTestPluginRelease");
    if (entered) SetEvent(entered);
    if (release) WaitForSingleObject(release, 10000);
    if (entered) CloseHandle(entered);
    if (release) CloseHandle(release);
}

} // namespace

extern "C" {

__declspec(dllexport) uint64_t __cdecl BrindlexProc(uint32_t code, void* block) {
    if (code >= 8) return 0;
    ++Received[code];
    // The menu item this plug-in added says a line in the window the user works in.
    const auto* event = static_cast<const uint64_t*>(block);
    if (code == 2 && event && event[1] == WM_COMMAND && LOWORD(event[2]) == kMenuItem) {
        const std::string line = "/raw PRIVMSG #test :menu item " + std::to_string(PLUGIN_LETTER);
        if (auto input = ProgramExport<void(__cdecl*)(const char*)>("PluginInput")) input(line.c_str());
        return 1;
    }
    // A program that watches the lines offered to plug-ins gets each one and gives the answer.
    using SeenText = uint64_t(__cdecl*)(uint32_t windowIndex, const wchar_t* text);
    if (code == kWindowText && event)
        if (auto seen = ProgramExport<SeenText>("TestPluginWindowText"))
            return seen(static_cast<uint32_t>(event[1]), reinterpret_cast<const wchar_t*>(event[3]));
    if (Answers[code] == kFault) *static_cast<volatile int*>(nullptr) = 1;
    if (Answers[code] == kBlock) WaitInCall();
    return Answers[code] == kBlock ? 0 : Answers[code];
}

__declspec(dllexport) uint32_t __cdecl BrindlexVersion7(uint32_t major, uint32_t build, uint32_t) {
    return major == 7 && build == 94 ? VersionAnswer : 1;
}

__declspec(dllexport) void __cdecl BrindlexUnload(uint32_t) {
    ++Unloads;
    // The count outlives the library in a value of the process the test reads afterwards.
    wchar_t name[32] = L"TEST_PLUGIN_UNLOADS_";
    name[20] = static_cast<wchar_t>(L'0' + PLUGIN_LETTER);
    name[21] = 0;
    wchar_t count[8] = {static_cast<wchar_t>(L'0' + Unloads), 0};
    SetEnvironmentVariableW(name, count);
}

__declspec(dllexport) void __cdecl TestPluginAnswer(uint32_t code, uint64_t answer) {
    if (code < 8) Answers[code] = answer;
}

__declspec(dllexport) uint32_t __cdecl TestPluginReceived(uint32_t code) {
    return code < 8 ? Received[code] : 0;
}

// Adds a popup with the plug-in's menu item through the program's AddPluginMenu; returns what it
// returned, 0 when the program has no such export.
__declspec(dllexport) uint32_t __cdecl TestPluginAddMenu(const char* caption) {
    auto add = ProgramExport<uint32_t(__cdecl*)(uint64_t, const char*)>("AddPluginMenu");
    if (!add) return 0;
    HMENU popup = CreatePopupMenu();
    AppendMenuW(popup, MF_STRING, kMenuItem, L"Say something");
    return add(reinterpret_cast<uint64_t>(popup), caption);
}
}
