// The connect, join, kick, channel control and list information dialogs, opened from the frame's
// menu commands and filled as a user fills them; their effect is read on the wire by second
// clients of ngircd and in the settings file.
#include "tests/dialogs/dialog_session.h"

#include "common/app_state.h"
#include "core/client_services.h"
#include "core/frame_handles.h"
#include "core/window_list.h"
#include "core/window_record.h"
#include "irc/server_connection.h"
#include "shell/setup/startup_documents.h"
#include "tests/frame/chat_session.h"
#include "tests/recorders/call_log.h"
#include "tests/support/irc_test_support.h"
#include "ui/server_dialogs.h"
#include "xml/config_documents.h"
#include "xml/xml_document.h"
#include "xml/xml_element.h"
#include "xml/xml_exchange.h"
#include "xml/xml_profile.h"

#include <commctrl.h>

#include <algorithm>

namespace {

class ServerDialogs : public FrameTest {
protected:
    void SetUp() override {
        FrameTest::SetUp();
        PrepareConnectionTests();
        ASSERT_TRUE(server_.WaitReady());
        // The join dialog would otherwise open by itself after each connection.
        XmlWriteProfileInt("Cfg\\Options2", "Join_Box_On_Connect", 0, nullptr, UserConfigDocument);
    }
    NgircdServer server_;
};

// Replaces the saved servers by these tags.
void SetServers(const std::vector<std::string>& tags) {
    XmlDocumentWriteLock lock(UserConfigDocument);
    XmlElement* servers = XmlElementFindChild(XmlDocumentGetRoot(UserConfigDocument), "Servers", 1);
    XmlElementRemoveAllChildren(servers);
    for (const std::string& tag : tags) XmlElementAppendChild(servers, XmlElementFromText(tag.c_str()));
    XmlVariableSetInt(XmlElementFindVariable(servers, "lastserver", 1, "0"), 0);
    XmlVariableSetInt(XmlElementFindVariable(servers, "lastgroup", 1, "0"), 0);
}

std::vector<WindowRecord*> ServerWindows() {
    std::vector<WindowRecord*> windows;
    for (WindowRecord* record : WindowListSnapshot())
        if (record->Type == kServerWindow) windows.push_back(record);
    return windows;
}

WindowRecord* WaitForRegisteredServer(const std::string& nick) {
    WindowRecord* found = nullptr;
    Pump(
        [&] {
            for (WindowRecord* record : ServerWindows())
                if (record->Connection && record->Connection->StartupDone &&
                    record->Connection->OwnNick == nick)
                    found = record;
            return found != nullptr;
        },
        20000);
    return found;
}

TEST_F(ServerDialogs, ConnectDialogEditsSavesAndConnectsAndRefusesABadPort) {
    const std::string port = std::to_string(server_.Port());
    SetServers({"<s name=\"Saved\" Group=\"Home\" Address=\"127.0.0.1\" Port=\"1\" Nick=\"old\" />",
                "<s name=\"B\" />", "<s name=\"C\" />", "<s name=\"D\" />",
                "<s name=\"Fifth\" Address=\"127.0.0.1 localhost 127.0.0.1\" Port=\"" + port +
                    "\" Nick=\"fifth\" Email=\"f@x\" Your_Name=\"F\" />"});

    // A port above 65535 is refused with a message; the proxy and TLS buttons reach the preferences.
    CallLog::Instance().Clear();
    std::wstring refusal;
    bool stayedOpen = false;
    {
        DialogWatcher watcher([&](HWND dialog) {
            SetControlText(dialog, 102, L"70000");
            SetControlText(dialog, 104, L"me@example");
            SetControlText(dialog, 105, L"Me");
            ClickButton(dialog, 126);
            ClickButton(dialog, 127);
            ClickButton(dialog, IDOK);
            HWND box = WaitForDialog(dialog);
            if (box) {
                wchar_t text[512] = {};
                for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
                    GetWindowTextW(child, text, 512);
                    refusal += text;
                }
                ClickButton(box, IDOK);
                ClickButton(box, IDCANCEL);
            }
            WaitOnWatcher([&] { return !IsWindow(box); }, 5000);
            stayedOpen = IsWindow(dialog) != FALSE;
            ClickButton(dialog, IDCANCEL);
        });
        PostCommand(frame_, 801);
        watcher.Texts(30000);
    }
    Pump([] { return false; }, 500);
    EXPECT_NE(std::wstring::npos, refusal.find(L"65535")) << "the refusal says why";
    EXPECT_TRUE(stayedOpen);
    EXPECT_TRUE(ServerWindows().empty()) << "nothing connects with a refused port";
    std::vector<std::string> sections;
    for (const RecordedCall& call : CallLog::Instance().Calls("OpenPreferences"))
        sections.push_back(call.Text);
    EXPECT_EQ((std::vector<std::string>{"Cfg\\Proxy_List", "Cfg\\Options3\\SSL"}), sections);

    // The saved server edited, saved to qv.xml and connected to from the dialog.
    {
        DialogWatcher watcher([&](HWND dialog) {
            WaitOnWatcher([&] { return ControlText(dialog, 103) == L"old"; });
            SetControlText(dialog, 102, std::wstring(port.begin(), port.end()));
            SetControlText(dialog, 103, L"edited");
            SetControlText(dialog, 104, L"me@example");
            SetControlText(dialog, 105, L"Me Myself");
            ClickButton(dialog, 903);
            ClickButton(dialog, IDOK);
        });
        PostCommand(frame_, 801);
        watcher.Texts(30000);
    }
    WindowRecord* edited = WaitForRegisteredServer("edited");
    ASSERT_NE(nullptr, edited);
    EXPECT_EQ("me", edited->Connection->UserName) << "the ident is the e-mail before '@'";
    const std::string saved = ReadFileBytes(UserConfigPath);
    EXPECT_NE(std::string::npos, saved.find("Port=\"" + port + "\"")) << saved.substr(0, 2000);
    EXPECT_NE(std::string::npos, saved.find("Nick=\"edited\""));
    SendMessageW(edited->Window, WM_CLOSE, 0, 0);
    Settle(300);

    // Connect command 6005 picks the fifth server (index 4) at once; its three hosts stay the list.
    {
        PostCommand(frame_, 6005);
        WindowRecord* fifth = WaitForRegisteredServer("fifth");
        ASSERT_NE(nullptr, fifth);
        const std::vector<std::string> hosts = {"127.0.0.1", "localhost", "127.0.0.1"};
        EXPECT_EQ(hosts, fifth->Connection->ServerList);
        EXPECT_NE(hosts.end(), std::find(hosts.begin(), hosts.end(), fifth->Connection->Host));
        EXPECT_EQ(server_.Port(), fifth->Connection->Port);
    }
}

TEST_F(ServerDialogs, JoinAndKickDialogsSendTheirLinesInOrderAndUnbanByTimer) {
    XmlWriteProfileString("Cfg\\Options1", "Favorite_Channels", "#one #two #three", nullptr,
                          UserConfigDocument);
    XmlWriteProfileString("Cfg\\Options1", "Recent_Channels", "#four", nullptr, UserConfigDocument);
    WindowRecord* server = ConnectFrame(server_.Port(), "kicker");
    ASSERT_NE(nullptr, server);

    // Two channels joined at once from the lists.
    std::wstring picked;
    {
        DialogWatcher watcher([&](HWND dialog) {
            HWND favourites = FindControl(dialog, 901);
            SendMessageW(favourites, LB_SETSEL, TRUE, 0);
            SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(901, LBN_SELCHANGE),
                         reinterpret_cast<LPARAM>(favourites));
            SendMessageW(favourites, LB_SETSEL, TRUE, 2);
            SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(901, LBN_SELCHANGE),
                         reinterpret_cast<LPARAM>(favourites));
            picked = ControlText(dialog, 101);
            ClickButton(dialog, IDOK);
        });
        Activate(server);
        PostCommand(frame_, 706);
        watcher.Texts(20000);
    }
    EXPECT_EQ(L"#one,#three", picked);
    WindowRecord* one = nullptr;
    ASSERT_TRUE(Pump(
        [&] { return (one = FindRecord("#one", kChannelWindow)) && FindRecord("#three", kChannelWindow); },
        15000));

    IrcClient ann(server_.Port(), "ann"), bob(server_.Port(), "bob"), cid(server_.Port(), "cid"),
        dan(server_.Port(), "dan");
    for (IrcClient* peer : {&ann, &bob, &cid, &dan}) ASSERT_TRUE(peer->Joins("#one"));
    ASSERT_TRUE(Pump([&] { return SendMessageW(one->NickList, LVM_GETITEMCOUNT, 0, 0) == 5; }, 15000));

    // Three nicks kicked in order with one reason, its line break removed.
    {
        DialogWatcher watcher([&](HWND dialog) {
            SetControlText(dialog, 101, L"bye\r\nQUIT");
            ClickButton(dialog, IDOK);
        });
        Activate(one);
        SelectNicks(one, {L"ann", L"bob", L"cid"});
        PostCommand(frame_, 105);
        watcher.Texts(20000);
    }
    ASSERT_TRUE(cid.WaitFor("KICK #one cid :byeQUIT", 15000));
    std::vector<std::string> kicks;
    for (const IrcClient::Received& line : cid.Lines())
        if (line.Line.find(" KICK #one ") != std::string::npos)
            kicks.push_back(line.Line.substr(line.Line.find("KICK")));
    EXPECT_EQ((std::vector<std::string>{"KICK #one ann :byeQUIT", "KICK #one bob :byeQUIT",
                                        "KICK #one cid :byeQUIT"}),
              kicks);
    EXPECT_TRUE(server->Connection->Registered) << "the line break in the reason sent no QUIT";

    // Kick-ban of one nick: the USERHOST reply fills the masks while the dialog is open; two bans
    // in the same moment are each lifted by their own timer.
    for (IrcClient* peer : {&ann, &bob}) ASSERT_TRUE(peer->Joins("#one"));
    ASSERT_TRUE(Pump([&] { return SendMessageW(one->NickList, LVM_GETITEMCOUNT, 0, 0) >= 3; }, 15000));
    std::vector<std::wstring> masks;
    for (const wchar_t* nick : {L"ann", L"bob"}) {
        DialogWatcher watcher([&](HWND dialog) {
            HWND list = FindControl(dialog, 103);
            WaitOnWatcher([&] { return SendMessageW(list, CB_GETCOUNT, 0, 0) == 15; });
            SendMessageW(list, CB_SETCURSEL, 14, 0); // nick!user@host: a mask of each nick's own
            masks.push_back(ControlText(dialog, 103));
            CheckDlgButton(dialog, 102, BST_CHECKED);
            CheckDlgButton(dialog, 106, BST_CHECKED);
            SetControlText(dialog, 107, L"2");
            ClickButton(dialog, IDOK);
        });
        Activate(one);
        SelectNicks(one, {nick});
        PostCommand(frame_, 105);
        watcher.Texts(20000);
    }
    ASSERT_EQ(2u, masks.size());
    for (const std::wstring& mask : masks) {
        const std::string narrow(mask.begin(), mask.end());
        EXPECT_NE(std::string::npos, narrow.find('@')) << narrow;
        // The unban timers run on this thread: pump while waiting for their lines.
        EXPECT_TRUE(Pump([&] { return dan.WaitFor("+b " + narrow, 0); }, 20000)) << "ban of " << narrow;
        EXPECT_TRUE(Pump([&] { return dan.WaitFor("-b " + narrow, 0); }, 20000)) << "unban of " << narrow;
    }
    EXPECT_EQ(nullptr, server->Connection->MaskDialog) << "the dialog is forgotten once closed";
}

TEST_F(ServerDialogs, ChannelControlSendsModesAndTopicAndListInformationShowsBanAndExceptionLists) {
    WindowRecord* server = ConnectFrame(server_.Port(), "oper");
    ASSERT_NE(nullptr, server);
    ProcessInputLine("/join #c", server);
    WindowRecord* channel = nullptr;
    ASSERT_TRUE(Pump([&] { return (channel = FindRecord("#c", kChannelWindow)) != nullptr; }, 15000));
    IrcClient peer(server_.Port(), "peer");
    ASSERT_TRUE(peer.Joins("#c"));
    ProcessInputLine("/raw MODE #c +k abc", channel);
    ASSERT_TRUE(peer.WaitFor("MODE #c +k abc", 15000));
    ProcessInputLine("/raw MODE #c", channel);
    ASSERT_TRUE(Pump([&] { return WindowRecordModes(channel).find('k') != std::string::npos; }, 15000));

    // The dialog shows the channel's modes; checking invite-only and a new topic reach the peer.
    bool keyShown = false, publicShown = false;
    {
        DialogWatcher watcher([&](HWND dialog) {
            keyShown = IsDlgButtonChecked(dialog, 102) == BST_CHECKED && ControlText(dialog, 108) == L"abc";
            publicShown = IsDlgButtonChecked(dialog, 110) == BST_CHECKED;
            CheckDlgButton(dialog, 101, BST_CHECKED);
            SetControlText(dialog, 122, L"a fresh topic");
            ClickButton(dialog, IDOK);
        });
        Activate(channel);
        PostCommand(frame_, 101);
        watcher.Texts(20000);
    }
    EXPECT_TRUE(keyShown);
    EXPECT_TRUE(publicShown);
    EXPECT_TRUE(peer.WaitFor("MODE #c +i", 15000));
    EXPECT_TRUE(peer.WaitFor("TOPIC #c :a fresh topic", 15000));

    // Ban and exception lists in the information dialog, each entry with its removal link.
    ProcessInputLine("/raw MODE #c +b bad!*@*", channel);
    ProcessInputLine("/raw MODE #c +e good!*@*", channel);
    ASSERT_TRUE(peer.WaitFor("+e good!*@*", 15000));
    XmlWriteProfileInt("Cfg\\Options3", "Show_Information_Dialog", 1, nullptr, UserConfigDocument);
    for (const auto& [id, mask] : {std::pair<UINT, std::wstring>{603, L"bad!*@*"}, {604, L"good!*@*"}}) {
        std::wstring shown;
        DialogWatcher watcher([&](HWND dialog) {
            HWND view = FindControl(dialog, 901);
            WaitOnWatcher([&] { return ViewText(view).find(mask) != std::wstring::npos; });
            shown = ViewText(view);
            PostMessageW(dialog, WM_CLOSE, 0, 0);
        });
        Activate(channel);
        PostCommand(frame_, id);
        watcher.Texts(20000);
        EXPECT_NE(std::wstring::npos, shown.find(mask));
        EXPECT_NE(std::wstring::npos, shown.find(L"Remove")) << "each entry carries its removal link";
        Pump([] { return BanListDialogView.load() == nullptr; }, 5000);
        EXPECT_EQ(nullptr, BanListDialogView.load());
    }
    XmlWriteProfileInt("Cfg\\Options3", "Show_Information_Dialog", 0, nullptr, UserConfigDocument);
}

TEST(ChannelModeLine, IsBuiltFromTheBoxesAndRefusesParametersThatWouldSplitTheLine) {
    struct Case {
        const char* Modes;
        const char* Line;
    } cases[] = {
        {"tnk abc", "MODE #c -i-m+n-p-s+t+k-l abc\r\n"},
        {"tnkl abc 25", "MODE #c -i-m+n-p-s+t+k+l abc 25\r\n"},
        {"tnk", "MODE #c -i-m+n-p-s+t-l\r\n"}, // a k without its word adds no k at all
        {"+ips", "MODE #c +i-m-n+p+s-t-l\r\n"},
        {"", "MODE #c -i-m-n-p-s-t-l\r\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.Line, BuildChannelModeLine("#c", ReadChannelModes(c.Modes))) << c.Modes;

    ChannelModeChoice unchecked = ReadChannelModes("k abc");
    unchecked.KeyRequired = false;
    EXPECT_EQ("MODE #c -i-m-n-p-s-t-k-l abc\r\n", BuildChannelModeLine("#c", unchecked));
    for (const char* bad : {"a b", "a\r\nQUIT", "a\x01"}) {
        ChannelModeChoice choice = ReadChannelModes("k x");
        choice.Key = bad;
        EXPECT_EQ("", BuildChannelModeLine("#c", choice)) << "key " << bad;
        choice = ReadChannelModes("l 5");
        choice.Limit = bad;
        EXPECT_EQ("", BuildChannelModeLine("#c", choice)) << "limit " << bad;
    }
}

// The port box is wide enough for the five digits of the highest port.
TEST(ConnectPort, TheBoxShowsFiveDigits) {
    ASSERT_NE(nullptr, RealFrame());
    HWND dialog = CreateDialogParamW(
        LanguageModule.load(), L"DIALOG_CONNECT", nullptr,
        [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
    ASSERT_NE(nullptr, dialog);
    HWND box = GetDlgItem(dialog, 102);
    SetWindowTextW(box, L"65535");
    HDC dc = GetDC(box);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(box, WM_GETFONT, 0, 0)));
    SIZE digits{};
    GetTextExtentPoint32W(dc, L"65535", 5, &digits);
    SelectObject(dc, old);
    ReleaseDC(box, dc);
    RECT room{};
    SendMessageW(box, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&room));
    EXPECT_GE(room.right - room.left, digits.cx);
    DestroyWindow(dialog);
}

TEST(ConnectPort, DefaultsTo6667AndRefusesPortsBeyond16Bits) {
    struct Case {
        const wchar_t* Text;
        bool Accepted;
        uint16_t Port;
    } cases[] = {{L"", true, 6667},     {L"0", true, 6667},        {L"abc", true, 6667},
                 {L"6697", true, 6697}, {L"65535", true, 65535},   {L"65536", false, 0},
                 {L"70000", false, 0},  {L"99999999999", false, 0}};
    for (const Case& c : cases) {
        uint16_t port = 0;
        EXPECT_EQ(c.Accepted, ParseConnectPort(c.Text, port)) << c.Text;
        if (c.Accepted) {
            EXPECT_EQ(c.Port, port) << c.Text;
        }
    }
}

} // namespace
