// A file written under a temporary name in its target's folder and moved over the target only
// when complete: every write is checked and flushed to disk first, so a failed or interrupted
// write never costs the old content and never leaves a cut-short file behind.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

class ReplacingFile {
public:
    explicit ReplacingFile(const std::wstring& target);
    // Removes the temporary file unless Commit succeeded.
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // False when no temporary file could be made.
    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
    // Appends bytes; a failure sticks and makes Commit fail.
    bool Write(const void* bytes, size_t size);
    // Flushes and closes the temporary file and moves it over the target; false when anything
    // failed, the target is read-only or another handle keeps it from being replaced.
    bool Commit();

private:
    void Discard();

    std::wstring target_;
    std::wstring temp_;
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    bool failed_ = false;
};

// Writes the whole file through a ReplacingFile.
bool WriteFileReplacing(const std::wstring& path, const void* bytes, size_t size);

// The temporary name a ReplacingFile of the target uses: "<target>.<process id>-<n>.tmp".
std::wstring ReplacingTempName(const std::wstring& target, DWORD processId, unsigned n);
// Removes the temporary files of the target that a ReplacingFile left behind when its process
// ended before it finished (killed during a save): only names of that pattern, and only where that
// process no longer runs, so another instance's save in progress keeps its file. The caller must
// not be replacing the target itself meanwhile. Returns how many were removed.
size_t RemoveStaleReplacingFiles(const std::wstring& target);
