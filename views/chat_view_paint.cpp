// Painting the custom-drawn chat view: lines cut into formatted runs, wrapped to the view's
// width, the newest at the bottom above the typed line.
#include "views/chat_view.h"

#include "commands/chat_view_measure.h"
#include "common/app_state.h"
#include "common/xstring.h"
#include "core/settings.h"
#include "core/window_list.h"
#include "core/window_record.h"
#include "draw/painter_shapes.h"
#include "draw/text_stamps.h"
#include "markup/display_text.h"
#include "views/markup_reader.h"

#include <algorithm>
#include <cwchar>
#include <unordered_map>

namespace {

constexpr PainterColor kSeparatorColour = 0xA0000000;
constexpr wchar_t kPlaceholder[] = L"\x07"
                                   L"50000000<Type text>";

struct RunStyle {
    uint8_t Bold = 0, Italic = 0, Underline = 0, Strike = 0, Link = 0;
    PainterColor Foreground = 0, Background = 0;
    LOGFONTW Font{};
};

PainterColor WithAlpha(uint32_t value) {
    return (value >> 24) ? value : value | 0xFF000000u;
}

void SelectRunFont(Painter* painter, const TextRun& run) {
    PainterSelectFontStyle(painter, run.Bold, run.Italic, run.Underline);
}

// Sizes of words already measured in a view font, style and back-end: chat repeats its words, and
// measuring is the costly part of laying a line out. Bounded; emptied whole when full.
std::unordered_map<std::wstring, uint32_t>& MeasureCache() {
    static std::unordered_map<std::wstring, uint32_t> cache;
    return cache;
}

uint32_t MeasureRun(ChatViewState* state, Painter* painter, const TextRun& run, const std::wstring& text) {
    if (run.Font.lfHeight == 0) {
        std::wstring key = text;
        key += static_cast<wchar_t>(run.Bold | run.Italic << 1 | run.Underline << 2 | painter->Mode << 3);
        const auto font = reinterpret_cast<uintptr_t>(state->ViewFont);
        for (int shift = 0; shift < 64; shift += 16) key += static_cast<wchar_t>(font >> shift & 0xFFFF);
        auto& cache = MeasureCache();
        if (auto found = cache.find(key); found != cache.end()) return found->second;
        SelectRunFont(painter, run);
        const uint32_t size =
            PainterMeasureText(painter, text.c_str(), static_cast<int32_t>(text.size()), 0, 0, nullptr);
        if (cache.size() >= 4096) cache.clear();
        cache.emplace(std::move(key), size);
        return size;
    }
    HFONT font = CreateFontIndirectW(&run.Font);
    const uint32_t size =
        PainterMeasureText(painter, text.c_str(), static_cast<int32_t>(text.size()), 0, 0, font);
    DeleteObject(font);
    return size;
}

// Appends the pending text as one run in the style, cut into pieces no wider than maxWidth (a
// single character wider than that stays one piece and is clipped when drawn).
void AddTextRun(ChatViewState* state, Painter* painter, NamedEntry& line, std::wstring& pending,
                const RunStyle& style, int32_t maxWidth) {
    if (pending.empty()) return;
    TextRun run;
    run.Bold = style.Bold;
    run.Italic = style.Italic;
    run.Underline = style.Underline;
    run.Strike = style.Strike;
    run.Link = style.Link;
    run.Font = style.Font;
    run.Foreground = style.Foreground;
    run.Background = style.Background;
    std::wstring rest = std::move(pending);
    pending.clear();
    while (!rest.empty()) {
        uint32_t size = MeasureRun(state, painter, run, rest);
        size_t take = rest.size();
        if (maxWidth > 0 && static_cast<int32_t>(size & 0xFFFF) > maxWidth && rest.size() > 1) {
            size_t low = 1, high = rest.size() - 1;
            while (low < high) {
                const size_t mid = (low + high + 1) / 2;
                if (static_cast<int32_t>(MeasureRun(state, painter, run, rest.substr(0, mid)) & 0xFFFF) <=
                    maxWidth)
                    low = mid;
                else
                    high = mid - 1;
            }
            take = low;
            size = MeasureRun(state, painter, run, rest.substr(0, take));
        }
        TextRun piece = run;
        piece.Text = rest.substr(0, take);
        piece.Width = static_cast<uint16_t>(size & 0xFFFF);
        piece.Height = static_cast<uint16_t>(size >> 16);
        line.Runs.push_back(std::move(piece));
        rest.erase(0, take);
    }
}

// The look a line is read from: the view font and automatic colours, which a run keeps as the
// default (0) so that it is drawn in the view's colours.
CHARFORMAT2W PaintStartLook() {
    CHARFORMAT2W look{};
    look.cbSize = sizeof look;
    look.dwEffects = CFE_AUTOCOLOR | CFE_AUTOBACKCOLOR;
    return look;
}

// A link is drawn underlined; a run in another face takes the view font's size.
RunStyle StyleOf(const CHARFORMAT2W& look, HFONT viewFont) {
    RunStyle style;
    style.Bold = (look.dwEffects & CFE_BOLD) ? 1 : 0;
    style.Italic = (look.dwEffects & CFE_ITALIC) ? 1 : 0;
    style.Link = (look.dwEffects & CFE_LINK) ? 1 : 0;
    style.Underline = (look.dwEffects & CFE_UNDERLINE) || style.Link ? 1 : 0;
    style.Strike = (look.dwEffects & CFE_STRIKEOUT) ? 1 : 0;
    style.Foreground = (look.dwEffects & CFE_AUTOCOLOR) ? 0 : WithAlpha(look.crTextColor);
    style.Background = (look.dwEffects & CFE_AUTOBACKCOLOR) ? 0 : WithAlpha(look.crBackColor);
    if (look.szFaceName[0]) {
        GetObjectW(viewFont, sizeof style.Font, &style.Font);
        wcsncpy(style.Font.lfFaceName, look.szFaceName, LF_FACESIZE - 1);
        style.Font.lfFaceName[LF_FACESIZE - 1] = 0;
        style.Font.lfCharSet = look.bCharSet;
        style.Font.lfPitchAndFamily = look.bPitchAndFamily;
    }
    return style;
}

// The stamps of every view: one bitmap for the program, on the thread that paints the views.
TextStampCache*& SharedStamps() {
    static TextStampCache* stamps = nullptr;
    return stamps;
}

std::wstring StampFontKey(HFONT font) {
    LOGFONTW lf{};
    GetObjectW(font, sizeof lf, &lf);
    std::wstring key(reinterpret_cast<const wchar_t*>(&lf), sizeof lf / sizeof(wchar_t));
    key += L'\0';
    return key;
}

bool InStampArea(const ChatViewState* state, int32_t x, int32_t y, int32_t width, int32_t height) {
    const RECT& area = state->StampArea;
    return area.bottom > area.top && x >= area.left && y >= area.top && x + width <= area.right &&
           y + height <= area.bottom;
}

// A run in the view font drawn where only the cleared background lies: copied when it was drawn
// before.
bool DrawRunStamp(ChatViewState* state, Painter* painter, const TextRun& run, int32_t x, int32_t y,
                  int32_t width, PainterColor colour) {
    if (run.Font.lfHeight != 0 || !InStampArea(state, x, y, width, run.Height)) return false;
    TextStampCache*& stamps = SharedStamps();
    if (!stamps) stamps = CreateTextStampCache();
    state->StampFont.back() = static_cast<wchar_t>(1 + (run.Bold | run.Italic << 1 | run.Underline << 2));
    TextStamp stamp;
    stamp.Text = run.Text;
    stamp.FontKey = state->StampFont;
    stamp.Colour = colour;
    if (run.Background != 0 && run.Background != 0xFF000000u) {
        stamp.Fill = WithAlpha(run.Background);
        stamp.FillWidth = run.Width;
        stamp.FillHeight = run.Height;
    }
    stamp.Background = state->Background;
    PainterDrawTextStamp(painter, stamps, stamp, x, y, width, run.Height);
    return true;
}

int32_t RowHeightFallback(Painter* painter) {
    const uint32_t size = PainterMeasureText(painter, L"X", 1, 0, 0, nullptr);
    return std::max<int32_t>(static_cast<int32_t>(size >> 16), 1);
}

} // namespace

int32_t EmptyLineHeight(Painter* painter) {
    return RowHeightFallback(painter);
}

void ParseFormattedText(ChatViewState* state, Painter* painter, NamedEntry& line, bool serverWindow,
                        int32_t maxWidth) {
    line.Runs.clear();
    // The reader stops at a line break; the view shows the line's pieces on after each other.
    std::wstring text = line.Text;
    std::erase_if(text, [](wchar_t c) { return c == L'\r' || c == L'\n'; });
    static const CHARFORMAT2W start = PaintStartLook();
    // Read again whenever the line is laid out, so without beeps, shakes or link records.
    const std::vector<MarkupItem> items =
        ReadMarkupLine(text, start, kStartLookColor, false, nullptr, MarkupEffects::kQuiet);
    std::wstring pending;
    for (const MarkupItem& item : items) {
        // A smiley, table or offer this view cannot draw shows as its raw text, so nothing of
        // the line vanishes.
        if (item.Look.dwEffects & CFE_HIDDEN) continue;
        const RunStyle style = StyleOf(item.Look, state->ViewFont);
        // Outside the server window a run ends after each blank, so lines wrap between words.
        for (const wchar_t c : item.Text) {
            pending += c;
            if (c == L' ' && !serverWindow) AddTextRun(state, painter, line, pending, style, maxWidth);
        }
        AddTextRun(state, painter, line, pending, style, maxWidth);
    }
}

int32_t DrawTextRuns(ChatViewState* state, Painter* painter, const RECT& client, POINT start,
                     NamedEntry& line, bool serverWindow, bool draw) {
    if (line.Runs.empty() && !line.Text.empty())
        ParseFormattedText(state, painter, line, serverWindow, client.right - start.x - 2);
    if (line.Runs.empty()) return EmptyLineHeight(painter);
    const PainterColor textColour = WithAlpha(Settings::TextColour());
    int32_t x = start.x, y = start.y, rowHeight = 0;
    bool ownFont = false;
    for (TextRun& run : line.Runs) {
        if (x + run.Width + 1 > client.right && x > start.x) {
            y += rowHeight;
            x = start.x;
            rowHeight = 0;
        }
        run.X = x;
        run.Y = y;
        rowHeight = std::max<int32_t>(rowHeight, run.Height);
        if (draw) {
            if (run.Font.lfHeight != 0) {
                HFONT font = CreateFontIndirectW(&run.Font);
                PainterSetFont(painter, font, 0, nullptr, 0);
                if (state->RunFont) DeleteObject(state->RunFont);
                state->RunFont = font;
                ownFont = true;
            } else {
                if (ownFont || state->RunFont) {
                    if (state->RunFont) DeleteObject(state->RunFont);
                    state->RunFont = nullptr;
                    PainterSetFont(painter, state->ViewFont, 1, nullptr, 0);
                    ownFont = false;
                }
                SelectRunFont(painter, run);
            }
            const int32_t width = std::min<int32_t>(run.Width + 2, client.right - x);
            const PainterColor colour = run.Foreground ? run.Foreground : textColour;
            if (!DrawRunStamp(state, painter, run, x, y, width, colour)) {
                if (run.Background != 0 && run.Background != 0xFF000000u)
                    PainterFillShape(painter, x, y, run.Width, run.Height, WithAlpha(run.Background), 0);
                PainterDrawText(painter, run.Text.c_str(), static_cast<int32_t>(run.Text.size()), x, y, width,
                                run.Height, 0, 0, colour, 1);
            }
            if (run.Strike) {
                const int32_t middle = y + run.Height / 2;
                PainterDrawLine(painter, x, middle, x + run.Width, middle, 1, colour, 0);
            }
        }
        x += run.Width + 2;
    }
    if (ownFont) {
        if (state->RunFont) DeleteObject(state->RunFont);
        state->RunFont = nullptr;
        PainterSetFont(painter, state->ViewFont, 1, nullptr, 0);
    }
    return y - start.y + rowHeight;
}

void ReleaseChatViewStamps() {
    DestroyTextStampCache(SharedStamps());
    SharedStamps() = nullptr;
}

TextStampCounts CountChatViewStamps() {
    return CountTextStamps(SharedStamps());
}

void ForgetLayout(ChatViewState* state) {
    state->Lines.KeepEntries({});
    state->LaidOut.clear();
}

void PaintChatView(WindowRecord* owner, HWND view, ChatViewState* state, Painter* painter) {
    if (!state || !owner) return;
    RECT client{};
    GetClientRect(view, &client);
    HideCaret(view);
    if (client.right != state->LayoutWidth) {
        ForgetLayout(state);
        state->LayoutWidth = client.right;
    }
    const bool server = owner->Type == kServerWindow;
    const int32_t left = static_cast<int32_t>(state->LeftMargin);
    int32_t y = static_cast<int32_t>(state->TopMargin);

    if (state->HeaderFlag && !owner->Topic.empty()) {
        NamedEntry header;
        header.Text = DisplayText()
                          .Bold(NarrowToWide(owner->Name, DefaultCodePage.load()))
                          .Text(L" " + NarrowToWide(owner->Topic, DefaultCodePage.load()));
        state->HeaderTop = static_cast<uint32_t>(y);
        y += DrawTextRuns(state, painter, client, {left, y}, header, server, true);
        PainterDrawLine(painter, 0, y, client.right, y, 1, kSeparatorColour, 0);
        y += 2;
        state->HeaderBottom = static_cast<uint32_t>(y);
    }

    // The typed line at the bottom, under a separator.
    NamedEntry typed(state->Typed.empty() ? kPlaceholder : state->Typed.c_str(), kInformationKind);
    const uint32_t typedSize = MeasureEntryText(owner, painter, typed);
    const int32_t typedHeight =
        std::max<int32_t>(static_cast<int32_t>(typedSize >> 16), EmptyLineHeight(painter));
    const int32_t typedTop = client.bottom - typedHeight - 2;
    PainterDrawLine(painter, 0, typedTop - 4, client.right, typedTop - 4, 1, kSeparatorColour, 0);
    int32_t typedWidth = 0;
    if (!state->Typed.empty()) {
        // Laid out on one row; the caret follows the last run.
        RECT wide = client;
        wide.right = 0x7FFF;
        DrawTextRuns(state, painter, wide, {left, typedTop}, typed, server, true);
        if (!typed.Runs.empty()) typedWidth = typed.Runs.back().X + typed.Runs.back().Width - left;
    }
    state->CaretX = static_cast<uint32_t>(left + typedWidth + 2);
    state->CaretY = static_cast<uint32_t>(typedTop + typedHeight / 2 - 2);

    // The lines: from the end backwards to the first that still fits, unless scrolled away.
    const int32_t areaTop = y;
    const int32_t areaBottom = typedTop - 6;
    const uint32_t count = static_cast<uint32_t>(state->Lines.size());
    std::vector<uint32_t> shown;
    uint32_t endFirst = count;
    int32_t filled = 0;
    while (endFirst > 0) {
        NamedEntry& line = state->Lines[endFirst - 1];
        const int32_t height = DrawTextRuns(state, painter, client, {left, 0}, line, server, false);
        shown.push_back(endFirst - 1);
        if (filled + height > areaBottom - areaTop && endFirst < count) break;
        filled += height;
        --endFirst;
    }
    state->EndFirstLine = endFirst;
    // The lines' runs lie on the cleared background only (the separators are outside this area);
    // where nothing transforms the drawing they may be copied from stamps.
    static const float kIdentity[6] = {1, 0, 0, 1, 0, 0};
    if (std::equal(state->Transform, state->Transform + 6, kIdentity) && TextStampsUsable(painter)) {
        state->StampArea = {0, areaTop, client.right, areaBottom};
        state->StampFont = StampFontKey(state->ViewFont);
    }
    if (!state->ScrolledAway || state->FirstLine >= endFirst) {
        state->ScrolledAway = 0;
        state->FirstLine = endFirst;
    }
    for (uint32_t i = state->FirstLine; i < count && y < areaBottom; ++i) {
        NamedEntry& line = state->Lines[i];
        const int32_t height = DrawTextRuns(state, painter, client, {left, y}, line, server, false);
        if (y + height > areaBottom && i != state->FirstLine) break;
        DrawTextRuns(state, painter, client, {left, y}, line, server, true);
        shown.push_back(i);
        y += height;
    }

    state->StampArea = {};

    // Only the lines laid out for this paint keep their runs.
    std::sort(shown.begin(), shown.end());
    shown.erase(std::unique(shown.begin(), shown.end()), shown.end());
    state->Lines.KeepEntries(shown);
    state->LaidOut = std::move(shown);

    SetCaretPos(static_cast<int>(state->CaretX), static_cast<int>(state->CaretY));
    if (GetFocus() == view) ShowCaret(view);
}
