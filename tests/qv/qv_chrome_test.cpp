// qv's frame chrome as a user meets it under Wine: the frame keeps its menu and rebar where the
// ribbon cannot be shown, and the ticker, opened from the menu, scrolls the lines of a channel at
// the bottom of the screen and gives the screen back when it closes.
#include <gtest/gtest.h>

#include "common/xstring.h"
#include "tests/qv/qv_process.h"
#include "tests/support/ngircd_server.h"
#include "tests/support/screenshots.h"
#include "tests/support/test_files.h"

#include <objidl.h>

#include <gdiplus.h>

#include <string>
#include <utility>
#include <vector>

namespace {

constexpr DWORD kWait = kQvWait;
constexpr UINT kTickerCommand = 524;

// The width of the part of the strip that shows text, read from a picture of the display saved
// at the path: from the first to the last column holding a pixel other than the white background.
int TextSpan(HWND ticker, const std::wstring& path) {
    if (!SaveScreenshot(ticker, path)) return 0;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return 0;
    int first = -1, last = -1;
    {
        Gdiplus::Bitmap picture(path.c_str());
        const int width = static_cast<int>(picture.GetWidth()),
                  height = static_cast<int>(picture.GetHeight());
        for (int x = 0; x < width; ++x)
            for (int y = 0; y < height; ++y) {
                Gdiplus::Color colour;
                picture.GetPixel(x, y, &colour);
                if ((colour.GetValue() & 0xFFFFFF) != 0xFFFFFF) {
                    if (first < 0) first = x;
                    last = x;
                    break;
                }
            }
    }
    Gdiplus::GdiplusShutdown(token);
    return first < 0 ? 0 : last - first + 1;
}

// What Wine gives a request for a symbol font: the face it chose and the glyphs of the text in it
// (0xFFFF for a character the face lacks).
struct SymbolFontAnswer {
    std::wstring Face;
    std::vector<WORD> Glyphs;
};

SymbolFontAnswer AnswerSymbolFont(const wchar_t* face, const std::wstring& text) {
    LOGFONTW request{};
    request.lfCharSet = SYMBOL_CHARSET;
    wcscpy_s(request.lfFaceName, face);
    HDC screen = GetDC(nullptr);
    HFONT font = CreateFontIndirectW(&request);
    HGDIOBJ old = SelectObject(screen, font);
    wchar_t chosen[LF_FACESIZE] = {};
    GetTextFaceW(screen, LF_FACESIZE, chosen);
    SymbolFontAnswer answer{chosen, std::vector<WORD>(text.size())};
    if (!text.empty())
        GetGlyphIndicesW(screen, text.c_str(), static_cast<int>(text.size()), answer.Glyphs.data(),
                         GGI_MARK_NONEXISTING_GLYPHS);
    SelectObject(screen, old);
    DeleteObject(font);
    ReleaseDC(nullptr, screen);
    return answer;
}

} // namespace

TEST(QvChrome, FrameKeepsMenuAndRebarAndTheTickerScrollsChannelLines) {
    // Without Marlett in the prefix Wine draws the windows' caption buttons as the letters "0 1 r".
    EXPECT_EQ(AnswerSymbolFont(L"Marlett", L"").Face, L"Marlett")
        << "the prefix lacks fonts-wine's fonts (scripts/wine-fonts)";
    // The dot of an information line is the code 0xB7 in a Symbol run: it must reach the Symbol
    // font's symbol cmap (where 0xF0B7 is the bullet), not a Unicode cmap or another face.
    const SymbolFontAnswer symbol = AnswerSymbolFont(L"Symbol", L"\x00B7\xF0B7");
    EXPECT_EQ(symbol.Face, L"Symbol");
    EXPECT_NE(symbol.Glyphs[0], 0xFFFF) << "the Symbol font lacks the code 0xB7";
    EXPECT_EQ(symbol.Glyphs[0], symbol.Glyphs[1])
        << "the code 0xB7 misses the symbol cmap (scripts/wine-fonts)";

    NgircdServer server;
    ASSERT_TRUE(server.WaitReady());
    IrcClient friendly(server.Port(), "friendly");
    ASSERT_TRUE(friendly.Joins("#test", kWait));

    PortableFolder folder({L"qv.exe", L"qvlang.dll", L"qvres.dll"});
    // The program's first settings (black text on white), scrolling briskly.
    ASSERT_TRUE(WriteFirstSettings(folder, {{"Default_Nick=\"\"", "Default_Nick=\"quser\""},
                                            {"Scroll_Timer=\"50\"", "Scroll_Timer=\"20\""}}));
    QvProcess qv(folder.Path(),
                 L"-port1 -e \"/server 127.0.0.1:" + std::to_wstring(server.Port()) + L"/#test\"");
    HWND frame = nullptr, channel = nullptr;
    ASSERT_TRUE(
        Eventually([&] { return (frame = qv.FindTopWindow(L"BRINDLEX2000_Main")) != nullptr; }, kWait));
    ASSERT_TRUE(Eventually([&] { return (channel = FindChatWindow(frame, L"#test")) != nullptr; }, kWait));

    // Wine's ribbon framework cannot show the program's ribbon: the menu and the rebar stay.
    EXPECT_NE(GetMenu(frame), nullptr);
    HWND bar = GetDlgItem(frame, 910);
    wchar_t barClass[64] = {};
    GetClassNameW(bar, barClass, 64);
    EXPECT_EQ(std::wstring(barClass), L"ReBarWindow32");
    EXPECT_TRUE(IsWindowVisible(bar));

    // Maximised, the frame follows the screen's work area.
    PostMessageW(frame, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    RECT before{};
    ASSERT_TRUE(Eventually(
        [&] {
            GetWindowRect(frame, &before);
            return IsZoomed(frame) && before.right - before.left >= GetSystemMetrics(SM_CXSCREEN);
        },
        kWait));
    PostMessageW(frame, WM_COMMAND, kTickerCommand, 0);
    HWND ticker = nullptr;
    ASSERT_TRUE(Eventually([&] { return (ticker = qv.FindTopWindow(L"qv_TOPTIP")) != nullptr; }, kWait));
    RECT strip{};
    GetWindowRect(ticker, &strip);
    // The maximised frame keeps what it shows clear of the strip (its border may lie under it).
    RECT kept{};
    EXPECT_TRUE(Eventually(
        [&] {
            GetClientRect(frame, &kept);
            MapWindowPoints(frame, nullptr, reinterpret_cast<POINT*>(&kept), 2);
            return kept.bottom <= strip.top && kept.bottom < before.bottom;
        },
        kWait))
        << "frame's client bottom " << kept.bottom << " (maximised " << before.bottom << "), strip top "
        << strip.top << ", zoomed " << IsZoomed(frame);

    ASSERT_TRUE(Heard(friendly, {":quser!", " JOIN "}));
    const std::wstring lines = ScreenshotFolder() + L"\\qv_ticker_lines.png";
    const std::wstring wide = ScreenshotFolder() + L"\\qv_ticker_wide.png";
    for (int i = 1; i <= 3; ++i)
        friendly.Send("PRIVMSG #test :ticker line number " + std::to_string(i) + " from a friend");
    EXPECT_TRUE(Eventually([&] { return TextSpan(ticker, lines) > (strip.right - strip.left) / 2; }, 60000))
        << "the title and the lines never scrolled in";
    // A line far wider than the strip: once the strip is free it fills it from edge to edge,
    // which the title and the short lines before it never do.
    friendly.Send("PRIVMSG #test :" + std::string(300, 'W'));
    const int width = strip.right - strip.left;
    EXPECT_TRUE(Eventually([&] { return TextSpan(ticker, wide) >= width - 10; }, 90000))
        << "the wide line never filled the strip";
    RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SaveScreenAreaShot(screen, ScreenshotFolder() + L"\\qv_ticker_screen.png");

    PostMessageW(frame, WM_COMMAND, kTickerCommand, 0);
    EXPECT_TRUE(Eventually([&] { return !IsWindow(ticker); }, kWait));
    // The frame takes the whole work area again.
    RECT now{};
    EXPECT_TRUE(Eventually(
        [&] {
            GetWindowRect(frame, &now);
            return now.bottom == before.bottom && now.top == before.top;
        },
        kWait))
        << "before " << before.left << "," << before.top << "," << before.right << "," << before.bottom
        << " now " << now.left << "," << now.top << "," << now.right << "," << now.bottom << " strip "
        << strip.top;

    PostMessageW(frame, WM_CLOSE, 0, 0);
    DWORD code = 1;
    EXPECT_TRUE(qv.WaitExit(kWait, code));
    EXPECT_EQ(code, 0u);
}
