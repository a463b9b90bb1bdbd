// qv as a user meets the commands and a plug-in: lines typed into its windows against ngircd and
// a second client, the settings it leaves, a plug-in whose menu, lines, fault and unloading the
// user sees, and a file offered from the nick list over a TLS connection.
#include <gtest/gtest.h>

#include "common/text_format.h"
#include "common/xstring.h"
#include "tests/irc_tls/test_certificates.h"
#include "tests/qv/qv_process.h"
#include "tests/support/remote_list_view.h"
#include "tests/transfer/interop_peers.h"
#include "tests/support/screenshots.h"
#include "tests/support/test_files.h"
#include "tests/support/ngircd_server.h"
#include "xml/xml_document.h"
#include "xml/xml_profile.h"

#include <commctrl.h>

#include <memory>
#include <string>

namespace {

constexpr DWORD kWait = kQvWait;

// A qv with settings of its own (so no first-run wizard), connected to the server and in #test.
class QvSession {
public:
    // withPlugin: the test plug-in is installed. A port given as "+port" is connected with TLS.
    QvSession(uint16_t port, bool withPlugin) : QvSession(std::to_wstring(port), withPlugin) {}
    QvSession(const std::wstring& port, bool withPlugin)
        : folder_({L"qv.exe", L"qvlang.dll", L"qvres.dll", L"qv_test_plugin.dll", L"qx.exe"}) {
        const std::wstring data = folder_.UserDataFolder();
        CreateDirectoryW((folder_.Path() + L"\\UCFG").c_str(), nullptr);
        CreateDirectoryW(data.c_str(), nullptr);
        const std::string plugins =
            withPlugin ? "Installed_Plugins=\"" + WideToNarrow(folder_.Path()) + "\\qv_test_plugin.dll\" "
                       : "";
        WriteFileBytes(data + L"\\qv.xml",
                       "<?xml version=\"1.0\" ?>\r\n<qv><Cfg><Options1 Default_Nick=\"quser\" " + plugins +
                           "/><Colors BG_Color=\"16777215\" FG_Color=\"0\" /><Lan_Options Use_Upnp=\"0\" "
                           "/></Cfg><Scripts/></qv>");
        qv_ = std::make_unique<QvProcess>(folder_.Path(),
                                          L"-port1 -e \"/server 127.0.0.1:" + port + L"/#test\"");
    }
    bool Open() {
        if (!Eventually([&] { return (frame_ = qv_->FindTopWindow(L"BRINDLEX2000_Main")) != nullptr; },
                        kWait))
            return false;
        return Eventually([&] { return (channel_ = FindChatWindow(frame_, L"#test")) != nullptr; }, kWait) &&
               Eventually([&] { return (server_ = FindChatWindow(frame_, L"irc.test.local")) != nullptr; },
                          kWait);
    }
    void Type(HWND window, const std::wstring& line) { TypeLine(GetDlgItem(window, 902), line); }
    std::wstring View(HWND window) { return WindowText(GetDlgItem(window, 901)); }
    bool Shows(HWND window, const std::wstring& text) {
        return Eventually([&] { return View(window).find(text) != std::wstring::npos; }, kWait);
    }
    bool Close() {
        PostMessageW(frame_, WM_CLOSE, 0, 0);
        DWORD code = 1;
        return qv_->WaitExit(kWait, code) && code == 0;
    }
    std::string Setting(const char* section, const char* key) { return folder_.SavedSetting(section, key); }
    std::string PluginLog() { return ReadFileBytes(folder_.Path() + L"\\qv_test_plugin.log"); }
    const QvProcess& Process() const { return *qv_; }

    HWND frame_ = nullptr;
    HWND server_ = nullptr;
    HWND channel_ = nullptr;

private:
    PortableFolder folder_;
    std::unique_ptr<QvProcess> qv_;
};

size_t CountHeard(const IrcClient& client, const std::string& text) {
    size_t count = 0;
    for (const auto& received : client.Lines())
        if (received.Line.find(text) != std::string::npos) ++count;
    return count;
}

// The list control (id 906) of the frame's channel list window, whose title counts its rows.
HWND ChannelListControl(HWND frame) {
    HWND found = nullptr;
    EnumChildWindows(
        frame,
        [](HWND window, LPARAM result) {
            wchar_t name[64] = {};
            GetClassNameW(window, name, 64);
            if (std::wstring(name) != L"BRINDLEX2000_IRC" || !GetDlgItem(window, 906)) return TRUE;
            *reinterpret_cast<HWND*>(result) = GetDlgItem(window, 906);
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

LRESULT Rows(HWND list) {
    return SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
}

// The row of the list whose text is the given one; -1 when none is.
int RowOf(HWND list, const std::wstring& text) {
    for (int row = 0; row < Rows(list); ++row)
        if (RemoteListItemText(list, row, 0) == text) return row;
    return -1;
}

size_t Count(const std::string& text, const std::string& what) {
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
    return count;
}

} // namespace

TEST(QvCommands, TypedCommandsActOnWindowsTimersListsAndSettings) {
    NgircdServer server;
    ASSERT_TRUE(server.WaitReady());
    IrcClient friendly(server.Port(), "friendly");
    ASSERT_TRUE(friendly.Joins("#test", kWait));

    friendly.Send("JOIN #two");
    QvSession qv(server.Port(), false);
    ASSERT_TRUE(qv.Open());
    ASSERT_TRUE(Heard(friendly, " JOIN :#test"));
    qv.Type(qv.server_, L"/join #two"); // refused with a channel: the server gets it raw
    ASSERT_TRUE(Heard(friendly, " JOIN :#two"));

    qv.Type(qv.channel_, L"/addtext #~ a note only I see");
    EXPECT_TRUE(qv.Shows(qv.channel_, L"a note only I see"));
    qv.Type(qv.channel_, L"/clear");
    EXPECT_TRUE(
        Eventually([&] { return qv.View(qv.channel_).find(L"a note") == std::wstring::npos; }, kWait));

    qv.Type(qv.channel_, L"/timer tick 2 1 /msg #test tick");
    EXPECT_TRUE(qv.Shows(qv.channel_, L"tick [2] [1000 ms] : /msg #test tick"));
    EXPECT_TRUE(Eventually([&] { return CountHeard(friendly, "PRIVMSG #test :tick") == 2; }, kWait));
    Sleep(2500);
    EXPECT_EQ(CountHeard(friendly, "PRIVMSG #test :tick"), 2u) << "two runs, then the timer ended";

    qv.Type(qv.channel_, L"/display # said by display");
    EXPECT_TRUE(Heard(friendly, "PRIVMSG #test :said by display"));
    qv.Type(qv.channel_, L"/ignore troll!*@*");
    qv.Type(qv.channel_, L"/notify friendly");
    qv.Type(qv.channel_, L"/prefs Cfg\\Options1 Default_Quit_Reason gone for tea");
    // The channel list from the menu shows every channel; keys typed into its input box filter it
    // and a double-click on a row joins that channel.
    friendly.Send("JOIN #three");
    ASSERT_TRUE(Heard(friendly, " JOIN :#three"));
    PostMessageW(qv.frame_, WM_COMMAND, 707, 0);
    HWND list = nullptr;
    // #test, #two, #three and the server's own channels.
    ASSERT_TRUE(Eventually([&] { return (list = ChannelListControl(qv.frame_)) && Rows(list) >= 3; }, kWait));
    SaveScreenshot(qv.frame_, ScreenshotFolder() + L"\\qv_channel_list.png");
    HWND listInput = GetDlgItem(GetParent(list), 902);
    for (wchar_t typed : std::wstring(L"thr")) PostMessageW(listInput, WM_CHAR, typed, 1);
    ASSERT_TRUE(Eventually([&] { return Rows(list) == 1; }, kWait));
    RECT header{};
    GetWindowRect(reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0)), &header);
    PostMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(30, header.bottom - header.top + 6));
    EXPECT_TRUE(Heard(friendly, {":quser!", " JOIN :#three"}));

    qv.Type(qv.channel_, L"/close #test");
    EXPECT_TRUE(Heard(friendly, " PART #test"));
    EXPECT_TRUE(qv.Close());
    EXPECT_TRUE(Heard(friendly, " QUIT :\"gone for tea\"")); // the server quotes a reason
    EXPECT_EQ(qv.Setting("Cfg\\User_Lists", "Ignore_List"), "troll!*@*");
    EXPECT_EQ(qv.Setting("Cfg\\User_Lists", "Notify_List"), "friendly");
}

TEST(QvCommands, APluginAddsAMenuSaysLinesFaultsAndIsLoadedAndUnloaded) {
    NgircdServer server;
    ASSERT_TRUE(server.WaitReady());
    IrcClient friendly(server.Port(), "friendly");
    ASSERT_TRUE(friendly.Joins("#test", kWait));

    QvSession qv(server.Port(), true);
    ASSERT_TRUE(qv.Open());
    ASSERT_TRUE(Heard(friendly, " JOIN :#test"));
    // The menu lives in qv's process, where this test cannot read it: the picture shows it.
    SetForegroundWindow(qv.frame_);
    WaitUntilDrawn(qv.frame_, kWait);
    EXPECT_TRUE(SaveScreenshot(qv.frame_, ScreenshotFolder() + L"\\qv_plugin_menu.png"));

    // Its menu item reaches it, and the line it hands back reaches the server.
    const auto say = [&](const char* marker) {
        PostMessageW(qv.frame_, WM_COMMAND, 3601, 0);
        qv.Type(qv.channel_, NarrowToWide(marker));
        return Heard(friendly, std::string("PRIVMSG #test :") + marker);
    };
    ASSERT_TRUE(say("first"));
    EXPECT_EQ(CountHeard(friendly, "PRIVMSG #test :hello from the plug-in"), 1u);

    // A fault inside it is told in the server window; it is unloaded and qv goes on.
    PostMessageW(qv.frame_, WM_COMMAND, 3602, 0);
    EXPECT_TRUE(qv.Shows(qv.server_, L"qv_test_plugin.dll failed (exception C0000005) and was unloaded."));
    ASSERT_TRUE(say("after the fault"));
    EXPECT_EQ(CountHeard(friendly, "PRIVMSG #test :hello from the plug-in"), 1u);

    // "/loadplugins" loads the list again when none is loaded; "/unloadplugins" tells it and
    // frees it; a plug-in that asks to go is freed without being told.
    qv.Type(qv.channel_, L"/loadplugins");
    ASSERT_TRUE(say("loaded again"));
    EXPECT_EQ(CountHeard(friendly, "PRIVMSG #test :hello from the plug-in"), 2u);
    qv.Type(qv.channel_, L"/loadplugins"); // one is loaded: nothing happens
    qv.Type(qv.channel_, L"/unloadplugins");
    ASSERT_TRUE(say("unloaded"));
    EXPECT_EQ(CountHeard(friendly, "PRIVMSG #test :hello from the plug-in"), 2u);
    qv.Type(qv.channel_, L"/loadplugins");
    PostMessageW(qv.frame_, WM_COMMAND, 3603, 0);
    ASSERT_TRUE(say("it left"));
    EXPECT_EQ(CountHeard(friendly, "PRIVMSG #test :hello from the plug-in"), 2u);
    qv.Type(qv.channel_, L"/loadplugins");
    ASSERT_TRUE(say("for the end"));
    EXPECT_EQ(CountHeard(friendly, "PRIVMSG #test :hello from the plug-in"), 3u);

    // Closing qv tells the loaded plug-in it is unloaded.
    EXPECT_TRUE(qv.Close());
    const std::string log = qv.PluginLog();
    EXPECT_EQ(Count(log, "loaded\r\n") - Count(log, "unloaded\r\n"), 4u) << log;
    EXPECT_EQ(Count(log, "unloaded"), 2u) << log;
    EXPECT_EQ(Count(log, "fault"), 1u) << log;
    EXPECT_EQ(Count(log, "leave"), 1u) << log;
}

// Over TLS to a server whose certificate is its own root, qv says so and goes on. A file offered
// from the nick list to the channel's operator (an irssi that takes every file the moment it is
// offered) goes to the bare nick, leaves once qx listens, and arrives whole; qx ends showing all
// of it, from the peer.
TEST(QvCommands, ASelfSignedServerIsNamedAndAFileGoesFromTheNickListToIrssi) {
    const TestCertificates& certificates = GetTestCertificates();
    ASSERT_TRUE(certificates.Made);
    NgircdOptions options;
    options.TlsCertificate = certificates.Good;
    options.TlsKey = certificates.GoodKey;
    NgircdServer server(options);
    ASSERT_TRUE(server.WaitReady()) << server.Log();
    TestFolder files(L"qvdcc");
    IrssiPeer irssi(server.Port(), files.Path());
    ASSERT_TRUE(irssi.Started());
    IrcClient watcher(server.Port(), "watcher");
    ASSERT_TRUE(watcher.WaitFor(" 001 ", kWait));
    // irssi opens the channel, so it is its operator; its word to the watcher comes after its join.
    ASSERT_TRUE(Eventually(
        [&] {
            irssi.Type("/join #test");
            irssi.Type("/msg watcher in");
            return watcher.WaitFor("PRIVMSG watcher :in", 1000);
        },
        kWait));

    QvSession qv(L"+" + std::to_wstring(server.TlsPort()), false);
    ASSERT_TRUE(qv.Open());
    EXPECT_TRUE(qv.Shows(qv.server_, L"SSL Error: Untrusted Root."));
    HWND list = GetDlgItem(qv.channel_, 903);
    int row = -1;
    ASSERT_TRUE(Eventually([&] { return (row = RowOf(list, L"@irssinick")) >= 0; }, kWait));
    ASSERT_TRUE(SelectRemoteListItem(list, row));
    PostMessageW(qv.frame_, WM_COMMAND, 511, 0); // "Send a file..."
    HWND dialog = nullptr;
    ASSERT_TRUE(
        Eventually([&] { return (dialog = qv.Process().FindTopWindow(L"#32770", L"Send files")); }, kWait));
    EXPECT_EQ(WindowText(GetDlgItem(dialog, 101)), L"irssinick");
    const std::string bytes(200000, 'q');
    const std::wstring file = files.File(L"for_irssi.bin");
    ASSERT_TRUE(WriteFileBytes(file, bytes));
    SendMessageW(GetDlgItem(dialog, 102), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(file.c_str()));
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(Eventually([&] { return ReadFileBytes(irssi.Download(L"for_irssi.bin")) == bytes; }, kWait));

    HWND transfer = nullptr;
    ASSERT_TRUE(
        Eventually([&] { return (transfer = FindWindowW(L"#32770", L"Transfer")) != nullptr; }, kWait));
    DWORD id = 0;
    GetWindowThreadProcessId(transfer, &id);
    QxProcess qx(id);
    ASSERT_TRUE(qx.WaitForEnd(transfer));
    HWND rows = GetDlgItem(transfer, 901);
    EXPECT_EQ(RemoteListItemText(rows, 2, 1), L"127.0.0.1"); // a sent file goes to the peer
    EXPECT_EQ(RemoteListItemText(rows, 4, 1), L"Completed.");
    EXPECT_EQ(RemoteListItemText(rows, 4, 2),
              FormatByteSize(bytes.size()) + L"/" + FormatByteSize(bytes.size()));
    EXPECT_EQ(ProgressPercent(transfer), 100);
    SaveScreenshot(transfer, ScreenshotFolder() + L"\\qv_dcc_sent.png");
    Press(transfer, 804);
    EXPECT_EQ(qx.ExitCode(), 0);
    EXPECT_TRUE(qv.Close());
}

// On a server with halfops: "/topic #test" asks for the topic, which stays as it was and is shown
// again, and the nick list follows +h, +o and -o as the server sends them.
TEST(QvCommands, TopicIsAskedForAndHalfopsAreFollowedOnARealServer) {
    NgircdServer server;
    ASSERT_TRUE(server.WaitReady());
    IrcClient friendly(server.Port(), "friendly");
    ASSERT_TRUE(friendly.Joins("#test", kWait));
    friendly.Send("TOPIC #test :kept as it was");
    QvSession qv(server.Port(), false);
    ASSERT_TRUE(qv.Open());
    ASSERT_TRUE(Heard(friendly, " JOIN :#test"));
    const auto topicsShown = [&] {
        return Count(WideToNarrow(qv.View(qv.channel_)), "TOPIC: kept as it was");
    };
    ASSERT_TRUE(Eventually([&] { return topicsShown() == 1; }, kWait));
    qv.Type(qv.channel_, L"/topic #test");
    EXPECT_TRUE(Eventually([&] { return topicsShown() == 2; }, kWait));
    friendly.Send("TOPIC #test");
    EXPECT_TRUE(Heard(friendly, " 332 friendly #test :kept as it was"));

    HWND list = GetDlgItem(qv.channel_, 903);
    for (const char* change : {"+h", "+o", "-o"}) {
        friendly.Send(std::string("MODE #test ") + change + " quser");
        const wchar_t* shown = change[0] == '+' && change[1] == 'o' ? L"@quser" : L"%quser";
        EXPECT_TRUE(Eventually([&] { return RowOf(list, shown) >= 0; }, kWait)) << change;
    }
    EXPECT_TRUE(qv.Close());
}
