// Names that came from outside (a server, a peer, a download) made safe to use as one file name
// inside a folder the program chose.
#pragma once

#include <string>

// At most this many characters are kept, so folder, name and extension stay within path limits.
constexpr size_t kMaxPlainBaseName = 200;

// The name as a plain base name: path separators, drive colons, quotes, wildcard and redirection
// characters and control characters become '_'; leading and trailing dots and blanks are dropped
// (so ".." and "..." vanish); a Windows device name (CON, PRN, AUX, NUL, COM1-9, LPT1-9, CONIN$,
// CONOUT$, with or without an extension) gets a leading '_'; an empty result is "_".
std::wstring PlainBaseName(const std::wstring& name);
// True for a name Windows takes as a device (CON, NUL, COM1, ... with or without an extension),
// compared as Windows does: the part before the first dot, trailing blanks ignored.
bool IsWindowsDeviceName(const std::wstring& name);
// The same for UTF-8 text; the result is wide, ready to be joined to a folder.
std::wstring PlainBaseNameUtf8(const std::string& name);
