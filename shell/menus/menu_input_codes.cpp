// Commands that put formatting codes, fonts, colours and smileys into the input box.
#include "common/app_state.h"
#include "common/command_ids.h"
#include "common/lang_string_ids.h"
#include "core/client_services.h"
#include "core/frame_handles.h"
#include "common/base64.h"
#include "common/lang_strings.h"
#include "common/message_box.h"
#include "common/xstring.h"
#include "core/window_record.h"
#include "shell/menus/menu_command_handlers.h"
#include "shell/menus/menu_command_table.h"
#include "ui/prompt_dialogs.h"
#include "views/color_picker.h"
#include "views/display_palette.h"
#include "shell/controls/input_smileys.h"
#include "views/smiley_menu.h"

#include <commdlg.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

// The code each formatting command puts into the input box; the beep-and-shake command and its
// formatting bar button put the same.
struct FormatCodeRow {
    uint32_t Id;
    const wchar_t* Code;
};
constexpr FormatCodeRow kFormatCodes[] = {
    {ID_FORMAT_BOLD, L"\x02"},
    {ID_FORMAT_ITALIC, L"\x16"},
    {ID_FORMAT_UNDERLINE, L"\x1F"},
    {ID_FORMAT_STRIKE_OUT, L"\x1D"},
    {ID_FORMAT_BEEP, L"\x04"},
    {ID_FORMAT_BEEP_AND_SHAKE, L"\x04\x04"},
    {ID_FORMAT_SHAKE_BUTTON, L"\x04\x04"},
    {ID_FORMAT_RESET, L"\x0F"},
    {ID_FORMAT_LINK, L"\x18"},
};

} // namespace

// ID_FORMAT_COLOUR: the palette picker; it ends with the index (or 100 + the index), or cancelled.
void InsertPaletteColour(const MenuCommand& command) {
    HMODULE language = LanguageModule.load();
    if (!language) return;
    const INT_PTR chosen =
        DialogBoxParamW(language, L"DIALOG_MIRCCOLOR", command.Owner, ColorPickerDlgProc, 0);
    int index = -1;
    if (chosen >= 100 && chosen < 100 + static_cast<INT_PTR>(kPaletteSize))
        index = static_cast<int>(chosen - 100);
    else if (chosen >= 0 && chosen < static_cast<INT_PTR>(kPaletteSize))
        index = static_cast<int>(chosen);
    if (index >= 0) InsertIntoInput(command.Window, L"\x03" + std::to_wstring(index));
}

// ID_FORMAT_FONT_SIZE: a font number from 1 to 999.
void InsertFontNumber(const MenuCommand& command) {
    wchar_t number[1000] = {};
    if (!ui::PromptText(MainWindow.load(), kProgramTitle, L"1-999", number, 1000, 0)) return;
    InsertIntoInput(command.Window,
                    L"\x19" + std::to_wstring(static_cast<unsigned>(wcstoul(number, nullptr, 10))));
}

// ID_FORMAT_FONT: the chosen font as the font code: 0x05, one byte with the length of what follows, and the
// font's one-line Base64.
void InsertFontCode(const MenuCommand& command) {
    LOGFONTW font{};
    CHOOSEFONTW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = command.Owner;
    dialog.lpLogFont = &font;
    dialog.Flags = CF_SCREENFONTS | CF_EFFECTS;
    if (!ChooseFontW(&dialog)) return;
    const std::string encoded = Base64EncodeText(&font, sizeof font, true);
    std::string code = "\x05";
    code += static_cast<char>(encoded.size());
    code += encoded;
    InsertIntoInput(command.Window, NarrowToWide(code, CP_ACP));
}

namespace {

UINT_PTR CALLBACK ColourDialogHook(HWND, UINT, WPARAM, LPARAM) {
    return 0;
}

// One colour dialog over the palette; false when it was cancelled.
bool ChooseOneColour(HWND owner, COLORREF& colour) {
    static COLORREF custom[16] = {};
    for (uint32_t i = 0; i < kPaletteSize && i < 16; ++i) custom[i] = PaletteColor(i);
    CHOOSECOLORW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.rgbResult = colour;
    dialog.lpCustColors = custom;
    dialog.Flags = CC_FULLOPEN | CC_RGBINIT | CC_ENABLEHOOK;
    dialog.lpfnHook = ColourDialogHook;
    if (!ChooseColorW(&dialog)) return false;
    colour = dialog.rgbResult;
    return true;
}

// A colour that is not one of the palette's is kept as a free colour when the user says so;
// otherwise the dialog asks again. False when cancelled.
bool ChooseColour(HWND owner, COLORREF& colour, bool& free, bool askFree) {
    for (;;) {
        if (!ChooseOneColour(owner, colour)) return false;
        if (!askFree || PaletteIndexOf(colour) != kNotInPalette) return true;
        if (AppMessageBox(owner, GetLangString(kFreeColourQuestion), kProgramTitle, MB_YESNO,
                          MB_ICONINFORMATION) == IDYES) {
            free = true;
            return true;
        }
    }
}

} // namespace

// ID_FORMAT_COLOUR_RUN: a text colour and, unless that dialog is cancelled, a background, as palette indexes
// or as free colours.
void InsertColourRun(const MenuCommand& command) {
    const HWND owner = command.Owner;
    COLORREF text = 0, back = 0;
    bool free = false;
    if (!ChooseColour(owner, text, free, true)) return;
    bool freeBack = free;
    const bool hasBack = ChooseColour(owner, back, freeBack, !free);
    free = free || freeBack;
    wchar_t code[64] = {};
    if (free && hasBack)
        swprintf(code, 64, L"\x07%08X,%08X", static_cast<unsigned>(text), static_cast<unsigned>(back));
    else if (free)
        swprintf(code, 64, L"\x07%08X", static_cast<unsigned>(text));
    else if (hasBack)
        swprintf(code, 64, L"\x03%i,%i", static_cast<int>(PaletteIndexOf(text)),
                 static_cast<int>(PaletteIndexOf(back)));
    else
        swprintf(code, 64, L"\x03%i", static_cast<int>(PaletteIndexOf(text)));
    InsertIntoInput(command.Window, code);
}

void InsertFormatCode(const MenuCommand& command) {
    for (const FormatCodeRow& row : kFormatCodes)
        if (row.Id == command.Id) InsertIntoInput(command.Window, row.Code);
}

void InsertSmiley(const MenuCommand& command) {
    wchar_t smiley[16] = {};
    swprintf(smiley, 16, L"\x12\x1E%03u\x12 ", command.Id - kSmileyFirstId);
    InsertIntoInput(command.Window, smiley);
    ShowInputSmileys(command.Window->Input);
}
