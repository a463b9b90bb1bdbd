#include <gtest/gtest.h>

#include "shell/controls/chat_layout.h"
#include "shell/frame/frame_window.h"
#include "shell/controls/link_commands.h"
#include "core/window_record.h"
#include "shell/windows/window_state.h"

#include <algorithm>
#include <iterator>
#include <string>

namespace {

bool Same(const RECT& r, int x, int y, int w, int h) {
    return r.left == x && r.top == y && r.right == w && r.bottom == h;
}

TEST(ChatLayout, ChannelSplitsViewAndNickList) {
    ChatLayoutInput in;
    in.Width = 1000;
    in.Height = 600;
    in.Type = kChannelWindow;
    in.InputHeight = 30;
    in.ShowControlBar = true;
    const ChatLayout l = ComputeChatLayout(in);
    EXPECT_TRUE(Same(l.View, 0, 0, 800, 570));
    EXPECT_TRUE(Same(l.NickList, 800, 0, 200, 570));
    EXPECT_FALSE(l.ShowOperatorBar);
    EXPECT_TRUE(Same(l.Input, 0, 570, 1000 - kControlBarWidth, 30));
    EXPECT_TRUE(Same(l.ControlBar, 1000 - kControlBarWidth, 570, kControlBarWidth, 30));

    // In a narrow window the input box keeps half the width and the bar ends after the last
    // button that fits in the other half, never inside one.
    in.Width = 500;
    const int stops[] = {40, 80, 140, 230, 270, 445};
    std::copy(std::begin(stops), std::end(stops), in.ControlBarStops);
    in.ControlBarStopCount = 6;
    const ChatLayout narrow = ComputeChatLayout(in);
    EXPECT_TRUE(Same(narrow.ControlBar, 500 - 230, 570, 230, 30));
    EXPECT_TRUE(Same(narrow.Input, 0, 570, 270, 30));
    in.Width = 150; // room for no button: no bar
    EXPECT_EQ(ComputeChatLayout(in).ControlBar.right, 0);
}

TEST(ChatLayout, OperatorBarMultiLineAndInsertsBar) {
    ChatLayoutInput in;
    in.Width = 1000;
    in.Height = 600;
    in.Type = kChannelWindow;
    in.InputHeight = 30;
    in.OwnLevel = 3;
    in.SplitRatio = 0.5f;
    const ChatLayout op = ComputeChatLayout(in);
    EXPECT_TRUE(op.ShowOperatorBar);
    EXPECT_TRUE(Same(op.NickList, 500, 0, 500, 540)) << "the nick list gives one input height to the bar";
    EXPECT_TRUE(Same(op.OperatorBar, 500, 540, 500, 30));

    in.OwnLevel = 1;
    in.MultiLine = true;
    in.ShowInsertsBar = true;
    const ChatLayout multi = ComputeChatLayout(in);
    EXPECT_TRUE(Same(multi.Input, 0, 510, 1000, 90)) << "three line heights";
    EXPECT_TRUE(Same(multi.View, 0, 0, 500, 600 - 25 - 90));
    EXPECT_TRUE(Same(multi.InsertsBar, 0, 600 - 25 - 90, 1000, 25));

    in.Type = kQueryWindow;
    EXPECT_TRUE(Same(ComputeChatLayout(in).View, 0, 0, 1000, 485)) << "no nick list outside channels";
}

TEST(FrameLayout, TabStripOnEachSide) {
    struct Case {
        int32_t position;
        RECT client, tabs;
    };
    const Case cases[] = {
        {0, {0, 40, 800, 600 - 20 - 40}, {0, 580, 800, 20}}, {1, {0, 60, 800, 540}, {0, 40, 800, 20}},
        {2, {150, 40, 650, 560}, {0, 40, 150, 560}},         {3, {0, 40, 650, 560}, {650, 40, 150, 560}},
        {7, {0, 40, 800, 540}, {0, 580, 800, 20}},
    };
    for (const Case& c : cases) {
        const FrameLayout layout = ComputeFrameLayout(800, 600, 40, 20, c.position);
        EXPECT_TRUE(Same(layout.Client, c.client.left, c.client.top, c.client.right, c.client.bottom))
            << c.position;
        EXPECT_TRUE(Same(layout.Tabs, c.tabs.left, c.tabs.top, c.tabs.right, c.tabs.bottom)) << c.position;
    }
}

TEST(NotifyProbe, ListOrMadeUpNickAndBoundedLength) {
    EXPECT_EQ("ISON alice bob\r\n", BuildNotifyProbeLine("alice bob", 5));
    EXPECT_EQ("ISON ison0042\r\n", BuildNotifyProbeLine("", 1042));
    const std::string line = BuildNotifyProbeLine(std::string(20000, 'n'), 0);
    EXPECT_EQ(10000u, line.size());
    EXPECT_EQ("\r\n", line.substr(line.size() - 2));
}

TEST(WindowState, PausedBackgroundLightensDarkAndDarkensLight) {
    EXPECT_EQ(RGB(234, 234, 234), PausedBackground(RGB(255, 255, 255)));
    EXPECT_EQ(RGB(42, 42, 42), PausedBackground(RGB(0, 0, 0)));
    EXPECT_EQ(RGB(170, 108, 171), PausedBackground(RGB(128, 129, 192)));
}

TEST(WindowState, ReconnectCounter) {
    struct Case {
        int32_t before;
        bool restarts;
        int32_t after;
    };
    const Case cases[] = {{0, false, 0}, {1, true, 2},  {4, true, 5}, {5, false, 5},
                          {9, false, 9}, {10, true, 2}, {37, true, 2}};
    for (const Case& c : cases) {
        int32_t counter = c.before;
        EXPECT_EQ(c.restarts, AdvanceReconnectCounter(counter)) << c.before;
        EXPECT_EQ(c.after, counter) << c.before;
    }
}

TEST(Links, ProgramLinkIndex) {
    uint32_t index = 0;
    EXPECT_TRUE(ParseLinkIndex(L"_L_12_L_label", index));
    EXPECT_EQ(12u, index);
    for (const wchar_t* bad : {L"_L__L_", L"_L_12", L"L_1_L_", L"_L_99999999999_L_", L"_L_1x_L_"})
        EXPECT_FALSE(ParseLinkIndex(bad, index)) << bad;
}

TEST(Links, OnlyWebAndIrcAddressesOpenAndNoTextRunsACommand) {
    struct Case {
        const wchar_t* text;
        PlainLinkAction action;
        const wchar_t* url;
    };
    const Case cases[] = {
        {L"https://example.org/a?b", PlainLinkAction::OpenUrl, L"https://example.org/a?b"},
        {L"HTTP://Example.org", PlainLinkAction::OpenUrl, L"HTTP://Example.org"},
        {L"ftp://files.example", PlainLinkAction::OpenUrl, L"ftp://files.example"},
        {L"irc://irc.example/#chat", PlainLinkAction::OpenUrl, L"irc://irc.example/#chat"},
        {L"www.example.org", PlainLinkAction::OpenUrl, L"http://www.example.org"},
        {L"ftp.example.org", PlainLinkAction::OpenUrl, L"ftp://ftp.example.org"},
        {L"file://c:/windows/system32/calc.exe", PlainLinkAction::Nothing, L""},
        {L"javascript://x", PlainLinkAction::Nothing, L""},
        {L"mailto:someone@example.org", PlainLinkAction::Nothing, L""},
        {L"app:802", PlainLinkAction::Nothing, L""},
        {L"/quit bye", PlainLinkAction::Nothing, L""},
        {L"#channel", PlainLinkAction::JoinChannel, L""},
        {L"hello", PlainLinkAction::SayText, L""},
        {L"", PlainLinkAction::Nothing, L""},
    };
    for (const Case& c : cases) {
        std::wstring url;
        EXPECT_EQ(c.action, ClassifyPlainLink(c.text, url)) << c.text;
        if (c.action == PlainLinkAction::OpenUrl) {
            EXPECT_EQ(c.url, url) << c.text;
        }
    }
}

} // namespace
