// The virus scanner the user names for received files, kept in qx.ini.
#pragma once

#include <windows.h>

#include <string>

// qx.ini in the user's "Brindlex 7" folder, which is created when missing.
std::wstring QxIniPath();
// The scanner's command line with its first "%1" replaced by the path in double quotes (once,
// also where the command already quotes "%1").
std::wstring ScanCommandLine(const std::wstring& command, const std::wstring& path);
// Asks for the command line when none is kept or ask is set (Cancel ends here), keeps it and
// starts it on the file.
void RunAntivirusScan(HWND owner, const std::wstring& iniPath, const std::wstring& path, bool ask);
// qx's one-line input box: true with the text when OK was pressed.
bool AskLine(HWND owner, const wchar_t* title, const wchar_t* prompt, std::wstring& text);
