// The log file of a chat window.
#pragma once

#include "core/client_services.h"

#include <windows.h>

#include <cstdint>
#include <string>

struct WindowRecord;

constexpr int32_t kLogStartMarker = -1;
constexpr int32_t kLogEndMarker = -2;

namespace shell {
// Appends one line (CR LF added) to the record's log file; null text writes nothing.
void WriteLogLine(WindowRecord* record, const wchar_t* text);
// Writes the start or end marker (kLogStartMarker, kLogEndMarker) with the local time.
void WriteLogLine(WindowRecord* record, int32_t marker);
} // namespace shell

// The log file of a window named by a server or a peer: "<folder>\<name>.log" with the name made a
// plain base name, so no channel or nick name can reach outside the folder or name a device.
std::wstring ChatLogPath(const std::wstring& folder, const std::string& utf8Name);

// Whether a window's log is being written to this file (full paths, any case).
bool IsLiveLogFile(const std::wstring& path);
// The file name a save of the window's text offers in the folder: "<name><extension>", or with
// " (2)", " (3)", ... when that file is a log being written, which a save must never replace.
std::wstring SaveFileProposal(const std::wstring& folder, const std::string& utf8Name,
                              const std::wstring& extension);

// Rich Edit stream-out callback (EDITSTREAM's pfnCallback): the cookie is the target path (wide).
// Appends the bytes; 0 when written, 1 when the file could not be opened (ends the stream).
DWORD CALLBACK AppendStreamToFile(DWORD_PTR cookie, LPBYTE bytes, LONG count, LONG* written);
