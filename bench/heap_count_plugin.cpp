// A plug-in for diagnostic runs of the benchmarks: when the benchmark posts its message to qv's
// frame, it walks every heap of qv's process and writes what they hold to "heaps.txt" in qv's
// folder. Memory the program still holds shows as busy bytes; memory it gave back but the heap
// keeps shows as free bytes, which the process's memory figures still count.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr UINT kCountHeapsMessage = WM_APP + 0x5D;

struct HeapTotals {
    uint64_t Busy = 0, BusyBlocks = 0, Free = 0, Committed = 0, Uncommitted = 0;
    // Busy blocks by size, with the start of the last one seen: what the memory is held as.
    std::map<DWORD, std::pair<uint64_t, std::string>> BySize;
};

std::string Printable(const void* data, DWORD size) {
    std::string text;
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (DWORD i = 0; i < size && i < 400; ++i)
        text += bytes[i] >= 32 && bytes[i] < 127 ? char(bytes[i]) : '.';
    return text;
}

void Walk(HANDLE heap, HeapTotals& totals) {
    if (!HeapLock(heap)) return;
    PROCESS_HEAP_ENTRY entry{};
    while (HeapWalk(heap, &entry)) {
        if (entry.wFlags & PROCESS_HEAP_REGION) {
            totals.Committed += entry.Region.dwCommittedSize;
            totals.Uncommitted += entry.Region.dwUnCommittedSize;
        } else if (entry.wFlags & PROCESS_HEAP_UNCOMMITTED_RANGE) {
            // counted with its region
        } else if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) {
            totals.Busy += entry.cbData;
            ++totals.BusyBlocks;
            auto& size = totals.BySize[entry.cbData];
            if (++size.first % 64 == 1) size.second = Printable(entry.lpData, entry.cbData);
        } else {
            totals.Free += entry.cbData;
        }
    }
    HeapUnlock(heap);
}

void WriteCounts() {
    std::vector<HANDLE> heaps(GetProcessHeaps(0, nullptr) + 16);
    heaps.resize(GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data()));
    HeapTotals all;
    // Which heap holds it: the process heap is the system libraries' (a Rich Edit control's text),
    // the C runtime's heap the program's own.
    std::string byHeap;
    for (HANDLE heap : heaps) {
        const HeapTotals before = all;
        Walk(heap, all);
        char line[160];
        std::snprintf(line, sizeof line, "  heap %p%s: busy %.2f MB, free %.2f MB, committed %.2f MB\n", heap,
                      heap == GetProcessHeap() ? " (process)" : "", (all.Busy - before.Busy) / 1048576.0,
                      (all.Free - before.Free) / 1048576.0, (all.Committed - before.Committed) / 1048576.0);
        byHeap += line;
    }
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (wchar_t* slash = wcsrchr(path, L'\\')) wcscpy(slash + 1, L"heaps.txt");
    // Written aside and then renamed, so the benchmark never reads half of it.
    const std::wstring written = std::wstring(path) + L".new";
    if (FILE* file = _wfopen(written.c_str(), L"w")) {
        std::fprintf(
            file, "%zu %llu %llu %llu %llu %llu\n", heaps.size(), static_cast<unsigned long long>(all.Busy),
            static_cast<unsigned long long>(all.BusyBlocks), static_cast<unsigned long long>(all.Free),
            static_cast<unsigned long long>(all.Committed), static_cast<unsigned long long>(all.Uncommitted));
        std::vector<std::pair<uint64_t, DWORD>> sizes;
        for (const auto& [size, seen] : all.BySize) sizes.push_back({seen.first * size, size});
        std::sort(sizes.rbegin(), sizes.rend());
        for (size_t i = 0; i < sizes.size() && i < 12; ++i)
            std::fprintf(file, "  %6lu bytes x %7llu  %s\n", sizes[i].second,
                         static_cast<unsigned long long>(all.BySize[sizes[i].second].first),
                         all.BySize[sizes[i].second].second.c_str());
        std::fputs(byHeap.c_str(), file);
        std::fclose(file);
        MoveFileExW(written.c_str(), path, MOVEFILE_REPLACE_EXISTING);
    }
}

} // namespace

extern "C" {

// Event 0 carries each message of qv's loop.
__declspec(dllexport) uint64_t __cdecl BrindlexProc(uint32_t code, void* block) {
    const MSG* message = static_cast<const MSG*>(block);
    if (code != 0 || !message || message->message != kCountHeapsMessage) return 0;
    WriteCounts();
    return 1;
}

__declspec(dllexport) uint32_t __cdecl BrindlexVersion7(uint32_t, uint32_t, uint32_t) {
    return 0;
}

__declspec(dllexport) void __cdecl BrindlexUnload(uint32_t) {}
}
