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
