#include "common/command_ids.h"
#include "ui/rebars.h"
#include "ui/menu_labels.h"

#include "common/app_state.h"
#include "core/frame_handles.h"
#include "core/resource_library.h"
#include "core/window_record.h"

#include <commctrl.h>

#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr DWORD kToolbarStyle = 0x50008944; // child, visible, transparent, flat, tooltips, no divider/resize
constexpr DWORD kRebarStyle = 0x56802A48;
constexpr BYTE kCheck = BTNS_CHECK;
constexpr BYTE kDropDown = BTNS_DROPDOWN;
constexpr uint32_t kPopupBase = 60000;

struct Button {
    uint32_t Id;
    BYTE Style;
    bool Pressed = false;
};

HINSTANCE Instance() {
    return GetModuleHandleW(nullptr);
}

void DestroyChild(HWND parent, int id) {
    if (HWND old = GetDlgItem(parent, id)) DestroyWindow(old);
}

HWND MakeRebar(HWND parent, int id, int height, bool shown = true) {
    RECT client{};
    GetClientRect(parent, &client);
    const DWORD style = shown ? kRebarStyle : kRebarStyle & ~static_cast<DWORD>(WS_VISIBLE);
    return CreateWindowExW(0, REBARCLASSNAMEW, L"", style, 0, 0, client.right, height, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), Instance(), nullptr);
}

HWND MakeToolbar(HWND rebar, int id, int width, int height, HIMAGELIST images) {
    HWND toolbar = CreateWindowExW(0, TOOLBARCLASSNAMEW, L"", kToolbarStyle, 0, 0, width, height, rebar,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), Instance(), nullptr);
    SendMessageW(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(toolbar, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
    if (images) SendMessageW(toolbar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
    return toolbar;
}

TBBUTTON ButtonOf(int image, const Button& button) {
    TBBUTTON b{};
    b.iBitmap = image;
    b.idCommand = static_cast<int>(button.Id);
    b.fsState = TBSTATE_ENABLED | (button.Pressed ? TBSTATE_CHECKED : 0);
    b.fsStyle = button.Style;
    b.iString = -1;
    return b;
}

// A button labelled with the main menu's text of its command.
void AddLabelledButton(HWND toolbar, int image, const Button& button) {
    TBBUTTON b = ButtonOf(image, button);
    wchar_t label[1000] = {};
    if (button.Id >= kPopupBase)
        ui::GetMenuLabel(button.Id - kPopupBase, MF_BYPOSITION, label);
    else
        ui::GetMenuLabel(button.Id, MF_BYCOMMAND, label);
    // The string list takes texts ending in two zeros.
    std::wstring text(label);
    text.push_back(L'\0');
    b.iString = SendMessageW(toolbar, TB_ADDSTRINGW, 0, reinterpret_cast<LPARAM>(text.c_str()));
    SendMessageW(toolbar, TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(&b));
}

void AddBand(HWND rebar, HWND toolbar, UINT bandId) {
    SendMessageW(toolbar, TB_AUTOSIZE, 0, 0);
    SIZE size{};
    SendMessageW(toolbar, TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&size));
    REBARBANDINFOW band{};
    band.cbSize = sizeof band;
    band.fMask = RBBIM_STYLE | RBBIM_COLORS | RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_ID;
    band.fStyle = RBBS_CHILDEDGE | RBBS_NOVERT | RBBS_FIXEDBMP;
    band.clrFore = GetSysColor(COLOR_BTNTEXT);
    band.clrBack = GetSysColor(COLOR_BTNFACE);
    band.hwndChild = toolbar;
    band.cxMinChild = static_cast<UINT>(size.cx);
    band.cyMinChild = static_cast<UINT>(size.cy);
    band.wID = bandId;
    SendMessageW(rebar, RB_INSERTBANDW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&band));
}

// A chat window's bars are made out of sight: the window's layout shows those it shows.
HWND BuildSmallBar(HWND window, int rebarId, int toolbarId, HIMAGELIST images,
                   const std::vector<Button>& buttons, bool shown = false) {
    HWND rebar = MakeRebar(window, rebarId, 22, shown);
    HWND toolbar = MakeToolbar(rebar, toolbarId, 88, 22, images);
    // All in one go: the toolbar lays itself out again for every addition, and a chat window is
    // made hundreds of times over when a server forces them on us.
    std::vector<TBBUTTON> added(buttons.size());
    for (size_t i = 0; i < buttons.size(); ++i) added[i] = ButtonOf(static_cast<int>(i), buttons[i]);
    SendMessageW(toolbar, TB_ADDBUTTONSW, added.size(), reinterpret_cast<LPARAM>(added.data()));
    AddBand(rebar, toolbar, 1);
    return rebar;
}

const WindowRecord* RecordOf(HWND window) {
    return reinterpret_cast<const WindowRecord*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

} // namespace

int RebarHeight(HWND rebar) {
    RECT outer{}, inner{};
    GetWindowRect(rebar, &outer);
    GetClientRect(rebar, &inner);
    const int border = (outer.bottom - outer.top) - inner.bottom;
    return static_cast<int>(SendMessageW(rebar, RB_GETBARHEIGHT, 0, 0)) + border;
}

int RebarRowWidth(HWND rebar) {
    RECT outer{}, inner{};
    GetWindowRect(rebar, &outer);
    GetClientRect(rebar, &inner);
    int width = (outer.right - outer.left) - inner.right;
    const int bands = static_cast<int>(SendMessageW(rebar, RB_GETBANDCOUNT, 0, 0));
    for (int i = 0; i < bands; ++i) {
        RECT borders{};
        SendMessageW(rebar, RB_GETBANDBORDERS, i, reinterpret_cast<LPARAM>(&borders));
        REBARBANDINFOW band{};
        band.cbSize = sizeof band;
        band.fMask = RBBIM_CHILD | RBBIM_CHILDSIZE;
        SendMessageW(rebar, RB_GETBANDINFOW, i, reinterpret_cast<LPARAM>(&band));
        // A toolbar that lost buttons since its band was made is narrower than the band says.
        SIZE buttons{};
        const bool measured = band.hwndChild && SendMessageW(band.hwndChild, TB_GETMAXSIZE, 0,
                                                             reinterpret_cast<LPARAM>(&buttons));
        width += borders.left + borders.right + (measured ? buttons.cx : static_cast<int>(band.cxMinChild));
    }
    return width;
}

int RebarButtonStops(HWND rebar, int* stops, int most) {
    if (SendMessageW(rebar, RB_GETBANDCOUNT, 0, 0) != 1) return 0;
    REBARBANDINFOW band{};
    band.cbSize = sizeof band;
    band.fMask = RBBIM_CHILD;
    SendMessageW(rebar, RB_GETBANDINFOW, 0, reinterpret_cast<LPARAM>(&band));
    if (!band.hwndChild) return 0;
    RECT outer{}, inner{}, borders{};
    GetWindowRect(rebar, &outer);
    GetClientRect(rebar, &inner);
    SendMessageW(rebar, RB_GETBANDBORDERS, 0, reinterpret_cast<LPARAM>(&borders));
    const int around = (outer.right - outer.left) - inner.right + borders.left + borders.right;
    const int buttons = static_cast<int>(SendMessageW(band.hwndChild, TB_BUTTONCOUNT, 0, 0));
    int count = 0;
    for (int i = 0; i < buttons && count < most; ++i) {
        RECT item{};
        // A hidden button has no rectangle.
        if (!SendMessageW(band.hwndChild, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&item))) continue;
        if (item.right > item.left) stops[count++] = around + item.right;
    }
    return count;
}

void ui::GetMenuLabel(uint32_t idOrPosition, uint32_t flags, wchar_t* out) {
    out[0] = L'\0';
    wchar_t text[1000] = {};
    HMENU menu = MainMenuHandle.load();
    if (!menu) return;
    GetMenuStringW(menu, idOrPosition, text, 1000, flags);
    // The menu in use lacks the groups its window type does not show (a list window's lacks the
    // channel's): their commands are read from the language library's whole menu.
    HMODULE language = LanguageModule.load();
    if (text[0] == L'\0' && !(flags & MF_BYPOSITION) && language) {
        if (HMENU whole = LoadMenuW(language, L"MENU_MAIN")) {
            GetMenuStringW(whole, idOrPosition, text, 1000, flags);
            DestroyMenu(whole);
        }
    }
    text[999] = L'\0';
    if (wchar_t* tab = std::wcschr(text, L'\t')) *tab = L'\0';
    // Only the trailing dots of "Connect..." go: "v1.2 Setup..." keeps its version.
    size_t length = std::wcslen(text);
    while (length > 0 && text[length - 1] == L'.') text[--length] = L'\0';
    std::wcscpy(out, text);
}

HWND CreateMainRebar(HWND frame) {
    DestroyChild(frame, kMainRebarId);
    HWND rebar = MakeRebar(frame, kMainRebarId, 32);
    for (int id = 911; id <= 929; ++id) DestroyChild(frame, id);
    struct Band {
        int ToolbarId;
        const wchar_t* Bitmap;
        std::vector<Button> Buttons;
    };
    const Band bands[] = {
        {911,
         L"B_1",
         {{ID_CONNECT, kDropDown}, {ID_OPTIONS_SCRIPTS, 0}, {ID_POPUP_GROUP_FIRST + 12, kDropDown}}},
        {912,
         L"B_2",
         {{ID_POPUP_GROUP_FIRST + 1, kDropDown},
          {ID_SERVER_JOIN, 0},
          {ID_SERVER_CHANNEL_LIST, 0},
          {ID_POPUP_GROUP_FIRST + 3, kDropDown}}},
        {913, L"B_3", {{ID_POPUP_GROUP_FIRST + 2, kDropDown}}},
        {914, L"B_4", {{ID_POPUP_GROUP_FIRST + 5, kDropDown}}},
        {918, L"B_5", {{ID_POPUP_GROUP_FIRST + 4, kDropDown}}},
        {919,
         L"B_9",
         {{ID_POPUP_GROUP_FIRST + 13, kDropDown},
          {ID_PREFERENCES, 0},
          {ID_HELP_FILE, 0},
          {ID_WINDOW_CLOSE, 0}}},
    };
    UINT bandId = 1;
    for (const Band& band : bands) {
        HIMAGELIST images = nullptr;
        if (HMODULE resources = ResourceModule.load())
            images = ImageList_LoadImageW(resources, band.Bitmap, 32, 0, RGB(255, 255, 255), IMAGE_BITMAP,
                                          LR_CREATEDIBSECTION);
        HWND toolbar = MakeToolbar(rebar, band.ToolbarId, 128, 32, images);
        for (size_t i = 0; i < band.Buttons.size(); ++i)
            AddLabelledButton(toolbar, static_cast<int>(i), band.Buttons[i]);
        AddBand(rebar, toolbar, bandId++);
    }
    return rebar;
}

HWND CreateChildRebar(HWND chatWindow) {
    DestroyChild(chatWindow, kMainRebarId);
    if (!RecordOf(chatWindow)) return nullptr;
    for (int id = 911; id <= 919; ++id) DestroyChild(chatWindow, id);
    const std::vector<Button> buttons = {
        {ID_MULTI_LINE_INPUT, kCheck},
        {ID_WINDOW_NOTIFY, kCheck},
        {ID_WINDOW_PAUSE, kCheck},
        {ID_WINDOW_DOCK, kCheck},
        {ID_FORMAT_BAR, kCheck | kDropDown},
        {ID_SMILEYS, 0},
        {ID_POPUP_GROUP_FIRST + 14, kDropDown},
        {ID_VOICE_TALK, kCheck},
        {ID_USER_SEND_FILE, kDropDown},
        {ID_SAVE_TEXT, kCheck | kDropDown},
        {ID_POPUP_GROUP_FIRST + 17, kDropDown},
        {ID_NICK_LIST_GROUPS, kCheck, true},
        {ID_SPEAK_INCOMING, kCheck},
        {ID_SEARCH_WEB_FOR_TYPED_TEXT, 0},
    };
    return BuildSmallBar(chatWindow, kMainRebarId, kStandardToolbarId, WindowBarImages, buttons);
}

HWND CreateControlRebar(HWND chatWindow) {
    DestroyChild(chatWindow, kControlRebarId);
    for (int id = 921; id <= 929; ++id) DestroyChild(chatWindow, id);
    const std::vector<Button> buttons = {
        {ID_FORMAT_BOLD, 0},       {ID_FORMAT_ITALIC, 0},      {ID_FORMAT_UNDERLINE, 0},
        {ID_FORMAT_STRIKE_OUT, 0}, {ID_FORMAT_COLOUR, 0},      {ID_FORMAT_COLOUR_RUN, 0},
        {ID_FORMAT_FONT, 0},       {ID_FORMAT_LINK, 0},        {ID_FORMAT_FONT_SIZE, 0},
        {ID_FORMAT_RESET, 0},      {ID_FORMAT_SHAKE_BUTTON, 0}};
    return BuildSmallBar(chatWindow, kControlRebarId, kControlToolbarId, ControlBarImages, buttons);
}

HWND CreateInsertsRebar(HWND chatWindow) {
    DestroyChild(chatWindow, kInsertsRebarId);
    const WindowRecord* record = RecordOf(chatWindow);
    if (!record || record->Type != kChannelWindow) return nullptr;
    const std::vector<Button> buttons = {{ID_NICK_OPERATOR, 0}, {ID_NICK_VOICE, 0}, {ID_NICK_KICK, 0}};
    return BuildSmallBar(chatWindow, kInsertsRebarId, kInsertsRebarId, InsertsBarImages, buttons);
}

HWND CreatePreferencesRebar(HWND window) {
    DestroyChild(window, kMainRebarId);
    for (int id = 911; id <= 929; ++id) DestroyChild(window, id);
    const std::vector<Button> buttons = {
        {ID_EDITOR_NEW, 0}, {ID_EDITOR_COPY, 0}, {ID_EDITOR_DELETE, 0}, {ID_EDITOR_HELP, 0}};
    return BuildSmallBar(window, kMainRebarId, kStandardToolbarId, PreferencesBarImages, buttons, true);
}
