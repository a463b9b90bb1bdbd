// The built-ins that write or delete files, change the settings, load code or work the frame's
// menu, called by a script that a server line set off with values from that line: each only says
// it was not run, and the script goes on. The user's own scripts run them.
#include "tests/script/script_harness.h"

#include "common/aes_file.h"
#include "common/app_state.h"
#include "common/text_compare.h"
#include "common/xstring.h"
#include "core/client_services.h"
#include "core/frame_message_ids.h"
#include "core/remote_text.h"
#include "script/builtin_dispatch.h"
#include "script/script_files.h"
#include "tests/recorders/call_log.h"
#include "tests/support/test_files.h"
#include "xml/config_documents.h"
#include "xml/xml_document.h"
#include "xml/xml_writer.h"

#include <algorithm>
#include <set>

namespace {

std::atomic<int> FrameCalls{0};

LRESULT CALLBACK CountingFrame(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND || message == WM_RUN_ACTIVEX_SCRIPT) {
        ++FrameCalls;
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

class RemoteTextBuiltins : public ScriptHarness {
protected:
    void SetUp() override {
        ScriptHarness::SetUp();
        UseSettings("<qv><Cfg><Options1 Default_Nick=\"mine\"/></Cfg></qv>");
        UseFrame(CountingFrame);
        FrameCalls = 0;
        savedFlash_ = Services().Peer.InsertFlashObject;
        Services().Peer.InsertFlashObject = [](WindowRecord*, const std::wstring&, uint32_t) {
            ++FrameCalls;
            return 1;
        };
        stream_ = RegisterScriptFile(_wfopen(folder_.File(L"open.txt").c_str(), L"wb"));
    }
    void TearDown() override {
        for (int64_t handle : ScriptFileHandles()) CloseScriptFile(handle);
        Services().Peer.InsertFlashObject = savedFlash_;
        ScriptHarness::TearDown();
    }

    std::string Path(const wchar_t* name) const { return WideToNarrow(folder_.File(name)); }
    // The path as a script writes it, in double quotes and with forward slashes.
    std::string Written(const wchar_t* name) const {
        std::string path = Path(name);
        std::replace(path.begin(), path.end(), '\\', '/');
        return "\"" + path + "\"";
    }
    // The files and the folder the calls work on, as they were before any of them.
    void Prepare() {
        SetCurrentDirectoryW(TestProgramFolder().c_str());
        ASSERT_TRUE(WriteFileBytes(folder_.File(L"a.txt"), "hello"));
        if (!FileExists(folder_.File(L"a.aes"))) {
            ASSERT_TRUE(EncryptFileAes("pass", 256, folder_.File(L"a.txt"), folder_.File(L"a.aes")));
        }
        CreateDirectoryW(folder_.File(L"empty").c_str(), nullptr);
    }

    // Everything these built-ins could change: the files, the settings, the folder relative paths
    // start from, and what reached the frame.
    std::string World() {
        std::string world;
        std::vector<std::wstring> names = folder_.Entries();
        std::sort(names.begin(), names.end());
        for (const std::wstring& name : names)
            world += WideToNarrow(name) + "=" + ReadFileBytes(folder_.File(name.c_str())) + "\n";
        if (std::shared_ptr<FILE> stream = FindScriptFile(stream_)) std::fflush(stream.get());
        world += ReadFileBytes(folder_.File(L"open.txt")) + "\n";
        std::string text(XmlDocumentGetExportSize(UserConfigDocument), '\0');
        XmlDocumentSave(UserConfigDocument, text.data(), 1, kXmlFormatMemory, nullptr, text.size());
        wchar_t current[MAX_PATH] = {};
        GetCurrentDirectoryW(MAX_PATH, current);
        return world + text.c_str() + "\n" + WideToNarrow(current) + "\n" + std::to_string(FrameCalls.load());
    }

    TestFolder folder_{L"guarded"};
    int64_t stream_ = 0;

private:
    int (*savedFlash_)(WindowRecord*, const std::wstring&, uint32_t) = nullptr;
};

size_t Refusals(const std::string& name) {
    size_t count = 0;
    for (const RecordedCall& call : CallLog::Instance().Calls("PrintToWindow"))
        if (call.Text.find(name + " was not run: \"") != std::string::npos) ++count;
    return count;
}

} // namespace

TEST_F(RemoteTextBuiltins, RefuseForTextFromOutsideAndRunForTheUsersOwnScripts) {
    const std::string handle = std::to_string(stream_);
    // Each call with its values from the received line ($4 on), written by the script as the user
    // would write it.
    const std::vector<std::pair<std::string, std::string>> calls = {
        {"fopen($4, $5)", Path(L"new.txt") + " w"},
        {"CreateFile($4, $5)", Path(L"added.txt") + " a"},
        {"fwrite($4, $5, 3)", handle + " abc"},
        {"WriteFile($4, $5, 3)", handle + " abc"},
        {"fputc($4, 65)", handle},
        {"fputs($4, $5)", handle + " abc"},
        {"fprintf($4, $5)", handle + " abc"},
        {"AppendText($4, $5)", Path(L"a.txt") + " pwned"},
        {"AppendtextCRLF($4, $5)", Path(L"a.txt") + " pwned"},
        {"remove($4)", Path(L"a.txt")},
        {"DeleteFile($4)", Path(L"a.aes")},
        {"CopyFile($4, $5)", Path(L"a.txt") + " " + Path(L"copy.txt")},
        {"MoveFile($4, $5)", Path(L"a.aes") + " " + Path(L"moved.aes")},
        {"CreateDirectory($4)", Path(L"made")},
        {"RemoveDirectory($4)", Path(L"empty")},
        {"SetCurrentDirectory($4)", Path(L"empty")},
        {"SetString($4, $5, $6, $7)", "s k v " + Path(L"s.ini")},
        {"SetInt($4, $5, 7, $6)", "s k " + Path(L"s.ini")},
        {"SetStringX($4, $5, $6)", "Cfg\\Options1 Installed_Plugins evil.dll"},
        {"SetIntX($4, $5, 1)", "Cfg\\Options1 Flood_Delay_MS"},
        {"AesFileEncrypt($4, $5, $6)", Path(L"a.txt") + " " + Path(L"sealed.aes") + " pass"},
        {"AesFileDecrypt($4, $5, $6)", Path(L"a.aes") + " " + Path(L"opened.txt") + " pass"},
        {"cmd($4)", "811"},
        {"Shock_Add($4, $5)", "#chan " + Path(L"movie.swf")},
    };
    // Every built-in that may not run for text from outside is called here.
    std::set<std::string> guarded, called = {"Crash"};
    for (const BuiltinEntry& entry : BuiltinTable())
        if (entry.RefusedUnderMark) guarded.insert(entry.Name);
    for (const auto& [call, line] : calls) called.insert(call.substr(0, call.find('(')));
    EXPECT_EQ(called, guarded);

    // The same calls as the user's own trigger writes them: the user's words where each chooses
    // what it does (which file, folder, setting or command), received words ($4 on) as data.
    const std::string h = std::to_string(stream_);
    const std::vector<std::pair<std::string, std::string>> own = {
        {"fopen(" + Written(L"new2.txt") + ", w)", ""},
        {"CreateFile(" + Written(L"added2.txt") + ", a)", ""},
        {"fwrite(" + h + ", $4, 3)", "own"},
        {"WriteFile(" + h + ", $4, 3)", "own"},
        {"fputc(" + h + ", $4)", "66"},
        {"fputs(" + h + ", $4)", "own"},
        {"fprintf(" + h + ", $4)", "own"},
        {"AppendText(" + Written(L"a.txt") + ", $4)", "seen"},
        {"AppendtextCRLF(" + Written(L"a.txt") + ", $4)", "seen"},
        {"remove(" + Written(L"a.txt") + ")", ""},
        {"DeleteFile(" + Written(L"a.aes") + ")", ""},
        {"CopyFile(" + Written(L"a.txt") + ", " + Written(L"copy2.txt") + ")", ""},
        {"MoveFile(" + Written(L"a.aes") + ", " + Written(L"moved2.aes") + ")", ""},
        {"CreateDirectory(" + Written(L"made2") + ")", ""},
        {"RemoveDirectory(" + Written(L"empty") + ")", ""},
        {"SetCurrentDirectory(" + Written(L"empty") + ")", ""},
        {"SetString(s, k, $4, " + Written(L"s.ini") + ")", "own"},
        {"SetInt(s, k, $4, " + Written(L"s.ini") + ")", "8"},
        {"SetStringX(\"Cfg\\Options1\", Default_Nick, $4)", "own"},
        {"SetIntX(\"Cfg\\Options1\", Flood_Delay_MS, $4)", "2"},
        {"AesFileEncrypt(" + Written(L"a.txt") + ", " + Written(L"sealed2.aes") + ", $4)", "pass"},
        {"AesFileDecrypt(" + Written(L"a.aes") + ", " + Written(L"opened2.txt") + ", $4)", "pass"},
        {"cmd(811)", ""},
        {"Shock_Add($4, " + Written(L"movie.swf") + ")", "#chan"},
    };
    ASSERT_EQ(own.size(), calls.size());

    // A hostile server cannot end the program through the user's trigger. (Run by the user's own
    // script it would end this test program too.)
    {
        RemoteTextScope remote;
        CallLog::Instance().Clear();
        Run("#nodebug\r\n$r = Crash($4)\r\n/echo after", ":evil!e@example PRIVMSG #chan :!x 3221225477");
    }
    EXPECT_EQ(Refusals("Crash"), 1u);
    EXPECT_NE(OutputText().find("input: /echo after"), std::string::npos);

    for (size_t i = 0; i < calls.size(); ++i) {
        const auto& [call, line] = calls[i];
        const std::string name = call.substr(0, call.find('('));
        const std::string script = "#nodebug\r\n$r = " + call + "\r\n/echo after";
        const std::string received = ":evil!e@example PRIVMSG #chan :!x " + line;
        Prepare();
        CallLog::Instance().Clear();
        const std::string before = World();
        {
            RemoteTextScope remote;
            Run(script, received);
        }
        EXPECT_EQ(World(), before) << call;
        EXPECT_EQ(Refusals(name), 1u) << call;
        EXPECT_NE(OutputText().find("input: /echo after"), std::string::npos) << call;

        CallLog::Instance().Clear();
        Run(script, received);
        EXPECT_NE(World(), before) << call;
        EXPECT_EQ(Refusals(name), 0u) << call;

        Prepare();
        CallLog::Instance().Clear();
        const std::string start = World();
        {
            RemoteTextScope remote;
            Run("#nodebug\r\n$r = " + own[i].first, ":evil!e@example PRIVMSG #chan :!x " + own[i].second);
        }
        EXPECT_NE(World(), start) << own[i].first;
        EXPECT_EQ(Refusals(name), 0u) << own[i].first;
    }
    Prepare();

    // Reading is no change: a file opened to be read is read under the mark too.
    RemoteTextScope remote;
    CallLog::Instance().Clear();
    Run("#nodebug\r\n$h = fopen($4, rb)\r\n/echo fread($h, 5) close=fclose($h)",
        ":evil!e@example PRIVMSG #chan :!x " + Path(L"a.txt"));
    EXPECT_NE(OutputText().find("input: /echo \"hello\" close="), std::string::npos) << OutputText();
}

// A block in a foreign language can do anything a program can: one that holds a value from outside
// never runs; the user's own block runs, also for text from outside.
TEST_F(RemoteTextBuiltins, ForeignBlocksRunOnlyWithTheUsersOwnWords) {
    const std::string outside =
        "#nodebug\r\nscript jscript\r\n{\r\nfunction main() { x = \"$4\"; }\r\n}\r\n/echo after";
    const std::string own = "#nodebug\r\nscript jscript\r\n{\r\nfunction main() {}\r\n}\r\n/echo after";
    {
        RemoteTextScope remote;
        Run(outside, ":evil!e@example PRIVMSG #chan :!x \"); WScript.Quit(); (\"");
    }
    EXPECT_EQ(FrameCalls.load(), 0);
    EXPECT_EQ(Refusals("script jscript"), 1u);
    EXPECT_NE(OutputText().find("input: /echo after"), std::string::npos);
    {
        RemoteTextScope remote;
        Run(own, ":evil!e@example PRIVMSG #chan :!x y");
    }
    EXPECT_EQ(FrameCalls.load(), 1);
    Run(outside, ":me!m@example PRIVMSG #chan :!x typed");
    EXPECT_EQ(FrameCalls.load(), 2);
}
