#include "core/channel_list_rows.h"

#include <algorithm>

std::wstring ChannelListTitle(size_t total, size_t shown) {
    std::wstring title = L"Channel list - ";
    if (shown != total) title += std::to_wstring(shown) + L" of ";
    return title + std::to_wstring(total) + (total == 1 ? L" channel" : L" channels");
}

void ChannelListTable::Add(ChannelListEntry row) {
    std::lock_guard<std::mutex> hold(lock_);
    rows_.push_back(std::move(row));
}

void ChannelListTable::Clear() {
    std::lock_guard<std::mutex> hold(lock_);
    rows_.clear();
}

void ChannelListTable::Assign(std::vector<ChannelListEntry> rows) {
    std::lock_guard<std::mutex> hold(lock_);
    rows_ = std::move(rows);
}

size_t ChannelListTable::Count() const {
    std::lock_guard<std::mutex> hold(lock_);
    return rows_.size();
}

bool ChannelListTable::Empty() const {
    return Count() == 0;
}

std::vector<ChannelListEntry> ChannelListTable::Copy() const {
    std::lock_guard<std::mutex> hold(lock_);
    return rows_;
}

std::vector<ChannelListEntry> ChannelListTable::SortedCopy(bool byName) {
    std::lock_guard<std::mutex> hold(lock_);
    if (byName)
        std::stable_sort(
            rows_.begin(), rows_.end(),
            [](const ChannelListEntry& a, const ChannelListEntry& b) { return a.Channel < b.Channel; });
    else
        std::stable_sort(
            rows_.begin(), rows_.end(),
            [](const ChannelListEntry& a, const ChannelListEntry& b) { return a.Members > b.Members; });
    return rows_;
}
