#include "core/window_record.h"

#include <atomic>

namespace {

std::atomic<uint64_t> g_nextSerial{1};

} // namespace

WindowRecord::WindowRecord(HWND window, uint32_t type, WindowRecord* server)
    : Window(window), Serial(g_nextSerial++), CreatedTick(GetTickCount()), Type(type),
      Server(type == kServerWindow ? this : server) {}

bool CompareWindowRecords(const WindowRecord* a, const WindowRecord* b) {
    if (a->Server != b->Server) {
        // A DCC chat whose server window closed has no server: it sorts by its own creation.
        uint32_t aTick = a->Server ? a->Server->CreatedTick : a->CreatedTick;
        uint32_t bTick = b->Server ? b->Server->CreatedTick : b->CreatedTick;
        if (aTick != bTick) return aTick < bTick;
        // Same tick, different groups: keep the groups apart by their server record.
        if (a->Server && b->Server) return a->Server < b->Server;
        return a->Server != nullptr;
    }
    if (a->Type != b->Type) return a->Type < b->Type;
    return a->CreatedTick < b->CreatedTick;
}
