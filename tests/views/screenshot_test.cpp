// A picture of a channel view with a coloured, linked and grouped conversation, written to
// screenshots/channel_view.png in the build folder.
#include "tests/views/views_test_support.h"

#include "tests/support/screenshots.h"

#include "core/applied_settings.h"
#include "views/chat_line_grouping.h"
#include "views/line_printer.h"
#include "views/view_redraw.h"

#include <string>

namespace {

// What the window shows on the screen, as a new bitmap.
HBITMAP CaptureWindow(HWND window, int& width, int& height) {
    RECT rect{};
    GetWindowRect(window, &rect);
    width = rect.right - rect.left;
    height = rect.bottom - rect.top;
    return CopyScreenArea(rect);
}

int CountPixelsNear(HBITMAP bitmap, int width, int height, COLORREF color) {
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(memory, bitmap);
    int count = 0;
    for (int y = 0; y < height; y += 1)
        for (int x = 0; x < width; x += 1) {
            COLORREF c = GetPixel(memory, x, y);
            if (abs(GetRValue(c) - GetRValue(color)) < 40 && abs(GetGValue(c) - GetGValue(color)) < 40 &&
                abs(GetBValue(c) - GetBValue(color)) < 40)
                ++count;
        }
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return count;
}

class Screenshot : public ChatViewTest {};

} // namespace

TEST_F(Screenshot, ChannelViewWithAColouredLinkedGroupedConversation) {
    MoveWindow(host_, 20, 20, 720, 330, TRUE);
    LOGFONTW face{};
    face.lfHeight = -15;
    wcscpy(face.lfFaceName, L"Tahoma");
    HFONT font = CreateFontIndirectW(&face);
    SendMessageW(view_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    SetConfig("Cfg\\Options2", "TimeStamp", 1);
    GroupChatMessages = 1;
    ServiceAnswers answers;
    InstallAnswers(answers);

    // A sender's next line within the minute is grouped, as the printer decides from the sender.
    auto chat = [&](const wchar_t* sender, const std::wstring& text, bool grouped) {
        const std::wstring nick = sender;
        EXPECT_EQ(IsGroupedChatLine(channel_, nick), grouped);
        PrintToWindow(kMessageLine, channel_, std::wstring(L"<") + sender + L"> " + text,
                      {.ChatLine = true, .Sender = &nick});
    };
    PrintToWindow(kJoinLine, channel_,
                  L"\x03"
                  L"3* alice (alice@example.net) joins #test");
    chat(L"\x02"
         L"alice\x02",
         L"hi all, the \x03"
         L"4,8release notes\x03 are out",
         false);
    chat(L"\x02"
         L"alice\x02",
         L"see \x18{Open|||/url https://example.net/notes}https://example.net/notes\x18", true);
    chat(L"\x02"
         L"alice\x02",
         L"\x1F"
         L"underlined\x1F, \x16italic\x16 and \x02"
         L"bold\x02 all work",
         true);
    chat(L"\x02"
         L"bob\x02",
         L"\x03"
         L"12thanks!\x03 joining \x18{Join|||/join #notes}#notes\x18 now",
         false);
    chat(L"\x02"
         L"bob\x02",
         L"\x07"
         L"00008000green by value\x0F and back",
         true);
    PrintToWindow(kNoticeLine, channel_,
                  L"\x03"
                  L"6-ChanServ- topic set by alice");
    FlushDeferredRedraws();
    SetForegroundWindow(host_);
    RedrawWindow(host_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    // The screen shows the drawing once the colours are on it.
    int width = 0, height = 0;
    HBITMAP shot = nullptr;
    const ULONGLONG end = GetTickCount64() + 10000;
    for (;;) {
        PumpMessages();
        shot = CaptureWindow(host_, width, height);
        ASSERT_NE(shot, nullptr);
        if (GetTickCount64() >= end || (CountPixelsNear(shot, width, height, RGB(255, 255, 0)) > 50 &&
                                        CountPixelsNear(shot, width, height, RGB(255, 0, 0)) > 5))
            break;
        DeleteObject(shot);
        Sleep(50);
    }
    EXPECT_GT(CountPixelsNear(shot, width, height, RGB(255, 255, 0)), 50)
        << "the yellow background of a colour code";
    EXPECT_GT(CountPixelsNear(shot, width, height, RGB(255, 0, 0)), 5) << "red text";
    const std::wstring path = ScreenshotFolder() + L"\\channel_view.png";
    EXPECT_TRUE(SaveBitmapAsPng(shot, path));
    DeleteObject(shot);
    WIN32_FILE_ATTRIBUTE_DATA file{};
    ASSERT_TRUE(GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &file));
    EXPECT_GT(file.nFileSizeLow, 1000u);
    SendMessageW(view_, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    DeleteObject(font);
}
