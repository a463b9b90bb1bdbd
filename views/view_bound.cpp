#include "views/view_bound.h"

#include <richedit.h>

#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

// Lines the printer knows to be in each view (only the owner's thread prints into a view), with
// the view's length when last counted: a view that got shorter was cleared by someone else.
// Lines removed by one replace of the selection. A removal costs the control in proportion to the
// lines it removes times the lines it keeps, and more than that for large ranges: a large
// removal in steps of this many lines measured about four times faster than at once.
constexpr uint32_t kRemoveStep = 25;

struct ViewCount {
    uint32_t Lines = 0;
    LONG Length = 0;
};
thread_local std::map<HWND, ViewCount> t_counts;

LONG TextLength(HWND view) {
    GETTEXTLENGTHEX request{GTL_NUMCHARS | GTL_PRECISE, 1200};
    return static_cast<LONG>(SendMessageW(view, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&request), 0));
}

std::wstring TextRange(HWND view, LONG from, LONG to) {
    std::wstring text(static_cast<size_t>(to - from) + 1, L'\0');
    TEXTRANGEW request{{from, to}, text.data()};
    const LRESULT copied = SendMessageW(view, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&request));
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

// The count of the view, taken again from its text when it may be off.
ViewCount& CountOf(HWND view) {
    ViewCount& count = t_counts[view];
    const LONG length = TextLength(view);
    if (length < count.Length || (count.Lines == 0 && length > 0)) {
        uint32_t lines = 0;
        for (wchar_t c : TextRange(view, 0, length))
            if (c == L'\r') ++lines;
        count.Lines = lines;
    }
    count.Length = length;
    return count;
}

} // namespace

ViewTrimPlan PlanViewTrim(HWND view, uint32_t incoming) {
    ViewTrimPlan plan;
    if (!view || !IsWindow(view)) return plan;
    const uint32_t inView = CountOf(view).Lines;
    if (inView + incoming <= kViewLineLimit) return plan;
    const uint32_t excess = inView + incoming - (kViewLineLimit - kViewTrimBlock);
    plan.RemoveFromView = excess < inView ? excess : inView;
    plan.SkipIncoming = excess - plan.RemoveFromView;
    return plan;
}

uint32_t RemoveOldestViewLines(HWND view, uint32_t lines) {
    if (!view || lines == 0) return 0;
    const LONG length = TextLength(view);
    // Read the text in growing pieces, from about what that many lines hold, until it holds that
    // many line ends, noting where each step of lines ends.
    std::vector<LONG> stepEnds;
    LONG scanned = 0;
    uint32_t seen = 0;
    for (LONG piece = static_cast<LONG>(lines) * 128; scanned < length && seen < lines; piece *= 2) {
        const LONG to = length - scanned > piece ? scanned + piece : length;
        const std::wstring text = TextRange(view, scanned, to);
        for (size_t i = 0; i < text.size() && seen < lines; ++i)
            if (text[i] == L'\r' && (++seen % kRemoveStep == 0 || seen == lines))
                stepEnds.push_back(scanned + static_cast<LONG>(i) + 1);
        scanned = to;
    }
    if (seen < lines && length > 0 && (stepEnds.empty() || stepEnds.back() < length))
        stepEnds.push_back(length);
    // Removed from the top in steps, each cut where the one before ended, counted by what the
    // control really removed (it keeps a table it would have to cut in two).
    LONG left = length;
    for (LONG end : stepEnds) {
        CHARRANGE oldest{0, end - (length - left)};
        SendMessageW(view, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&oldest));
        SendMessageW(view, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
        left = TextLength(view);
    }
    ViewCount& count = t_counts[view];
    count.Lines = count.Lines > seen ? count.Lines - seen : 0;
    count.Length = left;
    return left < length ? seen : 0;
}

uint32_t CountViewLines(HWND view) {
    return view && IsWindow(view) ? CountOf(view).Lines : 0;
}

void NoteViewLines(HWND view, uint32_t lines) {
    // Views that are gone leave their counts behind; they are dropped now and then.
    if (t_counts.size() > 64)
        for (auto it = t_counts.begin(); it != t_counts.end();)
            it = IsWindow(it->first) ? std::next(it) : t_counts.erase(it);
    ViewCount& count = t_counts[view];
    count.Lines += lines;
    count.Length = TextLength(view);
}
