// Every command id of the menus, toolbars and keys sent to the running frame with the window type
// it is meant for, each checked by its effect: the line at the server, the line or command handed
// on, the entry point of a dialog reached, the text in the input box, the window's state, the
// setting written.
#include "tests/frame/chat_session.h"

#include "common/xstring.h"
#include "core/client_services.h"
#include "core/frame_handles.h"
#include "core/window_list.h"
#include "core/window_record.h"
#include "shell/menu_commands.h"
#include "tests/recorders/call_log.h"
#include "xml/config_documents.h"
#include "xml/xml_profile.h"

#include <commctrl.h>
#include <richedit.h>

#include <functional>
#include <thread>
#include <memory>

namespace {

enum class Win { None, Server, Channel, Query, Dcc };
enum class Effect { ServerLine, InputLine, Command, EventScript, Entry, InputBox, Nothing };

struct Row {
    UINT Id;
    Win Window;
    Effect Kind;
    std::string Expected; // for entries "Name|text"; several expected lines separated by '\n'
};

std::unique_ptr<ChatSession> Session;

class CommandTable : public FrameTest {
protected:
    static void SetUpTestSuite() {}
    void SetUp() override {
        FrameTest::SetUp();
        if (!Session) Session = std::make_unique<ChatSession>(3);
        ASSERT_TRUE(Session->Ready());
        CallLog::Instance().Clear();
    }
    void TearDown() override {} // the session's windows stay for the next case
    static void TearDownTestSuite() {
        Session.reset();
        CloseAll();
    }
    static void CloseAll() {
        for (WindowRecord* record : WindowListSnapshot()) SendMessageW(record->Window, WM_CLOSE, 0, 0);
        Settle(300);
    }
    WindowRecord* Target(Win window) {
        switch (window) {
            case Win::Server: return Session->ServerWindow;
            case Win::Channel: return Session->Channel;
            case Win::Query: return Session->Query;
            case Win::Dcc: return Session->DccChat;
            default: return nullptr;
        }
    }
    // The command as the frame gets it, with the window in front.
    void Run(UINT id, Win window) {
        if (WindowRecord* record = Target(window)) {
            ActivateWindowRecord(record);
            Settle(50);
        }
        SendMessageW(frame_, WM_COMMAND, id, 0);
        Settle(100);
    }
    static bool RecordedNow(const std::string& service, const std::string& text) {
        for (const RecordedCall& call : CallLog::Instance().Calls(service))
            if (call.Text.find(text) != std::string::npos) return true;
        return false;
    }
    static bool Recorded(const std::string& service, const std::string& text) {
        return Pump(
            [&] {
                for (const RecordedCall& call : CallLog::Instance().Calls(service))
                    if (call.Text.find(text) != std::string::npos) return true;
                return false;
            },
            3000);
    }
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return lines;
}

const Row kRows[] = {
    // Window handling on the server.
    {712, Win::Server, Effect::ServerLine, "LINKS"},
    {725, Win::Channel, Effect::ServerLine, "SILENCE"},
    {729, Win::Channel, Effect::ServerLine, "ACCEPT *"},
    {721, Win::None, Effect::Command, "/prefs Cfg\\User_Lists"},
    {728, Win::None, Effect::Command, "/prefs Cfg\\User_Lists"},
    // Encodings: a server window sets its own and its channels' and queries', never a DCC chat's.
    {541, Win::Server, Effect::Command,
     "/encoding irc.test 65001\n/encoding #chan 65001\n/encoding bob 65001"},
    {556, Win::Channel, Effect::Command, "/encoding #chan 0"},
    {543, Win::Query, Effect::Command, "/encoding bob 1250"},
    // Lists of the channel and its control dialog.
    {603, Win::Channel, Effect::ServerLine, "MODE #chan +b"},
    {604, Win::Channel, Effect::ServerLine, "MODE #chan +e"},
    {101, Win::Channel, Effect::Entry, "OpenChannelControlDialog|0"},
    {101, Win::Query, Effect::Nothing, "OpenChannelControlDialog"},
    // Modes and lists for the selected nicks @ann and bob.
    {102, Win::Channel, Effect::ServerLine, "MODE #chan +q ann\nMODE #chan +q bob"},
    {103, Win::Channel, Effect::ServerLine, "MODE #chan -o ann\nMODE #chan +o bob"},
    {104, Win::Channel, Effect::ServerLine, "MODE #chan +v ann\nMODE #chan +v bob"},
    {105, Win::Channel, Effect::Entry, "OpenKickDialog|ann bob"},
    {106, Win::Channel, Effect::InputLine, "/notify +ann\n/notify +bob"},
    {107, Win::Channel, Effect::InputLine, "/notify -ann"},
    {108, Win::Channel, Effect::InputLine, "/ignore +bob"},
    {109, Win::Channel, Effect::InputLine, "/ignore -bob"},
    {110, Win::Channel, Effect::InputLine, "/blacklist +ann"},
    {111, Win::Channel, Effect::InputLine, "/blacklist -ann"},
    {112, Win::Channel, Effect::ServerLine, "silence +ann"},
    {113, Win::Channel, Effect::ServerLine, "silence -bob"},
    {114, Win::Channel, Effect::InputLine, "/dns ann"},
    {115, Win::Channel, Effect::InputLine, "/nottalk +ann"},
    {116, Win::Channel, Effect::InputLine, "/nottalk -ann"},
    {117, Win::Channel, Effect::InputLine, "/autoop +bob"},
    {118, Win::Channel, Effect::InputLine, "/autoop -bob"},
    {119, Win::Channel, Effect::InputLine, "/autovp +ann"},
    {120, Win::Channel, Effect::InputLine, "/autovp -ann"},
    {103, Win::Query, Effect::Nothing, "MODE"},
    // Actions on users: the selected nicks, or a query's partner.
    {503, Win::Channel, Effect::ServerLine, "WHOIS ann\nWHOIS bob"},
    {503, Win::Query, Effect::ServerLine, "WHOIS bob"},
    {505, Win::Query, Effect::ServerLine, "PRIVMSG bob :\x01VERSION\x01"},
    {506, Win::Channel, Effect::ServerLine, "PRIVMSG ann :\x01TIME\x01"},
    {507, Win::Query, Effect::ServerLine, "PRIVMSG bob :\x01PING"},
    {508, Win::Query, Effect::ServerLine,
     "PRIVMSG bob :\x01"
     "FINGER\x01"},
    {510, Win::Query, Effect::InputLine, "/DCC bob chat"},
    {512, Win::Channel, Effect::InputLine, "/DCC ann sslchat\n/DCC bob sslchat"},
    {511, Win::Query, Effect::Entry, "OpenDccSendDialog|"},
    {517, Win::Channel, Effect::Entry, "OpenDccSendDialog|"},
    {513, Win::Query, Effect::Nothing, "/"},
    // Dialogs and features of later work: their entry points with their arguments.
    {706, Win::Channel, Effect::Entry, "OpenJoinDialog|"},
    {707, Win::Channel, Effect::Entry, "RequestChannelList|"},
    {524, Win::Query, Effect::Entry, "ToggleTickerWindow|"},
    {500, Win::Channel, Effect::Entry, "FindInView|"},
    {501, Win::Query, Effect::Entry, "FindInView|"},
    {767, Win::Dcc, Effect::Entry, "OpenWaveIn|"},
    {769, Win::Dcc, Effect::Entry, "OpenWaveOut|"},
    {767, Win::Channel, Effect::Nothing, "OpenWaveIn"},
    {801, Win::None, Effect::Entry, "OpenConnectDialog|0"},
    {6005, Win::None, Effect::Entry, "OpenConnectDialog|6005"},
    {811, Win::None, Effect::Entry, "OpenPreferences|"},
    {990, Win::None, Effect::Entry, "RequestRemoteAssistance|assist.brindlex.invalid:7017 Brindlex"},
    {9995, Win::None, Effect::Entry, "ToggleLightSensor|"},
    {803, Win::None, Effect::Command, "/prefs Scripts"},
    {804, Win::None, Effect::Command, "/prefs Special_Scripts"},
    {827, Win::None, Effect::Command, "/prefs Languages"},
    {817, Win::None, Effect::Command, "/prefs Cfg\\Proxy_List"},
    {842, Win::None, Effect::Command, "/prefs Skins"},
    {847, Win::None, Effect::Command, "/prefs Premade_Scripts"},
    {848, Win::None, Effect::Command, "/prefs Plugins"},
    {839, Win::None, Effect::Command, "/prefs Notes"},
    // Lines run for the window.
    {980, Win::Channel, Effect::InputLine, "/clear"},
    {741, Win::Channel, Effect::EventScript, "On_Status 0"},
    {745, Win::Query, Effect::EventScript, "On_Status 4"},
    // Formatting codes into the input box.
    {751, Win::Channel, Effect::InputBox, "\x02"},
    {752, Win::Channel, Effect::InputBox, "\x16"},
    {753, Win::Channel, Effect::InputBox, "\x1F"},
    {754, Win::Query, Effect::InputBox, "\x1D"},
    {758, Win::Query, Effect::InputBox, "\x04"},
    {768, Win::Query, Effect::InputBox, "\x04\x04"},
    {773, Win::Query, Effect::InputBox, "\x04\x04"},
    {759, Win::Dcc, Effect::InputBox, "\x0F"},
    {763, Win::Dcc, Effect::InputBox, "\x18"},
    {47001, Win::Channel, Effect::InputBox,
     "\x12\x1E"
     "000\x12 "},
    {47990, Win::Channel, Effect::InputBox,
     "\x12\x1E"
     "989\x12 "},
};

TEST_F(CommandTable, EveryCommandReachesItsEffect) {
    SetWindowTextW(Session->Channel->Input, L"");
    for (const Row& row : kRows) {
        SCOPED_TRACE(std::to_string(row.Id));
        CallLog::Instance().Clear();
        SelectNicks(Session->Channel, {L"@ann", L"bob"});
        if (WindowRecord* record = Target(row.Window)) SetWindowTextW(record->Input, L"");
        Run(row.Id, row.Window);
        switch (row.Kind) {
            case Effect::ServerLine:
                for (const std::string& line : Lines(row.Expected)) {
                    EXPECT_TRUE(Session->ServerGot(line)) << line;
                }
                break;
            case Effect::InputLine:
                for (const std::string& line : Lines(row.Expected)) {
                    EXPECT_TRUE(Recorded("ProcessInputLine", line)) << line;
                }
                break;
            case Effect::Command:
                for (const std::string& line : Lines(row.Expected)) {
                    EXPECT_TRUE(Recorded("ExecuteCommand", line)) << line;
                }
                if (row.Id == 541) {
                    EXPECT_FALSE(RecordedNow("ExecuteCommand", "/encoding dave")) << "no DCC chat";
                }
                break;
            case Effect::EventScript: EXPECT_TRUE(Recorded("RunEventScript", row.Expected)); break;
            case Effect::Entry: {
                const std::string name = row.Expected.substr(0, row.Expected.find('|'));
                const std::string text = row.Expected.substr(row.Expected.find('|') + 1);
                EXPECT_TRUE(Recorded(name, text)) << name;
                const std::vector<RecordedCall> calls = CallLog::Instance().Calls(name);
                if (calls.empty()) break;
                if (name == "OpenJoinDialog") {
                    EXPECT_EQ(Session->ServerWindow, calls[0].Window);
                } else if (name == "OpenChannelControlDialog") {
                    EXPECT_EQ(reinterpret_cast<uint64_t>(Target(row.Window)->Window), calls[0].Number)
                        << "its owner";
                } else if (calls[0].Window) {
                    EXPECT_EQ(Target(row.Window), calls[0].Window);
                }
                break;
            }
            case Effect::InputBox:
                EXPECT_EQ(NarrowToWide(row.Expected, CP_ACP), InputText(Target(row.Window)));
                break;
            case Effect::Nothing:
                Settle(300);
                for (const char* service : {"ProcessInputLine", "ExecuteCommand"}) {
                    for (const RecordedCall& call : CallLog::Instance().Calls(service)) {
                        EXPECT_EQ(std::string::npos, call.Text.find(row.Expected)) << call.Text;
                    }
                }
                EXPECT_TRUE(CallLog::Instance().Calls(row.Expected).empty());
                break;
        }
    }
}

// Commands that change a window's state, each twice: on and back off.
TEST_F(CommandTable, WindowStateCommandsSwitchAndSwitchBack) {
    struct StateRow {
        UINT Id;
        Win Window;
        std::function<bool(WindowRecord*)> On;
    };
    const StateRow rows[] = {
        {502, Win::Channel, [](WindowRecord* r) { return r->NotifyCount == 1; }},
        {522, Win::Query, [](WindowRecord* r) { return r->Paused == 1; }},
        {523, Win::Query,
         [](WindowRecord* r) { return r->Detached == 1 && GetParent(r->Window) == nullptr; }},
        {733, Win::Channel, [](WindowRecord* r) { return r->MultiLineInput == 1; }},
        {750, Win::Channel, [](WindowRecord* r) { return IsWindowVisible(r->InsertsBar) != FALSE; }},
        {780, Win::Channel, [](WindowRecord* r) { return IsWindowVisible(r->NickList) == FALSE; }},
        {809, Win::Channel, [](WindowRecord* r) { return r->SortNicks == 0; }},
    };
    for (WindowRecord* record : {Session->Channel, Session->Query}) SetWindowTextW(record->Input, L"");
    for (const StateRow& row : rows) {
        SCOPED_TRACE(std::to_string(row.Id));
        WindowRecord* record = Target(row.Window);
        const bool before = row.On(record);
        ASSERT_FALSE(before);
        Run(row.Id, row.Window);
        Settle(200);
        EXPECT_TRUE(row.On(record));
        Run(row.Id, row.Window);
        Settle(200);
        EXPECT_FALSE(row.On(record));
    }
    // 988 speaks incoming lines only where speech exists (Wine has none): the flag stays off.
    Run(988, Win::Channel);
    EXPECT_EQ(0, Session->Channel->SpeakIncoming);
    // 791 copies the view's selection.
    SendMessageW(Session->Channel->View, EM_SETSEL, 0, -1);
    SendMessageW(Session->Channel->View, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L"copy me"));
    SendMessageW(Session->Channel->View, EM_SETSEL, 0, 7);
    Run(791, Win::Channel);
    std::wstring clipboard;
    if (OpenClipboard(frame_)) {
        if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
            clipboard = static_cast<const wchar_t*>(GlobalLock(data));
            GlobalUnlock(data);
        }
        CloseClipboard();
    }
    EXPECT_EQ(L"copy me", clipboard);
    // 782 minimises every window, 781 restores them all; 972 and 973 remember the start panel.
    Run(782, Win::None);
    for (WindowRecord* record : WindowListSnapshot()) {
        EXPECT_TRUE(IsIconic(record->Window)) << record->Name;
    }
    Run(781, Win::None);
    for (WindowRecord* record : WindowListSnapshot()) {
        EXPECT_FALSE(IsIconic(record->Window)) << record->Name;
    }
    Run(973, Win::None);
    EXPECT_EQ(0, XmlGetProfileInt("Cfg\\Misc", "ShowStartPanel", 1, nullptr, UserConfigDocument));
    Run(972, Win::None);
    EXPECT_EQ(1, XmlGetProfileInt("Cfg\\Misc", "ShowStartPanel", 0, nullptr, UserConfigDocument));
    // 994 hides the frame in the tray and notes that the balloon was shown once.
    Run(994, Win::None);
    EXPECT_FALSE(IsWindowVisible(frame_));
    EXPECT_EQ(1, XmlGetProfileInt("DynOptions", "HideMsg", 0, nullptr, TempDocument));
    ShowWindow(frame_, SW_SHOWMAXIMIZED);
    Settle();
}

TEST_F(CommandTable, SearchHelpAndTheGroupPopups) {
    // The typed text is searched for, percent-encoded; an empty box gets the hint.
    SetWindowTextW(Session->Channel->Input, L"caf\u00E9 & co");
    Run(805, Win::Channel);
    EXPECT_TRUE(Recorded("ProcessInputLine", "/run https://duckduckgo.com/?q=caf%C3%A9%20%26%20co"));
    EXPECT_EQ(L"", InputText(Session->Channel));
    Run(805, Win::Channel);
    EXPECT_EQ(L"<Type some text and press F1...>", InputText(Session->Channel));
    HoldShift(true);
    SetWindowTextW(Session->Channel->Input, L"");
    Run(805, Win::Channel);
    HoldShift(false);
    EXPECT_EQ(L"<Type some text and press Shift+F1...>", InputText(Session->Channel));
    EXPECT_EQ(L"https://en.wikipedia.org/w/index.php?search=a%2Fb", WebSearchUrl("a/b", true));
    // F1 (and 971) with typed text searches it.
    CallLog::Instance().Clear();
    SetWindowTextW(Session->Channel->Input, L"help me");
    Run(971, Win::Channel);
    EXPECT_TRUE(Recorded("ProcessInputLine", "/run https://duckduckgo.com/?q=help%20me"));
    // A group button's popup: the user group (5) in a query.
    {
        PopupWatcher watcher;
        Run(60005, Win::Query);
        const std::vector<MenuItem> items = watcher.Items();
        bool whois = false;
        for (const MenuItem& item : items) whois = whois || item.Id == 503;
        EXPECT_TRUE(whois);
    }
    // The smiley menu.
    {
        PopupWatcher watcher;
        Run(757, Win::Channel);
        EXPECT_FALSE(watcher.Items().empty());
    }
}

// Commands that ask first: each answered through its dialog as a user answers it.
TEST_F(CommandTable, CommandsThatAskTakeTheAnswer) {
    WindowRecord* channel = Session->Channel;
    auto answer = [](const wchar_t* text) {
        return [text](HWND dialog) {
            SetDlgItemTextW(dialog, 102, text);
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        };
    };
    {
        DialogWatcher watcher(answer(L"CLIENTINFO"));
        SelectNicks(channel, {L"bob"});
        Run(509, Win::Channel);
        EXPECT_NE(std::wstring::npos, watcher.Texts().find(L"CTCP?"));
        EXPECT_TRUE(Session->ServerGot("PRIVMSG bob :\x01"
                                       "CLIENTINFO\x01"));
    }
    {
        DialogWatcher watcher(answer(L"example.org"));
        Run(808, Win::Channel);
        watcher.Texts();
        EXPECT_TRUE(Recorded("ProcessInputLine", "/DNS example.org"));
    }
    {
        SetWindowTextW(channel->Input, L"");
        DialogWatcher watcher(answer(L"12"));
        Run(756, Win::Channel);
        EXPECT_NE(std::wstring::npos, watcher.Texts().find(L"1-999"));
        EXPECT_EQ(std::wstring(L"\x19") + L"12", InputText(channel));
    }
    {
        SetWindowTextW(channel->Input, L"");
        DialogWatcher watcher([](HWND dialog) { PostMessageW(dialog, WM_COMMAND, 105, 0); });
        Run(755, Win::Channel);
        watcher.Texts();
        EXPECT_EQ(std::wstring(L"\x03") + L"4", InputText(channel)) << "the fifth colour of the palette";
    }
    {
        SetWindowTextW(channel->Input, L"");
        DialogWatcher watcher([](HWND dialog) { PostMessageW(dialog, WM_COMMAND, IDOK, 0); });
        Run(760, Win::Channel);
        watcher.Texts();
        const std::wstring code = InputText(channel);
        ASSERT_GE(code.size(), 2u);
        EXPECT_EQ(L'\x05', code[0]);
        EXPECT_EQ(code.size() - 2, static_cast<size_t>(code[1])) << "the length of the font's Base64";
    }
    {
        // The text colour taken as it is offered (black, a palette colour), the background
        // cancelled: one palette index.
        SetWindowTextW(channel->Input, L"");
        DialogWatcher watcher([](HWND text) {
            PostMessageW(text, WM_COMMAND, IDOK, 0);
            if (HWND background = WaitForDialog(text)) PostMessageW(background, WM_COMMAND, IDCANCEL, 0);
        });
        Run(765, Win::Channel);
        watcher.Texts();
        EXPECT_EQ(std::wstring(L"\x03") + L"1", InputText(channel));
    }
    {
        // A file offered: its path goes to "/sendobject" with the partner's name.
        wchar_t self[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        const std::wstring path = self;
        DialogWatcher watcher([path](HWND dialog) {
            HWND name = FindControl(dialog, 0x47C);
            if (!name) name = FindControl(dialog, 0x480);
            SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        });
        Run(764, Win::Query);
        watcher.Texts();
        EXPECT_TRUE(Recorded("ProcessInputLine", "/sendobject bob " + WideToNarrow(path)));
    }
    {
        DialogWatcher watcher([](HWND dialog) { ClickButton(dialog, IDOK); });
        Run(807, Win::None);
        EXPECT_NE(std::wstring::npos, watcher.Texts().find(L"XML Lib"));
    }
    // The reset asks; No keeps the settings, Yes brings back the defaults.
    XmlWriteProfileString("Cfg\\Options1", "Default_Quit_Reason", "mine", nullptr, UserConfigDocument);
    {
        DialogWatcher watcher([](HWND dialog) { ClickButton(dialog, IDNO); });
        Run(996, Win::None);
        watcher.Texts();
    }
    char reason[100] = {};
    XmlGetProfileString("Cfg\\Options1", "Default_Quit_Reason", "", reason, sizeof reason, nullptr,
                        UserConfigDocument);
    EXPECT_STREQ("mine", reason);
    {
        DialogWatcher watcher([](HWND dialog) { ClickButton(dialog, IDYES); });
        Run(996, Win::None);
        watcher.Texts();
    }
    XmlGetProfileString("Cfg\\Options1", "Default_Quit_Reason", "", reason, sizeof reason, nullptr,
                        UserConfigDocument);
    EXPECT_STRNE("mine", reason);
    XmlWriteProfileInt("Cfg\\Options1", "Flood_Delay_MS", 0, nullptr, UserConfigDocument);
}

// Closing, disconnecting and connecting again come last: they end the session's windows.
TEST_F(CommandTable, CloseDisconnectAndReconnect) {
    WindowRecord* dcc = Session->DccChat;
    Run(802, Win::Dcc);
    EXPECT_FALSE(IsWindowRecordListed(dcc));
    Run(711, Win::Channel);
    EXPECT_TRUE(Pump([] { return Session->Server().ClientClosed(10); }, 10000)) << "disconnected by the user";
    Run(710, Win::Channel);
    EXPECT_TRUE(Pump([] { return Session->Server().Accept(20); }, 10000)) << "connected again";
}

} // namespace
