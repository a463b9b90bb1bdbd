#include <gtest/gtest.h>

#include "core/nick_order.h"

TEST(NickOrder, HigherGroupsFirstThenNamesIgnoringCase) {
    EXPECT_LT(CompareNickEntries(2, L"zed", 0, L"alice"), 0);
    EXPECT_GT(CompareNickEntries(0, L"alice", 1, L"zed"), 0);
    EXPECT_LT(CompareNickEntries(0, L"Alice", 0, L"bob"), 0);
    EXPECT_EQ(CompareNickEntries(1, L"BOB", 1, L"bob"), 0);
}
