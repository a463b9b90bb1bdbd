// qv started with "-8": every chat window shows the custom-drawn view, chatting against a real
// server with a second client; what the view shows is read back from its pixels.
#include <gtest/gtest.h>

#include "tests/qv/qv_process.h"
#include "tests/support/irc_test_support.h"
#include "tests/support/ngircd_server.h"

#include <prsht.h>

#include <algorithm>

#include <vector>

namespace {

constexpr DWORD kWait = kQvWait;

// The view's pixels as the screen shows them (the view belongs to another process).
std::vector<uint32_t> Pixels(HWND view) {
    RECT area{};
    GetWindowRect(view, &area);
    return ScreenPixels(area);
}

// The colour most of the view shows: its background.
uint32_t Background(const std::vector<uint32_t>& pixels) {
    std::vector<std::pair<uint32_t, int>> counts;
    for (size_t i = 0; i < pixels.size(); i += 7) {
        const uint32_t p = pixels[i] & 0xFFFFFF;
        auto it = std::find_if(counts.begin(), counts.end(), [&](const auto& c) { return c.first == p; });
        if (it == counts.end())
            counts.emplace_back(p, 1);
        else
            ++it->second;
    }
    return std::max_element(counts.begin(), counts.end(),
                            [](auto& a, auto& b) { return a.second < b.second; })
        ->first;
}

TEST(QvCustomView, ChatsScrollsAndPausesInTheCustomDrawnView) {
    NgircdServer server;
    ASSERT_TRUE(server.WaitReady());
    IrcClient friendly(server.Port(), "friendly");
    ASSERT_TRUE(friendly.WaitFor(" 001 ", kWait));
    friendly.Send("JOIN #test");
    ASSERT_TRUE(friendly.WaitFor("JOIN :#test", kWait));

    PortableFolder folder({L"qv.exe", L"qvlang.dll", L"qvres.dll"});
    QvProcess qv(folder.Path(),
                 L"-8 -port1 -e \"/server 127.0.0.1:" + std::to_wstring(server.Port()) + L"/#test\"");
    ASSERT_TRUE(qv.Started());
    HWND frame = nullptr;
    ASSERT_TRUE(
        Eventually([&] { return (frame = qv.FindTopWindow(L"BRINDLEX2000_Main")) != nullptr; }, kWait));
    ASSERT_TRUE(FinishFirstRunWizard(qv, kWait));
    HWND channel = nullptr;
    ASSERT_TRUE(Eventually([&] { return (channel = FindChatWindow(frame, L"#test")) != nullptr; }, kWait));
    HWND view = GetDlgItem(channel, 901);
    ASSERT_NE(nullptr, view);
    wchar_t className[16] = {};
    GetClassNameW(view, className, 16);
    EXPECT_STREQ(L"twin", className);
    EXPECT_EQ(nullptr, GetDlgItem(channel, 902)) << "the view is the window's input box";
    ASSERT_TRUE(Heard(friendly, " JOIN "));

    // Lines from the friend (coloured, long enough to wrap, with a link) change what the view shows.
    const std::vector<uint32_t> before = Pixels(view);
    friendly.Send("PRIVMSG #test :\x03"
                  "04hello\x03 from the friend, see https://example.org/page and a line long "
                  "enough to wrap across the width of the view more than once when it is drawn by the view");
    EXPECT_TRUE(Eventually([&] { return Pixels(view) != before; }, kWait)) << "the friend's line is drawn";

    // Typing: the typed line is the view's text until Enter sends it; Up brings it back.
    SetForegroundWindow(frame);
    TypeLine(view, L"typed into the custom view");
    EXPECT_TRUE(Heard(friendly, "PRIVMSG #test :typed into the custom view"));
    PostMessageW(view, WM_KEYDOWN, VK_UP, 0);
    EXPECT_TRUE(Eventually([&] { return WindowText(view) == L"typed into the custom view"; }, kWait));
    PostMessageW(view, WM_CHAR, L'!', 0);
    PostMessageW(view, WM_CHAR, L'\r', 0);
    EXPECT_TRUE(Heard(friendly, "PRIVMSG #test :typed into the custom view!"));

    // Enough long lines to fill the view several times over, so there is something to scroll.
    const std::string words(60, 'w');
    for (int i = 0; i < 30; ++i)
        friendly.Send("PRIVMSG #test :filler " + std::to_string(i) + " " + words + " " + words + " " + words +
                      " " + words);
    // The server passes the friend's lines on in turn, so qv's answer to a question asked after
    // them means it has read them all.
    friendly.Send("PRIVMSG TestUser :\x01VERSION\x01");
    ASSERT_TRUE(Heard(friendly, "VERSION Brindlex"));
    SaveScreenshot(frame, ScreenshotFolder() + L"\\qv_custom_view.png");
    const uint32_t normal = Background(Pixels(view));

    // Scrolling up pauses the window (its view tinted); scrolling back down resumes it. The user
    // scrolls up again while the view may still be taking in the last lines.
    EXPECT_TRUE(Eventually(
        [&] {
            PostMessageW(view, WM_VSCROLL, SB_PAGEUP, 0);
            return Background(Pixels(view)) != normal;
        },
        kWait))
        << "paused and tinted";
    friendly.Send("PRIVMSG #test :held while paused");
    PostMessageW(view, WM_VSCROLL, SB_BOTTOM, 0);
    EXPECT_TRUE(Eventually([&] { return Background(Pixels(view)) == normal; }, kWait)) << "resumed";

    PostMessageW(frame, WM_CLOSE, 0, 0);
    DWORD code = 1;
    EXPECT_TRUE(qv.WaitExit(kWait, code));
}

} // namespace
