// The program's allocations go to a few heaps picked by thread, so threads that allocate at the
// same time seldom wait for each other: under Wine a heap is one lock, and a flood's reader,
// handler and interface thread taking it by turns cost far more than the allocations themselves.
// A block remembers its heap, so any thread may free it.
#include <windows.h>

#include <cstddef>
#include <new>

namespace {

constexpr size_t kHeaps = 8;
constexpr size_t kHeader = 16; // keeps blocks aligned as the heap aligns them

HANDLE g_heaps[kHeaps];

HANDLE ThreadHeap() {
    const size_t slot = (GetCurrentThreadId() >> 2) % kHeaps;
    if (HANDLE heap = g_heaps[slot]) return heap;
    HANDLE made = HeapCreate(0, 0, 0);
    if (!made) return GetProcessHeap();
    if (HANDLE prior = InterlockedCompareExchangePointer(&g_heaps[slot], made, nullptr)) {
        HeapDestroy(made);
        return prior;
    }
    return made;
}

void* Allocate(size_t size) {
    HANDLE heap = ThreadHeap();
    void* block = HeapAlloc(heap, 0, size + kHeader);
    if (!block) return nullptr;
    *static_cast<HANDLE*>(block) = heap;
    return static_cast<char*>(block) + kHeader;
}

void Release(void* data) {
    if (!data) return;
    char* block = static_cast<char*>(data) - kHeader;
    HeapFree(*reinterpret_cast<HANDLE*>(block), 0, block);
}

} // namespace

void* operator new(size_t size) {
    if (void* data = Allocate(size ? size : 1)) return data;
    throw std::bad_alloc();
}
void* operator new[](size_t size) {
    return operator new(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size ? size : 1);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size ? size : 1);
}
void operator delete(void* data) noexcept {
    Release(data);
}
void operator delete[](void* data) noexcept {
    Release(data);
}
void operator delete(void* data, size_t) noexcept {
    Release(data);
}
void operator delete[](void* data, size_t) noexcept {
    Release(data);
}
void operator delete(void* data, const std::nothrow_t&) noexcept {
    Release(data);
}
void operator delete[](void* data, const std::nothrow_t&) noexcept {
    Release(data);
}
