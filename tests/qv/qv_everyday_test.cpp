// What a user meets every day in qv under Wine, read back from the outside: the Window menu's
// arrangements, smileys in the menu and in the view, a picture pasted into a query, the port box
// of the connect dialog and the pass phrase of an encrypted save.
#include <gtest/gtest.h>

#include "common/xstring.h"
#include "tests/qv/qv_process.h"
#include "tests/support/ngircd_server.h"
#include "tests/support/screenshots.h"
#include "tests/support/test_files.h"

#include <commdlg.h>
#include <dlgs.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr DWORD kWait = kQvWait;

// True when the screen shows a smiley's face colour in the rectangle: the picture is painted.
bool ShowsSmiley(const RECT& area) {
    const std::vector<uint32_t> pixels = ScreenPixels(area);
    return std::find(pixels.begin(), pixels.end(), uint32_t{0xFAD228}) != pixels.end();
}

// True when the screen shows a solid square of pure black, side pixels wide, in the rectangle.
bool ShowsBlackSquare(const RECT& area, int side) {
    const std::vector<uint32_t> pixels = ScreenPixels(area);
    const int width = area.right - area.left, height = area.bottom - area.top;
    // For each pixel, how many black pixels end there in its row; a square needs side rows in a
    // column whose run is long enough.
    std::vector<int> run(pixels.size()), rows(static_cast<size_t>(width));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const size_t at = static_cast<size_t>(y) * width + x;
            run[at] = pixels[at] == 0 ? (x ? run[at - 1] : 0) + 1 : 0;
            rows[x] = run[at] >= side ? rows[x] + 1 : 0;
            if (rows[x] >= side) return true;
        }
    return false;
}

} // namespace

TEST(QvEveryday, ArrangementsSmileysAPastedPictureAndTheDialogBoxes) {
    NgircdServer server;
    ASSERT_TRUE(server.WaitReady());
    IrcClient friendly(server.Port(), "friendly");
    ASSERT_TRUE(friendly.Joins("#test", kWait));
    PortableFolder folder({L"qv.exe", L"qvlang.dll", L"qvres.dll"});
    ASSERT_TRUE(WriteFirstSettings(folder, {{"Default_Nick=\"\"", "Default_Nick=\"quser\""},
                                            {"Flood_Delay_MS=\"1000\"", "Flood_Delay_MS=\"0\""}}));
    QvProcess qv(folder.Path(),
                 L"-port1 -e \"/server 127.0.0.1:" + std::to_wstring(server.Port()) + L"/#test\"");
    HWND frame = nullptr, channel = nullptr, query = nullptr, status = nullptr;
    ASSERT_TRUE(
        Eventually([&] { return (frame = qv.FindTopWindow(L"BRINDLEX2000_Main")) != nullptr; }, kWait));
    ASSERT_TRUE(Eventually([&] { return (channel = FindChatWindow(frame, L"#test")) != nullptr; }, kWait));
    ASSERT_TRUE(Heard(friendly, ":quser!"));
    ASSERT_TRUE(
        Eventually([&] { return (status = FindChatWindow(frame, L"irc.test.local")) != nullptr; }, kWait));
    HWND client = GetParent(channel);

    // A smiley from the Format menu shows as its picture and goes out as its markup.
    SendMessageW(client, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(channel), 0);
    HWND input = GetDlgItem(channel, 902);
    PostMessageW(frame, WM_COMMAND, 47102, 0);
    // The input box shows the picture, not the codes.
    ASSERT_TRUE(Eventually([&] { return ShowsSmiley(ScreenRect(input)); }, kWait));
    SaveScreenshot(input, ScreenshotFolder() + L"\\qv_smiley_input.png");
    EXPECT_EQ(WindowText(input).find(L'\x12'), std::wstring::npos);
    EXPECT_FALSE(ShowsBlackSquare(ScreenRect(input), 4));
    TypeLine(input, L" sent");
    EXPECT_TRUE(Heard(friendly, "PRIVMSG #test :\x12\x1e"
                                "101\x12  sent"));

    // One received is drawn on the view's own background, and the menu's on the menu's.
    friendly.Send("PRIVMSG #test :smile :-) here");
    HWND view = GetDlgItem(channel, 901);
    RECT text = ScreenRect(view);
    text.right -= GetSystemMetrics(SM_CXVSCROLL) + 4;
    ASSERT_TRUE(Eventually([&] { return ShowsSmiley(text); }, kWait));
    SaveScreenshot(channel, ScreenshotFolder() + L"\\qv_smiley_view.png");
    EXPECT_FALSE(ShowsBlackSquare(text, 4)) << "a black box around the smiley";
    PostMessageW(frame, WM_COMMAND, 757, 0);
    HWND menu = nullptr;
    ASSERT_TRUE(Eventually([&] { return (menu = qv.FindTopWindow(L"#32768")) != nullptr; }, kWait));
    ASSERT_TRUE(Eventually([&] { return ShowsSmiley(ScreenRect(menu)); }, kWait));
    SaveScreenAreaShot(ScreenRect(menu), ScreenshotFolder() + L"\\qv_smiley_menu.png");
    EXPECT_FALSE(ShowsBlackSquare(ScreenRect(menu), 4)) << "a black box in the smiley menu";
    PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    ASSERT_TRUE(Eventually([&] { return !IsWindowVisible(menu); }, kWait));

    // A picture pasted into a query is offered to the partner as a PNG file.
    TypeLine(GetDlgItem(channel, 902), L"/query friendly");
    ASSERT_TRUE(Eventually([&] { return (query = FindChatWindow(frame, L"friendly")) != nullptr; }, kWait));
    HDC screen = GetDC(nullptr);
    HBITMAP picture = CreateCompatibleBitmap(screen, 40, 30);
    ReleaseDC(nullptr, screen);
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    SetClipboardData(CF_BITMAP, picture);
    CloseClipboard();
    ASSERT_TRUE(IsClipboardFormatAvailable(CF_BITMAP));
    // The system's clipboard keeper opens the clipboard after the change; qv pastes once it is let go.
    ASSERT_TRUE(Eventually([] { return GetOpenClipboardWindow() == nullptr; }, kWait));
    // Keys go to the window that has the focus when qv reads them: wait until the frame is
    // foreground, active in its thread and the query's input box has the focus. No click: a click
    // still on its way moves the focus through the query window and back, and keys read meanwhile
    // land there.
    SendMessageW(client, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(query), 0);
    SetForegroundWindow(frame);
    ASSERT_TRUE(Eventually(
        [&] {
            return GetForegroundWindow() == frame && ActiveOf(frame) == frame &&
                   FocusOf(query) == GetDlgItem(query, 902);
        },
        kWait));
    Press(VK_CONTROL, true);
    Press('V', true);
    Press('V', false);
    Press(VK_CONTROL, false);
    HWND offer = nullptr;
    ASSERT_TRUE(Eventually([&] { return (offer = qv.FindDialogWith(L".png")) != nullptr; }, kWait))
        << "foreground " << (GetForegroundWindow() == frame) << ", focus in the input "
        << (FocusOf(query) == GetDlgItem(query, 902)) << ", input text \""
        << WideToNarrow(WindowText(GetDlgItem(query, 902))) << "\", picture on the clipboard "
        << IsClipboardFormatAvailable(CF_BITMAP) << ", the query shows \""
        << WideToNarrow(WindowText(GetDlgItem(query, 901))) << "\"";
    EXPECT_EQ(WindowText(GetDlgItem(offer, 101)), L"friendly");
    const std::wstring file = WindowText(GetDlgItem(offer, 102));
    EXPECT_EQ(ReadFileBytes(file).substr(0, 4), "\x89PNG") << WideToNarrow(file);
    PostMessageW(offer, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(Eventually([&] { return !IsWindow(offer); }, kWait));

    // Cascade offsets each window by one step; tiling stacks full-width windows or sets
    // full-height ones side by side.
    const std::vector<HWND> windows{status, channel, query};
    const auto arranged = [&](UINT id, bool byTop) {
        SendMessageW(frame, WM_COMMAND, id, 0); // carried out before it returns
        std::vector<RECT> after;
        for (HWND window : windows) after.push_back(InClient(window));
        std::sort(after.begin(), after.end(),
                  [byTop](const RECT& a, const RECT& b) { return byTop ? a.top < b.top : a.left < b.left; });
        return after;
    };
    RECT area{};
    GetClientRect(client, &area);
    const std::vector<RECT> cascade = arranged(783, false);
    EXPECT_GT(cascade[1].left - cascade[0].left, 0);
    EXPECT_GT(cascade[1].top - cascade[0].top, 0);
    EXPECT_LE(std::abs((cascade[2].top - cascade[1].top) - (cascade[1].top - cascade[0].top)), 1);
    const std::vector<RECT> stacked = arranged(784, true);
    for (size_t i = 0; i < stacked.size(); ++i) {
        EXPECT_EQ(stacked[i].right - stacked[i].left, area.right) << i;
        if (i) {
            EXPECT_LE(std::abs(stacked[i].top - stacked[i - 1].bottom), 1) << i;
        }
    }
    const std::vector<RECT> side = arranged(785, false);
    for (size_t i = 0; i < side.size(); ++i) {
        EXPECT_LE(std::abs(side[i].bottom - area.bottom), 2) << i;
        if (i) {
            EXPECT_LE(std::abs(side[i].left - side[i - 1].right), 1) << i;
        }
    }
    SaveScreenshot(frame, ScreenshotFolder() + L"\\qv_tile_vertically.png");

    // The port box shows all five digits of the highest port.
    PostMessageW(frame, WM_COMMAND, 801, 0);
    HWND connect = nullptr;
    ASSERT_TRUE(
        Eventually([&] { return (connect = qv.FindTopWindow(L"#32770", L"Connect to")) != nullptr; }, kWait));
    HWND port = GetDlgItem(connect, 102);
    SendMessageW(port, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"65535"));
    const LRESULT fourth = SendMessageW(port, EM_POSFROMCHAR, 3, 0),
                  fifth = SendMessageW(port, EM_POSFROMCHAR, 4, 0);
    RECT box{};
    GetClientRect(port, &box);
    const int rightMargin = HIWORD(SendMessageW(port, EM_GETMARGINS, 0, 0));
    const int last = static_cast<short>(LOWORD(fifth)), step = last - static_cast<short>(LOWORD(fourth));
    EXPECT_LE(last + step, box.right - rightMargin) << "the last digit is cut off";
    PostMessageW(connect, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(Eventually([&] { return !IsWindow(connect); }, kWait));

    // The pass phrase of an encrypted save is typed unseen.
    SendMessageW(client, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(channel), 0);
    PostMessageW(frame, WM_COMMAND, 984, 0);
    HWND save = nullptr;
    ASSERT_TRUE(Eventually([&] { return (save = qv.FindTopWindow(L"#32770")) != nullptr; }, kWait));
    HWND name = GetDlgItem(save, cmb13) ? GetDlgItem(save, cmb13) : GetDlgItem(save, edt1);
    const std::wstring sealed = folder.Path() + L"\\sealed.log";
    SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(sealed.c_str()));
    PostMessageW(save, WM_COMMAND, IDOK, 0);
    HWND phrase = nullptr;
    ASSERT_TRUE(Eventually([&] { return (phrase = qv.FindDialogWith(L"Pass phrase")) != nullptr; }, kWait));
    EXPECT_NE(SendDlgItemMessageW(phrase, 102, EM_GETPASSWORDCHAR, 0, 0), 0);
    SendDlgItemMessageW(phrase, 102, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"secret words"));
    PostMessageW(phrase, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(Eventually([&] { return !ReadFileBytes(sealed).empty(); }, kWait));
    SetFileAttributesW(sealed.c_str(), FILE_ATTRIBUTE_NORMAL);

    PostMessageW(frame, WM_CLOSE, 0, 0);
    DWORD code = 1;
    EXPECT_TRUE(qv.WaitExit(kWait, code));
}
