// Names that came from outside (a server, a peer, a download) made safe to use as one file name
// inside a folder the program chose.
#pragma once

#include <string>
#include <string_view>

// At most this many characters are kept, so folder, name and extension stay within path limits.
constexpr size_t kMaxPlainBaseName = 200;

// Characters that change how the text around them is shown without being seen themselves: the
// marks and embeddings, overrides and isolates of bidirectional text (U+061C, U+200E, U+200F,
// U+202A to U+202E, U+2066 to U+2069). In a name they can make "txt.exe" read as "exe.txt".
bool IsDirectionControl(char32_t c);
// UTF-8 text without control characters (C0, DEL, C1) and direction controls; other bytes,
// also those of invalid sequences, stay as they are.
std::string WithoutControlCharacters(std::string_view text);

// The name as a plain base name: path separators, drive colons, quotes, wildcard and redirection
// characters, control characters and direction controls become '_'; leading and trailing dots and blanks are
// dropped (so ".." and "..." vanish); a Windows device name (CON, PRN, AUX, NUL, COM1-9, LPT1-9, CONIN$,
// CONOUT$, with or without an extension) gets a leading '_'; an empty result is "_".
std::wstring PlainBaseName(const std::wstring& name);
// True for a name Windows takes as a device (CON, NUL, COM1, ... with or without an extension),
// compared as Windows does: the part before the first dot, trailing blanks ignored.
bool IsWindowsDeviceName(const std::wstring& name);
// The same for UTF-8 text; the result is wide, ready to be joined to a folder.
std::wstring PlainBaseNameUtf8(const std::string& name);
