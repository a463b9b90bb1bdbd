#include <gtest/gtest.h>

#include "common/heap_array.h"

TEST(HeapArray, ZeroFilledWithAtLeastOneElement) {
    HeapArray<wchar_t> none(0);
    EXPECT_EQ(none.Count(), 1u);
    EXPECT_EQ(none[0], 0);
    HeapArray<int64_t> negative(-5);
    EXPECT_EQ(negative.Count(), 1u);
    HeapArray<uint32_t> many(1000);
    for (uint32_t i = 0; i < many.Count(); ++i) ASSERT_EQ(many[i], 0u);
}

TEST(HeapArray, ResizeKeepsPrefixAndZeroesTheRest) {
    HeapArray<int> a(4);
    for (int i = 0; i < 4; ++i) a[i] = i + 1;
    const int* before = a.Data();
    a.Resize(4);
    EXPECT_EQ(a.Data(), before);
    a.Resize(2);
    EXPECT_EQ(a.Count(), 2u);
    EXPECT_EQ(a[0], 1);
    EXPECT_EQ(a[1], 2);
    a.Resize(4);
    EXPECT_EQ(a[2], 0);
    EXPECT_EQ(a[3], 0);
}

TEST(HeapArray, CopiesAreIndependent) {
    HeapArray<char> a(3);
    a[0] = 'x';
    HeapArray<char> b = a;
    b[0] = 'y';
    EXPECT_EQ(a[0], 'x');
    a = b;
    EXPECT_EQ(a[0], 'y');
    EXPECT_NE(a.Data(), b.Data());
    HeapArray<char> c = std::move(b);
    EXPECT_EQ(c[0], 'y');
}

TEST(MultiArray, BuildsZeroFilledLevels) {
    MultiArray<> m(3u, 4u, 0u);
    ASSERT_EQ(m.Dimensions(), 2u);
    EXPECT_EQ(m.Size(0), 3u);
    EXPECT_EQ(m.Size(1), 4u);
    for (uint32_t r = 0; r < 3; ++r)
        for (uint32_t c = 0; c < 4; ++c) EXPECT_EQ(m.At({r, c}), 0u);
    m.At({2, 3}) = 7;
    MultiArray<> copy(m);
    copy.At({2, 3}) = 8;
    EXPECT_EQ(m.At({2, 3}), 7u);
    EXPECT_THROW(m.At({3, 0}), std::out_of_range);
    EXPECT_THROW(m.At({0}), std::out_of_range);

    MultiArray<float> matrix(4u, 4u, 0u);
    matrix.At({1, 2}) = 0.5f;
    EXPECT_FLOAT_EQ(matrix.At({1, 2}), 0.5f);
}

TEST(MultiArray, SizesStopAtZeroAndTooManyDimensionsAreRefused) {
    MultiArray<> m(2u, 0u, 5u);
    EXPECT_EQ(m.Dimensions(), 1u);
    MultiArray<uint8_t> deep(1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,
                             1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,
                             1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,
                             1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0);
    EXPECT_EQ(deep.Dimensions(), 0u);
    EXPECT_EQ(deep.Root(), nullptr);
}
