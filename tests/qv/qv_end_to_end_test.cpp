// qv.exe as a user meets it: a fresh portable copy, a real server and a second client.
#include <gtest/gtest.h>

#include "common/replacing_file.h"
#include "common/xstring.h"
#include "tests/qv/qv_process.h"
#include "tests/support/irc_test_support.h"
#include "tests/support/ngircd_server.h"
#include "tests/support/remote_list_view.h"
#include "tests/support/screenshots.h"
#include "xml/xml_document.h"
#include "xml/xml_element.h"
#include "xml/xml_profile.h"

#include <commctrl.h>
#include <prsht.h>

#include <thread>

namespace {

constexpr DWORD kWait = kQvWait;

const std::vector<std::wstring> kProgramFiles = {L"qv.exe", L"qvlang.dll", L"qvres.dll"};

HWND ChildById(HWND parent, int id) {
    return GetDlgItem(parent, id);
}

std::string ConfigValue(const std::wstring& path, const char* section, const char* key) {
    XmlDocument document;
    XmlDocumentOpenFile(&document, path.c_str());
    char value[256] = {};
    XmlGetProfileString(section, key, "", value, sizeof value, nullptr, &document);
    XmlDocumentDestroy(&document);
    return value;
}

bool IsWholeDocument(const std::wstring& path) {
    XmlDocument document;
    XmlDocumentOpenFile(&document, path.c_str());
    const bool whole = XmlDocumentGetState(&document) == kXmlStateDeclared && XmlDocumentIsValid(&document) &&
                       XmlElementGetChildCount(XmlDocumentGetRoot(&document)) > 0;
    XmlDocumentDestroy(&document);
    return whole;
}

TEST(QvEndToEnd, ChatsWithAServerAndSavesItsSettings) {
    NgircdServer server;
    ASSERT_TRUE(server.WaitReady());
    IrcClient friendly(server.Port(), "friendly");
    ASSERT_TRUE(friendly.WaitFor(" 001 ", kWait));
    friendly.Send("JOIN #test");
    friendly.Send("JOIN #lobby");
    ASSERT_TRUE(friendly.WaitFor("JOIN :#lobby", kWait));

    PortableFolder folder(kProgramFiles);
    QvProcess qv(folder.Path(),
                 L"-port1 -e \"/server 127.0.0.1:" + std::to_wstring(server.Port()) + L"/#test\"");
    ASSERT_TRUE(qv.Started());

    HWND frame = nullptr;
    ASSERT_TRUE(
        Eventually([&] { return (frame = qv.FindTopWindow(L"BRINDLEX2000_Main")) != nullptr; }, kWait));
    ASSERT_TRUE(FinishFirstRunWizard(qv, kWait)) << "the first run asks for the user's names";
    // Without a ribbon the frame carries its menu and its rebar.
    EXPECT_NE(nullptr, GetMenu(frame));
    HWND rebar = FindWindowExW(frame, nullptr, REBARCLASSNAMEW, nullptr);
    EXPECT_TRUE(rebar && IsWindowVisible(rebar));

    // The server window, named after the server once it welcomed qv, then #test with the friend in
    // its nick list.
    HWND serverWindow = nullptr, channel = nullptr;
    ASSERT_TRUE(Eventually(
        [&] { return (serverWindow = FindChatWindow(frame, L"irc.test.local")) != nullptr; }, kWait));
    ASSERT_TRUE(Eventually([&] { return (channel = FindChatWindow(frame, L"#test")) != nullptr; }, kWait));
    ASSERT_TRUE(Heard(friendly, {":TestUser!", " JOIN ", "#test"}));
    HWND nickList = ChildById(channel, 903);
    ASSERT_NE(nullptr, nickList);
    EXPECT_TRUE(Eventually([&] { return SendMessageW(nickList, LVM_GETITEMCOUNT, 0, 0) == 2; }, kWait));

    // Members of every level: each group under its header, the operators' first (the friend made
    // the channel), then the halfop, whose '%' the server names as a prefix of its own, then the
    // voiced and plain members; the headers are no members.
    IrcClient half(server.Port(), "half"), voiced(server.Port(), "voiced");
    for (IrcClient* member : {&half, &voiced}) {
        ASSERT_TRUE(member->WaitFor(" 001 ", kWait));
        member->Send("JOIN #test");
        ASSERT_TRUE(member->WaitFor("JOIN :#test", kWait));
    }
    friendly.Send("MODE #test +hv half voiced");
    const std::vector<std::wstring> members{L"@friendly", L"%half", L"+voiced", L"TestUser"};
    EXPECT_TRUE(Eventually(
        [&] {
            std::vector<std::wstring> shown;
            for (int i = 0, count = static_cast<int>(SendMessageW(nickList, LVM_GETITEMCOUNT, 0, 0));
                 i < count; ++i)
                shown.push_back(RemoteListItemText(nickList, i, 0));
            return shown == members;
        },
        kWait));
    EXPECT_EQ(RemoteListGroupHeader(nickList, 2), L"Operators");
    EXPECT_EQ(RemoteListGroupHeader(nickList, 1), L"Voiced");
    EXPECT_EQ(RemoteListGroupHeader(nickList, 0), L"Users");
    // A header row stands above the first member of each group.
    const int row = RemoteListCellRect(nickList, 3, 0).top - RemoteListCellRect(nickList, 2, 0).top;
    EXPECT_GT(row, 0);
    EXPECT_EQ(RemoteListCellRect(nickList, 1, 0).top - RemoteListCellRect(nickList, 0, 0).top, 2 * row);
    EXPECT_EQ(RemoteListCellRect(nickList, 2, 0).top - RemoteListCellRect(nickList, 1, 0).top, 2 * row);
    EXPECT_GE(RemoteListCellRect(nickList, 0, 0).top, row);
    WaitUntilDrawn(frame, kWait);
    EXPECT_TRUE(SaveScreenshot(channel, ScreenshotFolder() + L"\\qv_nick_list_groups.png"));

    // A line from the friend shows in the view.
    HWND view = ChildById(channel, 901);
    ASSERT_NE(nullptr, view);
    friendly.Send("PRIVMSG #test :hello from the friend");
    EXPECT_TRUE(Eventually(
        [&] { return WindowText(view).find(L"hello from the friend") != std::wstring::npos; }, kWait))
        << WideToNarrow(WindowText(view));

    // Typed into the input box, a line reaches the friend.
    HWND input = ChildById(channel, 902);
    ASSERT_NE(nullptr, input);
    TypeLine(input, L"typed into qv");
    EXPECT_TRUE(Heard(friendly, {":TestUser!", "PRIVMSG #test :typed into qv"}));
    EXPECT_TRUE(
        Eventually([&] { return WindowText(view).find(L"typed into qv") != std::wstring::npos; }, kWait));

    SetForegroundWindow(frame);
    EXPECT_TRUE(Eventually([&] { return GetForegroundWindow() == frame; }, kWait));
    WaitUntilDrawn(frame, kWait);
    EXPECT_TRUE(SaveScreenshot(frame, ScreenshotFolder() + L"\\qv_frame.png"));
    // The chat windows are seen: the MDI client fills the frame below its bar.
    RECT frameArea{}, clientArea{};
    GetClientRect(frame, &frameArea);
    GetWindowRect(FindWindowExW(frame, nullptr, L"MDIClient", nullptr), &clientArea);
    EXPECT_GT(clientArea.right - clientArea.left, frameArea.right / 2);
    EXPECT_GT(clientArea.bottom - clientArea.top, frameArea.bottom / 2);

    // The server pings a client that says nothing for 5 seconds and drops it 5 seconds later
    // without an answer: qv answers (it shows each answer when asked to) and stays.
    HWND serverInput = ChildById(serverWindow, 902);
    TypeLine(serverInput, L"/prefs Cfg\\Options2 Show_Ping_Pong 1");
    TypeLine(serverInput, L"/join #lobby");
    ASSERT_TRUE(Heard(friendly, {":TestUser!", " JOIN ", "#lobby"}));
    HWND serverView = ChildById(serverWindow, 901);
    EXPECT_TRUE(
        Eventually([&] { return WindowText(serverView).find(L"PING/PONG") != std::wstring::npos; }, kWait))
        << WideToNarrow(WindowText(serverView));
    for (const auto& line : friendly.Lines())
        EXPECT_EQ(std::string::npos, line.Line.find(" QUIT ")) << line.Line;
    friendly.Send("PRIVMSG #test :still there?");
    EXPECT_TRUE(
        Eventually([&] { return WindowText(view).find(L"still there?") != std::wstring::npos; }, kWait));

    // Closing #test leaves the channel; closing the frame quits the server and ends the program.
    PostMessageW(channel, WM_CLOSE, 0, 0);
    EXPECT_TRUE(Heard(friendly, {":TestUser!", " PART ", "#test"}));
    EXPECT_TRUE(Eventually([&] { return !IsWindow(channel); }, kWait));
    PostMessageW(frame, WM_CLOSE, 0, 0);
    EXPECT_TRUE(Heard(friendly, {":TestUser!", " QUIT :"}));
    DWORD code = 1;
    ASSERT_TRUE(qv.WaitExit(kWait, code));
    EXPECT_EQ(0u, code);

    const std::wstring settings = folder.UserDataFolder() + L"\\qv.xml";
    EXPECT_TRUE(IsWholeDocument(settings));
    EXPECT_EQ("some_nick", ConfigValue(settings, "Cfg\\Options1", "Default_Nick")) << "the wizard's answers";
}

// A taken nick is asked of the user in a prompt of the frame's thread, and the answer goes to the
// server; a server that ends its lines with LF alone is read line by line, and a reply too short
// for its handler is shown as it came.
TEST(QvEndToEnd, AsksForAnotherNickAndReadsLfLines) {
    ScriptedServer server;
    PortableFolder folder(kProgramFiles);
    QvProcess qv(folder.Path(), L"-port1 -e \"/server 127.0.0.1:" + std::to_wstring(server.Port()) + L"\"");
    ASSERT_TRUE(qv.Started());
    HWND frame = nullptr;
    ASSERT_TRUE(
        Eventually([&] { return (frame = qv.FindTopWindow(L"BRINDLEX2000_Main")) != nullptr; }, kWait));
    ASSERT_TRUE(FinishFirstRunWizard(qv, kWait));
    ASSERT_TRUE(server.Accept(kWait));
    ASSERT_EQ(server.ReadLine(kWait).value_or("").rfind("USER ", 0), 0u);
    ASSERT_EQ(server.ReadLine(kWait).value_or("").rfind("NICK ", 0), 0u);

    // The alternative nick from the first run goes first; when that is taken too, the user is asked.
    server.Send(":irc.test 433 * some_nick :Nickname is already in use\n");
    EXPECT_EQ(server.ReadLine(kWait).value_or("<none>"), "NICK second_nick");
    server.Send(":irc.test 433 * second_nick :Nickname is already in use\n");
    HWND prompt = nullptr;
    ASSERT_TRUE(Eventually(
        [&] { return (prompt = qv.FindDialogWith(L"This nickname is already in use")) != nullptr; }, kWait));
    EXPECT_EQ(GetWindowThreadProcessId(prompt, nullptr), GetWindowThreadProcessId(frame, nullptr));
    HWND answer = GetDlgItem(prompt, 102);
    PostMessageW(answer, EM_SETSEL, 0, -1);
    for (wchar_t c : std::wstring(L"chosen")) PostMessageW(answer, WM_CHAR, c, 1);
    PostMessageW(GetDlgItem(prompt, IDOK), BM_CLICK, 0, 0);
    EXPECT_EQ(server.ReadLine(kWait).value_or("<none>"), "NICK chosen");

    server.Send(
        ":irc.test 001 chosen :Welcome\n:irc.test 372 chosen :- first\n:irc.test 372 chosen :- second\r\n"
        ":irc.test 332 chosen\n");
    HWND serverWindow = nullptr;
    ASSERT_TRUE(
        Eventually([&] { return (serverWindow = FindChatWindow(frame, L"127.0.0.1")) != nullptr; }, kWait));
    HWND view = ChildById(serverWindow, 901);
    EXPECT_TRUE(Eventually(
        [&] { return WindowText(view).find(L"irc.test 332 chosen") != std::wstring::npos; }, kWait))
        << WideToNarrow(WindowText(view));
    const std::wstring shown = WindowText(view);
    EXPECT_NE(shown.find(L"- first"), std::wstring::npos);
    EXPECT_NE(shown.find(L"- second"), std::wstring::npos);
    // A line read together with the next would show the next one's numeric and nick. (The number
    // alone may stand in the view: the server's port, which the connection lines show, is random.)
    EXPECT_EQ(shown.find(L"372 chosen"), std::wstring::npos) << "each line was read alone";
    SaveScreenshot(frame, ScreenshotFolder() + L"\\qv_lf_lines.png");

    PostMessageW(frame, WM_CLOSE, 0, 0);
    DWORD code = 1;
    ASSERT_TRUE(qv.WaitExit(kWait, code));
}

// The next PONG the server got; empty when none came in time.
std::string NextPong(ScriptedServer& server) {
    for (;;) {
        const std::optional<std::string> line = server.ReadLine(kWait);
        if (!line) return {};
        if (line->rfind("PONG", 0) == 0) return *line;
    }
}

// Offers are asked on the frame's thread while the connection goes on: with a file offer's
// question open the server's PINGs are answered. An offer named after the program's settings is
// refused with a line and never asked. A chat peer that sends 10 MB without a line end is cut
// off with a notice, and the window keeps answering.
TEST(QvEndToEnd, AnsweredServerWhileAnOfferWaitsAndHostilePeersRefused) {
    ScriptedServer server;
    PortableFolder folder(kProgramFiles);
    QvProcess qv(folder.Path(), L"-port1 -e \"/server 127.0.0.1:" + std::to_wstring(server.Port()) + L"\"");
    ASSERT_TRUE(qv.Started());
    HWND frame = nullptr;
    ASSERT_TRUE(
        Eventually([&] { return (frame = qv.FindTopWindow(L"BRINDLEX2000_Main")) != nullptr; }, kWait));
    ASSERT_TRUE(FinishFirstRunWizard(qv, kWait));
    ASSERT_TRUE(server.Accept(kWait));
    ASSERT_TRUE(server.SkipToLineStarting("NICK", kWait));
    server.Send(":irc.test 001 some_nick :Welcome\r\n");
    HWND serverWindow = nullptr;
    ASSERT_TRUE(
        Eventually([&] { return (serverWindow = FindChatWindow(frame, L"127.0.0.1")) != nullptr; }, kWait));

    // 127.0.0.1 as an offer writes it, from a sender whose host the server cloaks: the question
    // shows the address and port.
    const std::string from = ":eve!e@user/eve/cloaked PRIVMSG some_nick :\x01";
    const std::string port = std::to_string(UnusedLoopbackPort());
    server.Send(from + "DCC SEND qv.xml 2130706433 " + port + " 5\x01\r\n");
    server.Send(from + "DCC SEND report.txt 2130706433 " + port + " 5\x01\r\n");
    HWND question = nullptr;
    ASSERT_TRUE(Eventually([&] { return (question = qv.FindDialogWith(L"report.txt")) != nullptr; }, kWait));
    EXPECT_EQ(qv.FindDialogWith(L"127.0.0.1:" + NarrowToWide(port)), question);
    EXPECT_EQ(GetWindowThreadProcessId(question, nullptr), GetWindowThreadProcessId(frame, nullptr));
    for (int ping = 0; ping < 3; ++ping) {
        const std::string token = "while-asked-" + std::to_string(ping);
        server.Send("PING :" + token + "\r\n");
        EXPECT_EQ(NextPong(server), "PONG :" + token);
    }
    EXPECT_TRUE(IsWindowVisible(question)) << "the question stays until answered";
    const HWND view = GetDlgItem(serverWindow, 901);
    // The refusal line reaches the view through the interface thread's queue, in its own time.
    EXPECT_TRUE(
        Eventually([&] { return WindowText(view).find(L"qv.xml refused") != std::wstring::npos; }, kWait))
        << WideToNarrow(WindowText(view));
    PostMessageW(question, WM_COMMAND, IDNO, 0);
    EXPECT_TRUE(Eventually([&] { return !IsWindow(question); }, kWait));
    EXPECT_EQ(ReadFileBytes(folder.UserDataFolder() + L"\\qv.xml").find("<?xml"), 0u);

    // The chat peer says one line, then sends text without a line end until qv closes.
    ScriptedServer peer;
    // Joined however the test ends: it waits for qv to connect at most kWait, and qv ends the chat.
    std::jthread flood([&] {
        if (!peer.Accept(kWait) || !peer.Send("before the flood\r\n")) return;
        const std::string text(64 * 1024, 'x');
        for (size_t sent = 0; sent < 10 * 1024 * 1024 && peer.Send(text); sent += text.size()) {
        }
    });
    server.Send(from + "DCC CHAT chat 2130706433 " + std::to_string(peer.Port()) + "\x01\r\n");
    ASSERT_TRUE(Eventually(
        [&] { return (question = qv.FindDialogWith(L":" + std::to_wstring(peer.Port()))) != nullptr; },
        kWait));
    PostMessageW(question, WM_COMMAND, IDYES, 0);
    HWND chat = nullptr;
    ASSERT_TRUE(Eventually([&] { return (chat = FindChatWindow(frame, L"eve")) != nullptr; }, kWait));
    const HWND chatView = GetDlgItem(chat, 901);
    EXPECT_TRUE(Eventually(
        [&] { return WindowText(chatView).find(L"longer than 20000 bytes") != std::wstring::npos; }, kWait))
        << WideToNarrow(WindowText(chatView).substr(0, 2000));
    const std::wstring shown = WindowText(chatView);
    EXPECT_NE(shown.find(L"before the flood"), std::wstring::npos);
    EXPECT_EQ(shown.find(L"xxxx"), std::wstring::npos) << "nothing of the endless line is shown";
    DWORD_PTR answer = 0;
    EXPECT_NE(SendMessageTimeoutW(frame, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kWait, &answer), 0);
    server.Send("PING :after-flood\r\n");
    EXPECT_EQ(NextPong(server), "PONG :after-flood");
    SaveScreenshot(frame, ScreenshotFolder() + L"\\qv_chat_flood.png");

    PostMessageW(frame, WM_CLOSE, 0, 0);
    DWORD code = 1;
    EXPECT_TRUE(qv.WaitExit(kWait, code));
}

// A settings file that cannot be read is kept, the user is told where, and the program runs on
// defaults.
TEST(QvStartup, UnreadableSettingsAreKeptAsideAndTold) {
    PortableFolder folder(kProgramFiles);
    const std::wstring data = folder.UserDataFolder();
    CreateDirectoryW((folder.Path() + L"\\UCFG").c_str(), nullptr);
    CreateDirectoryW(data.c_str(), nullptr);
    const std::string corrupt = "<?xml version=\"1.0\"?><qv><Cfg><Options1 Default_Nick=\"keeper\" <<<";
    ASSERT_TRUE(WriteFileBytes(data + L"\\qv.xml", corrupt));
    // A save killed half-way left its temporary file; no process runs under an id that is no
    // multiple of four.
    const std::wstring stale = ReplacingTempName(data + L"\\qv.xml", 0xFFFFFFFE, 7);
    ASSERT_TRUE(WriteFileBytes(stale, corrupt));

    QvProcess qv(folder.Path(), L"-port1");
    HWND box = nullptr;
    ASSERT_TRUE(
        Eventually([&] { return (box = qv.FindDialogWith(L"could not be read")) != nullptr; }, kWait));
    const std::wstring told = AllTexts(box);
    EXPECT_NE(std::wstring::npos, told.find(L"qv.xml.unreadable-1")) << WideToNarrow(told);
    PostMessageW(box, WM_CLOSE, 0, 0);
    SendMessageTimeoutW(box, WM_COMMAND, IDOK, 0, SMTO_ABORTIFHUNG, 2000, nullptr);
    EXPECT_EQ(corrupt, ReadFileBytes(data + L"\\qv.xml.unreadable-1"));
    EXPECT_FALSE(FileExists(stale)) << "the start removes what a save cut short left";

    HWND frame = nullptr;
    ASSERT_TRUE(
        Eventually([&] { return (frame = qv.FindTopWindow(L"BRINDLEX2000_Main")) != nullptr; }, kWait));
    FinishFirstRunWizard(qv, kWait);
    PostMessageW(frame, WM_CLOSE, 0, 0);
    DWORD code = 1;
    ASSERT_TRUE(qv.WaitExit(kWait, code));
    EXPECT_TRUE(IsWholeDocument(data + L"\\qv.xml"));
    EXPECT_EQ(corrupt, ReadFileBytes(data + L"\\qv.xml.unreadable-1"));
}

TEST(QvStartup, MissingLanguageLibraryAsksToUpdateAndEnds) {
    PortableFolder folder({L"qv.exe", L"qvres.dll"});
    const std::wstring data = folder.UserDataFolder();
    CreateDirectoryW((folder.Path() + L"\\UCFG").c_str(), nullptr);
    CreateDirectoryW(data.c_str(), nullptr);
    const std::string settings =
        "<?xml version=\"1.0\" ?>\r\n<qv><Cfg><Options1 Default_Nick=\"keeper\" /></Cfg></qv>";
    ASSERT_TRUE(WriteFileBytes(data + L"\\qv.xml", settings));

    QvProcess qv(folder.Path(), L"-port1");
    HWND box = nullptr;
    ASSERT_TRUE(Eventually(
        [&] { return (box = qv.FindDialogWith(L"Some files are missing! Try updating?")) != nullptr; },
        kWait));
    EXPECT_EQ(nullptr, qv.FindTopWindow(L"BRINDLEX2000_Main"));
    PostMessageW(box, WM_COMMAND, IDNO, 0);
    PostMessageW(box, WM_CLOSE, 0, 0);
    DWORD code = 1;
    ASSERT_TRUE(qv.WaitExit(kWait, code));
    EXPECT_EQ(0u, code);
    EXPECT_EQ(settings, ReadFileBytes(data + L"\\qv.xml")) << "nothing was written";
}

// True when a file of a new name can be made in the folder (it is removed again).
bool CanCreateIn(const std::wstring& folder) {
    static int attempt = 0;
    const std::wstring path = folder + L"\\probe-" + std::to_wstring(++attempt);
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    DeleteFileW(path.c_str());
    return true;
}

// Wine runs as a user whose rights a folder does not limit; only the host can lock it. The lock is
// always lifted again, or the build folder could not be removed.
class HostFolderLock {
public:
    explicit HostFolderLock(const std::wstring& folder) : folder_(folder), unix_(UnixPath(folder)) {
        if (!unix_.empty()) RunHostShell("chattr +i '" + unix_ + "'");
    }
    ~HostFolderLock() {
        if (unix_.empty()) return;
        RunHostShell("chattr -i '" + unix_ + "'");
        Eventually([&] { return CanCreateIn(folder_); }, 10000);
    }
    // The host starts chattr without waiting for it, so the lock is seen some time later, or never
    // where the host does not allow it.
    bool Held() const {
        return !unix_.empty() && Eventually([&] { return !CanCreateIn(folder_); }, 5000);
    }

private:
    std::wstring folder_;
    std::string unix_;
};

// With the data folder not writable the settings are read, the failure to save them is told, and
// the file stays as it was.
TEST(QvStartup, ReadOnlyDataFolderKeepsTheSettingsAndTellsTheyWereNotSaved) {
    PortableFolder folder(kProgramFiles);
    const std::wstring data = folder.UserDataFolder();
    CreateDirectoryW((folder.Path() + L"\\UCFG").c_str(), nullptr);
    CreateDirectoryW(data.c_str(), nullptr);
    const std::string settings = "<?xml version=\"1.0\" ?>\r\n<qv><Cfg><Options1 Default_Nick=\"keeper\" "
                                 "Tab_Position=\"1\" /></Cfg></qv>";
    ASSERT_TRUE(WriteFileBytes(data + L"\\qv.xml", settings));
    {
        HostFolderLock lock(data);
        if (!lock.Held()) GTEST_SKIP() << "the host did not make the folder read-only";

        QvProcess qv(folder.Path(), L"-port1");
        HWND frame = nullptr;
        ASSERT_TRUE(
            Eventually([&] { return (frame = qv.FindTopWindow(L"BRINDLEX2000_Main")) != nullptr; }, kWait));
        EXPECT_EQ(nullptr, qv.FindDialogWith(L"Welcome")) << "settings that were read are no first run";
        PostMessageW(frame, WM_CLOSE, 0, 0);
        HWND box = nullptr;
        EXPECT_TRUE(
            Eventually([&] { return (box = qv.FindDialogWith(L"could not be saved")) != nullptr; }, kWait));
        if (box) PostMessageW(box, WM_CLOSE, 0, 0);
        if (box) SendMessageTimeoutW(box, WM_COMMAND, IDOK, 0, SMTO_ABORTIFHUNG, 2000, nullptr);
        DWORD code = 1;
        EXPECT_TRUE(qv.WaitExit(kWait, code));
    }
    EXPECT_TRUE(CanCreateIn(data));
    EXPECT_EQ(settings, ReadFileBytes(data + L"\\qv.xml"));
}

} // namespace
