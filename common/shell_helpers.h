// Wrappers over the shell, files, the registry and COM class ids.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// ShellExecuteEx with the "runas" verb, waiting for the start and showing no error UI.
BOOL RunElevated(const wchar_t* file, const wchar_t* parameters, const wchar_t* directory);
// ShellExecute owned by the main window; a null verb means "open". Above 32 is success.
INT_PTR ShellOpen(const wchar_t* file, const wchar_t* parameters, const wchar_t* verb = nullptr);

// Opens the URL through the shell, or (when that fails or force is set) starts the browser
// registered for ".htm" with it. True when a browser was started.
bool OpenUrlInBrowser(const wchar_t* url, int showCommand, bool forceBrowser);
// The browser's command line for a URL: the registered command cut at its "%1", then the URL in
// double quotes. False, with nothing built, for a URL that could break out of its quotes or
// pass itself off as an option: empty, leading '-', a double quote or a control character.
bool BuildBrowserCommandLine(const std::wstring& registeredCommand, const std::wstring& url,
                             std::wstring& commandLine);

// "file://" and the path with every backslash turned into a slash.
std::wstring PathToFileUrl(const std::wstring& path);
// The absolute form of a path (GetFullPathNameW); the path itself when that fails.
std::wstring FullPathName(const std::wstring& path);
// 0 when the file cannot be opened for reading.
uint64_t GetFileSizeByName(const wchar_t* path);
// Reads the default value of key\subKey into value; 0, or the error opening the key.
LONG RegQueryDefaultValue(HKEY key, const wchar_t* subKey, std::wstring& value);

// A resource's bytes into memory or into a file ("wb"); false when the resource or the file is
// missing. A null type means "DATA".
bool ExtractResource(std::vector<uint8_t>& destination, const wchar_t* name, HMODULE module,
                     const wchar_t* type = nullptr);
bool ExtractResource(const wchar_t* destinationPath, const wchar_t* name, HMODULE module,
                     const wchar_t* type = nullptr);

// Class ids in registry form ("{...}") as text in the ANSI code page.
HRESULT ClsidFromAnsiString(CLSID& clsid, const char* text);
std::string ClsidToAnsiString(const CLSID& clsid);

// Shows the system's text for the last error in an information box titled "GetLastError".
void ShowLastError();
bool IsWindows7OrLater();

// The menu commands a page shown in the program may run through "app:" and a number.
bool IsPageCommand(unsigned long command);
// The start panel's command callback: "app:" and the number of a page command posts WM_COMMAND
// with that number to the main window; any other number is ignored. Returns 0.
int WhatsNewCommandCallback(const wchar_t* text);
