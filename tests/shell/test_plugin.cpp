// A plug-in library for the host's tests. Built twice, as test_plugin_a.dll and test_plugin_b.dll;
// the test sets through its exports what it answers to each event and reads what it received.
#include <windows.h>

#include <cstdint>

namespace {

uint64_t Answers[8] = {};
uint32_t Received[8] = {};
uint32_t VersionAnswer = PLUGIN_REFUSES;
uint32_t Unloads = 0;

} // namespace

extern "C" {

__declspec(dllexport) uint64_t __cdecl BrindlexProc(uint32_t code, void*) {
    if (code >= 8) return 0;
    ++Received[code];
    return Answers[code];
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
}
