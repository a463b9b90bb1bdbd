#include "views/markup_renderer.h"

#include "common/base64.h"
#include "common/rich_edit_helpers.h"
#include "common/xstring.h"
#include "peer/embedded_objects.h"
#include "shell/applied_settings.h"
#include "shell/config_values.h"
#include "shell/window_record.h"
#include "shell/window_shake.h"
#include "views/display_palette.h"
#include "views/line_printer.h"
#include "views/link_registry.h"
#include "views/markup_codes.h"
#include "views/markup_fields.h"
#include "views/offer_line.h"
#include "views/rtf_table.h"
#include "views/smiley_menu.h"

#include <process.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <vector>

namespace {

constexpr DWORD kFullMask = CFM_SIZE | CFM_COLOR | CFM_FACE | CFM_CHARSET | CFM_BACKCOLOR | CFM_BOLD |
                            CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT;
constexpr DWORD kFontMask = CFM_FACE | CFM_CHARSET;
constexpr DWORD kColorMask = CFM_COLOR | CFM_BACKCOLOR;

struct Range {
    LONG Start = -1;
    LONG End = -1;
};

class LineRenderer {
public:
    LineRenderer(const RenderTarget& target, std::wstring line) : t_(target), line_(std::move(line)) {}

    void Run(COLORREF color) {
        HWND c = t_.Control;
        // The end of the view is where the line goes; its format there is the one to come back to.
        CHARRANGE end{-1, -1};
        SendMessageW(c, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&end));
        start_.cbSize = sizeof start_;
        start_.dwMask = kFullMask;
        SendMessageW(c, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&start_));
        pendingMask_ = kFullMask;
        paragraph_.cbSize = sizeof paragraph_;
        paragraph_.dwMask = PFM_TABLE;
        SendMessageW(c, EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&paragraph_));

        CHARFORMAT2W colored{};
        colored.cbSize = sizeof colored;
        colored.dwMask = CFM_COLOR;
        colored.crTextColor = color;
        SendMessageW(c, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&colored));

        Walk();

        Flush();
        RichEditScrollToEnd(c);
        Restore(kFullMask);
        SendMessageW(c, EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&paragraph_));
        MarkRanges();
    }

private:
    void Walk() {
        size_t i = 0;
        while (i < line_.size()) {
            wchar_t ch = line_[i];
            if (ch == L'\r' || ch == L'\n') {
                pending_ += L"\r\n";
                return;
            }
            if (ch >= 32 || t_.IgnoreAttributes) {
                pending_ += ch;
                ++i;
                continue;
            }
            Flush();
            i = ApplyCode(i);
        }
    }

    // Applies the code at i and returns the position after what it used.
    size_t ApplyCode(size_t i) {
        switch (line_[i]) {
            case kBoldCode:
                bold_ = !bold_;
                SetEffect(CFM_BOLD, bold_ ? CFE_BOLD : 0);
                return i + 1;
            case kItalicCode:
                italic_ = !italic_;
                RichEditSetEffect(t_.Control, CFM_ITALIC, CFE_ITALIC, italic_, 0);
                return i + 1;
            case kStrikeCode:
                strike_ = !strike_;
                RichEditSetEffect(t_.Control, CFM_STRIKEOUT, CFE_STRIKEOUT, strike_, 0);
                return i + 1;
            case kUnderlineCode: return Underline(i);
            case kColorCode: return PaletteColorCode(i);
            case kDirectColorCode: return DirectColorCode(i);
            case kResetCode: Restore(kFullMask); return i + 1;
            case kSizeCode: return SizeCode(i);
            case kFontCode: return FontCode(i);
            case kSymbolCode: return SymbolCode(i);
            case kLinkCode: return LinkCode(i);
            case kBeepCode: return BeepCode(i);
            default: pending_ += line_[i]; return i + 1;
        }
    }

    size_t Underline(size_t i) {
        underline_ = !underline_;
        if (!underline_) {
            RichEditSetEffect(t_.Control, CFM_UNDERLINE, CFE_UNDERLINE, false, 0);
            return i + 1;
        }
        RichEditSetEffect(t_.Control, CFM_UNDERLINE, CFE_UNDERLINE, true, 0);
        size_t next = i + 1;
        for (int kind = 1; kind <= 3 && next < line_.size() && line_[next] == kUnderlineCode; ++kind, ++next)
            RichEditSetEffect(t_.Control, CFM_UNDERLINE, CFE_UNDERLINE, true, kind);
        return next;
    }

    // One or two decimal digits at i (tens and ones); -1 when none.
    int ReadColorIndex(size_t& i) const {
        if (i >= line_.size() || !IsDecimalDigit(line_[i])) return -1;
        int value = line_[i++] - L'0';
        if (i < line_.size() && IsDecimalDigit(line_[i])) value = value * 10 + (line_[i++] - L'0');
        return value;
    }

    size_t PaletteColorCode(size_t i) {
        size_t next = i + 1;
        int foreground = ReadColorIndex(next);
        if (foreground < 0) {
            Restore(kColorMask);
            return next;
        }
        int background = -1;
        if (next < line_.size() && line_[next] == L',') {
            ++next;
            background = ReadColorIndex(next);
        }
        ApplyColors(PaletteColor(static_cast<uint32_t>(foreground)),
                    background < 0 ? 0 : PaletteColor(static_cast<uint32_t>(background)), background >= 0);
        return next;
    }

    // Up to 8 characters at i read as hexadecimal digits; false when they hold none.
    bool ReadHex8(size_t i, COLORREF& value) const {
        std::wstring digits = L"0x" + line_.substr(i, 8);
        wchar_t* end = nullptr;
        unsigned long parsed = wcstoul(digits.c_str(), &end, 16);
        if (end == digits.c_str() || end == digits.c_str() + 2) return false;
        value = static_cast<COLORREF>(parsed);
        return true;
    }

    size_t DirectColorCode(size_t i) {
        CHARFORMAT2W current = CurrentColors();
        COLORREF text = current.crTextColor;
        ReadHex8(i + 1, text);
        size_t next = std::min(line_.size(), i + 9);
        COLORREF back = 0xFFFFFFFF;
        bool hasBack = false;
        if (next < line_.size() && line_[next] == L',') {
            hasBack = ReadHex8(next + 1, back) && back != 0xFFFFFFFF;
            next = std::min(line_.size(), next + 9);
        }
        ApplyColors(text, back, hasBack);
        return next;
    }

    CHARFORMAT2W CurrentColors() const {
        CHARFORMAT2W format{};
        format.cbSize = sizeof format;
        format.dwMask = kColorMask;
        SendMessageW(t_.Control, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
        return format;
    }

    void ApplyColors(COLORREF text, COLORREF back, bool hasBack) {
        CHARFORMAT2W format = CurrentColors();
        format.dwEffects &= ~(CFE_AUTOCOLOR | CFE_AUTOBACKCOLOR);
        format.crTextColor = text;
        if (hasBack) {
            format.crBackColor = back;
            format.dwMask = kColorMask;
        } else {
            format.dwEffects |= CFE_AUTOBACKCOLOR;
            format.dwMask = CFM_COLOR;
        }
        SendMessageW(t_.Control, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    }

    size_t SizeCode(size_t i) {
        size_t next = i + 1;
        LONG added = 0;
        while (next < line_.size() && next < i + 4 && IsDecimalDigit(line_[next]))
            added = added * 10 + (line_[next++] - L'0');
        if (next == i + 1) return next;
        CHARFORMAT2W format{};
        format.cbSize = sizeof format;
        format.dwMask = CFM_SIZE;
        format.yHeight = start_.yHeight + added;
        SendMessageW(t_.Control, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
        return next;
    }

    void ApplyFont(const LOGFONTW& font) {
        CHARFORMAT2W format{};
        format.cbSize = sizeof format;
        format.dwMask = kFontMask;
        wcsncpy(format.szFaceName, font.lfFaceName, LF_FACESIZE - 1);
        format.bCharSet = font.lfCharSet;
        format.bPitchAndFamily = font.lfPitchAndFamily;
        SendMessageW(t_.Control, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    }

    void OpenFontRun(const LOGFONTW* font) {
        if (font && font->lfFaceName[0]) ApplyFont(*font);
        fontRun_ = true;
        pendingMask_ |= kFontMask;
    }

    size_t FontCode(size_t i) {
        if (i + 1 >= line_.size()) return i + 1;
        if (line_[i + 1] == kFontCode) {
            LOGFONTW font{};
            HFONT fixed = ConfiguredFonts.size() > kFixedFont ? ConfiguredFonts[kFixedFont] : nullptr;
            if (!fixed || GetObjectW(fixed, sizeof font, &font) != sizeof font || font.lfHeight == 0)
                GetObjectW(GetStockObject(ANSI_FIXED_FONT), sizeof font, &font);
            RichEditScrollToEnd(t_.Control);
            OpenFontRun(&font);
            return i + 2;
        }
        size_t count = static_cast<size_t>(line_[i + 1]);
        size_t first = i + 2;
        size_t taken = std::min(count, line_.size() - first);
        std::string text = WideToNarrow(line_.substr(first, taken), CP_ACP);
        std::vector<unsigned char> bytes = Base64DecodeText(text, true);
        // Only a run of exactly one LOGFONTW is a font; anything else is skipped.
        if (bytes.size() == sizeof(LOGFONTW)) {
            LOGFONTW font{};
            memcpy(&font, bytes.data(), sizeof font);
            font.lfFaceName[LF_FACESIZE - 1] = 0;
            OpenFontRun(&font);
        }
        return first + taken;
    }

    size_t ReadNumber(size_t& i, size_t maxDigits, uint64_t& value) const {
        size_t digits = 0;
        value = 0;
        while (i < line_.size() && digits < maxDigits && IsDecimalDigit(line_[i])) {
            value = value * 10 + static_cast<uint64_t>(line_[i++] - L'0');
            ++digits;
        }
        return digits;
    }

    // The text of a command run after 18 and its command code, up to the next 18; next is set
    // after the closing 18 (or to the end).
    std::wstring CommandRun(size_t i, size_t& next) const {
        size_t close = line_.find(static_cast<wchar_t>(kSymbolCode), i + 2);
        size_t end = close == std::wstring::npos ? line_.size() : close;
        next = close == std::wstring::npos ? line_.size() : close + 1;
        return line_.substr(i + 2, end - (i + 2));
    }

    size_t SymbolCode(size_t i) {
        wchar_t command = i + 1 < line_.size() ? line_[i + 1] : 0;
        size_t next = i + 2;
        uint64_t number = 0;
        switch (command) {
            case kSymbolSmiley:
                ReadNumber(next, 9, number);
                if (next < line_.size() && line_[next] == kSymbolCode) ++next;
                InsertSmiley(number);
                return next;
            case kSymbolCharacter:
                if (ReadNumber(next, 5, number) > 0 && number > 0 && number <= 0xFFFF)
                    pending_ += static_cast<wchar_t>(number);
                return next;
            case kSymbolHidden:
                hiddenOpen_ = !hiddenOpen_;
                if (hiddenOpen_)
                    hidden_.push_back({SelectionStart(), -1});
                else
                    hidden_.back().End = SelectionStart();
                return next;
            case kSymbolTable: {
                MarkupTable table;
                if (ParseMarkupTable(CommandRun(i, next), table))
                    InsertRtfTable(t_.Control, table.Rows, table.Columns, table.Cells, table.Flag != 0);
                return next;
            }
            case kSymbolOffer: {
                ObjectOffer offer;
                if (ParseObjectOffer(CommandRun(i, next), offer) && t_.Record)
                    PrintToWindow(kInformationLine, t_.Record, FormatOfferLine(offer), nullptr, 1, 0, 0, 0,
                                  0);
                return next;
            }
            default: break;
        }
        if (fontRun_) {
            Restore(kFontMask);
            fontRun_ = false;
            return i + 1;
        }
        size_t run = 0;
        while (i + run < line_.size() && line_[i + run] == kSymbolCode) ++run;
        std::string key = "Symbol_Font_" + std::to_string(run);
        std::vector<uint8_t> bytes = ReadConfigBinary("Cfg\\Fonts", key.c_str(), sizeof(LOGFONTW) + 1);
        LOGFONTW font{};
        if (bytes.size() == sizeof font) memcpy(&font, bytes.data(), sizeof font);
        font.lfFaceName[LF_FACESIZE - 1] = 0;
        OpenFontRun(&font);
        return i + run;
    }

    void InsertSmiley(uint64_t number) {
        if (number > 0xFFFF) return;
        HMENU menu = ShowSmileyMenu(t_.Control, true);
        HBITMAP bitmap = SmileyMenuBitmap(menu, kSmileyFirstId + static_cast<UINT>(number));
        if (!bitmap) return;
        // The insert takes ownership of what it is given; the menu keeps its own.
        HBITMAP copy = static_cast<HBITMAP>(CopyImage(bitmap, IMAGE_BITMAP, 0, 0, 0));
        if (copy && InsertImageIntoRichEdit(t_.Control, copy) != 0) DeleteObject(copy);
    }

    size_t LinkCode(size_t i) {
        if (i + 1 < line_.size() && line_[i + 1] == L'{') {
            size_t close = line_.find(L'}', i + 2);
            size_t end = close == std::wstring::npos ? line_.size() : close;
            bool opened = false;
            uint32_t index = RecordLinkCommands(line_.substr(i + 2, end - (i + 2)), opened);
            size_t braceEnd = close == std::wstring::npos ? line_.size() : close + 1;
            line_.replace(i + 1, braceEnd - (i + 1), opened ? LinkIndexMarker(index) : std::wstring());
            if (!opened) return i + 1;
        }
        linkOpen_ = !linkOpen_;
        if (linkOpen_)
            links_.push_back({SelectionStart(), -1});
        else
            links_.back().End = SelectionStart();
        return i + 1;
    }

    size_t BeepCode(size_t i) {
        size_t next = i + 1;
        if (next < line_.size() && line_[next] == kBoldCode) {
            next = i;
            while (next + 1 < line_.size() && line_[next] == kBeepCode && line_[next + 1] == kBoldCode) {
                size_t close = line_.find(static_cast<wchar_t>(kBoldCode), next + 2);
                next = close == std::wstring::npos ? line_.size() : close + 1;
            }
            return next;
        }
        MessageBeep(0);
        if (next < line_.size() && line_[next] == kBeepCode && t_.Record && t_.Record->Window) {
            uintptr_t thread = _beginthreadex(nullptr, 0, ShakeWindowThread, t_.Record->Window, 0, nullptr);
            if (thread) CloseHandle(reinterpret_cast<HANDLE>(thread));
        }
        while (next < line_.size() && line_[next] == kBeepCode) ++next;
        return next;
    }

    void SetEffect(DWORD mask, DWORD effects) {
        CHARFORMAT2W format{};
        format.cbSize = sizeof format;
        format.dwMask = mask;
        format.dwEffects = effects;
        SendMessageW(t_.Control, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    }

    // Applies the start format for the bits of mask still to be restored; mask then toggles them.
    void Restore(DWORD mask) {
        DWORD due = pendingMask_ & mask;
        if (!due) return;
        CHARFORMAT2W format = start_;
        format.dwMask = due;
        SendMessageW(t_.Control, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
        pendingMask_ ^= mask;
    }

    void Flush() {
        if (pending_.empty()) return;
        RichEditAppendText(t_.Control, pending_.c_str(), false, t_.NoLock);
        pending_.clear();
    }

    LONG SelectionStart() const {
        CHARRANGE range{};
        SendMessageW(t_.Control, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
        return range.cpMin;
    }

    void MarkRanges() {
        CHARRANGE saved{};
        SendMessageW(t_.Control, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&saved));
        bool changed = false;
        auto mark = [&](const std::vector<Range>& ranges, DWORD mask, DWORD effect) {
            for (const Range& r : ranges) {
                if (r.Start < 0 || r.End <= r.Start) continue;
                CHARRANGE range{r.Start, r.End};
                SendMessageW(t_.Control, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
                SetEffect(mask, effect);
                changed = true;
            }
        };
        mark(links_, CFM_LINK, CFE_LINK);
        mark(hidden_, CFM_HIDDEN, CFE_HIDDEN);
        if (changed) SendMessageW(t_.Control, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&saved));
    }

    RenderTarget t_;
    std::wstring line_;
    std::wstring pending_;
    CHARFORMAT2W start_{};
    PARAFORMAT2 paragraph_{};
    DWORD pendingMask_ = 0;
    bool bold_ = false, italic_ = false, underline_ = false, strike_ = false;
    bool linkOpen_ = false, hiddenOpen_ = false, fontRun_ = false;
    std::vector<Range> links_;
    std::vector<Range> hidden_;
};

} // namespace

void RenderMarkupLine(const RenderTarget& target, std::wstring line, COLORREF color) {
    if (!target.Control) return;
    LineRenderer(target, std::move(line)).Run(color);
}
