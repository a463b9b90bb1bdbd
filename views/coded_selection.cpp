#include "views/coded_selection.h"

#include "core/settings.h"
#include "views/display_palette.h"
#include "markup/display_text.h"
#include "markup/markup_codes.h"

#include <richedit.h>

#include <cwchar>
#include <vector>

namespace {

struct CharLook {
    bool Bold = false, Italic = false, Underline = false, Strike = false;
    LONG Size = 0;
    COLORREF Text = 0;
    bool HasBack = false;
    COLORREF Back = 0;
};

CharLook LookAt(HWND richEdit, LONG position, COLORREF viewBackground, bool& hidden) {
    CHARRANGE one{position, position + 1};
    SendMessageW(richEdit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&one));
    CHARFORMAT2W f{};
    f.cbSize = sizeof f;
    f.dwMask = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT | CFM_SIZE | CFM_COLOR | CFM_BACKCOLOR |
               CFM_HIDDEN;
    SendMessageW(richEdit, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&f));
    CharLook look;
    look.Bold = (f.dwEffects & CFE_BOLD) != 0;
    look.Italic = (f.dwEffects & CFE_ITALIC) != 0;
    look.Underline = (f.dwEffects & CFE_UNDERLINE) != 0;
    look.Strike = (f.dwEffects & CFE_STRIKEOUT) != 0;
    look.Size = f.yHeight;
    look.Text = (f.dwEffects & CFE_AUTOCOLOR) ? GetSysColor(COLOR_WINDOWTEXT) : f.crTextColor;
    look.HasBack = !(f.dwEffects & CFE_AUTOBACKCOLOR) && f.crBackColor != viewBackground;
    look.Back = f.crBackColor;
    hidden = (f.dwEffects & CFE_HIDDEN) != 0;
    return look;
}

std::wstring ColorCodes(const CharLook& look) {
    DisplayText codes;
    uint32_t fore = PaletteIndexOf(look.Text);
    uint32_t back = look.HasBack ? PaletteIndexOf(look.Back) : kNotInPalette;
    if (fore != kNotInPalette && (!look.HasBack || back != kNotInPalette)) {
        if (look.HasBack)
            codes.Color(fore, back);
        else
            codes.Color(fore);
    } else if (look.HasBack) {
        codes.DirectColor(look.Text, look.Back);
    } else {
        codes.DirectColor(look.Text);
    }
    return codes;
}

} // namespace

std::optional<std::wstring> GetSelectionAsCodedText(HWND richEdit) {
    CHARRANGE selection{};
    SendMessageW(richEdit, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    if (selection.cpMax <= selection.cpMin) return std::nullopt;

    std::vector<wchar_t> text(static_cast<size_t>(selection.cpMax - selection.cpMin) + 1);
    TEXTRANGEW range{selection, text.data()};
    LONG length =
        static_cast<LONG>(SendMessageW(richEdit, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range)));

    COLORREF background = Settings::BackgroundColour();
    CharLook previous;
    previous.Text = Settings::TextColour();
    bool first = true;
    LONG baseSize = 0;
    std::wstring out;
    for (LONG i = 0; i < length; ++i) {
        wchar_t c = text[static_cast<size_t>(i)];
        bool hidden = false;
        CharLook look = LookAt(richEdit, selection.cpMin + i, background, hidden);
        if (hidden) continue;
        if (first) {
            baseSize = previous.Size = look.Size;
            first = false;
        }
        if (c != L'\r' && c != L'\n') {
            if (look.Bold != previous.Bold) out += static_cast<wchar_t>(kBoldCode);
            if (look.Italic != previous.Italic) out += static_cast<wchar_t>(kItalicCode);
            if (look.Underline != previous.Underline) out += static_cast<wchar_t>(kUnderlineCode);
            if (look.Strike != previous.Strike) out += static_cast<wchar_t>(kStrikeCode);
            if (look.Size != previous.Size)
                out += static_cast<wchar_t>(kSizeCode) +
                       std::to_wstring(look.Size > baseSize ? look.Size - baseSize : 0);
            if (look.Text != previous.Text || look.HasBack != previous.HasBack ||
                (look.HasBack && look.Back != previous.Back))
                out += ColorCodes(look);
            previous = look;
        }
        out += c;
    }
    SendMessageW(richEdit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    return out;
}
