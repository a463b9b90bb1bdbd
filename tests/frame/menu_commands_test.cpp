// Every command id of the menus, toolbars and keys sent to the running frame with the window type
// it is meant for, each checked by its effect: the line at the server, the line or command handed
// on at its first step (the input dispatcher's "On_Input", the window's code page the command set,
// the preferences section asked for, the line an event's script typed), the dialog or window
// opened (answered as a user would) or the entry point reached, the text in the input box, the
// window's state, the setting written.
#include "tests/frame/chat_session.h"

#include "common/command_ids.h"
#include "common/data_folders.h"
#include "common/xstring.h"
#include "core/client_services.h"
#include "core/frame_handles.h"
#include "core/preferences_request.h"
#include "core/window_list.h"
#include "core/window_record.h"
#include "shell/menus/menu_commands.h"
#include "shell/preferences/preferences_window.h"
#include "tests/recorders/call_log.h"
#include "tests/recorders/recorders.h"
#include "tests/support/test_files.h"
#include "xml/config_documents.h"
#include "xml/xml_document.h"
#include "xml/xml_element.h"
#include "xml/xml_profile.h"

#include <commctrl.h>
#include <richedit.h>

#include <functional>
#include <optional>
#include <thread>
#include <memory>

namespace {

enum class Win { None, Server, Channel, Query, Dcc };
enum class Effect {
    ServerLine,
    InputLine,
    CodePage,
    Preferences,
    EventScript,
    Entry,
    Opens,
    Asks,
    Answered,
    Shown,
    InputBox,
    Nothing
};

struct Row {
    UINT Id;
    Win Window;
    Effect Kind;
    // For entries "Name|text", for dialogs answered "text shown|lines at the server", for dialogs
    // shown (then cancelled) a text they show; several expected lines separated by '\n'.
    std::string Expected;
};

// An event script in the user's settings while the object lives: it types "/echo", the event's
// name and its parameters, so the line shows which event ran with what.
class EchoingEventScript {
public:
    explicit EchoingEventScript(const std::string& event) {
        XmlDocumentWriteLock lock(UserConfigDocument);
        events_ = XmlElementFindChild(XmlDocumentGetRoot(UserConfigDocument), "Special_Scripts");
        if (!events_) return;
        XmlElement* entry = XmlElementAddNewChild(events_, ("<e name=\"" + event + "\" />").c_str());
        XmlElementAddCData(entry, ("/echo " + event + " $0*").c_str());
    }
    ~EchoingEventScript() {
        XmlDocumentWriteLock lock(UserConfigDocument);
        if (events_) XmlElementRemoveChild(events_, XmlElementGetChildCount(events_) - 1);
    }
    EchoingEventScript(const EchoingEventScript&) = delete;
    EchoingEventScript& operator=(const EchoingEventScript&) = delete;

private:
    XmlElement* events_ = nullptr;
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
    // The command as the frame gets it, with the window in front; without settling, what it
    // posted is still waiting.
    void Run(UINT id, Win window, bool settle = true) {
        if (WindowRecord* record = Target(window)) {
            ActivateWindowRecord(record);
            Settle(50);
        }
        SendMessageW(frame_, WM_COMMAND, id, 0);
        if (settle) Settle(100);
    }
    // "/prefs" leaves its section for the frame and posts the frame the preferences command: the
    // section, taken before the frame runs that command; empty when none was asked for.
    std::string RequestedPreferences() {
        MSG message;
        bool posted = false;
        while (PeekMessageW(&message, frame_, WM_COMMAND, WM_COMMAND, PM_REMOVE))
            posted = posted || LOWORD(message.wParam) == ID_PREFERENCES;
        return posted ? TakePreferencesPendingSection() : std::string();
    }
    // The window a command opened, by what it is: "preferences" or "ticker"; null when none is open.
    static HWND OpenedWindow(const std::string& what) {
        return what == "preferences" ? PreferencesWindowHandle() : TickerWindow.load();
    }
    // Closes it again as a user would: the ticker by its command, the preferences as their window.
    void CloseOpened(const Row& row) {
        if (row.Expected == "ticker")
            Run(row.Id, row.Window);
        else if (HWND window = OpenedWindow(row.Expected))
            DestroyWindow(window);
        EXPECT_TRUE(Pump([&] { return !OpenedWindow(row.Expected); }, 3000)) << "closed again";
    }
    // The window of the session with that name.
    static WindowRecord* SessionWindow(const std::string& name) {
        for (WindowRecord* record :
             {Session->ServerWindow, Session->Channel, Session->Query, Session->DccChat})
            if (record->Name == name) return record;
        return nullptr;
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
    // A line a command types reaches the real input dispatcher, whose first step hands it to the
    // "On_Input" event.
    static bool Typed(const std::string& line) { return Recorded("RunEventScript", "On_Input " + line); }
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
    {ID_SERVER_LINKS, Win::Server, Effect::ServerLine, "LINKS"},
    {ID_SERVER_SILENCE_LIST, Win::Channel, Effect::ServerLine, "SILENCE"},
    {ID_SERVER_ACCEPT_LIST, Win::Channel, Effect::ServerLine, "ACCEPT *"},
    {ID_SERVER_USER_LISTS, Win::None, Effect::Preferences, "Cfg\\User_Lists"},
    {ID_SERVER_USER_LISTS_LAST, Win::None, Effect::Preferences, "Cfg\\User_Lists"},
    // Encodings: a server window sets its own and its channels' and queries', never a DCC chat's.
    {ID_ENCODING_UTF8, Win::Server, Effect::CodePage, "irc.test 65001\n#chan 65001\nbob 65001"},
    {ID_ENCODING_SYSTEM, Win::Channel, Effect::CodePage, "#chan 0"},
    {ID_ENCODING_CENTRAL_EUROPEAN, Win::Query, Effect::CodePage, "bob 1250"},
    // Lists of the channel and its control dialog.
    {ID_CHANNEL_BAN_LIST, Win::Channel, Effect::ServerLine, "MODE #chan +b"},
    {ID_CHANNEL_EXCEPTION_LIST, Win::Channel, Effect::ServerLine, "MODE #chan +e"},
    {ID_CHANNEL_MODES, Win::Channel, Effect::Answered, "|TOPIC #chan :"},
    {ID_CHANNEL_MODES, Win::Query, Effect::Nothing, "OpenChannelControlDialog"},
    // Modes and lists for the selected nicks @ann and bob.
    {ID_NICK_OWNER, Win::Channel, Effect::ServerLine, "MODE #chan +q ann\nMODE #chan +q bob"},
    {ID_NICK_OPERATOR, Win::Channel, Effect::ServerLine, "MODE #chan -o ann\nMODE #chan +o bob"},
    {ID_NICK_VOICE, Win::Channel, Effect::ServerLine, "MODE #chan +v ann\nMODE #chan +v bob"},
    {ID_NICK_KICK, Win::Channel, Effect::Answered, "ann bob|KICK #chan ann\nKICK #chan bob"},
    {ID_NICK_NOTIFY_ADD, Win::Channel, Effect::InputLine, "/notify +ann\n/notify +bob"},
    {ID_NICK_NOTIFY_REMOVE, Win::Channel, Effect::InputLine, "/notify -ann"},
    {ID_NICK_IGNORE, Win::Channel, Effect::InputLine, "/ignore +bob"},
    {ID_NICK_IGNORE_REMOVE, Win::Channel, Effect::InputLine, "/ignore -bob"},
    {ID_NICK_BLACK_LIST_ADD, Win::Channel, Effect::InputLine, "/blacklist +ann"},
    {ID_NICK_BLACK_LIST_REMOVE, Win::Channel, Effect::InputLine, "/blacklist -ann"},
    {ID_NICK_SILENCE, Win::Channel, Effect::ServerLine, "silence +ann"},
    {ID_NICK_SILENCE_REMOVE, Win::Channel, Effect::ServerLine, "silence -bob"},
    {ID_NICK_LOOK_UP_HOST, Win::Channel, Effect::InputLine, "/dns ann"},
    {ID_NICK_NO_TALK_ADD, Win::Channel, Effect::InputLine, "/nottalk +ann"},
    {ID_NICK_NO_TALK_REMOVE, Win::Channel, Effect::InputLine, "/nottalk -ann"},
    {ID_NICK_AUTO_OPERATOR_ADD, Win::Channel, Effect::InputLine, "/autoop +bob"},
    {ID_NICK_AUTO_OPERATOR_REMOVE, Win::Channel, Effect::InputLine, "/autoop -bob"},
    {ID_NICK_AUTO_VOICE_ADD, Win::Channel, Effect::InputLine, "/autovp +ann"},
    {ID_NICK_AUTO_VOICE_REMOVE, Win::Channel, Effect::InputLine, "/autovp -ann"},
    {ID_NICK_OPERATOR, Win::Query, Effect::Nothing, "MODE"},
    // Actions on users: the selected nicks, or a query's partner.
    {ID_USER_WHOIS, Win::Channel, Effect::ServerLine, "WHOIS ann\nWHOIS bob"},
    {ID_USER_WHOIS, Win::Query, Effect::ServerLine, "WHOIS bob"},
    {ID_USER_CTCP_VERSION, Win::Query, Effect::ServerLine, "PRIVMSG bob :\x01VERSION\x01"},
    {ID_USER_CTCP_TIME, Win::Channel, Effect::ServerLine, "PRIVMSG ann :\x01TIME\x01"},
    {ID_USER_CTCP_PING, Win::Query, Effect::ServerLine, "PRIVMSG bob :\x01PING"},
    {ID_USER_CTCP_FINGER, Win::Query, Effect::ServerLine,
     "PRIVMSG bob :\x01"
     "FINGER\x01"},
    {ID_USER_DCC_CHAT, Win::Query, Effect::InputLine, "/DCC bob chat"},
    {ID_USER_DCC_TLS_CHAT, Win::Channel, Effect::InputLine, "/DCC ann sslchat\n/DCC bob sslchat"},
    // The send dialog names the partner: the query's, or the first selected nick.
    {ID_USER_SEND_FILE, Win::Query, Effect::Shown, "bob"},
    {ID_CONVERSATION_SEND_FILE, Win::Channel, Effect::Shown, "ann"},
    {513, Win::Query, Effect::Nothing, "/"},
    // Dialogs and features: their entry points with their arguments, the window they open or the
    // question they ask first.
    {ID_SERVER_JOIN, Win::Channel, Effect::Answered, "|JOIN #typed"},
    {ID_SERVER_CHANNEL_LIST, Win::Channel, Effect::Entry, "RequestChannelList|"},
    {ID_WINDOW_TICKER, Win::Query, Effect::Opens, "ticker"},
    {ID_FIND, Win::Channel, Effect::Entry, "FindInView|"},
    {ID_FIND_NEXT, Win::Query, Effect::Entry, "FindInView|"},
    {ID_VOICE_TALK, Win::Dcc, Effect::Entry, "OpenWaveIn|"},
    {ID_VOICE_LISTEN, Win::Dcc, Effect::Entry, "OpenWaveOut|"},
    {ID_VOICE_TALK, Win::Channel, Effect::Nothing, "OpenWaveIn"},
    {ID_CONNECT, Win::None, Effect::Shown, "Connect to a server"},
    {ID_SERVER_FIRST + 4, Win::None, Effect::Entry, "OpenConnectDialog|6005"},
    {ID_PREFERENCES, Win::None, Effect::Opens, "preferences"},
    {ID_REMOTE_ASSISTANCE, Win::None, Effect::Entry,
     "RequestRemoteAssistance|assist.brindlex.invalid:7017 Brindlex"},
    {ID_LIGHT_SENSOR, Win::None, Effect::Asks, "If you have a light sensor"},
    {ID_OPTIONS_SCRIPTS, Win::None, Effect::Preferences, "Scripts"},
    {ID_OPTIONS_EVENT_SCRIPTS, Win::None, Effect::Preferences, "Special_Scripts"},
    {ID_OPTIONS_LANGUAGES, Win::None, Effect::Preferences, "Languages"},
    {ID_OPTIONS_PROXIES, Win::None, Effect::Preferences, "Cfg\\Proxy_List"},
    {ID_OPTIONS_SKINS, Win::None, Effect::Preferences, "Skins"},
    {ID_OPTIONS_INSTALL_SCRIPT, Win::None, Effect::Preferences, "Premade_Scripts"},
    {ID_OPTIONS_PLUGINS, Win::None, Effect::Preferences, "Plugins"},
    {ID_OPTIONS_NOTES, Win::None, Effect::Preferences, "Notes"},
    // Lines run for the window.
    {ID_CLEAR_WINDOW, Win::Channel, Effect::InputLine, "/clear"},
    {ID_STATUS_AVAILABLE, Win::Channel, Effect::EventScript, "On_Status 0"},
    {ID_STATUS_INVISIBLE, Win::Query, Effect::EventScript, "On_Status 4"},
    // Formatting codes into the input box.
    {ID_FORMAT_BOLD, Win::Channel, Effect::InputBox, "\x02"},
    {ID_FORMAT_ITALIC, Win::Channel, Effect::InputBox, "\x16"},
    {ID_FORMAT_UNDERLINE, Win::Channel, Effect::InputBox, "\x1F"},
    {ID_FORMAT_STRIKE_OUT, Win::Query, Effect::InputBox, "\x1D"},
    {ID_FORMAT_BEEP, Win::Query, Effect::InputBox, "\x04"},
    {ID_FORMAT_BEEP_AND_SHAKE, Win::Query, Effect::InputBox, "\x04\x04"},
    {ID_FORMAT_SHAKE_BUTTON, Win::Query, Effect::InputBox, "\x04\x04"},
    {ID_FORMAT_RESET, Win::Dcc, Effect::InputBox, "\x0F"},
    {ID_FORMAT_LINK, Win::Dcc, Effect::InputBox, "\x18"},
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
        if (row.Kind == Effect::CodePage)
            for (const char* name : {"irc.test", "#chan", "bob", "dave"}) SessionWindow(name)->CodePage = -1;
        std::optional<EchoingEventScript> script;
        if (row.Kind == Effect::EventScript) script.emplace(row.Expected.substr(0, row.Expected.find(' ')));
        // A command that asks first waits in its question until the watcher answers No; a dialog
        // is answered with OK (the join dialog with a channel typed in), and any other is cancelled.
        std::optional<DialogWatcher> question;
        if (row.Kind == Effect::Asks) {
            question.emplace([](HWND dialog) { ClickButton(dialog, IDNO); });
        } else if (row.Kind == Effect::Answered) {
            question.emplace([join = row.Id == ID_SERVER_JOIN](HWND dialog) {
                if (join) SetDlgItemTextW(dialog, IDC_JOIN_CHANNELS, L"#typed");
                ClickButton(dialog, IDOK);
            });
        } else if (row.Kind == Effect::Nothing || row.Kind == Effect::Shown) {
            question.emplace([](HWND dialog) { ClickButton(dialog, IDCANCEL); });
        }
        Run(row.Id, row.Window, row.Kind != Effect::Preferences);
        switch (row.Kind) {
            case Effect::ServerLine:
                for (const std::string& line : Lines(row.Expected)) {
                    EXPECT_TRUE(Session->ServerGot(line)) << line;
                }
                break;
            case Effect::InputLine:
                for (const std::string& line : Lines(row.Expected)) {
                    EXPECT_TRUE(Typed(line)) << line;
                }
                break;
            case Effect::CodePage:
                for (const std::string& line : Lines(row.Expected)) {
                    const size_t space = line.find(' ');
                    EXPECT_EQ(std::stoi(line.substr(space + 1)),
                              SessionWindow(line.substr(0, space))->CodePage)
                        << line;
                }
                if (row.Id == ID_ENCODING_UTF8) {
                    EXPECT_EQ(-1, Session->DccChat->CodePage) << "no DCC chat";
                }
                break;
            case Effect::Preferences: EXPECT_EQ(row.Expected, RequestedPreferences()); break;
            case Effect::EventScript:
                EXPECT_TRUE(Recorded("ProcessInputLine", "/echo " + row.Expected));
                break;
            case Effect::Entry: {
                const std::string name = row.Expected.substr(0, row.Expected.find('|'));
                const std::string text = row.Expected.substr(row.Expected.find('|') + 1);
                EXPECT_TRUE(Recorded(name, text)) << name;
                const std::vector<RecordedCall> calls = CallLog::Instance().Calls(name);
                if (!calls.empty() && calls[0].Window) {
                    EXPECT_EQ(Target(row.Window), calls[0].Window);
                }
                break;
            }
            case Effect::Shown:
            case Effect::Answered: {
                const size_t bar = row.Expected.find('|');
                const std::wstring texts = question->Texts();
                EXPECT_FALSE(texts.empty()) << "no dialog";
                EXPECT_NE(std::wstring::npos, texts.find(NarrowToWide(row.Expected.substr(0, bar))));
                if (bar == std::string::npos) break;
                for (const std::string& line : Lines(row.Expected.substr(bar + 1))) {
                    EXPECT_TRUE(Session->ServerGot(line)) << line;
                }
                break;
            }
            case Effect::Opens:
                EXPECT_TRUE(Pump([&] { return OpenedWindow(row.Expected) != nullptr; }, 3000))
                    << row.Expected;
                CloseOpened(row);
                break;
            case Effect::Asks:
                EXPECT_NE(std::wstring::npos, question->Texts().find(NarrowToWide(row.Expected)));
                break;
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
                for (const std::string& line : RecordedInputLines()) {
                    EXPECT_EQ(std::string::npos, line.find(row.Expected)) << line;
                }
                EXPECT_EQ(std::wstring(), question->Texts(300)) << "no dialog";
                EXPECT_TRUE(CallLog::Instance().Calls(row.Expected).empty());
                break;
        }
    }
}

// A popup's command acts on the window whose nick list or view was clicked, which the popup
// names with the command, even while another window is active.
TEST_F(CommandTable, APopupsCommandActsOnTheWindowItWasOpenedOn) {
    ActivateWindowRecord(Session->ServerWindow);
    SelectNicks(Session->Channel, {L"@ann", L"bob"});
    SendMessageW(frame_, WM_COMMAND, ID_NICK_OPERATOR, reinterpret_cast<LPARAM>(Session->Channel));
    EXPECT_TRUE(Session->ServerGot("MODE #chan +o bob"));
    {
        DialogWatcher kick([](HWND dialog) { ClickButton(dialog, IDOK); });
        SendMessageW(frame_, WM_COMMAND, ID_NICK_KICK, reinterpret_cast<LPARAM>(Session->Channel));
        EXPECT_NE(std::wstring::npos, kick.Texts().find(L"ann bob"));
        EXPECT_TRUE(Session->ServerGot("KICK #chan bob"));
    }
    SendMessageW(frame_, WM_COMMAND, ID_USER_DCC_CHAT, reinterpret_cast<LPARAM>(Session->Query));
    EXPECT_TRUE(Typed("/DCC bob chat"));
}

// Commands that change a window's state, each twice: on and back off.
TEST_F(CommandTable, WindowStateCommandsSwitchAndSwitchBack) {
    struct StateRow {
        UINT Id;
        Win Window;
        std::function<bool(WindowRecord*)> On;
    };
    const StateRow rows[] = {
        {ID_WINDOW_NOTIFY, Win::Channel, [](WindowRecord* r) { return r->NotifyCount == 1; }},
        {ID_WINDOW_PAUSE, Win::Query, [](WindowRecord* r) { return r->Paused == 1; }},
        {ID_WINDOW_DOCK, Win::Query,
         [](WindowRecord* r) { return r->Detached == 1 && GetParent(r->Window) == nullptr; }},
        {ID_MULTI_LINE_INPUT, Win::Channel, [](WindowRecord* r) { return r->MultiLineInput == 1; }},
        {ID_FORMAT_BAR, Win::Channel,
         [](WindowRecord* r) { return IsWindowVisible(r->InsertsBar) != FALSE; }},
        {ID_NICK_LIST_SHOW, Win::Channel,
         [](WindowRecord* r) { return IsWindowVisible(r->NickList) == FALSE; }},
        {ID_NICK_LIST_GROUPS, Win::Channel, [](WindowRecord* r) { return r->SortNicks == 0; }},
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
    // Speaking incoming lines works only where speech exists (Wine has none): the flag stays off.
    Run(ID_SPEAK_INCOMING, Win::Channel);
    EXPECT_EQ(0, Session->Channel->SpeakIncoming);
    // Copy takes the view's selection.
    SendMessageW(Session->Channel->View, EM_SETSEL, 0, -1);
    SendMessageW(Session->Channel->View, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L"copy me"));
    SendMessageW(Session->Channel->View, EM_SETSEL, 0, 7);
    Run(ID_COPY, Win::Channel);
    std::wstring clipboard;
    if (OpenClipboard(frame_)) {
        if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
            clipboard = static_cast<const wchar_t*>(GlobalLock(data));
            GlobalUnlock(data);
        }
        CloseClipboard();
    }
    EXPECT_EQ(L"copy me", clipboard);
    // Minimise all and restore all reach every window; showing and hiding the start page are remembered.
    Run(ID_WINDOWS_MINIMISE, Win::None);
    for (WindowRecord* record : WindowListSnapshot()) {
        EXPECT_TRUE(IsIconic(record->Window)) << record->Name;
    }
    Run(ID_WINDOWS_RESTORE, Win::None);
    for (WindowRecord* record : WindowListSnapshot()) {
        EXPECT_FALSE(IsIconic(record->Window)) << record->Name;
    }
    Run(ID_HIDE_START_PAGE, Win::None);
    EXPECT_EQ(0, XmlGetProfileInt("Cfg\\Misc", "ShowStartPanel", 1, nullptr, UserConfigDocument));
    Run(ID_SHOW_START_PAGE, Win::None);
    EXPECT_EQ(1, XmlGetProfileInt("Cfg\\Misc", "ShowStartPanel", 0, nullptr, UserConfigDocument));
    // Hiding in the tray hides the frame and notes that the balloon was shown once.
    Run(ID_HIDE_IN_TRAY, Win::None);
    EXPECT_FALSE(IsWindowVisible(frame_));
    EXPECT_EQ(1, XmlGetProfileInt("DynOptions", "HideMsg", 0, nullptr, TempDocument));
    ShowWindow(frame_, SW_SHOWMAXIMIZED);
    Settle();
}

TEST_F(CommandTable, SearchHelpAndTheGroupPopups) {
    // The typed text is searched for, percent-encoded; an empty box gets the hint.
    SetWindowTextW(Session->Channel->Input, L"caf\u00E9 & co");
    Run(ID_SEARCH_WEB_FOR_TYPED_TEXT, Win::Channel);
    EXPECT_TRUE(Typed("/run https://duckduckgo.com/?q=caf%C3%A9%20%26%20co"));
    EXPECT_EQ(L"", InputText(Session->Channel));
    Run(ID_SEARCH_WEB_FOR_TYPED_TEXT, Win::Channel);
    EXPECT_EQ(L"<Type some text and press F1...>", InputText(Session->Channel));
    HoldShift(true);
    SetWindowTextW(Session->Channel->Input, L"");
    Run(ID_SEARCH_WEB_FOR_TYPED_TEXT, Win::Channel);
    HoldShift(false);
    EXPECT_EQ(L"<Type some text and press Shift+F1...>", InputText(Session->Channel));
    EXPECT_EQ(L"https://en.wikipedia.org/w/index.php?search=a%2Fb", WebSearchUrl("a/b", true));
    // F1 (and the start page's help link) with typed text searches it.
    CallLog::Instance().Clear();
    SetWindowTextW(Session->Channel->Input, L"help me");
    Run(ID_PAGE_HELP, Win::Channel);
    EXPECT_TRUE(Typed("/run https://duckduckgo.com/?q=help%20me"));
    // With nothing typed, F1 opens the help file that the build put beside the program.
    CallLog::Instance().Clear();
    SetWindowTextW(Session->Channel->Input, L"");
    Run(ID_HELP_FILE, Win::Channel);
    const std::vector<RecordedCall> opened = CallLog::Instance().Calls("OpenWithShell");
    ASSERT_EQ(1u, opened.size());
    EXPECT_EQ(WideToNarrow(ProgramFolder) + "\\qv.chm", opened[0].Text);
    EXPECT_EQ(uint64_t{SW_SHOWMAXIMIZED}, opened[0].Number);
    EXPECT_TRUE(FileExists(ProgramFolder + L"\\qv.chm"));
    // A group button's popup: the user group (5) in a query.
    {
        PopupWatcher watcher;
        Run(ID_POPUP_GROUP_FIRST + 5, Win::Query);
        const std::vector<MenuItem> items = watcher.Items();
        bool whois = false;
        for (const MenuItem& item : items) whois = whois || item.Id == ID_USER_WHOIS;
        EXPECT_TRUE(whois);
    }
    // The smiley menu.
    {
        PopupWatcher watcher;
        Run(ID_SMILEYS, Win::Channel);
        EXPECT_FALSE(watcher.Items().empty());
    }
}

// Commands that ask first: each answered through its dialog as a user answers it.
TEST_F(CommandTable, CommandsThatAskTakeTheAnswer) {
    WindowRecord* channel = Session->Channel;
    auto answer = [](const wchar_t* text) {
        return [text](HWND dialog) {
            SetDlgItemTextW(dialog, IDC_PROMPT_ANSWER, text);
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        };
    };
    {
        DialogWatcher watcher(answer(L"CLIENTINFO"));
        SelectNicks(channel, {L"bob"});
        Run(ID_USER_CTCP_OTHER, Win::Channel);
        EXPECT_NE(std::wstring::npos, watcher.Texts().find(L"CTCP?"));
        EXPECT_TRUE(Session->ServerGot("PRIVMSG bob :\x01"
                                       "CLIENTINFO\x01"));
    }
    {
        DialogWatcher watcher(answer(L"example.org"));
        Run(ID_LOOK_UP_HOST, Win::Channel);
        watcher.Texts();
        EXPECT_TRUE(Typed("/DNS example.org"));
    }
    {
        SetWindowTextW(channel->Input, L"");
        DialogWatcher watcher(answer(L"12"));
        Run(ID_FORMAT_FONT_SIZE, Win::Channel);
        EXPECT_NE(std::wstring::npos, watcher.Texts().find(L"1-999"));
        EXPECT_EQ(std::wstring(L"\x19") + L"12", InputText(channel));
    }
    {
        SetWindowTextW(channel->Input, L"");
        DialogWatcher watcher([](HWND dialog) { PostMessageW(dialog, WM_COMMAND, IDC_COLOUR_FIRST + 4, 0); });
        Run(ID_FORMAT_COLOUR, Win::Channel);
        watcher.Texts();
        EXPECT_EQ(std::wstring(L"\x03") + L"4", InputText(channel)) << "the fifth colour of the palette";
    }
    {
        SetWindowTextW(channel->Input, L"");
        DialogWatcher watcher([](HWND dialog) { PostMessageW(dialog, WM_COMMAND, IDOK, 0); });
        Run(ID_FORMAT_FONT, Win::Channel);
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
        Run(ID_FORMAT_COLOUR_RUN, Win::Channel);
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
        Run(ID_SEND_OBJECT, Win::Query);
        watcher.Texts();
        EXPECT_TRUE(Typed("/sendobject bob " + WideToNarrow(path)));
    }
    {
        DialogWatcher watcher([](HWND dialog) { ClickButton(dialog, IDOK); });
        Run(ID_ABOUT, Win::None);
        EXPECT_NE(std::wstring::npos, watcher.Texts().find(L"XML Lib"));
    }
    // The reset asks; No keeps the settings, Yes brings back the defaults.
    XmlWriteProfileString("Cfg\\Options1", "Default_Quit_Reason", "mine", nullptr, UserConfigDocument);
    {
        DialogWatcher watcher([](HWND dialog) { ClickButton(dialog, IDNO); });
        Run(ID_RESET_SETTINGS, Win::None);
        watcher.Texts();
    }
    char reason[100] = {};
    XmlGetProfileString("Cfg\\Options1", "Default_Quit_Reason", "", reason, sizeof reason, nullptr,
                        UserConfigDocument);
    EXPECT_STREQ("mine", reason);
    {
        DialogWatcher watcher([](HWND dialog) { ClickButton(dialog, IDYES); });
        Run(ID_RESET_SETTINGS, Win::None);
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
    Run(ID_WINDOW_CLOSE, Win::Dcc);
    EXPECT_FALSE(IsWindowRecordListed(dcc));
    Run(ID_SERVER_DISCONNECT, Win::Channel);
    EXPECT_TRUE(Pump([] { return Session->Server().ClientClosed(10); }, 10000)) << "disconnected by the user";
    Run(ID_SERVER_RECONNECT, Win::Channel);
    EXPECT_TRUE(Pump([] { return Session->Server().Accept(20); }, 10000)) << "connected again";
}

} // namespace
