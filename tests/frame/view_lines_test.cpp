// A chat window's view as the frame makes it, run as a busy channel runs it all day: lines go in and
// the oldest go out again.
#include "tests/frame/frame_harness.h"

#include "core/line_kind.h"
#include "core/window_record.h"
#include "views/line_printer.h"
#include "views/view_bound.h"

#include <string>
#include <vector>

namespace {

// Blocks the process heap holds (the Rich Edit control keeps its text there).
size_t BusyHeapBlocks() {
    HANDLE heap = GetProcessHeap();
    size_t blocks = 0;
    if (!HeapLock(heap)) return 0;
    PROCESS_HEAP_ENTRY entry{};
    while (HeapWalk(heap, &entry))
        if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) ++blocks;
    HeapUnlock(heap);
    return blocks;
}

using ViewLines = FrameTest;

} // namespace

// Lines that leave the view take all they held with them: the view of a channel that scrolls for
// days stays the size of the lines it shows.
TEST_F(ViewLines, LinesRemovedFromTheViewLeaveNothingBehind) {
    WindowRecord* server = OpenChat(kServerWindow, nullptr, "irc.test");
    WindowRecord* channel = OpenChat(kChannelWindow, server, "#chan");
    ASSERT_NE(nullptr, channel);
    constexpr uint32_t kLines = 200;
    std::vector<std::wstring> lines;
    for (uint32_t i = 0; i < kLines; ++i)
        lines.push_back(L"<\x02nick" + std::to_wstring(i % 7) + L"\x02> line " + std::to_wstring(i));
    const auto inAndOut = [&] {
        views::PrintLinesToWindow(kMessageLine, channel, lines, 0);
        RemoveOldestViewLines(channel->View, kLines);
    };
    // The first round fills what is made once (fonts, styles, caches).
    inAndOut();
    const size_t before = BusyHeapBlocks();
    inAndOut();
    ASSERT_EQ(0, GetWindowTextLengthW(channel->View));
    EXPECT_LT(BusyHeapBlocks(), before + kLines / 4) << "the view keeps blocks of the lines it removed";
}
