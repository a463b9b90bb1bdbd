// A growable array of record pointers with one 32-bit key per slot that moves with its slot.
// Capacity grows by a fixed step (or to count + n + 10 when the step is short), and storage is
// taken only when the first entry arrives, so empty arrays of leaf elements cost nothing.
#pragma once

#include <cstdint>
#include <cstring>
#include <new>

#include "xml/xml_pool.h"

template <typename T> class XmlSlots {
public:
    XmlSlots(uint32_t initialCapacity, uint32_t step) : capacity_(initialCapacity), step_(step) {}
    ~XmlSlots() { Release(); }
    XmlSlots(const XmlSlots&) = delete;
    XmlSlots& operator=(const XmlSlots&) = delete;

    T** Items() const { return items_; }
    T* At(uint32_t i) const { return items_[i]; }
    void Set(uint32_t i, T* item) { items_[i] = item; }
    uint32_t Key(uint32_t i) const { return keys_[i]; }
    void SetKey(uint32_t i, uint32_t key) { keys_[i] = key; }
    const uint32_t* Keys() const { return keys_; }
    uint32_t Count() const { return count_; }
    uint32_t Capacity() const { return capacity_; }

    // Makes room for n more entries by the growth rule.
    void Reserve(uint32_t n) {
        uint32_t wanted = capacity_;
        if (wanted - count_ < n) {
            wanted += step_;
            if (wanted - count_ < n) wanted = count_ + n + 10;
        }
        if (wanted != capacity_ || !items_) Reallocate(wanted);
    }

    void Append(T* item, uint32_t key = 0) { Insert(count_, item, key); }

    void Insert(uint32_t index, T* item, uint32_t key = 0) {
        Reserve(1);
        if (index > count_) index = count_;
        std::memmove(items_ + index + 1, items_ + index, sizeof(T*) * (count_ - index));
        std::memmove(keys_ + index + 1, keys_ + index, sizeof(uint32_t) * (count_ - index));
        items_[index] = item;
        keys_[index] = key;
        ++count_;
    }

    void Erase(uint32_t index) {
        if (index >= count_) return;
        std::memmove(items_ + index, items_ + index + 1, sizeof(T*) * (count_ - index - 1));
        std::memmove(keys_ + index, keys_ + index + 1, sizeof(uint32_t) * (count_ - index - 1));
        --count_;
    }

    // Forgets every entry without freeing the records.
    void Reset() { count_ = 0; }

    // Shrinks to the count, keeping at least one slot.
    void Compact() {
        uint32_t wanted = count_ ? count_ : 1;
        if (!items_) {
            capacity_ = wanted;
            return;
        }
        if (wanted != capacity_) Reallocate(wanted);
    }

    void Release() {
        if (items_) XmlPoolFree(items_, BlockSize(capacity_));
        items_ = nullptr;
        keys_ = nullptr;
        count_ = 0;
    }

private:
    static size_t BlockSize(uint32_t capacity) {
        return (sizeof(T*) + sizeof(uint32_t)) * static_cast<size_t>(capacity);
    }

    // Items and keys share one block: the pointers first, the keys after them.
    void Reallocate(uint32_t capacity) {
        void* block = XmlPoolAllocate(BlockSize(capacity));
        T** items = static_cast<T**>(block);
        uint32_t* keys = reinterpret_cast<uint32_t*>(items + capacity);
        if (count_) {
            std::memcpy(items, items_, sizeof(T*) * count_);
            std::memcpy(keys, keys_, sizeof(uint32_t) * count_);
        }
        if (items_) XmlPoolFree(items_, BlockSize(capacity_));
        items_ = items;
        keys_ = keys;
        capacity_ = capacity;
    }

    T** items_ = nullptr;
    uint32_t* keys_ = nullptr;
    uint32_t count_ = 0;
    uint32_t capacity_;
    uint32_t step_;
};
