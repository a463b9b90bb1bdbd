// Program-wide values that start-up notes once and the helpers read: the frame window, the
// interface thread, the Windows version, the language library and the program icon.
#pragma once

#include <windows.h>

#include <atomic>

extern std::atomic<HWND> MainWindow;
extern std::atomic<DWORD> UiThreadId;
extern DWORD WindowsMajorVersion;
extern DWORD WindowsMinorVersion;
extern std::atomic<HMODULE> LanguageModule;
extern HICON ProgramIcon;

// Records the calling thread as the interface thread and notes the Windows version.
void NoteInterfaceThread();
bool OnInterfaceThread();
