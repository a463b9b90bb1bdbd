// The bound on a chat view: it keeps at most kViewLineLimit lines, so memory and the cost of an
// insert stay flat however long the program runs. The oldest lines go a few at a time, in blocks of
// kViewTrimBlock; the log file keeps every line.
//
// The limit keeps the last hour or so of a busy channel for find, the text saves and the view text
// written when logging starts. Its price is set where a kept line costs most: some Rich Edit
// implementations hold a shaped run with its glyph buffers for every word, number and mark of a
// line, some 13 KB for an ordinary chat line, and walk every following paragraph for each run
// they delete, so removing a line costs in proportion to the lines kept, however many go at once.
// A block is therefore small, so that no single removal keeps the thread long, and a burst of
// lines beyond what the view keeps is cut before it reaches the view (the printer's part).
#pragma once

#include <windows.h>

#include <cstdint>

constexpr uint32_t kViewLineLimit = 5000;
constexpr uint32_t kViewTrimBlock = 25;

// What a pass that brings `incoming` lines into the view does to stay within the bound: the
// oldest lines of the view to remove first, and how many of the incoming lines (the first ones)
// would be removed at once and so are not put in.
struct ViewTrimPlan {
    uint32_t RemoveFromView = 0;
    uint32_t SkipIncoming = 0;
};
ViewTrimPlan PlanViewTrim(HWND view, uint32_t incoming);

// Removes the oldest lines of the view (paragraphs counted in its text) and returns how many went.
// The printer counts the lines it puts in; the view's text is counted again when it is shorter
// than the printer left it (emptied or cut by others).
uint32_t RemoveOldestViewLines(HWND view, uint32_t lines);

// The lines in the view as the printer counts them.
uint32_t CountViewLines(HWND view);

// Notes lines that were put into the view.
void NoteViewLines(HWND view, uint32_t lines);
