// The lines of a custom-drawn chat view, kept compactly: a view keeps every line it was given, so
// each costs its text as UTF-8 and a few bytes of index. The entry with runs that painting works
// on is made when a line is read and lives until the view lets it go (the lines shown keep theirs).
#pragma once

#include "draw/named_entry.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class ViewLineList {
public:
    size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    void Append(uint32_t kind, const std::wstring& text);
    // The line as an entry; the reference stays valid until the entry is let go.
    NamedEntry& operator[](size_t index);
    NamedEntry& back() { return (*this)[size() - 1]; }
    // Lets go of every entry but those of the given lines (sorted).
    void KeepEntries(const std::vector<uint32_t>& sortedIndexes);
    size_t EntryCount() const { return entries_.size(); }

private:
    // Where each line's bytes begin: its kind, then its text; the next line's start ends it.
    using Slot = uint64_t;
    // Text and index grow in blocks large enough to be mapped on their own, apart from the heap
    // that short-lived allocations share, so they fragment nothing; pages unused cost nothing.
    static constexpr size_t kChunkBytes = 1 << 20;
    static constexpr size_t kSlotsPerBlock = kChunkBytes / sizeof(Slot);
    Slot SlotAt(size_t index) const { return slots_[index / kSlotsPerBlock][index % kSlotsPerBlock]; }
    std::string Bytes(size_t index) const;
    size_t count_ = 0;
    std::vector<std::unique_ptr<Slot[]>> slots_;
    std::vector<std::unique_ptr<char[]>> chunks_;
    uint64_t used_ = 0;
    std::unordered_map<uint32_t, NamedEntry> entries_;
};
