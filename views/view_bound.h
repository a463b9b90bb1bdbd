// The bound on a chat view: it keeps at most kViewLineLimit lines, so memory and the cost of an
// insert stay flat however long the program runs. The oldest lines go in blocks of
// kViewTrimBlock, so removal is rare; the log file keeps every line.
//
// The limit is set by what a kept line costs where it costs most: some Rich Edit
// implementations hold a shaped run with its glyph buffers for every word, number and mark of a
// line, some 13 KB for an ordinary chat line, and walk every following paragraph for each run
// they delete, so removing a line costs in proportion to the lines kept.
#pragma once

#include <windows.h>

#include <cstdint>

constexpr uint32_t kViewLineLimit = 500;
constexpr uint32_t kViewTrimBlock = 50;

// What a pass that brings `incoming` lines into the view does to stay within the bound: the
// oldest lines of the view to remove first, and how many of the incoming lines (the first ones)
// would be removed at once and so are not put in.
struct ViewTrimPlan {
    uint32_t RemoveFromView = 0;
    uint32_t SkipIncoming = 0;
};
ViewTrimPlan PlanViewTrim(HWND view, uint32_t incoming);

// Removes the oldest lines of the view (paragraphs counted in its text). The printer counts the
// lines it puts in; the view's text is counted again when it is shorter than the printer left it
// (emptied or cut by others).
void RemoveOldestViewLines(HWND view, uint32_t lines);

// Notes lines that were put into the view.
void NoteViewLines(HWND view, uint32_t lines);
