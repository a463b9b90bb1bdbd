// The commands that start work outside themselves: DCC offers with the transfer program started
// as a real process (a stand-in that notes its command line), DCC chat windows, object offers
// and fetches, programs and files opened with the shell, downloads from a local HTTP server,
// file encryption, media and name lookups; and the lines that came from a server refused.
#include "commands/input_dispatcher.h"
#include "tests/commands/command_test_fixture.h"

#include "common/app_state.h"
#include "common/data_folders.h"
#include "common/plain_base_name.h"
#include "common/xstring.h"
#include "irc/remembered_user.h"
#include "irc/server_connection.h"
#include "irc_lines/channel_nicks.h"
#include "irc_lines/dns_lookup.h"
#include "irc_lines/pending_sends.h"
#include "core/dcc_connection.h"
#include "core/frame_message_ids.h"
#include "core/object_transfer.h"
#include "core/remote_text.h"
#include "script/script_variables.h"
#include "xml/config_documents.h"
#include "xml/xml_profile.h"
#include "tests/common/test_paths.h"
#include "tests/recorders/recorders.h"
#include "tests/support/python_http_server.h"
#include "tests/support/test_files.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    size_t at = 0;
    while (at < line.size()) {
        const size_t end = line.find(' ', at);
        words.push_back(line.substr(at, end == std::string::npos ? std::string::npos : end - at));
        if (end == std::string::npos) break;
        at = end + 1;
    }
    return words;
}

// A program folder with the stand-in transfer program and the files to offer.
class OutsideWork : public CommandTest {
protected:
    void SetUp() override {
        CommandTest::SetUp();
        UseSettings("<qv><Cfg><Lan_Options Use_Upnp=\"0\"/></Cfg></qv>");
        savedProgramFolder_ = ProgramFolder;
        savedDataFolder_ = UserDataFolder;
        ProgramFolder = folder_.Path();
        UserDataFolder = folder_.Path();
        ASSERT_TRUE(CopyFileW(BesideTestProgram(L"program_recorder.exe").c_str(),
                              folder_.File(L"qx.exe").c_str(), FALSE));
        ASSERT_TRUE(WriteFileBytes(folder_.File(L"a.txt"), "hello"));
        ASSERT_TRUE(WriteFileBytes(folder_.File(L"a b.txt"), "two words"));
    }
    void TearDown() override {
        ProgramFolder = savedProgramFolder_;
        UserDataFolder = savedDataFolder_;
        CommandTest::TearDown();
    }
    std::string Path(const wchar_t* name) const { return WideToNarrow(folder_.File(name)); }
    // The command lines the stand-in noted, once there are that many.
    Lines Started(size_t count) {
        Lines lines;
        WaitUntil(
            [&] {
                lines.clear();
                const std::string text = ReadFileBytes(folder_.File(L"started.txt"));
                size_t at = 0;
                while (at < text.size()) {
                    const size_t end = text.find('\n', at);
                    lines.push_back(text.substr(at, end - at));
                    at = end + 1;
                }
                return lines.size() >= count;
            },
            20000);
        return lines;
    }
    // The lines that reached the server once there are that many: a file offer leaves once the
    // transfer program it started is ready.
    Lines ServerLinesOnceThere(size_t count) {
        Lines lines;
        WaitUntil(
            [&] {
                Pump();
                for (const std::string& line : ServerLines()) lines.push_back(line);
                return lines.size() >= count;
            },
            20000);
        return lines;
    }
    TestFolder folder_{L"outside"};

private:
    std::wstring savedProgramFolder_;
    std::wstring savedDataFolder_;
};

std::string PrintedTexts() {
    std::string all;
    for (const RecordedCall& call : CallLog::Instance().Calls("PrintToWindow")) all += call.Text + "\n";
    return all;
}

} // namespace

TEST_F(OutsideWork, FileOffersStartTheTransferProgramWithItsCommandLine) {
    Type(Channel(), "/send bob " + Path(L"a.txt"));
    Lines sent = ServerLinesOnceThere(1);
    ASSERT_EQ(sent.size(), 1u);
    std::vector<std::string> offer = Words(sent[0]);
    ASSERT_EQ(offer.size(), 8u) << sent[0];
    EXPECT_EQ(offer[0] + " " + offer[1] + " " + offer[2] + " " + offer[3] + " " + offer[4],
              "PRIVMSG bob :\x01"
              "DCC SEND a.txt");
    EXPECT_EQ(offer[7], "5\x01");
    const std::string port = offer[6];
    EXPECT_NE(port, "0");

    // With blanks in its name the file is offered whole; an indirect offer starts nothing.
    Type(Query(), "/tsend bob " + Path(L"a b.txt"));
    EXPECT_EQ(Words(ServerLinesOnceThere(1).at(0))[4], "\"a");
    Type(Channel(), "/icc4 bob tsend " + Path(L"a.txt"));
    EXPECT_EQ(ServerLines(), (Lines{"PRIVMSG bob :\x01"
                                    "DCC TSEND a.txt 0 0 5\x01"}));
    EXPECT_TRUE(HasPendingSend("BOB"));
    Type(Channel(), "/icc6 carol send " + Path(L"a.txt"));
    EXPECT_EQ(ServerLines(), (Lines{"PRIVMSG carol :\x01"
                                    "DCC SEND a.txt 0 0 5\x01"}));

    // The two programs may note their command lines in either order.
    Lines started = Started(2);
    ASSERT_EQ(started.size(), 2u);
    if (started[0].find(" tdcc send ") != std::string::npos) std::swap(started[0], started[1]);
    EXPECT_EQ(started[0], "\"" + Path(L"qx.exe") + "\" in " + port + " ipv4 manual dcc send 0 0 \"" +
                              Path(L"a.txt") + "\" ");
    EXPECT_NE(started[1].find(" tdcc send 0 0 \"" + Path(L"a b.txt") + "\" "), std::string::npos)
        << started[1];

    // A file that is not there, or empty, is refused and reaches the server raw.
    CallLog::Instance().Clear();
    Type(Channel(), "/send bob " + Path(L"missing.txt"));
    EXPECT_TRUE(WaitForTriggers(1));
    EXPECT_EQ(ServerLines(), (Lines{"send bob " + Path(L"missing.txt")}));
    Type(Channel(), "/dcc bob gift " + Path(L"a.txt"));
    EXPECT_EQ(ServerLines(), Lines{}) << "an unknown kind does nothing";
}

TEST_F(OutsideWork, ChatOffersOpenAChatWindowAndStartItsThread) {
    Type(Channel(), "/chat bob");
    const Lines sent = ServerLines();
    ASSERT_EQ(sent.size(), 1u);
    const std::vector<std::string> offer = Words(sent[0]);
    ASSERT_EQ(offer.size(), 8u) << sent[0];
    EXPECT_EQ(offer[2] + " " + offer[3] + " " + offer[4], ":\x01"
                                                          "DCC chat CHAT");
    EXPECT_EQ(offer[7], "\x01");
    const std::vector<WindowRecord*> opened = FrameOpenedWindows();
    ASSERT_EQ(opened.size(), 1u);
    WindowRecord* chat = opened[0];
    EXPECT_EQ(chat->Type, static_cast<uint32_t>(kDccChatWindow));
    EXPECT_EQ(chat->Name, "bob");
    ASSERT_NE(chat->Dcc, nullptr);
    EXPECT_EQ(chat->Dcc->Direction, 0u);
    EXPECT_EQ(chat->Dcc->LocalName, "me");
    EXPECT_EQ(chat->Dcc->PeerName, "bob");
    EXPECT_EQ(std::to_string(chat->Dcc->Port), offer[6]);
    EXPECT_TRUE(WaitUntil([] { return CountCalls("DccChatThread") == 1; }));

    // The family's other words: the address family and TLS as they ask.
    Type(Channel(), "/dcc6 dave schat");
    Type(Channel(), "/dcc4 erin sslchat");
    Type(Channel(), "/icc frank chat");
    const Lines others = ServerLines();
    ASSERT_EQ(others.size(), 3u);
    EXPECT_EQ(Words(others[0])[3], "schat");
    EXPECT_EQ(Words(others[1])[3], "sslchat");
    EXPECT_EQ(Words(others[2])[6], "0") << "an indirect offer announces port 0";
    ASSERT_EQ(FrameOpenedWindows().size(), 4u);
    EXPECT_EQ(FrameOpenedWindows()[1]->Dcc->IsIPv6, 1);
    EXPECT_EQ(FrameOpenedWindows()[1]->Dcc->UseTls, 1);
    EXPECT_EQ(FrameOpenedWindows()[2]->Dcc->IsIPv6, 0);
    EXPECT_EQ(FrameOpenedWindows()[2]->Dcc->UseTls, 1);
    EXPECT_EQ(FrameOpenedWindows()[3]->Dcc->UseTls, 0);

    Type(Channel(), "/tchat 127.0.0.1 +*6000");
    Type(Channel(), "/tchat 5000");
    ASSERT_EQ(FrameOpenedWindows().size(), 6u);
    const DccConnection* connecting = FrameOpenedWindows()[4]->Dcc;
    EXPECT_EQ(FrameOpenedWindows()[4]->Name, "TCHAT");
    EXPECT_EQ(connecting->Direction, 1u);
    EXPECT_EQ(connecting->PeerHost, "127.0.0.1");
    EXPECT_EQ(connecting->UseTls, 1);
    EXPECT_EQ(connecting->IsIPv6, 1);
    EXPECT_EQ(connecting->Port, 6000u);
    EXPECT_EQ(connecting->LocalName, "Local");
    const DccConnection* listening = FrameOpenedWindows()[5]->Dcc;
    EXPECT_EQ(listening->Direction, 0u);
    EXPECT_EQ(listening->UseTls, 0);
    EXPECT_EQ(listening->Port, 5000u);
    EXPECT_EQ(ServerLines(), Lines{}) << "no offer is sent for a test chat";
}

TEST_F(OutsideWork, ObjectsAreOfferedServedAndFetchedIntoTheDataFolder) {
    Type(Query(), "/sendobject #a " + Path(L"a.txt"));
    const Lines sent = ServerLines();
    ASSERT_EQ(sent.size(), 1u);
    const std::vector<std::string> offer = Words(sent[0]);
    ASSERT_EQ(offer.size(), 9u) << sent[0];
    EXPECT_EQ(offer[0] + " " + offer[1] + " " + offer[3] + " " + offer[4], "PRIVMSG #a 0 5");
    EXPECT_EQ(offer[2], ":\x12\x07");
    EXPECT_EQ(offer[8], "a.txt\x12");
    EXPECT_EQ(offer[7], "907060870") << "the file's CRC-32";

    // The link of the printed line ends the offer; numbers that name no offer close nothing and
    // say so.
    const std::string printed = PrintedTexts();
    const size_t link = printed.find("/sendobjectkill ");
    ASSERT_NE(link, std::string::npos) << printed;
    const std::vector<std::string> kill = Words(printed.substr(link, printed.find('}', link) - link));
    ASSERT_EQ(kill.size(), 3u);
    SOCKET bystander = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    Type(Channel(), "/sendobjectkill " + std::to_string(bystander) + " " + kill[2]);
    Type(Channel(), "/sendobjectkill " + kill[1] + " 1");
    int type = 0, length = sizeof type;
    EXPECT_EQ(getsockopt(bystander, SOL_SOCKET, SO_TYPE, reinterpret_cast<char*>(&type), &length), 0);
    closesocket(bystander);
    const DWORD server = static_cast<DWORD>(std::stoul(kill[2]));
    EXPECT_NE(ObjectOfferSocket(server), INVALID_SOCKET);
    const std::string refusal = "No object offer has socket " + kill[1] + " and thread 1: the offer ended";
    EXPECT_NE(PrintedTexts().find(refusal), std::string::npos) << PrintedTexts();
    CallLog::Instance().Clear();
    Type(Channel(), "/sendobjectkill " + kill[1] + " " + kill[2]);
    EXPECT_EQ(ObjectOfferSocket(server), INVALID_SOCKET);
    EXPECT_EQ(PrintedTexts(), "") << "a kill that ends the offer says nothing";

    // Fetched names become plain names in the data folder; the window word picks the view.
    Type(Channel(), "/getobject 127.0.0.1 4000 5 ..\\..\\evil.exe 1234");
    Type(Channel(), "/ffetch ::1 4001 7 x.stg 99 bob");
    EXPECT_TRUE(WaitUntil([] { return CountCalls("ObjectReceiveThread") == 2; }));
    std::vector<RecordedCall> fetched = CallLog::Instance().Calls("ObjectReceiveThread");
    ASSERT_EQ(fetched.size(), 2u);
    // The two threads run side by side.
    if (fetched[0].Text[0] == ':') std::swap(fetched[0], fetched[1]);
    EXPECT_EQ(fetched[0].Text, "127.0.0.1 4000 5 1234 1|" +
                                   WideToNarrow(folder_.File(PlainBaseNameUtf8("..\\..\\evil.exe").c_str())));
    EXPECT_EQ(fetched[0].Number, reinterpret_cast<uint64_t>(Channel()->View));
    EXPECT_EQ(fetched[1].Text, "::1 4001 7 99 0|" + Path(L"x.stg"));
    EXPECT_EQ(fetched[1].Number, reinterpret_cast<uint64_t>(Query()->View));

    // A name that is taken asks for another; cancelling ends the command.
    CallLog::Instance().Clear();
    Type(Channel(), "/getobject 127.0.0.1 4000 5 a.txt 1");
    CallLog::Instance().AnswerText = [&](const RecordedCall&) { return Path(L"chosen.txt"); };
    Type(Channel(), "/getobject 127.0.0.1 4000 5 a.txt 1");
    CallLog::Instance().AnswerText = nullptr;
    EXPECT_EQ(CountCalls("PromptSaveFileName"), 2u);
    EXPECT_TRUE(WaitUntil([] { return CountCalls("ObjectReceiveThread") == 1; }));
    EXPECT_EQ(CallLog::Instance().Calls("ObjectReceiveThread")[0].Text,
              "127.0.0.1 4000 5 1 1|" + Path(L"chosen.txt"));
}

TEST_F(OutsideWork, AnOfferNothingListensForIsNotMade) {
    const auto accept = Services().Peer.ObjectAcceptThread;
    Services().Peer.ObjectAcceptThread = nullptr;
    Type(Channel(), "/sendobject #a " + Path(L"a.txt"));
    Services().Peer.ObjectAcceptThread = accept;
    EXPECT_EQ(ServerLines(), Lines{});
    EXPECT_EQ(PrintedTexts(), "");
}

TEST_F(OutsideWork, ProgramsAndFilesAreOpenedOnlyForTypedLines) {
    // A file type of the test's own opens with the stand-in.
    const auto setDefault = [](const wchar_t* path, const std::wstring& value) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, path, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    };
    setDefault(L".bxrec", L"BrindlexTestFile");
    setDefault(L"BrindlexTestFile\\shell\\open\\command",
               L"\"" + folder_.File(L"qx.exe") + L"\" opened \"%1\"");
    ASSERT_TRUE(WriteFileBytes(folder_.File(L"note.bxrec"), "a note"));

    {
        // Set off by text a server sent: refused with a line, nothing started or written.
        RemoteTextScope remote;
        for (const std::string& line :
             {"/run " + Path(L"qx.exe") + ",remote", "/shellexecute open " + Path(L"note.bxrec"),
              std::string("/prefs Cfg\\Options1 Installed_Plugins evil.dll"),
              std::string("/plugin +evil.dll"),
              std::string("/_script x|||0|||0|||/x|||||||||0|||0|||/run calc"),
              "/installscript " + Path(L"a.txt"), std::string("/installskin")})
            Type(Channel(), line);
        // No setting is written, whatever it holds; a line for the triggers takes the mark along.
        Type(Channel(), "/prefs Cfg\\Options1 Default_Nick remote");
        Type(Channel(), "/nocommand here");
    }
    ASSERT_TRUE(WaitForTriggers(1));
    EXPECT_EQ(CallLog::Instance().Calls("RunTriggerScriptThread")[0].Sender, "remote");
    size_t refusals = 0;
    for (const RecordedCall& call : CallLog::Instance().Calls("PrintToWindow"))
        if (call.Window == Channel() && call.Text.find("was not run") != std::string::npos) ++refusals;
    EXPECT_EQ(refusals, 8u);
    char value[100] = {};
    XmlGetProfileString("Cfg\\Options1", "Installed_Plugins", "", value, sizeof value, nullptr,
                        UserConfigDocument);
    EXPECT_STREQ(value, "");
    XmlGetProfileString("Cfg\\Options1", "Default_Nick", "", value, sizeof value, nullptr,
                        UserConfigDocument);
    EXPECT_STREQ(value, "");
    EXPECT_EQ(CountCalls("PromptSaveFileName"), 0u);

    Type(Channel(), "/run " + Path(L"qx.exe") + ",alpha beta");
    Type(Channel(), "/shellexecute open " + Path(L"note.bxrec"));
    Type(Channel(), "/run " + Path(L"note.bxrec"));
    // The three programs start one after the other but may note their lines in any order.
    const Lines started = Started(3);
    ASSERT_EQ(started.size(), 3u) << ReadFileBytes(folder_.File(L"started.txt"));
    size_t parameters = 0, opened = 0;
    for (const std::string& line : started) {
        if (line.find("qx.exe\" alpha beta") != std::string::npos) ++parameters;
        if (line.find("opened \"" + Path(L"note.bxrec") + "\"") != std::string::npos) ++opened;
    }
    EXPECT_EQ(parameters, 1u);
    EXPECT_EQ(opened, 2u);
    // A fourth start, typed after them, notes its line after any they brought about.
    Type(Channel(), "/run " + Path(L"qx.exe") + ",last");
    const Lines all = Started(4);
    ASSERT_GE(all.size(), 4u);
    EXPECT_NE(all.back().find("qx.exe\" last"), std::string::npos) << "nothing else started";
    EXPECT_EQ(all.size(), 4u) << "nothing else started";
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L"BrindlexTestFile");
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L".bxrec");
}

TEST_F(OutsideWork, DownloadsAreWrittenToTheNamedFile) {
    PythonHttpServer http;
    ASSERT_TRUE(http.WaitReady());
    ASSERT_TRUE(http.Serve(L"one.bin", std::string("first\0file", 10)));
    ASSERT_TRUE(http.Serve(L"two.bin", "second file"));
    Type(Channel(), "/fetch " + WideToNarrow(http.Url(L"one.bin")) + " " + Path(L"got one.bin"));
    Type(Channel(), "/sfetch " + WideToNarrow(http.Url(L"two.bin")) + " " + Path(L"got-two.bin"));
    EXPECT_TRUE(WaitUntil([&] { return ReadFileBytes(folder_.File(L"got one.bin")).size() == 10; }, 20000));
    EXPECT_TRUE(
        WaitUntil([&] { return ReadFileBytes(folder_.File(L"got-two.bin")) == "second file"; }, 20000));
    EXPECT_EQ(ReadFileBytes(folder_.File(L"got one.bin")), std::string("first\0file", 10));
}

TEST_F(OutsideWork, FilesAreEncryptedAndDecryptedWithAPassPhrase) {
    ASSERT_TRUE(WriteFileBytes(folder_.File(L"plain.txt"), "a secret text"));
    Type(Channel(), "/protect " + Path(L"plain.txt") + " " + Path(L"locked.bin") + " pass phrase");
    const std::string locked = ReadFileBytes(folder_.File(L"locked.bin"));
    EXPECT_FALSE(locked.empty());
    EXPECT_EQ(locked.find("secret"), std::string::npos);
    Type(Channel(), "/deprotect " + Path(L"locked.bin") + " " + Path(L"back.txt") + " pass phrase");
    EXPECT_EQ(ReadFileBytes(folder_.File(L"back.txt")).substr(0, 13), "a secret text");
    Type(Channel(), "/deprotect " + Path(L"locked.bin") + " " + Path(L"wrong.txt") + " other");
    EXPECT_EQ(ReadFileBytes(folder_.File(L"wrong.txt")).find("secret"), std::string::npos);
    SetFileAttributesW(folder_.File(L"locked.bin").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(OutsideWork, MediaAndNameLookups) {
    Type(Channel(), "/play play \"a song.wav\" loud");
    EXPECT_TRUE(WaitUntil([] { return CountCalls("MediaPlayThread") == 1; }));
    EXPECT_EQ(CallLog::Instance().Calls("MediaPlayThread")[0].Text, "play|\"a song.wav\"|loud");

    // A member without a remembered address is asked for it, and looked up again later.
    InsertNickItem(Channel()->NickList, 0, L"carol", NickGroup(L"carol", 1, L""));
    std::vector<std::wstring> looked;
    SetFrameMessageHook([&](UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
        if (message != WM_DNS_RESULT) return false;
        looked.push_back(reinterpret_cast<const DnsResult*>(lParam)->Name);
        result = 0;
        return true;
    });
    CallLog::Instance().Clear();
    Type(Channel(), "/dns carol");
    EXPECT_EQ(ServerLines(), (Lines{"USERHOST carol"}));
    {
        ScriptScopesReadLock lock(ScriptScopesMutex());
        ASSERT_EQ(Server()->Connection->Timers.size(), 1u);
        EXPECT_EQ(Server()->Connection->Timers[0].Command, L"/DNS carol *");
        EXPECT_EQ(Server()->Connection->Timers[0].Interval, 5000u);
    }
    Type(Channel(), "/dns carol *");
    EXPECT_EQ(ServerLines(), Lines{}) << "the retry asks no more";
    RememberUser(Server(), UserAddress{"carol", "c", "localhost"});
    Type(Channel(), "/dns carol");
    Type(Channel(), "/dns 127.0.0.1 1");
    EXPECT_TRUE(PumpUntil([&] { return looked.size() == 2; }, 20000));
    SetFrameMessageHook(nullptr);
    std::sort(looked.begin(), looked.end());
    EXPECT_EQ(looked, (std::vector<std::wstring>{L"127.0.0.1", L"localhost"}));
}
