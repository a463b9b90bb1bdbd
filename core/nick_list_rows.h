// The rows a nick list shows. While its group view is on, each group that has members shows a
// header row and then its members, the groups in the order they were inserted; a header is no
// member: it is not counted, found, selected or numbered. Members are numbered as the store holds
// them, whatever row they show in, so everyone outside the list reads the same indices with or
// without the headers.
#pragma once

#include "core/nick_store.h"

#include <string>
#include <vector>

struct NickGroupHeader {
    int Id = 0;
    std::wstring Header;
};

class NickListRows {
public:
    // Lays the members out under the headers of their groups when grouped (members of a group
    // without a header follow at the end, without one), else one row per member in order.
    void Lay(const std::vector<NickItemRef>& members, const std::vector<NickGroupHeader>& groups,
             bool grouped);

    int Count() const { return static_cast<int>(rows_.size()); }
    // The member a row shows; -1 for a header or past the end.
    int MemberAt(int row) const;
    // The row a member shows in; -1 past the end.
    int RowOf(int member) const;
    // The header a row shows; null for a member's row.
    const NickGroupHeader* HeaderAt(int row) const;
    // The rows that show headers, in order (a few at most).
    const std::vector<int>& HeaderRows() const { return headerRows_; }
    // The first member row from row on in the direction of step (+1 or -1); -1 when none.
    int MemberRowFrom(int row, int step) const;
    // Whether the members show in their own order (as a sorted store's do), headers aside.
    bool InMemberOrder() const { return inMemberOrder_; }

private:
    // Per row: the member's index, or -1 - the header's index in headers_.
    std::vector<int> rows_;
    std::vector<int> rowOfMember_;
    std::vector<NickGroupHeader> headers_;
    std::vector<int> headerRows_;
    bool inMemberOrder_ = true;
};
