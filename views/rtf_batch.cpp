#include "views/rtf_batch.h"

#include "common/rich_edit_helpers.h"
#include "core/client_services.h"
#include "core/line_kind.h"
#include "views/line_printer.h"
#include "views/offer_line.h"
#include "views/print_settings.h"
#include "views/rtf_table.h"
#include "views/rtf_text.h"
#include "views/smiley_menu.h"

#include <cwchar>

namespace {

LONG TextLength(HWND control) {
    GETTEXTLENGTHEX request{GTL_NUMCHARS | GTL_PRECISE, 1200};
    return static_cast<LONG>(
        SendMessageW(control, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&request), 0));
}

void SelectEnd(HWND control) {
    CHARRANGE end{-1, -1};
    SendMessageW(control, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&end));
}

bool IsAsciiName(const wchar_t* name) {
    for (const wchar_t* c = name; *c; ++c)
        if (*c < 32 || *c > 126 || *c == L'\\' || *c == L'{' || *c == L'}' || *c == L';') return false;
    return true;
}

// The RTF words of the underline kinds the markup sets.
const char* UnderlineWord(BYTE type) {
    switch (type) {
        case CFU_UNDERLINE: return "\\ul";
        case CFU_UNDERLINEDOTTED: return "\\uld";
        case CFU_UNDERLINEDOUBLE: return "\\uldb";
        default: return nullptr;
    }
}

// Where the text stands in its paragraph, and the paragraph marks added to keep paragraphs short.
struct ParagraphState {
    LONG Since = 0;
    uint32_t Added = 0;
};

void AppendText(std::string& rtf, const std::wstring& text, LONG& characters, bool& paragraph,
                ParagraphState& state) {
    // Text between paragraph marks goes out as one run, so a surrogate pair stays whole.
    size_t run = 0;
    auto endRun = [&](size_t end) {
        AppendRtfText(rtf, std::wstring_view(text).substr(run, end - run));
        run = end;
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        paragraph = false;
        if (c == L'\r' || c == L'\n') {
            endRun(i);
            run = i + 1;
            // A line ends in one paragraph mark, one character in the view.
            state.Since = 0;
            if (c == L'\n' && i > 0 && text[i - 1] == L'\r') {
                paragraph = true;
                continue;
            }
            rtf += "\\par\n";
            ++characters;
            paragraph = true;
            continue;
        }
        // Never between the halves of a surrogate pair.
        if (state.Since >= kMaxParagraphChars && !(c >= 0xDC00 && c <= 0xDFFF)) {
            endRun(i);
            rtf += "\\par\n";
            ++characters;
            ++state.Added;
            state.Since = 0;
        }
        ++state.Since;
        ++characters;
    }
    endRun(text.size());
}

} // namespace

RtfBatch::RtfBatch(HWND control) : control_(control) {}

RtfBatch::~RtfBatch() {
    try {
        Flush();
    } catch (...) {
        // What could not be put in is lost; the view stays as it is.
    }
}

const CHARFORMAT2W& RtfBatch::StartLook() {
    if (!haveStart_) {
        RichEditScrollToEnd(control_);
        start_.cbSize = sizeof start_;
        start_.dwMask = kRunMask;
        SendMessageW(control_, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&start_));
        // The view's font as it is now, also after the font was changed or the view emptied; the
        // text goes in with it at the insertion point.
        const CHARFORMAT2W read = start_;
        RichEditApplyViewFont(control_, start_);
        haveStart_ = true;
        if (!SameRunLook(read, start_)) SetInsertionLook(start_);
    }
    return start_;
}

void RtfBatch::SetInsertionLook(const CHARFORMAT2W& look) {
    CHARFORMAT2W format = look;
    format.cbSize = sizeof format;
    format.dwMask = kRunMask;
    SendMessageW(control_, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
}

// The control words that turn the start look into this one; expressible is cleared when RTF
// cannot say it exactly (links, colours with a high byte, sizes between half points, unusual
// fonts): such a run is formatted through the control after the insert.
std::string RtfBatch::Differences(const CHARFORMAT2W& look, bool& expressible) {
    const CHARFORMAT2W& s = StartLook();
    std::string words;
    auto toggle = [&](DWORD effect, const char* on, const char* off) {
        if ((look.dwEffects & effect) != (s.dwEffects & effect))
            words += (look.dwEffects & effect) ? on : off;
    };
    toggle(CFE_BOLD, "\\b", "\\b0");
    toggle(CFE_ITALIC, "\\i", "\\i0");
    toggle(CFE_STRIKEOUT, "\\strike", "\\strike0");
    toggle(CFE_HIDDEN, "\\v", "\\v0");
    if (look.dwEffects & CFE_LINK) expressible = false;

    const bool underline = (look.dwEffects & CFE_UNDERLINE) != 0;
    if (underline != ((s.dwEffects & CFE_UNDERLINE) != 0) || look.bUnderlineType != s.bUnderlineType) {
        const char* word = UnderlineWord(look.bUnderlineType);
        if (!word) {
            expressible = false;
        } else {
            words += word;
            if (!underline) words += "\\ulnone";
        }
    }

    const bool autoColor = (look.dwEffects & CFE_AUTOCOLOR) != 0;
    if (autoColor != ((s.dwEffects & CFE_AUTOCOLOR) != 0) ||
        (!autoColor && look.crTextColor != s.crTextColor)) {
        if (autoColor)
            words += "\\cf0";
        else if (look.crTextColor >> 24)
            expressible = false;
        else
            words += "\\cf" + std::to_string(colors_.Index(look.crTextColor));
    }
    const bool autoBack = (look.dwEffects & CFE_AUTOBACKCOLOR) != 0;
    if (autoBack != ((s.dwEffects & CFE_AUTOBACKCOLOR) != 0) ||
        (!autoBack && look.crBackColor != s.crBackColor)) {
        if (autoBack)
            words += "\\highlight0";
        else if (look.crBackColor >> 24)
            expressible = false;
        else
            words += "\\highlight" + std::to_string(colors_.Index(look.crBackColor));
    }

    if (look.yHeight != s.yHeight) {
        if (look.yHeight > 0 && look.yHeight % 10 == 0)
            words += "\\fs" + std::to_string(look.yHeight / 10);
        else
            expressible = false;
    }
    if (wcscmp(look.szFaceName, s.szFaceName) != 0 || look.bCharSet != s.bCharSet ||
        look.bPitchAndFamily != s.bPitchAndFamily) {
        // A font of another character set would make the control read the text in its code page.
        const bool plainCharset = look.bCharSet == ANSI_CHARSET || look.bCharSet == DEFAULT_CHARSET;
        if (plainCharset && look.szFaceName[0] && IsAsciiName(look.szFaceName) &&
            (look.bPitchAndFamily & 0x0C) == 0 && (look.bPitchAndFamily >> 4) < 6)
            words +=
                "\\f" + std::to_string(fonts_.Index(look.szFaceName, look.bCharSet, look.bPitchAndFamily));
        else
            expressible = false;
    }
    return words;
}

void RtfBatch::AddRun(const CHARFORMAT2W& look, const std::wstring& text) {
    if (text.empty()) return;
    if (body_.empty()) {
        base_ = TextLength(control_);
        pendingChars_ = 0;
    }
    bool expressible = true;
    std::string words = Differences(look, expressible);
    const LONG first = base_ + pendingChars_;
    if (!expressible) words.clear();
    body_ += "{" + words;
    // A blank ends a control word; anywhere else it would be text.
    if (!words.empty()) body_ += ' ';
    ParagraphState state{sinceParagraph_, addedParagraphs_};
    AppendText(body_, text, pendingChars_, endsWithParagraph_, state);
    sinceParagraph_ = state.Since;
    addedParagraphs_ = state.Added;
    body_ += "}";
    if (!expressible) lateRuns_.push_back({first, base_ + pendingChars_, look});
}

uint32_t RtfBatch::TakeAddedParagraphs() {
    const uint32_t added = addedParagraphs_;
    addedParagraphs_ = 0;
    return added;
}

void RtfBatch::Flush() {
    if (body_.empty()) return;
    std::string rtf = "{\\rtf1\\ansi\\uc1" + fonts_.Text() + colors_.Text();
    rtf += body_;
    rtf += "}";
    const bool paragraphAtEnd = endsWithParagraph_;
    const LONG expected = base_ + pendingChars_;
    body_.clear();
    colors_.Clear();
    fonts_.Clear();

    SelectEnd(control_);
    SETTEXTEX options{ST_SELECTION, CP_ACP};
    SendMessageW(control_, EM_SETTEXTEX, reinterpret_cast<WPARAM>(&options),
                 reinterpret_cast<LPARAM>(rtf.c_str()));
    // Some controls leave out the last paragraph mark of RTF put into a selection.
    if (paragraphAtEnd && TextLength(control_) == expected - 1) {
        SelectEnd(control_);
        SendMessageW(control_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L"\r"));
    }
    for (const LateRun& run : lateRuns_) {
        CHARRANGE range{run.Start, run.End};
        SendMessageW(control_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
        SetInsertionLook(run.Look);
    }
    lateRuns_.clear();
    RichEditScrollToEnd(control_);
    SetInsertionLook(StartLook());
}

void RtfBatch::PutSpecial(const MarkupItem& item, WindowRecord* record, bool& tableInLine,
                          PARAFORMAT2& paragraph) {
    Flush();
    RichEditScrollToEnd(control_);
    switch (item.Type) {
        case MarkupItem::kTable:
            if (!tableInLine) {
                paragraph.cbSize = sizeof paragraph;
                paragraph.dwMask = PFM_TABLE;
                SendMessageW(control_, EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&paragraph));
                tableInLine = true;
            }
            InsertRtfTable(control_, item.Table.Rows, item.Table.Columns, item.Table.Cells,
                           item.Table.Flag != 0);
            break;
        case MarkupItem::kSmiley: {
            if (item.Number > 0xFFFF) break;
            // On the view's own background; the insert takes ownership of what it is given.
            HBITMAP picture =
                MakeSmileyPicture(static_cast<uint32_t>(item.Number), CurrentPrintSettings().BackgroundColor);
            if (picture && InsertImageIntoRichEdit(control_, picture) != 0) DeleteObject(picture);
            break;
        }
        case MarkupItem::kOffer:
            // The offer line starts from the look the text before it had.
            if (haveLastLook_) SetInsertionLook(lastLook_);
            if (record)
                views::PrintToWindow(kInformationLine, record, FormatOfferLine(item.Offer),
                                     {.NoTimeStamp = true});
            break;
        case MarkupItem::kText: break;
    }
    RichEditScrollToEnd(control_);
    SetInsertionLook(StartLook());
}

void RtfBatch::AddLine(const std::vector<MarkupItem>& items, WindowRecord* record) {
    bool tableInLine = false;
    PARAFORMAT2 paragraph{};
    haveLastLook_ = false;
    for (const MarkupItem& item : items) {
        if (item.Type == MarkupItem::kText) {
            AddRun(item.Look, item.Text);
            lastLook_ = item.Look;
            haveLastLook_ = true;
        } else {
            PutSpecial(item, record, tableInLine, paragraph);
        }
    }
    // Only a table changes the paragraph format; the next line's paragraph gets the one from before.
    if (tableInLine) {
        Flush();
        SendMessageW(control_, EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&paragraph));
        return;
    }
    // A line with runs formatted after the insert (links) goes in at once: formatting a range costs
    // some controls a walk over every paragraph after it, which stays short at the end of the text
    // but would grow with each line of a long pass (a channel list's rows each have a link).
    if (!lateRuns_.empty()) Flush();
}
