// The program's own files, which a file received from others never replaces.
#pragma once

#include <string>

namespace peer {
// True when a received file may not be written at the path: its name is one the program keeps
// for itself (its programs and libraries, its settings and working files), wherever it would go,
// or it would go straight into the program's folder, where what lies beside the program may be
// loaded as its code. Names are compared as Windows compares them: case, trailing dots and
// blanks and a stream name after ':' do not count, and an existing file's short name is read
// as its long one.
bool IsProgramOwnFile(const std::wstring& path);

// The line that says why such a file was refused.
std::wstring OwnFileRefusal(const std::wstring& name);
} // namespace peer
