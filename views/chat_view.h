// The custom-drawn chat view ("twin"): its state and its painting through the Painter.
#pragma once

#include "draw/named_entry.h"
#include "draw/painter.h"
#include "draw/text_stamps.h"
#include "views/view_line_list.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct WindowRecord;

struct ChatViewState {
    Painter* ViewPainter = nullptr;
    WindowRecord* Owner = nullptr;
    uint32_t Background = 0xFFFFFFFF;
    float Transform[6] = {1, 0, 0, 1, 0, 0};
    ViewLineList Lines;
    uint32_t CaretX = 0;
    uint32_t CaretY = 0;
    HFONT ViewFont = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    HFONT RunFont = nullptr;
    uint32_t CursorKind = 1;
    HCURSOR Cursor = nullptr;
    std::wstring Typed;
    uint32_t FirstLine = 0;
    uint32_t Reserved = 0;
    uint8_t ScrolledAway = 0;
    uint32_t HeaderTop = 0;
    uint32_t HeaderBottom = 0;
    uint32_t LeftMargin = 10;
    uint32_t TopMargin = 10;
    uint32_t HeaderFlag = 0;
    uint32_t Reserved2 = 0;

    // The first line at which the last lines fill the view, from the last paint.
    uint32_t EndFirstLine = 0;
    // The client width the runs were cut for; another width lays every line out again.
    int32_t LayoutWidth = -1;
    // Lines that hold runs: only those shown keep them, so a long history costs its text only.
    std::vector<uint32_t> LaidOut;
    uint64_t LastPaintTick = 0;
    // A background set from outside (EM_SETBKGNDCOLOR: the paused tint); -1 when none.
    int64_t BackgroundOverride = -1;
    uint32_t Mode = 0xFFFFFFFF;
    // Lines that arrived wait for a paint that is already asked for (since the tick).
    uint8_t RepaintDue = 0;
    uint64_t RepaintDueTick = 0;
    // During a paint: where runs may be copied from the shared text stamps (empty: nowhere), and
    // the view font's name for them with a last place for the run's style.
    RECT StampArea{};
    std::wstring StampFont;
};

// The painting of one frame: header, typed line and the lines that fit.
void PaintChatView(WindowRecord* owner, HWND view, ChatViewState* state, Painter* painter);
// Cuts a line into runs; runs wider than maxWidth are cut into pieces that fit.
void ParseFormattedText(ChatViewState* state, Painter* painter, NamedEntry& line, bool serverWindow,
                        int32_t maxWidth);
// Lays out (and with draw, draws) the line's runs from (x, y), wrapping at the client rectangle's
// right edge; returns the line's height.
int32_t DrawTextRuns(ChatViewState* state, Painter* painter, const RECT& client, POINT start,
                     NamedEntry& line, bool serverWindow, bool draw);
// Height of a line without runs or text.
int32_t EmptyLineHeight(Painter* painter);
// Frees the text stamps the views share (the last view is gone, or they should be drawn afresh).
void ReleaseChatViewStamps();
TextStampCounts CountChatViewStamps();
// Drops the runs of every line, so they are laid out again at the next paint.
void ForgetLayout(ChatViewState* state);
