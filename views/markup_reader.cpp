#include "views/markup_reader.h"

#include "common/base64.h"
#include "common/xstring.h"
#include "core/applied_settings.h"
#include "core/client_services.h"
#include "core/settings.h"
#include "core/window_record.h"
#include "markup/markup_tokens.h"
#include "views/display_palette.h"
#include "views/link_registry.h"

#include <process.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>
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
            const MarkupToken token = ReadMarkupToken(std::wstring_view(line_), i);
            if (token.Kind == MarkupPiece::kLineBreak) {
                AddText(L"\r\n");
                return;
            }
            if (token.Kind == MarkupPiece::kText || ignoreAttributes_) {
                const size_t taken = token.Kind == MarkupPiece::kText ? token.Length : 1;
                AddText(line_.substr(i, taken));
                i += taken;
                continue;
            }
            i = ApplyCode(i, token);
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

    size_t ApplyCode(size_t i, const MarkupToken& code) {
        switch (code.Kind) {
            case MarkupPiece::kBold: Toggle(bold_, CFE_BOLD); return i + 1;
            case MarkupPiece::kItalic: Toggle(italic_, CFE_ITALIC); return i + 1;
            case MarkupPiece::kStrike: Toggle(strike_, CFE_STRIKEOUT); return i + 1;
            case MarkupPiece::kUnderline: return Underline(i, code);
            case MarkupPiece::kPaletteColor: PaletteColorCode(code); return i + code.Length;
            case MarkupPiece::kDirectColor: DirectColorCode(code); return i + code.Length;
            case MarkupPiece::kReset: Reset(); return i + 1;
            case MarkupPiece::kSize:
                if (code.Digits > 0) look_.yHeight = start_.yHeight + static_cast<LONG>(code.Number);
                return i + code.Length;
            case MarkupPiece::kFixedFont: FixedFont(); return i + code.Length;
            case MarkupPiece::kCodedFont: CodedFont(code); return i + code.Length;
            case MarkupPiece::kSymbol: return SymbolCode(i, code);
            case MarkupPiece::kLink: return LinkCode(i, code);
            case MarkupPiece::kObjectMarkers: return i + code.Length;
            case MarkupPiece::kBeep: return BeepCode(i, code);
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

    // Turning underline on takes up to three codes 31 after it, each choosing the next style.
    size_t Underline(size_t i, const MarkupToken& code) {
        underline_ = !underline_;
        SetEffect(CFE_UNDERLINE, underline_);
        if (!underline_) return i + 1;
        const BYTE kinds[] = {CFU_UNDERLINE, CFU_UNDERLINEDOTTED, CFU_UNDERLINEDOUBLE};
        const size_t styles = std::min(code.Repeats, std::size(kinds));
        for (size_t kind = 0; kind < styles; ++kind) look_.bUnderlineType = kinds[kind];
        return i + 1 + styles;
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

    void PaletteColorCode(const MarkupToken& code) {
        if (code.Foreground < 0) {
            Restore(kColorMask);
            return;
        }
        SetColors(PaletteColor(static_cast<uint32_t>(code.Foreground)),
                  code.Background < 0 ? 0 : PaletteColor(static_cast<uint32_t>(code.Background)),
                  code.Background >= 0);
    }

    // The (up to 8) characters read as hexadecimal digits; false when they hold none.
    static bool ReadHex8(std::wstring_view characters, COLORREF& value) {
        if (characters.empty()) return false;
        std::wstring digits = L"0x" + std::wstring(characters);
        wchar_t* end = nullptr;
        unsigned long parsed = wcstoul(digits.c_str(), &end, 16);
        if (end == digits.c_str() || end == digits.c_str() + 2) return false;
        value = static_cast<COLORREF>(parsed);
        return true;
    }

    void DirectColorCode(const MarkupToken& code) {
        COLORREF text = look_.crTextColor;
        ReadHex8(code.Argument, text);
        COLORREF back = 0xFFFFFFFF;
        const bool hasBack = code.Comma && ReadHex8(code.Back, back) && back != 0xFFFFFFFF;
        SetColors(text, back, hasBack);
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

    void FixedFont() {
        LOGFONTW font{};
        HFONT fixed = ConfiguredFonts.size() > kFixedFont ? ConfiguredFonts[kFixedFont] : nullptr;
        if (!fixed || GetObjectW(fixed, sizeof font, &font) != sizeof font || font.lfHeight == 0)
            GetObjectW(GetStockObject(ANSI_FIXED_FONT), sizeof font, &font);
        OpenFontRun(font);
    }

    void CodedFont(const MarkupToken& code) {
        if (code.Length < 2) return;
        std::string text = WideToNarrow(std::wstring(code.Argument), CP_ACP);
        std::vector<unsigned char> bytes = Base64DecodeText(text, true);
        // Only a run of exactly one LOGFONTW is a font; anything else is skipped.
        if (bytes.size() == sizeof(LOGFONTW)) {
            LOGFONTW font{};
            memcpy(&font, bytes.data(), sizeof font);
            font.lfFaceName[LF_FACESIZE - 1] = 0;
            OpenFontRun(font);
        }
    }

    size_t SymbolCode(size_t i, const MarkupToken& code) {
        const size_t next = i + code.Length;
        switch (code.Command) {
            case kSymbolSmiley: {
                MarkupItem smiley;
                smiley.Type = MarkupItem::kSmiley;
                smiley.Number = code.Number;
                AddAction(std::move(smiley), std::wstring(code.Argument));
                return next;
            }
            case kSymbolCharacter:
                if (code.Digits > 0 && code.Number > 0 && code.Number <= 0xFFFF)
                    AddText(std::wstring(1, static_cast<wchar_t>(code.Number)));
                return next;
            case kSymbolHidden:
                hiddenOpen_ = !hiddenOpen_;
                SetEffect(CFE_HIDDEN, hiddenOpen_);
                if (hiddenOpen_) hiddenStart_ = items_.size();
                return next;
            case kSymbolTable: {
                MarkupItem table;
                table.Type = MarkupItem::kTable;
                std::wstring raw(code.Argument);
                if (ParseMarkupTable(raw, table.Table)) AddAction(std::move(table), std::move(raw));
                return next;
            }
            case kSymbolOffer: {
                MarkupItem offer;
                offer.Type = MarkupItem::kOffer;
                std::wstring raw(code.Argument);
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
        const size_t run = 1 + code.Repeats;
        std::string key = "Symbol_Font_" + std::to_string(run);
        std::vector<uint8_t> bytes = Settings::Font(key.c_str());
        LOGFONTW font{};
        if (bytes.size() == sizeof font) memcpy(&font, bytes.data(), sizeof font);
        font.lfFaceName[LF_FACESIZE - 1] = 0;
        OpenFontRun(font);
        return i + run;
    }

    size_t LinkCode(size_t i, const MarkupToken& code) {
        if (code.Brace) {
            // The line changes below: the brace text is copied out of it first.
            const std::wstring braceText(code.Argument);
            bool opened = LinkCommandsOpen(braceText);
            std::wstring marker;
            if (effects_ == MarkupEffects::kAct) {
                const uint32_t index = RecordLinkCommands(braceText, opened);
                if (opened) marker = LinkIndexMarker(index);
            }
            line_.replace(i + 1, code.BraceLength, marker);
            if (!opened) return i + 1;
        }
        linkOpen_ = !linkOpen_;
        SetEffect(CFE_LINK, linkOpen_);
        if (linkOpen_) linkStart_ = items_.size();
        return i + 1;
    }

    // A beep; a second code 4 shakes the window too; all the codes 4 after it go.
    size_t BeepCode(size_t i, const MarkupToken& code) {
        if (effects_ == MarkupEffects::kAct) MessageBeep(0);
        if (effects_ == MarkupEffects::kAct && code.Repeats > 0 && record_ && record_->Window) {
            uintptr_t thread = _beginthreadex(nullptr, 0, ShakeWindowThread, record_->Window, 0, nullptr);
            if (thread) CloseHandle(reinterpret_cast<HANDLE>(thread));
        }
        return i + 1 + code.Repeats;
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
