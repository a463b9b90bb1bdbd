// A small-block pool for the records and arrays of the trees: settings documents are made of
// hundreds of thousands of small blocks, and the system heap is slow at that scale. Blocks of up
// to 512 bytes come from per-size free lists filled from 64 KB chunks; larger ones from the heap.
// Chunks are kept for reuse, never returned. Safe to use from any thread.
#pragma once

#include <cstddef>

void* XmlPoolAllocate(size_t size);
void XmlPoolFree(void* block, size_t size);

// Class-level allocation for the record types.
#define XML_POOLED_RECORD                                                                                    \
    static void* operator new(size_t size) {                                                                 \
        return XmlPoolAllocate(size);                                                                        \
    }                                                                                                        \
    static void operator delete(void* block, size_t size) {                                                  \
        XmlPoolFree(block, size);                                                                            \
    }
