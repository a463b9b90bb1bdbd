// What a person sees of qv under a window manager: the bars of a chat window drawn whole after its
// layout changes, arrangements that fill the client, a tab strip that shows names as they are and
// keeps clear of the ticker, and the custom-drawn view with nothing over its typed line.
#include <gtest/gtest.h>

#include "common/xstring.h"
#include "tests/qv/qv_process.h"
#include "tests/support/irc_test_support.h"
#include "tests/support/ngircd_server.h"
#include "tests/support/remote_list_view.h"
#include "tests/support/screenshots.h"
#include "tests/support/test_files.h"

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr DWORD kWait = kQvWait;
// What is drawn shows within moments; a fault stays, so a check gives up well before the case's
// time runs out.
constexpr DWORD kDrawWait = 20000;
constexpr wchar_t kManagedKey[] = L"Software\\Wine\\AppDefaults\\qv.exe\\X11 Driver";

// Openbox on this test's display, with qv's windows managed by it while the object lives (the test
// programs leave qv unmanaged, as they run without a window manager).
class WindowManager {
public:
    explicit WindowManager(const std::wstring& folder)
        : ready_(folder + L"\\wm-ready"), pid_(UnixPath(folder + L"\\wm-pid")) {
        wchar_t value[8] = {};
        DWORD size = sizeof value;
        hadValue_ = RegGetValueW(HKEY_CURRENT_USER, kManagedKey, L"Managed", RRF_RT_REG_SZ, nullptr, value,
                                 &size) == ERROR_SUCCESS;
        previous_ = value;
        SetManaged(L"Y");
        RunHostShell("openbox --startup 'touch \"" + UnixPath(ready_) + "\"' >/dev/null 2>&1 & echo $! > '" +
                     pid_ + "'");
    }
    ~WindowManager() {
        RunHostShell("kill $(cat '" + pid_ + "')");
        if (hadValue_)
            SetManaged(previous_.c_str());
        else
            RegDeleteKeyValueW(HKEY_CURRENT_USER, kManagedKey, L"Managed");
    }
    WindowManager(const WindowManager&) = delete;
    WindowManager& operator=(const WindowManager&) = delete;
    bool Ready() const {
        return Eventually([&] { return FileExists(ready_); }, kWait);
    }

private:
    static void SetManaged(const wchar_t* value) {
        RegSetKeyValueW(HKEY_CURRENT_USER, kManagedKey, L"Managed", REG_SZ, value,
                        static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t)));
    }
    std::wstring ready_;
    std::string pid_;
    bool hadValue_ = false;
    std::wstring previous_;
};

// Whether the screen shows the toolbar's buttons across the part of them its bar shows: each
// quarter of that part holds dark pixels of the buttons' pictures. A bar painted over by its window shows
// the window's plain background there.
bool ToolbarDrawn(HWND toolbar) {
    RECT shown = ScreenRect(toolbar), bar = ScreenRect(GetParent(toolbar));
    IntersectRect(&shown, &shown, &bar);
    // At least the buttons' width (drop-down arrows make it more): a toolbar may be wider.
    const LONG buttons = static_cast<LONG>(SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0)) *
                         LOWORD(SendMessageW(toolbar, TB_GETBUTTONSIZE, 0, 0));
    shown.right = std::min(shown.right, shown.left + buttons);
    const std::vector<uint32_t> pixels = ScreenPixels(shown);
    const int width = shown.right - shown.left;
    if (pixels.empty() || width < 8) return false;
    std::vector<int> dark(4, 0);
    for (size_t i = 0; i < pixels.size(); ++i) {
        const uint32_t p = pixels[i];
        const uint32_t low = std::min({p & 0xFF, (p >> 8) & 0xFF, (p >> 16) & 0xFF});
        if (low < 150) ++dark[static_cast<int>(i % static_cast<size_t>(width)) * 4 / width];
    }
    return std::all_of(dark.begin(), dark.end(), [](int count) { return count > 0; });
}

bool ControlBarDrawn(HWND chat) {
    return ToolbarDrawn(GetDlgItem(GetDlgItem(chat, 910), 911));
}

// How many of the control bar's buttons its right edge cuts through (a pixel either way is the
// bar's own border).
int CutButtons(HWND bar) {
    HWND toolbar = GetDlgItem(bar, 911);
    RECT area{};
    GetClientRect(bar, &area);
    MapWindowPoints(bar, nullptr, reinterpret_cast<POINT*>(&area), 2);
    const LONG shownRight = std::min(area.right, ScreenRect(toolbar).right) - ScreenRect(toolbar).left;
    int cut = 0;
    RECT button{};
    for (int i = 0; i < static_cast<int>(SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0)); ++i)
        if (RemoteToolbarButtonRect(toolbar, i, button) && button.left < shownRight - 1 &&
            button.right > shownRight + 1)
            ++cut;
    return cut;
}

// The text as the tab strip draws it: "&&" is an ampersand, "&x" an underlined x.
std::wstring ShownText(const std::wstring& label) {
    std::wstring shown;
    for (size_t i = 0; i < label.size(); ++i) {
        if (label[i] == L'&' && i + 1 < label.size()) ++i;
        shown.push_back(label[i]);
    }
    return shown;
}

std::vector<std::wstring> ShownTabs(HWND tabs) {
    std::vector<std::wstring> shown;
    const int count = static_cast<int>(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) shown.push_back(ShownText(RemoteTabText(tabs, i)));
    return shown;
}

// Whether the strip right of its last tab is one plain colour: no separator of a closed tab left.
bool PlainRightOfTabs(HWND tabs) {
    const int count = static_cast<int>(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0));
    RECT last{}, strip{};
    if (count < 1 || !RemoteTabRect(tabs, count - 1, last)) return false;
    GetClientRect(tabs, &strip);
    RECT rest{last.right + 4, last.top + 2, strip.right - 4, last.bottom - 2};
    MapWindowPoints(tabs, nullptr, reinterpret_cast<POINT*>(&rest), 2);
    const std::vector<uint32_t> pixels = ScreenPixels(rest);
    return !pixels.empty() &&
           std::all_of(pixels.begin(), pixels.end(), [&](uint32_t p) { return p == pixels[0]; });
}

bool Overlap(const RECT& a, const RECT& b) {
    RECT common{};
    return IntersectRect(&common, &a, &b) != FALSE;
}

HWND StartQv(QvProcess& qv) {
    HWND frame = nullptr;
    if (!Eventually([&] { return (frame = qv.FindTopWindow(L"BRINDLEX2000_Main")) != nullptr; }, kWait))
        return nullptr;
    PostMessageW(frame, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    return Eventually([&] { return IsZoomed(frame) != FALSE; }, kWait) ? frame : nullptr;
}

void Shoot(HWND frame, const wchar_t* name) {
    SaveScreenshot(frame, ScreenshotFolder() + L"\\" + name + L".png");
}

} // namespace

TEST(QvDrawing, BarsArrangementsTabsAndTickerAsAPersonSeesThemUnderAWindowManager) {
    NgircdServer server;
    ASSERT_TRUE(server.WaitReady());
    IrcClient friendly(server.Port(), "friendly");
    ASSERT_TRUE(friendly.Joins("#test", kWait));
    PortableFolder folder({L"qv.exe", L"qvlang.dll", L"qvres.dll"});
    WindowManager manager(folder.Path());
    ASSERT_TRUE(manager.Ready()) << "openbox did not start";
    ASSERT_TRUE(WriteFirstSettings(folder, {{"Default_Nick=\"\"", "Default_Nick=\"quser\""},
                                            {"Join_Box_On_Connect=\"1\"", "Join_Box_On_Connect=\"0\""}}));
    const std::wstring address = L"/server 127.0.0.1:" + std::to_wstring(server.Port());
    QvProcess qv(folder.Path(), L"-port1 -e \"" + address + L"/#test\"");
    HWND frame = StartQv(qv), channel = nullptr;
    ASSERT_NE(frame, nullptr);
    ASSERT_TRUE(Eventually([&] { return (channel = FindChatWindow(frame, L"#test")) != nullptr; }, kWait));
    ASSERT_TRUE(Heard(friendly, {":quser!", " JOIN "}));
    HWND mdi = FindWindowExW(frame, nullptr, L"MDIClient", nullptr), tabs = GetDlgItem(frame, 1500);
    SendMessageW(mdi, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(channel), 0);

    // The input row's bar keeps its buttons through each change of the window's layout.
    EXPECT_TRUE(Eventually([&] { return ControlBarDrawn(channel); }, kDrawWait)) << "at the start";
    struct Change {
        UINT Command;
        const char* What;
    };
    for (const Change& change : {Change{733, "multi-line input"}, Change{780, "the nick list hidden"}}) {
        PostMessageW(frame, WM_COMMAND, change.Command, 0);
        EXPECT_TRUE(Eventually([&] { return ControlBarDrawn(channel); }, kDrawWait))
            << "after " << change.What;
        Shoot(frame, L"qv_drawing_bar");
        PostMessageW(frame, WM_COMMAND, change.Command, 0);
        EXPECT_TRUE(Eventually([&] { return ControlBarDrawn(channel); }, kDrawWait))
            << "back from " << change.What;
    }
    // The formatting bar stands whole above the input box, its buttons drawn (it is made when it
    // first shows).
    PostMessageW(frame, WM_COMMAND, 750, 0);
    HWND formatting = nullptr;
    EXPECT_TRUE(Eventually(
        [&] {
            formatting = GetDlgItem(GetDlgItem(channel, 930), 921);
            return formatting && IsWindowVisible(formatting) && ToolbarDrawn(formatting);
        },
        kDrawWait));
    EXPECT_LE(ScreenRect(formatting).bottom, ScreenRect(GetDlgItem(channel, 902)).top);
    EXPECT_LE(ScreenRect(formatting).bottom, ScreenRect(GetDlgItem(channel, 930)).bottom);
    Shoot(frame, L"qv_drawing_formatting_bar");
    PostMessageW(frame, WM_COMMAND, 750, 0);

    // A DCC chat and a channel whose name holds an ampersand join the server and the channel.
    ScriptedServer peer;
    friendly.Send("PRIVMSG quser :\x01"
                  "DCC CHAT chat 2130706433 " +
                  std::to_string(peer.Port()) + "\x01");
    HWND question = nullptr;
    ASSERT_TRUE(Eventually(
        [&] { return (question = qv.FindDialogWith(L":" + std::to_wstring(peer.Port()))) != nullptr; },
        kWait));
    PostMessageW(question, WM_COMMAND, IDYES, 0);
    ASSERT_TRUE(peer.Accept(kWait));
    HWND chat = nullptr;
    ASSERT_TRUE(
        Eventually([&] { return (chat = FindChatWindow(frame, L"friendly (DCC")) != nullptr; }, kWait));
    TypeLine(GetDlgItem(channel, 902), L"/join &SERVER");
    HWND local = nullptr;
    ASSERT_TRUE(Eventually([&] { return (local = FindChatWindow(frame, L"&SERVER")) != nullptr; }, kWait));
    std::vector<std::wstring> shown;
    EXPECT_TRUE(Eventually(
        [&] {
            shown = ShownTabs(tabs);
            return std::find(shown.begin(), shown.end(), L"&SERVER") != shown.end();
        },
        kWait))
        << "the tab shows the name as it is";

    // Each arrangement fills the client from its top, every window in it, none over another when
    // tiled, and each input box keeps at least half of its window beside the bar.
    std::vector<HWND> windows;
    for (HWND w = nullptr; (w = FindWindowExW(mdi, w, L"BRINDLEX2000_IRC", nullptr)) != nullptr;)
        windows.push_back(w);
    ASSERT_EQ(windows.size(), 4u) << "the server, #test, the DCC chat and &SERVER";
    for (UINT id : {785u, 784u}) {
        PostMessageW(frame, WM_COMMAND, id, 0);
        EXPECT_TRUE(Eventually(
            [&] {
                RECT area{};
                GetClientRect(mdi, &area);
                LONG top = area.bottom;
                for (size_t i = 0; i < windows.size(); ++i) {
                    const RECT box = InClient(windows[i]);
                    RECT inside{};
                    if (!IntersectRect(&inside, &box, &area) || !EqualRect(&inside, &box)) return false;
                    for (size_t j = 0; j < i; ++j)
                        if (Overlap(box, InClient(windows[j]))) return false;
                    top = std::min(top, box.top);
                }
                return top == 0;
            },
            kDrawWait))
            << "tiled by " << id;
        Shoot(frame, L"qv_drawing_tiled");
        for (HWND window : windows) {
            RECT client{};
            GetClientRect(window, &client);
            const RECT input = InClient(GetDlgItem(window, 902)), bar = InClient(GetDlgItem(window, 910));
            EXPECT_GE(input.right - input.left, client.right / 2) << WideToNarrow(WindowText(window));
            EXPECT_LE(input.right, bar.left) << WideToNarrow(WindowText(window));
            EXPECT_EQ(CutButtons(GetDlgItem(window, 910)), 0) << WideToNarrow(WindowText(window));
        }
    }
    PostMessageW(frame, WM_COMMAND, 781, 0);
    EXPECT_TRUE(Eventually(
        [&] {
            return std::all_of(windows.begin(), windows.end(), [](HWND w) { return InClient(w).top == 0; });
        },
        kDrawWait))
        << "restored at the client's top";
    PostMessageW(frame, WM_COMMAND, 783, 0);
    EXPECT_TRUE(Eventually(
        [&] {
            LONG top = LONG_MAX;
            for (HWND w : windows) top = std::min(top, InClient(w).top);
            return top == 0;
        },
        kDrawWait))
        << "cascaded from the client's top";

    // Closing windows leaves no separator of their tabs behind.
    PostMessageW(local, WM_CLOSE, 0, 0);
    PostMessageW(chat, WM_CLOSE, 0, 0);
    EXPECT_TRUE(Eventually([&] { return SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0) == 2; }, kWait));
    EXPECT_TRUE(Eventually([&] { return PlainRightOfTabs(tabs); }, kDrawWait));
    Shoot(frame, L"qv_drawing_tabs");

    // The ticker's strip leaves the tab strip in sight, and the strip goes back when it closes.
    RECT area{};
    GetClientRect(frame, &area);
    MapWindowPoints(frame, nullptr, reinterpret_cast<POINT*>(&area), 2);
    PostMessageW(frame, WM_COMMAND, 524, 0);
    HWND ticker = nullptr;
    ASSERT_TRUE(Eventually([&] { return (ticker = qv.FindTopWindow(L"qv_TOPTIP")) != nullptr; }, kWait));
    EXPECT_TRUE(Eventually([&] { return ScreenRect(tabs).bottom <= ScreenRect(ticker).top; }, kWait))
        << "tabs end at " << ScreenRect(tabs).bottom << ", the strip starts at " << ScreenRect(ticker).top;
    Shoot(frame, L"qv_drawing_ticker");
    PostMessageW(frame, WM_COMMAND, 524, 0);
    EXPECT_TRUE(Eventually(
        [&] {
            GetClientRect(frame, &area);
            MapWindowPoints(frame, nullptr, reinterpret_cast<POINT*>(&area), 2);
            return !IsWindow(ticker) && ScreenRect(tabs).bottom == area.bottom;
        },
        kWait));

    PostMessageW(frame, WM_CLOSE, 0, 0);
    DWORD code = 1;
    EXPECT_TRUE(qv.WaitExit(kWait, code));

    // The custom-drawn view draws its typed line across its whole width: no bar stands over it.
    QvProcess custom(folder.Path(), L"-8 -port1 -e \"" + address + L"/#test\"");
    frame = StartQv(custom);
    ASSERT_NE(frame, nullptr);
    ASSERT_TRUE(Eventually([&] { return (channel = FindChatWindow(frame, L"#test")) != nullptr; }, kWait));
    HWND view = GetDlgItem(channel, 901);
    RECT client{};
    EXPECT_TRUE(Eventually(
        [&] {
            GetClientRect(channel, &client);
            return InClient(view).bottom == client.bottom && !IsWindowVisible(GetDlgItem(channel, 910)) &&
                   !IsWindowVisible(GetDlgItem(channel, 930));
        },
        kWait));
    Shoot(frame, L"qv_drawing_custom_view");
    PostMessageW(frame, WM_CLOSE, 0, 0);
    EXPECT_TRUE(custom.WaitExit(kWait, code));
}
