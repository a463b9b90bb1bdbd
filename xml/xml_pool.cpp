#include "xml/xml_pool.h"

#include <windows.h>

#include <new>

namespace {

constexpr size_t kGranule = 16;
constexpr size_t kLargest = 512;
constexpr size_t kClasses = kLargest / kGranule;
constexpr size_t kChunk = 64 * 1024;

struct FreeBlock {
    FreeBlock* next;
};

SRWLOCK g_lock = SRWLOCK_INIT;
FreeBlock* g_free[kClasses] = {};
char* g_chunk = nullptr;
size_t g_chunkLeft = 0;

size_t ClassOf(size_t size) {
    return (size + kGranule - 1) / kGranule - 1;
}

} // namespace

void* XmlPoolAllocate(size_t size) {
    if (size == 0) size = 1;
    if (size > kLargest) return ::operator new(size);
    size_t c = ClassOf(size);
    size_t rounded = (c + 1) * kGranule;
    AcquireSRWLockExclusive(&g_lock);
    void* block = g_free[c];
    if (block) {
        g_free[c] = g_free[c]->next;
    } else {
        if (g_chunkLeft < rounded) {
            // The tail of the old chunk goes to the free lists of the sizes it still holds.
            while (g_chunkLeft >= kGranule) {
                size_t tailClass = ClassOf(g_chunkLeft < kLargest ? g_chunkLeft : kLargest);
                if ((tailClass + 1) * kGranule > g_chunkLeft) --tailClass;
                FreeBlock* tail = reinterpret_cast<FreeBlock*>(g_chunk);
                tail->next = g_free[tailClass];
                g_free[tailClass] = tail;
                g_chunk += (tailClass + 1) * kGranule;
                g_chunkLeft -= (tailClass + 1) * kGranule;
            }
            g_chunk = static_cast<char*>(::operator new(kChunk, std::nothrow));
            g_chunkLeft = g_chunk ? kChunk : 0;
        }
        if (g_chunk) {
            block = g_chunk;
            g_chunk += rounded;
            g_chunkLeft -= rounded;
        }
    }
    ReleaseSRWLockExclusive(&g_lock);
    if (!block) throw std::bad_alloc();
    return block;
}

void XmlPoolFree(void* block, size_t size) {
    if (!block) return;
    if (size == 0) size = 1;
    if (size > kLargest) {
        ::operator delete(block);
        return;
    }
    size_t c = ClassOf(size);
    AcquireSRWLockExclusive(&g_lock);
    FreeBlock* b = static_cast<FreeBlock*>(block);
    b->next = g_free[c];
    g_free[c] = b;
    ReleaseSRWLockExclusive(&g_lock);
}
