// The two ways in and out of the script engine: blocks in another script language, run by the
// Windows Script Control on the interface thread, and scripts handed in by plug-ins.
#pragma once

#include <windows.h>

#include <cstdint>

// The frame's handling of WM_RUN_ACTIVEX_SCRIPT: a fresh Script Control for the language
// adds the code and runs its procedure "main" once. Failures are not reported. Returns 0.
LRESULT RunActiveXScript(const wchar_t* language, const wchar_t* code);

// Exported to plug-ins: runs the script (lines separated by CR LF) in the active window, with
// its server window's connection; nothing runs without an active window. The result buffer is
// never written.
extern "C" __declspec(dllexport) void __cdecl PluginScript(const char* script, char* result);
