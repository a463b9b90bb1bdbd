#include "views/markup_reader.h"

#include "common/base64.h"
#include "common/xstring.h"
#include "core/applied_settings.h"
#include "core/client_services.h"
#include "core/settings.h"
#include "core/window_record.h"
#include "markup/markup_codes.h"
#include "views/display_palette.h"
#include "views/link_registry.h"

#include <process.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cwchar>

namespace {

constexpr DWORD kFullMask = CFM_SIZE | CFM_COLOR | CFM_FACE | CFM_CHARSET | CFM_BACKCOLOR | CFM_BOLD |
                            CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT;
constexpr DWORD kFontMask = CFM_FACE | CFM_CHARSET;
constexpr DWORD kColorMask = CFM_COLOR | CFM_BACKCOLOR;

bool SameLookOf(const CHARFORMAT2W& a, const CHARFORMAT2W& b) {
    const DWORD effects = CFE_BOLD | CFE_ITALIC | CFE_UNDERLINE | CFE_STRIKEOUT | CFE_LINK | CFE_HIDDEN |
                          CFE_AUTOCOLOR | CFE_AUTOBACKCOLOR;
    return (a.dwEffects & effects) == (b.dwEffects & effects) && a.yHeight == b.yHeight &&
           a.crTextColor == b.crTextColor && a.crBackColor == b.crBackColor && a.bCharSet == b.bCharSet &&
           a.bPitchAndFamily == b.bPitchAndFamily && a.bUnderlineType == b.bUnderlineType &&
           wcscmp(a.szFaceName, b.szFaceName) == 0;
}

// Reads the markup of one line into items. The codes change a format kept here, as the control's
// insertion format would change; nothing touches the control until the items are put in.
class LineReader {
public:
    LineReader(std::wstring line, const CHARFORMAT2W& start, COLORREF color, bool ignoreAttributes,
               const WindowRecord* record, MarkupEffects effects)
        : ignoreAttributes_(ignoreAttributes), record_(record), effects_(effects), line_(std::move(line)),
          start_(start), look_(start) {
        look_.dwEffects &= ~(CFE_LINK | CFE_HIDDEN);
        if (color == kStartLookColor) return;
        look_.dwEffects &= ~CFE_AUTOCOLOR;
        look_.crTextColor = color;
    }

    std::vector<MarkupItem> Read() {
        Walk();
        CloseRanges();
        return std::move(items_);
    }

private:
    void Walk() {
        size_t i = 0;
        while (i < line_.size()) {
            wchar_t ch = line_[i];
            if (ch == L'\r' || ch == L'\n') {
                AddText(L"\r\n");
                return;
            }
            if (ch >= 32 || ignoreAttributes_) {
                AddText(std::wstring(1, ch));
                ++i;
                continue;
            }
            i = ApplyCode(i);
        }
    }

    void AddText(const std::wstring& text) {
        if (!items_.empty() && items_.back().Type == MarkupItem::kText &&
            SameLookOf(items_.back().Look, look_)) {
            items_.back().Text += text;
            return;
        }
        MarkupItem item;
        item.Look = look_;
        item.Text = text;
        items_.push_back(std::move(item));
    }

    // A smiley, table or offer keeps its raw text in the look around it, for a view that cannot
    // draw it and shows the text instead.
    void AddAction(MarkupItem item, std::wstring raw) {
        item.Look = look_;
        item.Text = std::move(raw);
        items_.push_back(std::move(item));
    }

    size_t ApplyCode(size_t i) {
        switch (line_[i]) {
            case kBoldCode: Toggle(bold_, CFE_BOLD); return i + 1;
            case kItalicCode: Toggle(italic_, CFE_ITALIC); return i + 1;
            case kStrikeCode: Toggle(strike_, CFE_STRIKEOUT); return i + 1;
            case kUnderlineCode: return Underline(i);
            case kColorCode: return PaletteColorCode(i);
            case kDirectColorCode: return DirectColorCode(i);
            case kResetCode: Reset(); return i + 1;
            case kSizeCode: return SizeCode(i);
            case kFontCode: return FontCode(i);
            case kSymbolCode: return SymbolCode(i);
            case kLinkCode: return LinkCode(i);
            case kBeepCode: return BeepCode(i);
            default: AddText(std::wstring(1, line_[i])); return i + 1;
        }
    }

    void SetEffect(DWORD effect, bool on) {
        if (on)
            look_.dwEffects |= effect;
        else
            look_.dwEffects &= ~effect;
    }

    void Toggle(bool& flag, DWORD effect) {
        flag = !flag;
        SetEffect(effect, flag);
    }

    size_t Underline(size_t i) {
        underline_ = !underline_;
        SetEffect(CFE_UNDERLINE, underline_);
        if (!underline_) return i + 1;
        const BYTE kinds[] = {CFU_UNDERLINE, CFU_UNDERLINEDOTTED, CFU_UNDERLINEDOUBLE};
        size_t next = i + 1;
        for (int kind = 0; kind < 3 && next < line_.size() && line_[next] == kUnderlineCode; ++kind, ++next)
            look_.bUnderlineType = kinds[kind];
        return next;
    }

    // One or two decimal digits at i (tens and ones); -1 when none.
    int ReadColorIndex(size_t& i) const {
        if (i >= line_.size() || !IsDecimalDigit(line_[i])) return -1;
        int value = line_[i++] - L'0';
        if (i < line_.size() && IsDecimalDigit(line_[i])) value = value * 10 + (line_[i++] - L'0');
        return value;
    }

    void SetColors(COLORREF text, COLORREF back, bool hasBack) {
        look_.dwEffects &= ~CFE_AUTOCOLOR;
        look_.crTextColor = text;
        // Without a background only the text colour changes; the back colour stays as it is.
        if (hasBack) {
            look_.dwEffects &= ~CFE_AUTOBACKCOLOR;
            look_.crBackColor = back;
        }
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
        SetColors(PaletteColor(static_cast<uint32_t>(foreground)),
                  background < 0 ? 0 : PaletteColor(static_cast<uint32_t>(background)), background >= 0);
        return next;
    }

    // Up to 8 characters at i read as hexadecimal digits; false when they hold none.
    bool ReadHex8(size_t i, COLORREF& value) const {
        if (i >= line_.size()) return false;
        std::wstring digits = L"0x" + line_.substr(i, 8);
        wchar_t* end = nullptr;
        unsigned long parsed = wcstoul(digits.c_str(), &end, 16);
        if (end == digits.c_str() || end == digits.c_str() + 2) return false;
        value = static_cast<COLORREF>(parsed);
        return true;
    }

    size_t DirectColorCode(size_t i) {
        COLORREF text = look_.crTextColor;
        ReadHex8(i + 1, text);
        size_t next = std::min(line_.size(), i + 9);
        COLORREF back = 0xFFFFFFFF;
        bool hasBack = false;
        if (next < line_.size() && line_[next] == L',') {
            hasBack = ReadHex8(next + 1, back) && back != 0xFFFFFFFF;
            next = std::min(line_.size(), next + 9);
        }
        SetColors(text, back, hasBack);
        return next;
    }

    size_t SizeCode(size_t i) {
        size_t next = i + 1;
        LONG added = 0;
        while (next < line_.size() && next < i + 4 && IsDecimalDigit(line_[next]))
            added = added * 10 + (line_[next++] - L'0');
        if (next > i + 1) look_.yHeight = start_.yHeight + added;
        return next;
    }

    void OpenFontRun(const LOGFONTW& font) {
        if (font.lfFaceName[0]) {
            wcsncpy(look_.szFaceName, font.lfFaceName, LF_FACESIZE - 1);
            look_.szFaceName[LF_FACESIZE - 1] = 0;
            look_.bCharSet = font.lfCharSet;
            look_.bPitchAndFamily = font.lfPitchAndFamily;
        }
        fontRun_ = true;
    }

    size_t FontCode(size_t i) {
        if (i + 1 >= line_.size()) return i + 1;
        if (line_[i + 1] == kFontCode) {
            LOGFONTW font{};
            HFONT fixed = ConfiguredFonts.size() > kFixedFont ? ConfiguredFonts[kFixedFont] : nullptr;
            if (!fixed || GetObjectW(fixed, sizeof font, &font) != sizeof font || font.lfHeight == 0)
                GetObjectW(GetStockObject(ANSI_FIXED_FONT), sizeof font, &font);
            OpenFontRun(font);
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
            OpenFontRun(font);
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
            case kSymbolSmiley: {
                ReadNumber(next, 9, number);
                std::wstring digits = line_.substr(i + 2, next - (i + 2));
                if (next < line_.size() && line_[next] == kSymbolCode) ++next;
                MarkupItem smiley;
                smiley.Type = MarkupItem::kSmiley;
                smiley.Number = number;
                AddAction(std::move(smiley), std::move(digits));
                return next;
            }
            case kSymbolCharacter:
                if (ReadNumber(next, 5, number) > 0 && number > 0 && number <= 0xFFFF)
                    AddText(std::wstring(1, static_cast<wchar_t>(number)));
                return next;
            case kSymbolHidden:
                hiddenOpen_ = !hiddenOpen_;
                SetEffect(CFE_HIDDEN, hiddenOpen_);
                if (hiddenOpen_) hiddenStart_ = items_.size();
                return next;
            case kSymbolTable: {
                MarkupItem table;
                table.Type = MarkupItem::kTable;
                std::wstring raw = CommandRun(i, next);
                if (ParseMarkupTable(raw, table.Table)) AddAction(std::move(table), std::move(raw));
                return next;
            }
            case kSymbolOffer: {
                MarkupItem offer;
                offer.Type = MarkupItem::kOffer;
                std::wstring raw = CommandRun(i, next);
                if (ParseObjectOffer(raw, offer.Offer)) AddAction(std::move(offer), std::move(raw));
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
        std::vector<uint8_t> bytes = Settings::Font(key.c_str());
        LOGFONTW font{};
        if (bytes.size() == sizeof font) memcpy(&font, bytes.data(), sizeof font);
        font.lfFaceName[LF_FACESIZE - 1] = 0;
        OpenFontRun(font);
        return i + run;
    }

    size_t LinkCode(size_t i) {
        if (i + 1 < line_.size() && line_[i + 1] == L'{') {
            size_t close = line_.find(L'}', i + 2);
            size_t end = close == std::wstring::npos ? line_.size() : close;
            const std::wstring braceText = line_.substr(i + 2, end - (i + 2));
            bool opened = LinkCommandsOpen(braceText);
            std::wstring marker;
            if (effects_ == MarkupEffects::kAct) {
                const uint32_t index = RecordLinkCommands(braceText, opened);
                if (opened) marker = LinkIndexMarker(index);
            }
            size_t braceEnd = close == std::wstring::npos ? line_.size() : close + 1;
            line_.replace(i + 1, braceEnd - (i + 1), marker);
            if (!opened) return i + 1;
        }
        linkOpen_ = !linkOpen_;
        SetEffect(CFE_LINK, linkOpen_);
        if (linkOpen_) linkStart_ = items_.size();
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
        if (effects_ == MarkupEffects::kAct) MessageBeep(0);
        if (effects_ == MarkupEffects::kAct && next < line_.size() && line_[next] == kBeepCode && record_ &&
            record_->Window) {
            uintptr_t thread = _beginthreadex(nullptr, 0, ShakeWindowThread, record_->Window, 0, nullptr);
            if (thread) CloseHandle(reinterpret_cast<HANDLE>(thread));
        }
        while (next < line_.size() && line_[next] == kBeepCode) ++next;
        return next;
    }

    // Code 15: everything back to the start format, the toggles off and a font run closed, every
    // time it comes (not only the first time in a line).
    void Reset() {
        Restore(kFullMask);
        bold_ = italic_ = underline_ = strike_ = fontRun_ = false;
    }

    // Takes the start format back for the attributes of the mask.
    void Restore(DWORD mask) {
        const DWORD due = mask;
        if (due & CFM_SIZE) look_.yHeight = start_.yHeight;
        if (due & CFM_COLOR) {
            look_.crTextColor = start_.crTextColor;
            look_.dwEffects = (look_.dwEffects & ~CFE_AUTOCOLOR) | (start_.dwEffects & CFE_AUTOCOLOR);
        }
        if (due & CFM_BACKCOLOR) {
            look_.crBackColor = start_.crBackColor;
            look_.dwEffects = (look_.dwEffects & ~CFE_AUTOBACKCOLOR) | (start_.dwEffects & CFE_AUTOBACKCOLOR);
        }
        if (due & CFM_FACE) {
            wcscpy(look_.szFaceName, start_.szFaceName);
            look_.bPitchAndFamily = start_.bPitchAndFamily;
        }
        if (due & CFM_CHARSET) look_.bCharSet = start_.bCharSet;
        const DWORD effects[][2] = {{CFM_BOLD, CFE_BOLD},
                                    {CFM_ITALIC, CFE_ITALIC},
                                    {CFM_UNDERLINE, CFE_UNDERLINE},
                                    {CFM_STRIKEOUT, CFE_STRIKEOUT}};
        for (const auto& e : effects)
            if (due & e[0]) look_.dwEffects = (look_.dwEffects & ~e[1]) | (start_.dwEffects & e[1]);
        if (due & CFM_UNDERLINE) look_.bUnderlineType = start_.bUnderlineType;
    }

    // A link or hidden range still open at the end of the line is not marked at all.
    void CloseRanges() {
        if (linkOpen_)
            for (size_t k = linkStart_; k < items_.size(); ++k) items_[k].Look.dwEffects &= ~CFE_LINK;
        if (hiddenOpen_)
            for (size_t k = hiddenStart_; k < items_.size(); ++k) items_[k].Look.dwEffects &= ~CFE_HIDDEN;
    }

    bool ignoreAttributes_;
    const WindowRecord* record_;
    MarkupEffects effects_;
    std::wstring line_;
    CHARFORMAT2W start_;
    CHARFORMAT2W look_;
    bool bold_ = false, italic_ = false, underline_ = false, strike_ = false;
    bool linkOpen_ = false, hiddenOpen_ = false, fontRun_ = false;
    size_t linkStart_ = 0, hiddenStart_ = 0;
    std::vector<MarkupItem> items_;
};

} // namespace

bool SameRunLook(const CHARFORMAT2W& a, const CHARFORMAT2W& b) {
    return SameLookOf(a, b);
}

std::vector<MarkupItem> ReadMarkupLine(const std::wstring& line, const CHARFORMAT2W& start, COLORREF color,
                                       bool ignoreAttributes, const WindowRecord* record,
                                       MarkupEffects effects) {
    LineReader reader(line, start, color, ignoreAttributes, record, effects);
    return reader.Read();
}
