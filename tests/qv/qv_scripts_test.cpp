// Scripts in a running qv against a real server: built-ins that read the windows and nick lists,
// blocks in JScript and VBScript run by the Script Control, hot keys, timers and a plug-in's
// script; and server text that asks a trigger for what only the user may do, refused in view.
#include <gtest/gtest.h>

#include "common/xstring.h"
#include "tests/qv/qv_process.h"
#include "tests/support/irc_test_support.h"
#include "tests/support/ngircd_server.h"

#include <commctrl.h>

#include <algorithm>

namespace {

constexpr DWORD kWait = kQvWait;
constexpr UINT kPluginScriptMessage = WM_APP + 0x5C; // the test plug-in's cue

// Text a server could send to end a string and run code of its own.
const char kHostile[] = "\"); WScript.Quit(); (\"";

std::string Doubled(std::string path) {
    for (size_t at = path.find('\\'); at != std::string::npos; at = path.find('\\', at + 2))
        path.insert(at, 1, '\\');
    return path;
}

std::string Entry(const char* trigger, int type, const std::string& extra, const std::string& script) {
    return std::string("<s Trigger_Type=\"") + std::to_string(type) + "\" Enabled=\"1\" Trigger=\"" +
           trigger + "\"" + extra + "><![CDATA[" + script + "]]></s>";
}

// The default settings of the resource library.
std::string DefaultSettings(const std::wstring& resources) {
    std::string text;
    HMODULE module = LoadLibraryExW(resources.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (HRSRC found = module ? FindResourceW(module, L"DEFAULT_USER_CFG", L"DATA") : nullptr)
        if (HGLOBAL loaded = LoadResource(module, found))
            text.assign(static_cast<const char*>(LockResource(loaded)), SizeofResource(module, found));
    if (module) FreeLibrary(module);
    return text;
}

void ReplaceOnce(std::string& text, const std::string& what, const std::string& with) {
    const size_t at = text.find(what);
    ASSERT_NE(std::string::npos, at) << what;
    text.replace(at, what.size(), with);
}

// The default settings with a nick, no flood delay, the test plug-in and the scripts.
std::string Settings(const std::wstring& folder, const std::wstring& data) {
    const std::string place = WideToNarrow(data);
    const std::string probe =
        "#nodebug\r\n/msg #test probe count=GetNickCount(#test) op=GetNickLevel(#test, friendly) "
        "host=IsHost(#test, friendly) mine=GetNickLevel(#test, $mynick) type=GetWindowType(#test) "
        "ops=GetChannelOpCount(#test) topic=GetChannelTopic(#test) first=GetFormattedNick(#test, 0) "
        "where=GetCurrentWindowName() len=strlen(GetNick(#test, 1))";
    // Two blocks that write the text they are given into files.
    const auto inject = [&](const std::string& text) {
        return "#nodebug\r\nscript vbscript\r\n{\r\nSub main\r\n"
               "Set fso = CreateObject(\"Scripting.FileSystemObject\")\r\n"
               "Set f = fso.CreateTextFile(\"" +
               place + "\\vb_marker.txt\", True)\r\nf.Write \"" + text +
               "\"\r\nf.Close\r\nEnd Sub\r\n}\r\n"
               "script jscript\r\n{\r\nfunction main()\r\n{\r\n"
               "var fso = new ActiveXObject(\"Scripting.FileSystemObject\");\r\n"
               "var f = fso.CreateTextFile(\"" +
               Doubled(place) + "\\\\js_marker.txt\", true);\r\nf.Write(\"" + text +
               "\");\r\nf.Close();\r\n}\r\n}\r\n"
               "/msg #test blocks done";
    };
    std::string slashed = place;
    for (char& c : slashed)
        if (c == '\\') c = '/';
    const std::string kept = "\"" + slashed + "/kept.txt\"";
    const std::string files = "#nodebug\r\n$r = AppendtextCRLF(" + kept + ", kept line)\r\n$h = fopen(" +
                              kept + ", \"rb\")\r\n/msg #test files read=fread($h, 9) size=GetFileSize(" +
                              kept +
                              ") close=fclose($h) nick=GetStringX(\"Cfg\\Options1\", Default_Nick, none) "
                              "port=htons(6667)";
    std::string text = DefaultSettings(folder + L"\\qvres.dll");
    ReplaceOnce(text, "Default_Nick=\"\"", "Default_Nick=\"scripter\"");
    ReplaceOnce(text, "Flood_Delay_MS=\"1000\"", "Flood_Delay_MS=\"0\"");
    ReplaceOnce(text, "Installed_Plugins=\"\"",
                "Installed_Plugins=\"" + WideToNarrow(folder) + "\\qv_script_plugin.dll\"");
    ReplaceOnce(
        text, "<Scripts />",
        "<Scripts>" + Entry("/probe", 0, "", probe) +
            Entry("*PRIVMSG #test :inject *", 1, "", inject("$4*")) + Entry("/inject", 0, "", inject("$1*")) +
            Entry("*PRIVMSG #test :!say *", 1, "", "/say #test $4*") +
            "<s Trigger_Type=\"0\" Trigger=\"/fwd\"><![CDATA[$1*]]></s>" +
            Entry("/hkone", 0, " Keyboard_Trigger=\"833\"", "/msg #test hotkey one") +
            Entry("/hktwo", 0, " Keyboard_Trigger=\"833\"", "/msg #test hotkey two") +
            Entry("/hkthree", 0, " Keyboard_Trigger=\"834\"", "/msg #test hotkey three") +
            Entry("/ticks", 0, "", "/timer ticker 3 1 /msg #test tick $1") + Entry("/keep", 0, "", files) +
            Entry("/ask", 0, "",
                  "/msg #test asked=AskInput(Asking, Your name?, guest) "
                  "timed=AskInput(Asking, Wait, tick, 1) box=MessageBox(Boxed text, Box title, 0)") +
            "</Scripts>");
    return text;
}

std::string Received(const IrcClient& client) {
    std::string all;
    for (const auto& line : client.Lines()) all += line.Line + "\n";
    return all;
}

// True when another program could take the key (it is released again at once).
bool KeyIsFree(UINT modifiers, UINT key) {
    if (!RegisterHotKey(nullptr, 0x5C5C, modifiers, key)) return false;
    UnregisterHotKey(nullptr, 0x5C5C);
    return true;
}

// qv's command line that connects to the server on loopback and joins #test.
std::wstring JoinTestChannel(int port) {
    return L"-port1 -e \"/server 127.0.0.1:" + std::to_wstring(port) + L"/#test\"";
}

void FindFrameAndChannel(QvProcess& qv, HWND& frame, HWND& channel) {
    ASSERT_TRUE(qv.Started());
    ASSERT_TRUE(
        Eventually([&] { return (frame = qv.FindTopWindow(L"BRINDLEX2000_Main")) != nullptr; }, kWait));
    ASSERT_TRUE(Eventually([&] { return (channel = FindChatWindow(frame, L"#test")) != nullptr; }, kWait));
}

} // namespace

TEST(QvScripts, BuiltInsForeignBlocksHotKeysTimersAndPluginScriptsInARunningQv) {
    NgircdServer server;
    ASSERT_TRUE(server.WaitReady());
    IrcClient friendly(server.Port(), "friendly");
    ASSERT_TRUE(friendly.Joins("#test", kWait));
    friendly.Send("TOPIC #test :scripts welcome");

    PortableFolder folder({L"qv.exe", L"qvlang.dll", L"qvres.dll", L"qv_script_plugin.dll"});
    const std::wstring data = folder.UserDataFolder();
    CreateDirectoryW((folder.Path() + L"\\UCFG").c_str(), nullptr);
    CreateDirectoryW(data.c_str(), nullptr);
    ASSERT_TRUE(WriteFileBytes(data + L"\\qv.xml", Settings(folder.Path(), data)));

    QvProcess qv(folder.Path(), JoinTestChannel(server.Port()));
    HWND frame = nullptr, channel = nullptr;
    ASSERT_NO_FATAL_FAILURE(FindFrameAndChannel(qv, frame, channel));
    HWND nickList = GetDlgItem(channel, 903);
    ASSERT_TRUE(Eventually([&] { return SendMessageW(nickList, LVM_GETITEMCOUNT, 0, 0) == 2; }, kWait));

    // Typed, the trigger runs on a worker thread; its built-ins read the real windows and nick
    // list through the interface thread.
    TypeLine(GetDlgItem(channel, 902), L"/probe");
    EXPECT_TRUE(
        Heard(friendly, {":scripter!", "PRIVMSG #test :probe count=2 op=3 host=1 mine=1 type=2 ops=\"1\"",
                         "topic=\"scripts welcome\" first=\"@friendly\" where=\"#test\" len=8"}))
        << Received(friendly);

    // A script keeps a file of its own and reads the user's settings in memory.
    TypeLine(GetDlgItem(channel, 902), L"/keep");
    EXPECT_TRUE(Heard(friendly, {":scripter!", "PRIVMSG #test :files read=\"kept line\" size=11 close= "
                                               "nick=\"scripter\" port=2842"}))
        << Received(friendly);
    EXPECT_EQ("kept line\r\n", ReadFileBytes(data + L"\\kept.txt"));

    // A typed command's trigger without "Enabled" runs, and its body, the typed words, is read as
    // the command they make.
    TypeLine(GetDlgItem(channel, 902), L"/fwd /msg #test forwarded len(abc)");
    EXPECT_TRUE(Heard(friendly, {":scripter!", "PRIVMSG #test :forwarded 3"})) << Received(friendly);

    // Server text never runs a block: the incoming trigger says so for each in the window. Typed,
    // the same blocks run, with what they are given inserted where their author placed it.
    friendly.Send(std::string("PRIVMSG #test :inject ") + kHostile);
    EXPECT_TRUE(Heard(friendly, {":scripter!", "PRIVMSG #test :blocks done"}));
    EXPECT_NE(std::wstring::npos, AllTexts(frame).find(L"script vbscript was not run: \""));
    EXPECT_NE(std::wstring::npos, AllTexts(frame).find(L"script jscript was not run"));
    EXPECT_FALSE(FileExists(data + L"\\vb_marker.txt"));
    TypeLine(GetDlgItem(channel, 902), L"/inject typed words");
    EXPECT_TRUE(Eventually([&] { return ReadFileBytes(data + L"\\js_marker.txt") == "typed words"; }, kWait));
    EXPECT_EQ("typed words", ReadFileBytes(data + L"\\vb_marker.txt"));

    // An attack on an ordinary echo trigger: a library downloaded beside the program, the settings
    // offered to the speaker, a file written by evaluated text. Each says it was not run; what is
    // only text is echoed as ever.
    ScriptedServer fetched; // nothing may connect here
    std::string pwned = WideToNarrow(data) + "/pwned.txt";
    std::replace(pwned.begin(), pwned.end(), '\\', '/');
    for (const std::string& line : {"/fetch http://127.0.0.1:" + std::to_string(fetched.Port()) + "/x.dll " +
                                        WideToNarrow(folder.Path()) + "\\x.dll",
                                    "/send friendly " + WideToNarrow(data) + "\\qv.xml",
                                    "/eval AppendText(\"" + pwned + "\",pwned)", std::string("hello")})
        friendly.Send("PRIVMSG #test :!say " + line);
    EXPECT_TRUE(Heard(friendly, {":scripter!", "PRIVMSG #test :hello"}));
    for (const wchar_t* word : {L"/fetch", L"/send", L"/eval"})
        EXPECT_TRUE(Eventually(
            [&] {
                return AllTexts(frame).find(std::wstring(word) + L" was not run: \"") != std::wstring::npos;
            },
            kWait))
            << WideToNarrow(word);
    EXPECT_FALSE(fetched.Accept(0));
    EXPECT_FALSE(FileExists(folder.Path() + L"\\x.dll"));
    EXPECT_FALSE(FileExists(data + L"\\pwned.txt"));
    for (const auto& line : friendly.Lines()) EXPECT_EQ(std::string::npos, line.Line.find("DCC SEND"));

    // The first and third keys are qv's; the second entry repeats the first key and failed alone.
    EXPECT_FALSE(KeyIsFree(MOD_CONTROL | MOD_SHIFT, 'A'));
    EXPECT_FALSE(KeyIsFree(MOD_CONTROL | MOD_SHIFT, 'B'));
    PostMessageW(frame, WM_HOTKEY, 0, MAKELPARAM(MOD_CONTROL | MOD_SHIFT, 'A'));
    EXPECT_TRUE(Heard(friendly, {":scripter!", "PRIVMSG #test :hotkey one"}));
    PostMessageW(frame, WM_HOTKEY, 2, MAKELPARAM(MOD_CONTROL | MOD_SHIFT, 'B'));
    EXPECT_TRUE(Heard(friendly, {":scripter!", "PRIVMSG #test :hotkey three"}));

    PostMessageW(frame, kPluginScriptMessage, 0, 0);
    EXPECT_TRUE(Heard(friendly, {":scripter!", "PRIVMSG #test :from the plug-in one"}));
    EXPECT_TRUE(Heard(friendly, {":scripter!", "PRIVMSG #test :from the plug-in two"}));
    for (const auto& line : friendly.Lines()) EXPECT_EQ(std::string::npos, line.Line.find("hotkey two"));

    // A timer made by "/timer" in a script runs its command every second, three times, then ends:
    // two more intervals bring no fourth run.
    TypeLine(GetDlgItem(channel, 902), L"/ticks t");
    auto ticks = [&] {
        int count = 0;
        for (const auto& line : friendly.Lines())
            count += line.Line.find("PRIVMSG #test :tick t") != std::string::npos;
        return count;
    };
    EXPECT_TRUE(Eventually([&] { return ticks() == 3; }, kWait)) << Received(friendly);
    Sleep(2500);
    EXPECT_EQ(3, ticks());

    // The prompts of a script belong to the frame and are answered by posted keys; the timed one
    // ends by itself with its initial text.
    TypeLine(GetDlgItem(channel, 902), L"/ask");
    HWND prompt = nullptr;
    ASSERT_TRUE(Eventually([&] { return (prompt = qv.FindDialogWith(L"Your name?")) != nullptr; }, kWait));
    EXPECT_EQ(frame, GetWindow(prompt, GW_OWNER));
    EXPECT_EQ(L"guest", WindowText(GetDlgItem(prompt, 102)));
    EXPECT_TRUE(SaveScreenshot(prompt, ScreenshotFolder() + L"\\qv_script_prompt.png"));
    PostMessageW(GetDlgItem(prompt, 102), WM_KEYDOWN, VK_RETURN, 0);
    HWND box = nullptr;
    ASSERT_TRUE(Eventually([&] { return (box = qv.FindDialogWith(L"Boxed text")) != nullptr; }, kWait));
    EXPECT_EQ(frame, GetWindow(box, GW_OWNER));
    PostMessageW(box, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_TRUE(Heard(friendly, {":scripter!", "PRIVMSG #test :asked=\"guest\" timed=\"tick\" box=1"}))
        << Received(friendly);

    SetForegroundWindow(frame);
    WaitUntilDrawn(frame, kWait);
    EXPECT_TRUE(SaveScreenshot(frame, ScreenshotFolder() + L"\\qv_scripts.png"));
    PostMessageW(frame, WM_CLOSE, 0, 0);
    DWORD code = 1;
    EXPECT_TRUE(qv.WaitExit(kWait, code));
    // Ended with the program, its keys are free again.
    EXPECT_TRUE(KeyIsFree(MOD_CONTROL | MOD_SHIFT, 'B'));
}

// The user's own event scripts and triggers keep their whole power when a server line sets them
// off: what they write and the lists they change are theirs. A path that came in the line writes
// nothing, and a trigger made by typing "/_script" fires.
TEST(QvScripts, TheUsersOwnScriptsSetOffByServerLinesKeepTheirPower) {
    NgircdServer server;
    ASSERT_TRUE(server.WaitReady());
    IrcClient friendly(server.Port(), "friendly");
    ASSERT_TRUE(friendly.Joins("#test", kWait));

    PortableFolder folder({L"qv.exe", L"qvlang.dll", L"qvres.dll"});
    const std::wstring data = folder.UserDataFolder();
    CreateDirectoryW((folder.Path() + L"\\UCFG").c_str(), nullptr);
    CreateDirectoryW(data.c_str(), nullptr);
    std::string place = WideToNarrow(data);
    std::replace(place.begin(), place.end(), '\\', '/');
    const auto file = [&](const char* name) { return "\"" + place + "/" + name + "\""; };
    std::string text = DefaultSettings(folder.Path() + L"\\qvres.dll");
    ReplaceOnce(text, "Default_Nick=\"\"", "Default_Nick=\"scripter\"");
    ReplaceOnce(text, "Flood_Delay_MS=\"1000\"", "Flood_Delay_MS=\"0\"");
    ReplaceOnce(text, "<Special_Scripts />",
                "<Special_Scripts><s name=\"On_Startup\"><![CDATA[/notify +friendly\r\n$r = AppendText(" +
                    file("startup.txt") +
                    ", started)]]></s><s name=\"On_Notify_Online\"><![CDATA[$r = "
                    "AppendText(" +
                    file("online.txt") + ", $0)]]></s></Special_Scripts>");
    ReplaceOnce(text, "<Scripts />",
                "<Scripts>" + Entry("* JOIN *", 1, "", "$r = AppendText(" + file("joins.txt") + ", $nick)") +
                    Entry("*PRIVMSG #test :!log *", 1, "", "$r = AppendText($4, $nick)") + "</Scripts>");
    ASSERT_TRUE(WriteFileBytes(data + L"\\qv.xml", text));

    QvProcess qv(folder.Path(), JoinTestChannel(server.Port()));
    HWND frame = nullptr, channel = nullptr;
    ASSERT_NO_FATAL_FAILURE(FindFrameAndChannel(qv, frame, channel));

    // The end of registration ran "On_Startup"; the notify list it filled found friendly online.
    EXPECT_TRUE(Eventually([&] { return ReadFileBytes(data + L"\\startup.txt") == "started"; }, kWait));
    EXPECT_TRUE(Eventually([&] { return ReadFileBytes(data + L"\\online.txt") == "friendly"; }, kWait));

    IrcClient joiner(server.Port(), "joiner");
    ASSERT_TRUE(joiner.Joins("#test", kWait));
    EXPECT_TRUE(Eventually(
        [&] { return ReadFileBytes(data + L"\\joins.txt").find("joiner") != std::string::npos; }, kWait));

    const std::wstring stolen = data + L"\\stolen.txt";
    friendly.Send("PRIVMSG #test :!log " + WideToNarrow(stolen));
    EXPECT_TRUE(Eventually(
        [&] { return AllTexts(frame).find(L"AppendText was not run: \"") != std::wstring::npos; }, kWait));
    EXPECT_FALSE(FileExists(stolen));

    // "/_script" saves the settings with the new trigger. qv renames the new file over the old
    // one, which fails while it is open here: it is read only after it has changed.
    const std::wstring settings = data + L"\\qv.xml";
    FileStamp seen = StampOf(settings);
    TypeLine(GetDlgItem(channel, 902), L"/_script pong|||3075|||1|||*PRIVMSG #test :!ping*|||||||||1024|||"
                                       L"/msg #test pong");
    ASSERT_TRUE(Eventually(
        [&] {
            const FileStamp now = StampOf(settings);
            if (now == seen) return false;
            seen = now;
            return ReadFileBytes(settings).find("!ping") != std::string::npos;
        },
        kWait));
    friendly.Send("PRIVMSG #test :!ping");
    EXPECT_TRUE(Heard(friendly, {":scripter!", "PRIVMSG #test :pong"})) << WideToNarrow(AllTexts(frame));

    PostMessageW(frame, WM_CLOSE, 0, 0);
    DWORD code = 1;
    EXPECT_TRUE(qv.WaitExit(kWait, code));
}
