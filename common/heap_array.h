// Zero-filled heap arrays with an element count (HeapArray) or a list of dimensions
// (MultiArray). Both own what they hold; copies are deep, so nothing is freed twice.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <stdexcept>
#include <type_traits>

template <typename T> class HeapArray {
    static_assert(std::is_trivially_copyable_v<T>, "HeapArray holds plain values");

public:
    HeapArray() : HeapArray(1) {}
    explicit HeapArray(int32_t count) : count_(count < 1 ? 1u : static_cast<uint32_t>(count)) {
        data_ = new T[count_]();
    }
    HeapArray(const HeapArray& other) : data_(new T[other.count_]), count_(other.count_) {
        std::memcpy(static_cast<void*>(data_), other.data_, sizeof(T) * count_);
    }
    HeapArray& operator=(const HeapArray& other) {
        if (this != &other) {
            HeapArray copy(other);
            Swap(copy);
        }
        return *this;
    }
    HeapArray(HeapArray&& other) noexcept : HeapArray() { Swap(other); }
    HeapArray& operator=(HeapArray&& other) noexcept {
        Swap(other);
        return *this;
    }
    ~HeapArray() { delete[] data_; }

    // Keeps the common prefix; new elements are zero. A count of 0 is taken as 1, so the
    // array is never without storage.
    void Resize(uint32_t count) {
        if (count == 0) count = 1;
        if (count == count_) return;
        T* fresh = new T[count]();
        std::memcpy(static_cast<void*>(fresh), data_, sizeof(T) * std::min(count, count_));
        delete[] data_;
        data_ = fresh;
        count_ = count;
    }

    T* Data() { return data_; }
    const T* Data() const { return data_; }
    uint32_t Count() const { return count_; }
    T& operator[](size_t i) { return data_[i]; }
    const T& operator[](size_t i) const { return data_[i]; }

private:
    void Swap(HeapArray& other) noexcept {
        std::swap(data_, other.data_);
        std::swap(count_, other.count_);
    }

    T* data_ = nullptr;
    uint32_t count_ = 0;
};

// An N-dimensional zero-filled array built from nested pointer blocks: each level but the
// last holds the blocks of the next level, the last level holds the values.
template <typename Leaf = uint64_t> class MultiArray {
    static_assert(std::is_trivially_copyable_v<Leaf>, "MultiArray holds plain values");

public:
    static constexpr uint32_t kMaxDimensions = 100;

    // Sizes of the dimensions, outermost first, up to the first 0. More than 100 dimensions
    // are refused: the array is then left without dimensions.
    template <typename... Sizes>
    explicit MultiArray(Sizes... sizes) : sizes_(static_cast<int32_t>(kMaxDimensions)) {
        const uint32_t given[] = {static_cast<uint32_t>(sizes)..., 0u};
        uint32_t n = 0;
        while (given[n] != 0) ++n;
        if (n == 0 || n > kMaxDimensions) return;
        for (uint32_t i = 0; i < n; ++i) sizes_[i] = given[i];
        dimensions_ = n;
        root_ = Build(0);
    }
    MultiArray(const MultiArray& other) : sizes_(other.sizes_), dimensions_(other.dimensions_) {
        root_ = other.root_ ? Copy(other.root_, 0) : nullptr;
    }
    MultiArray& operator=(const MultiArray&) = delete;
    ~MultiArray() {
        if (root_) Free(root_, 0);
    }

    uint32_t Dimensions() const { return dimensions_; }
    uint32_t Size(uint32_t dimension) const { return dimension < dimensions_ ? sizes_[dimension] : 0; }
    void* Root() const { return root_; }

    // The value at the given index, one entry per dimension; out of range throws.
    Leaf& At(std::initializer_list<uint32_t> index) {
        if (index.size() != dimensions_ || !root_) throw std::out_of_range("MultiArray index");
        void* block = root_;
        uint32_t level = 0;
        for (uint32_t i : index) {
            if (i >= sizes_[level]) throw std::out_of_range("MultiArray index");
            if (level + 1 == dimensions_) return static_cast<Leaf*>(block)[i];
            block = static_cast<void**>(block)[i];
            ++level;
        }
        throw std::out_of_range("MultiArray index");
    }

private:
    void* Build(uint32_t level) {
        uint32_t n = sizes_[level];
        if (level + 1 == dimensions_) return new Leaf[n]();
        void** block = new void*[n]();
        for (uint32_t i = 0; i < n; ++i) block[i] = Build(level + 1);
        return block;
    }
    void* Copy(void* from, uint32_t level) {
        uint32_t n = sizes_[level];
        if (level + 1 == dimensions_) {
            Leaf* leaves = new Leaf[n];
            std::memcpy(static_cast<void*>(leaves), from, sizeof(Leaf) * n);
            return leaves;
        }
        void** block = new void*[n]();
        for (uint32_t i = 0; i < n; ++i) block[i] = Copy(static_cast<void**>(from)[i], level + 1);
        return block;
    }
    void Free(void* block, uint32_t level) {
        if (level + 1 == dimensions_) {
            delete[] static_cast<Leaf*>(block);
            return;
        }
        void** slots = static_cast<void**>(block);
        for (uint32_t i = 0; i < sizes_[level]; ++i) Free(slots[i], level + 1);
        delete[] slots;
    }

    void* root_ = nullptr;
    HeapArray<uint32_t> sizes_;
    uint32_t dimensions_ = 0;
};
