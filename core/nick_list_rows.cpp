#include "core/nick_list_rows.h"

#include <algorithm>
#include <cstddef>

void NickListRows::Lay(const std::vector<NickItemRef>& members, const std::vector<NickGroupHeader>& groups,
                       bool grouped) {
    rows_.clear();
    headers_.clear();
    headerRows_.clear();
    inMemberOrder_ = true;
    rowOfMember_.assign(members.size(), -1);
    const int count = static_cast<int>(members.size());
    if (!grouped || groups.empty()) {
        rows_.resize(members.size());
        for (int i = 0; i < count; ++i)
            rows_[static_cast<size_t>(i)] = rowOfMember_[static_cast<size_t>(i)] = i;
        return;
    }
    // One bucket per group in header order, and one for members of groups without a header;
    // each keeps the store's order.
    std::vector<std::vector<int>> buckets(groups.size() + 1);
    size_t lastBucket = 0;
    for (int i = 0; i < count; ++i) {
        size_t bucket = groups.size();
        for (size_t g = 0; g < groups.size(); ++g)
            if (groups[g].Id == members[static_cast<size_t>(i)]->Group) {
                bucket = g;
                break;
            }
        if (bucket < lastBucket) inMemberOrder_ = false;
        lastBucket = std::max(lastBucket, bucket);
        buckets[bucket].push_back(i);
    }
    rows_.reserve(members.size() + groups.size());
    for (size_t g = 0; g < buckets.size(); ++g) {
        if (buckets[g].empty()) continue;
        if (g < groups.size()) {
            headerRows_.push_back(static_cast<int>(rows_.size()));
            rows_.push_back(-1 - static_cast<int>(headers_.size()));
            headers_.push_back(groups[g]);
        }
        for (int member : buckets[g]) {
            rowOfMember_[static_cast<size_t>(member)] = static_cast<int>(rows_.size());
            rows_.push_back(member);
        }
    }
}

int NickListRows::MemberAt(int row) const {
    if (row < 0 || row >= Count()) return -1;
    const int entry = rows_[static_cast<size_t>(row)];
    return entry >= 0 ? entry : -1;
}

int NickListRows::RowOf(int member) const {
    if (member < 0 || static_cast<size_t>(member) >= rowOfMember_.size()) return -1;
    return rowOfMember_[static_cast<size_t>(member)];
}

const NickGroupHeader* NickListRows::HeaderAt(int row) const {
    if (row < 0 || row >= Count()) return nullptr;
    const int entry = rows_[static_cast<size_t>(row)];
    return entry < 0 ? &headers_[static_cast<size_t>(-1 - entry)] : nullptr;
}

int NickListRows::MemberRowFrom(int row, int step) const {
    for (; row >= 0 && row < Count(); row += step)
        if (rows_[static_cast<size_t>(row)] >= 0) return row;
    return -1;
}
