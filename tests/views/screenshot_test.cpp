// A picture of a channel view with a coloured, linked and grouped conversation, written to
// screenshots/channel_view.png in the build folder.
#include "tests/views/views_test_support.h"

#include "shell/applied_settings.h"
#include "views/line_printer.h"
#include "views/view_redraw.h"

#include <gdiplus.h>

#include <string>

namespace {

std::wstring ScreenshotPath() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    folder.erase(folder.find_last_of(L"\\/"));     // bin
    folder.erase(folder.find_last_of(L"\\/") + 1); // the build folder
    folder += L"screenshots";
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder + L"\\channel_view.png";
}

bool PngEncoder(CLSID& clsid) {
    UINT count = 0, size = 0;
    Gdiplus::GetImageEncodersSize(&count, &size);
    std::vector<unsigned char> buffer(size);
    auto* encoders = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    Gdiplus::GetImageEncoders(count, size, encoders);
    for (UINT i = 0; i < count; ++i)
        if (wcscmp(encoders[i].MimeType, L"image/png") == 0) {
            clsid = encoders[i].Clsid;
            return true;
        }
    return false;
}

// Copies what the window shows on the screen into a new bitmap (from the screen, as the user sees
// it: not every control answers WM_PRINT).
HBITMAP CaptureWindow(HWND window, int& width, int& height) {
    RECT rect{};
    GetWindowRect(window, &rect);
    width = rect.right - rect.left;
    height = rect.bottom - rect.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return bitmap;
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

    auto chat = [&](const wchar_t* sender, const std::wstring& text, bool grouped) {
        ServiceAnswers a;
        a.GroupedChatLine = grouped ? 1 : 0;
        InstallAnswers(a);
        PrintToWindow(kMessageLine, channel_, std::wstring(L"<") + sender + L"> " + text, nullptr, 0, 0, 0, 1,
                      0);
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
    PumpMessages();
    Sleep(200);
    PumpMessages();

    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    ASSERT_EQ(Gdiplus::GdiplusStartup(&token, &input, nullptr), Gdiplus::Ok);
    int width = 0, height = 0;
    HBITMAP shot = CaptureWindow(host_, width, height);
    ASSERT_NE(shot, nullptr);
    EXPECT_GT(CountPixelsNear(shot, width, height, RGB(255, 255, 0)), 50)
        << "the yellow background of a colour code";
    EXPECT_GT(CountPixelsNear(shot, width, height, RGB(255, 0, 0)), 5) << "red text";
    CLSID png{};
    ASSERT_TRUE(PngEncoder(png));
    std::wstring path = ScreenshotPath();
    {
        Gdiplus::Bitmap image(shot, nullptr);
        EXPECT_EQ(image.Save(path.c_str(), &png, nullptr), Gdiplus::Ok);
    }
    DeleteObject(shot);
    Gdiplus::GdiplusShutdown(token);
    WIN32_FILE_ATTRIBUTE_DATA file{};
    ASSERT_TRUE(GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &file));
    EXPECT_GT(file.nFileSizeLow, 1000u);
    SendMessageW(view_, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    DeleteObject(font);
}
