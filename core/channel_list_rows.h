// The rows of a channel list window. The connection thread adds rows while the interface thread
// filters, sorts and saves them, so every access takes the list's lock and readers get copies.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

// One row of a channel list window.
struct ChannelListEntry {
    std::string Channel;
    std::string Topic;
    std::string Extra;
    uint32_t Members = 0;
};

// The title of a channel list window: "Channel list - 123 channels", or "Channel list - 12 of
// 123 channels" while its input box filters the rows.
std::wstring ChannelListTitle(size_t total, size_t shown);

class ChannelListTable {
public:
    void Add(ChannelListEntry row);
    void Clear();
    void Assign(std::vector<ChannelListEntry> rows);
    size_t Count() const;
    bool Empty() const;
    std::vector<ChannelListEntry> Copy() const;
    // Sorts the kept rows (by name, or by members with the most first; equal rows keep their
    // order) and returns a copy of them.
    std::vector<ChannelListEntry> SortedCopy(bool byName);

private:
    mutable std::mutex lock_;
    std::vector<ChannelListEntry> rows_;
};
