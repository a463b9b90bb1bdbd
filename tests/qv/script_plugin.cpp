// A plug-in for the script tests of qv: when the test posts its message to the frame, it hands
// qv a two-line script through qv's exported PluginScript.
#include <windows.h>

#include <cstdint>

namespace {

constexpr UINT kRunScriptMessage = WM_APP + 0x5C;

using PluginScriptFn = void(__cdecl*)(const char*, char*);

} // namespace

extern "C" {

// Event 0 carries each message of qv's loop.
__declspec(dllexport) uint64_t __cdecl BrindlexProc(uint32_t code, void* block) {
    const MSG* message = static_cast<const MSG*>(block);
    if (code != 0 || !message || message->message != kRunScriptMessage) return 0;
    auto run = reinterpret_cast<PluginScriptFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(nullptr), "PluginScript")));
    char result[16] = {};
    if (run) run("/msg #test from the plug-in one\r\n/msg #test from the plug-in two", result);
    return 1;
}

__declspec(dllexport) uint32_t __cdecl BrindlexVersion7(uint32_t, uint32_t, uint32_t) {
    return 0;
}

__declspec(dllexport) void __cdecl BrindlexUnload(uint32_t) {}
}
