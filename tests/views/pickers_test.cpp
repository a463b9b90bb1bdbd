// The colour picker, the find dialog, the smiley menu and channel list cells.
#include "tests/views/views_test_support.h"

#include "core/client_services.h"
#include "tests/recorders/call_log.h"
#include "views/channel_list_cell.h"
#include "views/color_picker.h"
#include "views/find_dialog.h"
#include "views/smiley_menu.h"

#include <functional>
#include <vector>

namespace {

// An in-memory dialog template: a dialog with the given child controls.
class DialogTemplate {
public:
    explicit DialogTemplate(const wchar_t* title) {
        Align();
        DLGTEMPLATE head{};
        head.style = WS_POPUP | WS_CAPTION | DS_MODALFRAME;
        head.cx = 200;
        head.cy = 100;
        Put(&head, sizeof head);
        PutWord(0); // menu
        PutWord(0); // class
        PutText(title);
    }
    void Add(WORD id, const wchar_t* className, DWORD style, const wchar_t* text = L"") {
        Align();
        DLGITEMTEMPLATE item{};
        item.style = WS_CHILD | WS_VISIBLE | style;
        item.x = static_cast<short>(5 + 15 * (count_ % 12));
        item.y = static_cast<short>(5 + 15 * (count_ / 12));
        item.cx = 14;
        item.cy = 12;
        item.id = id;
        Put(&item, sizeof item);
        PutText(className);
        PutText(text);
        PutWord(0);
        ++count_;
        reinterpret_cast<DLGTEMPLATE*>(bytes_.data())->cdit = count_;
    }
    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(bytes_.data()); }

private:
    void Put(const void* data, size_t size) {
        const auto* p = static_cast<const unsigned char*>(data);
        bytes_.insert(bytes_.end(), p, p + size);
    }
    void PutWord(WORD w) { Put(&w, sizeof w); }
    void PutText(const wchar_t* text) { Put(text, (wcslen(text) + 1) * sizeof(wchar_t)); }
    void Align() {
        while (bytes_.size() % 4) bytes_.push_back(0);
    }
    std::vector<unsigned char> bytes_;
    WORD count_ = 0;
};

std::function<void(HWND)> g_drive;
const wchar_t* g_title = nullptr;

void CALLBACK DriveDialog(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = FindWindowW(nullptr, g_title);
    if (!dialog) return;
    KillTimer(nullptr, timer);
    g_drive(dialog);
}

// Runs a modal dialog and, once it is up, does what drive says with it.
INT_PTR RunDialog(const DialogTemplate& dialog, const wchar_t* title, DLGPROC proc, LPARAM parameter,
                  std::function<void(HWND)> drive) {
    g_drive = std::move(drive);
    g_title = title;
    SetTimer(nullptr, 0, 20, DriveDialog);
    return DialogBoxIndirectParamW(GetModuleHandleW(nullptr), dialog.Get(), nullptr, proc, parameter);
}

DialogTemplate ColorPickerTemplate() {
    DialogTemplate dialog(L"Colour picker test");
    for (WORD id = 101; id <= 116; ++id) dialog.Add(id, L"BUTTON", BS_OWNERDRAW);
    dialog.Add(IDCANCEL, L"BUTTON", BS_PUSHBUTTON, L"Cancel");
    return dialog;
}

DialogTemplate FindTemplate() {
    DialogTemplate dialog(L"Find test");
    dialog.Add(101, L"EDIT", ES_AUTOHSCROLL | WS_BORDER);
    dialog.Add(201, L"BUTTON", BS_AUTOCHECKBOX, L"Case");
    dialog.Add(202, L"BUTTON", BS_AUTOCHECKBOX, L"Word");
    dialog.Add(IDOK, L"BUTTON", BS_DEFPUSHBUTTON, L"OK");
    dialog.Add(IDCANCEL, L"BUTTON", BS_PUSHBUTTON, L"Cancel");
    return dialog;
}

} // namespace

TEST(ColorPicker, ButtonsGiveTheirPaletteIndexAndBrushesAreFreed) {
    DialogTemplate dialog = ColorPickerTemplate();
    int brushesWhileOpen = -1;
    INT_PTR picked = RunDialog(dialog, L"Colour picker test", ColorPickerDlgProc, 0, [&](HWND d) {
        brushesWhileOpen = ColorPickerBrushCount();
        PostMessageW(d, WM_COMMAND, MAKEWPARAM(108, BN_CLICKED), 0);
    });
    EXPECT_EQ(picked, 7);
    EXPECT_EQ(brushesWhileOpen, 16);
    EXPECT_EQ(ColorPickerBrushCount(), 0);
    INT_PTR cancelled = RunDialog(dialog, L"Colour picker test", ColorPickerDlgProc, 0,
                                  [](HWND d) { PostMessageW(d, WM_COMMAND, IDCANCEL, 0); });
    EXPECT_EQ(cancelled, -1);
    EXPECT_EQ(ColorPickerBrushCount(), 0);
    INT_PTR closed = RunDialog(dialog, L"Colour picker test", ColorPickerDlgProc, 0,
                               [](HWND d) { PostMessageW(d, WM_CLOSE, 0, 0); });
    EXPECT_EQ(closed, -1);
}

TEST(FindDialog, OkKeepsTheTextCutTo599CharactersAndTheBoxes) {
    DialogTemplate dialog = FindTemplate();
    FindRecord record;
    std::wstring longText(700, L'x');
    INT_PTR result =
        RunDialog(dialog, L"Find test", FindTextDlgProc, reinterpret_cast<LPARAM>(&record), [&](HWND d) {
            SetDlgItemTextW(d, 101, longText.c_str());
            CheckDlgButton(d, 202, BST_CHECKED);
            PostMessageW(d, WM_COMMAND, IDOK, 0);
        });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(record.Text, std::wstring(599, L'x'));
    EXPECT_EQ(record.MatchCase, 0);
    EXPECT_EQ(record.WholeWord, 1);
    FindRecord untouched;
    untouched.Text = L"before";
    result =
        RunDialog(dialog, L"Find test", FindTextDlgProc, reinterpret_cast<LPARAM>(&untouched), [](HWND d) {
            SetDlgItemTextW(d, 101, L"ignored");
            PostMessageW(d, WM_COMMAND, IDCANCEL, 0);
        });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(untouched.Text, L"before");
}

class SmileyMenu : public ChatViewTest {};

TEST_F(SmileyMenu, GroupsEndAtTheirFirstMissingBitmap) {
    HMENU menu = ShowSmileyMenu(host_, true);
    ASSERT_NE(menu, nullptr);
    // Group 1 (items 0 to 2) and group 3 (items 0 and 1; item 3 comes after a gap); no group 2.
    ASSERT_EQ(GetMenuItemCount(menu), 2);
    HMENU first = GetSubMenu(menu, 0);
    HMENU third = GetSubMenu(menu, 1);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(GetMenuItemCount(first), 2);
    EXPECT_EQ(GetMenuItemCount(third), 1);
    EXPECT_EQ(GetMenuItemID(first, 0), kSmileyFirstId + 101);
    EXPECT_EQ(GetMenuItemID(third, 0), kSmileyFirstId + 301);
    EXPECT_NE(SmileyMenuBitmap(menu, kSmileyFirstId + 102), nullptr);
    EXPECT_EQ(SmileyMenuBitmap(menu, kSmileyFirstId + 303), nullptr);
    EXPECT_EQ(ShowSmileyMenu(host_, true), menu);
    DestroySmileyMenu();
    EXPECT_NE(ShowSmileyMenu(host_, true), nullptr);
}

TEST(MenuBitmap, KeyColourBecomesTheBackground) {
    HDC screen = GetDC(nullptr);
    HBITMAP source = CreateCompatibleBitmap(screen, 30, 30);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, source);
    RECT all{0, 0, 30, 30}, dot{10, 10, 20, 20};
    HBRUSH white = CreateSolidBrush(RGB(255, 255, 255)), red = CreateSolidBrush(RGB(255, 0, 0));
    FillRect(dc, &all, white);
    FillRect(dc, &dot, red);
    SelectObject(dc, old);
    HBITMAP made = MakeMenuBitmap(source, RGB(255, 255, 255), RGB(0, 0, 128));
    ASSERT_NE(made, nullptr);
    old = SelectObject(dc, made);
    EXPECT_EQ(GetPixel(dc, 2, 2), RGB(0, 0, 128));
    EXPECT_EQ(GetPixel(dc, 15, 15), RGB(255, 0, 0));
    BITMAP info{};
    GetObjectW(made, sizeof info, &info);
    EXPECT_EQ(info.bmWidth, 30);
    SelectObject(dc, old);
    DeleteObject(made);
    DeleteObject(source);
    DeleteObject(white);
    DeleteObject(red);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
}

TEST(ChannelListCell, NamesBecomeJoinLinks) {
    const std::string name27(27, 'a');
    EXPECT_EQ(FormatChannelListCell("#" + name27.substr(1), kChannelNameCell),
              "\x18#" + name27.substr(1) + "\x18 ");
    const std::string name28 = "#" + std::string(27, 'b');
    EXPECT_EQ(FormatChannelListCell(name28, kChannelNameCell),
              "\x18{join|||/join " + name28 + "}" + name28.substr(0, 25) + "...\x18");
    EXPECT_EQ(FormatChannelListCell("#x", kChannelNameCell), "\x18#x\x18" + std::string(26, ' '));
    EXPECT_EQ(FormatChannelListCell("12", kUserCountCell), "12   ");
    EXPECT_EQ(FormatChannelListCell("123456", kUserCountCell), "123456");
}

TEST(ChannelListCell, ServerNamesCannotBreakTheLink) {
    // A multi-byte character across byte 25 is not cut in half: it is left out whole.
    std::string accented = "#" + std::string(23, 'c') + "\xC3\xA9\xC3\xA9" + "dddd";
    std::string cell = FormatChannelListCell(accented, kChannelNameCell);
    EXPECT_NE(cell.find("}#" + std::string(23, 'c') + "...\x18"), std::string::npos);
    std::string shorter = "#" + std::string(22, 'c') + "\xC3\xA9\xC3\xA9" + "dddd";
    EXPECT_NE(FormatChannelListCell(shorter, kChannelNameCell)
                  .find("}#" + std::string(22, 'c') + "\xC3\xA9...\x18"),
              std::string::npos);
    // Punctuation that would end the command early: the whole name is shown as a plain link.
    std::string sneaky = "#aaaaaaaaaaaaaaaaaaaaaaaaaaaa}|||/quit";
    EXPECT_EQ(FormatChannelListCell(sneaky, kChannelNameCell), "\x18" + sneaky + "\x18");
    EXPECT_EQ(FormatChannelListCell("{x|||/quit}", kChannelNameCell), "{x|||/quit}" + std::string(17, ' '));
    // Control codes of the name are dropped, so it cannot close the link or add markup.
    EXPECT_EQ(FormatChannelListCell("#a\x18\x02\x07"
                                    "b",
                                    kChannelNameCell),
              "\x18#ab\x18" + std::string(25, ' '));
}

namespace {

COLORREF PixelOf(HBITMAP bitmap, int x, int y) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    const COLORREF pixel = GetPixel(dc, x, y);
    SelectObject(dc, old);
    DeleteDC(dc);
    return pixel;
}

} // namespace

// A picture smaller than its 30 x 30 square stands on the menu's own colour in the menu and on
// the view's background in the view, never on black.
TEST_F(SmileyMenu, PicturesStandOnTheMenusAndTheViewsOwnBackground) {
    DestroySmileyMenu();
    HBITMAP inMenu = SmileyMenuBitmap(ShowSmileyMenu(host_, true), kSmileyFirstId + 101);
    ASSERT_NE(inMenu, nullptr);
    for (const POINT corner : {POINT{0, 0}, POINT{29, 29}, POINT{3, 15}})
        EXPECT_EQ(PixelOf(inMenu, corner.x, corner.y), GetSysColor(COLOR_MENU))
            << corner.x << "," << corner.y;
    EXPECT_EQ(PixelOf(inMenu, 15, 15), RGB(250, 200, 40));

    SetConfig("Cfg\\Colors", "BG_Color", static_cast<int>(RGB(10, 80, 160)));
    std::vector<COLORREF> corners;
    const auto previous = CallLog::Instance().Answer;
    CallLog::Instance().Answer = [&](const RecordedCall& call) -> uint64_t {
        if (call.Service == "RunEventScript") return 0xFFFFFFFF;
        if (call.Service != "InsertImageIntoRichEdit") return 0;
        auto picture = reinterpret_cast<HBITMAP>(call.Number);
        corners = {PixelOf(picture, 0, 0), PixelOf(picture, 29, 29), PixelOf(picture, 15, 15)};
        return 1; // not taken: the printer frees it
    };
    PrintToWindow(kMessageLine, channel_,
                  L"look \x12\x1e"
                  L"101\x12 here");
    CallLog::Instance().Answer = previous;
    EXPECT_EQ(corners, (std::vector<COLORREF>{RGB(10, 80, 160), RGB(10, 80, 160), RGB(250, 200, 40)}));
    DestroySmileyMenu();
}
