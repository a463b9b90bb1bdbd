// The unhandled-exception filter that start-up installs. A fault is never resumed: the filter
// logs the exception code, the address and the thread to a log file in the temporary folder
// and to the debugger, then ends the process with the exception code as exit code.
#pragma once

#include <windows.h>

#include <string>

LONG WINAPI CrashRecoveryFilter(EXCEPTION_POINTERS* exception);

// The log file: the program's base name with "-crash.log" in the temporary folder.
std::wstring CrashLogPath();
// One log line: "fault C0000005 at 00007FF6A1B2C3D4 on thread 1234 (interface thread)\r\n".
// Written into a fixed buffer without the heap, so it works in a damaged process.
void FormatCrashLine(char (&line)[160], DWORD code, const void* address, DWORD threadId,
                     bool interfaceThread);
