// Program-wide values that start-up notes once and the helpers read: the frame window, the
// interface thread, the Windows version, the language library and the program icon.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

extern std::atomic<HWND> MainWindow;
extern std::atomic<DWORD> UiThreadId;
extern DWORD WindowsMajorVersion;
extern DWORD WindowsMinorVersion;
extern std::atomic<HMODULE> LanguageModule;
extern HICON ProgramIcon;
// The code page of window text that has none of its own (0: the ANSI code page); the
// "/encoding" and "/utf8" commands change it.
extern std::atomic<uint32_t> DefaultCodePage;

// Records the calling thread as the interface thread and notes the Windows version.
void NoteInterfaceThread();
bool OnInterfaceThread();
