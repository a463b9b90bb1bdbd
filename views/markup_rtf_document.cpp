#include "views/markup_rtf_document.h"

#include "common/rich_edit_helpers.h"
#include "views/line_text_steps.h"
#include "views/markup_reader.h"
#include "views/print_settings.h"

#include <cwchar>
#include <iterator>

namespace {

constexpr DWORD kToggles[] = {CFE_BOLD, CFE_ITALIC, CFE_STRIKEOUT, CFE_HIDDEN};
constexpr const char* kToggleOn[] = {"\\b", "\\i", "\\strike", "\\v"};
constexpr const char* kToggleOff[] = {"\\b0", "\\i0", "\\strike0", "\\v0"};

// The control pictures (U+2400 on) stand for control characters: in a file a control character
// could mean a break, a field or nothing to the program that opens it.
constexpr wchar_t kControlPictures = 0x2400;
constexpr wchar_t kDeletePicture = 0x2421;

bool Underlined(const CHARFORMAT2W& look) {
    return (look.dwEffects & (CFE_UNDERLINE | CFE_LINK)) != 0;
}

const char* UnderlineWord(const CHARFORMAT2W& look) {
    if (look.dwEffects & CFE_LINK) return "\\ul";
    switch (look.bUnderlineType) {
        case CFU_UNDERLINEDOTTED: return "\\uld";
        case CFU_UNDERLINEDOUBLE: return "\\uldb";
        default: return "\\ul";
    }
}

// The colour the run's text is drawn in; -1 for the automatic colour.
long long TextColorOf(const CHARFORMAT2W& look) {
    if (look.dwEffects & CFE_LINK) return kRtfLinkColor;
    if (look.dwEffects & CFE_AUTOCOLOR) return -1;
    return look.crTextColor & 0xFFFFFF;
}

COLORREF BackColorOf(const CHARFORMAT2W& look, COLORREF viewBackground) {
    return ((look.dwEffects & CFE_AUTOBACKCOLOR) ? viewBackground : look.crBackColor) & 0xFFFFFF;
}

bool SameFont(const CHARFORMAT2W& a, const CHARFORMAT2W& b) {
    return a.bCharSet == b.bCharSet && a.bPitchAndFamily == b.bPitchAndFamily &&
           wcscmp(a.szFaceName, b.szFaceName) == 0;
}

// Half points, the unit RTF gives sizes in.
int HalfPoints(LONG twips) {
    return twips > 0 ? static_cast<int>((twips + 5) / 10) : 0;
}

std::wstring VisibleText(std::wstring_view text) {
    std::wstring visible(text);
    for (wchar_t& c : visible)
        if (c < 32 && c != L'\t')
            c = static_cast<wchar_t>(kControlPictures + c);
        else if (c == 127)
            c = kDeletePicture;
    return visible;
}

} // namespace

RtfViewLook ViewLookForFile(HWND view, HFONT fallbackFont) {
    RtfViewLook look;
    CHARFORMAT2W& start = look.Start;
    start.cbSize = sizeof start;
    start.dwMask = kRunMask;
    start.dwEffects = CFE_AUTOCOLOR | CFE_AUTOBACKCOLOR;
    start.yHeight = 200;
    if (view) RichEditApplyViewFont(view, start);
    if (view && !start.szFaceName[0])
        RichEditApplyFont(reinterpret_cast<HFONT>(SendMessageW(view, WM_GETFONT, 0, 0)), start);
    if (!start.szFaceName[0])
        RichEditApplyFont(fallbackFont ? fallbackFont : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)),
                          start);
    const PrintSettings& settings = CurrentPrintSettings();
    look.LineColor = settings.TextColor;
    look.Background = settings.BackgroundColor;
    look.IgnoreTextAttributes = settings.IgnoreTextAttributes;
    if (settings.TimeStamp) {
        SYSTEMTIME now{};
        GetLocalTime(&now);
        look.Stamp = FormatTimeStamp(settings.TimeStampFormat, now.wHour, now.wMinute, now.wSecond);
    }
    return look;
}

MarkupRtfDocument::MarkupRtfDocument(const RtfViewLook& look) : view_(look) {
    view_.Start.cbSize = sizeof view_.Start;
    // A line starts as the reader starts it: no link or hidden text, in the line's colour.
    base_ = view_.Start;
    base_.dwEffects &= ~(CFE_LINK | CFE_HIDDEN | CFE_AUTOCOLOR);
    base_.crTextColor = view_.LineColor;
    baseFont_ = fonts_.Index(base_.szFaceName, base_.bCharSet, base_.bPitchAndFamily);
    baseColor_ = colors_.Index(base_.crTextColor);
    background_ = colors_.Index(BackColorOf(base_, view_.Background));
}

std::string MarkupRtfDocument::Differences(const CHARFORMAT2W& look) {
    std::string words;
    for (size_t i = 0; i < std::size(kToggles); ++i) {
        const DWORD effect = kToggles[i];
        if ((look.dwEffects & effect) != (base_.dwEffects & effect))
            words += (look.dwEffects & effect) ? kToggleOn[i] : kToggleOff[i];
    }
    if (Underlined(look) &&
        (!Underlined(base_) || std::string_view(UnderlineWord(look)) != UnderlineWord(base_)))
        words += UnderlineWord(look);
    else if (!Underlined(look) && Underlined(base_))
        words += "\\ulnone";

    const long long color = TextColorOf(look);
    if (color != TextColorOf(base_))
        words += "\\cf" + std::to_string(color < 0 ? 0 : colors_.Index(static_cast<COLORREF>(color)));
    const COLORREF back = BackColorOf(look, view_.Background);
    if (back != BackColorOf(base_, view_.Background)) {
        const std::string index = std::to_string(colors_.Index(back));
        words += "\\chcbpat" + index + "\\highlight" + index;
    }
    if (HalfPoints(look.yHeight) != HalfPoints(base_.yHeight) && HalfPoints(look.yHeight) > 0)
        words += "\\fs" + std::to_string(HalfPoints(look.yHeight));
    if (!SameFont(look, base_))
        words += "\\f" + std::to_string(fonts_.Index(look.szFaceName, look.bCharSet, look.bPitchAndFamily));
    return words;
}

void MarkupRtfDocument::AddText(const CHARFORMAT2W& look, std::wstring_view text) {
    if (text.empty()) return;
    const std::string words = Differences(look);
    if (!words.empty()) body_ += "{" + words + " ";
    const std::wstring visible = VisibleText(text);
    if (look.bCharSet == SYMBOL_CHARSET)
        AppendRtfSymbolText(body_, visible);
    else
        AppendRtfText(body_, visible);
    if (!words.empty()) body_ += "}";
}

void MarkupRtfDocument::AddLine(const std::wstring& line) {
    const std::vector<MarkupItem> items = ReadMarkupLine(
        line, view_.Start, view_.LineColor, view_.IgnoreTextAttributes, nullptr, MarkupEffects::kQuiet);
    for (const MarkupItem& item : items) {
        std::wstring_view text = item.Text;
        const size_t lineEnd = text.find_first_of(L"\r\n");
        AddText(item.Look, text.substr(0, lineEnd));
        if (lineEnd != std::wstring_view::npos) break;
    }
    body_ += "\\par\n";
}

std::string MarkupRtfDocument::Head() const {
    const std::string background = std::to_string(background_);
    std::string head = "{\\rtf1\\ansi\\deff" + std::to_string(baseFont_) + "\\uc1\n" + fonts_.Text() + "\n" +
                       colors_.Text() + "\n";
    // Every paragraph in the view's look: the paragraph shading fills Word's page as the view's
    // background does, the character colours serve Rich Edit.
    head += "\\pard\\plain\\cbpat" + background + "\\f" + std::to_string(baseFont_);
    if (HalfPoints(base_.yHeight) > 0) head += "\\fs" + std::to_string(HalfPoints(base_.yHeight));
    for (size_t i = 0; i < std::size(kToggles); ++i)
        if (base_.dwEffects & kToggles[i]) head += kToggleOn[i];
    if (Underlined(base_)) head += UnderlineWord(base_);
    // A background is written twice: as shading, which Word takes in any colour, and as the
    // highlight, the only one Rich Edit reads.
    head += "\\cf" + std::to_string(baseColor_) + "\\chshdng0\\chcbpat" + background + "\\highlight" +
            background + "\n";
    return head;
}

std::string MarkupRtfDocument::Text() const {
    return Head() + body_ + std::string(kTail);
}
