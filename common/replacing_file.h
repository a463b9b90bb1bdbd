// A file written under a temporary name in its target's folder and moved over the target only
// when complete, so a failed or interrupted write never leaves a cut-short file behind.
#pragma once

#include <cstdio>
#include <string>

class ReplacingFile {
public:
    explicit ReplacingFile(const std::wstring& target);
    // Removes the temporary file unless Commit succeeded.
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Open for binary writing; null when no temporary file could be made.
    std::FILE* File() const { return file_; }
    // Closes the temporary file and moves it over the target; false when anything failed.
    bool Commit();

private:
    void Discard();

    std::wstring target_;
    std::wstring temp_;
    std::FILE* file_ = nullptr;
};
