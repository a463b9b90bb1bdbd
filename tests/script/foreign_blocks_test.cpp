// Blocks in JScript and VBScript run through the real Script Control, with values from
// variables and parameters arriving in the block as text, never as code.
#include "tests/script/script_harness.h"

#include "common/app_state.h"
#include "common/xstring.h"
#include "core/frame_message_ids.h"
#include "script/foreign_code.h"
#include "script/foreign_scripts.h"
#include "script/script_variables.h"

#include <ole2.h>

#include <fstream>
#include <sstream>

namespace {

// Text a server could send to end a string and run code of its own.
const char kHostile[] = "\"); WScript.Quit(); (\"";

ScriptText Line(std::initializer_list<std::pair<const char*, bool>> pieces) {
    ScriptText line;
    for (const auto& [text, inserted] : pieces) {
        if (inserted)
            line.AppendInserted(text);
        else
            line.AppendWritten(text);
    }
    return line;
}

std::string Code(ForeignLanguage language, std::vector<ScriptText> lines) {
    std::string code;
    EXPECT_TRUE(BuildForeignCode(language, lines, code));
    return code;
}

LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_RUN_ACTIVEX_SCRIPT)
        return RunActiveXScript(reinterpret_cast<const wchar_t*>(wParam),
                                reinterpret_cast<const wchar_t*>(lParam));
    return DefWindowProcW(window, message, wParam, lParam);
}

std::string FileText(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A frame on this thread that runs foreign blocks as the program's frame does.
class ForeignBlocks : public ScriptHarness {
protected:
    void SetUp() override {
        ScriptHarness::SetUp();
        OleInitialize(nullptr);
        UseFrame(FrameProc);
        wchar_t folder[MAX_PATH];
        GetTempPathW(MAX_PATH, folder);
        marker_ = std::wstring(folder) + L"foreign_block_marker.txt";
        DeleteFileW(marker_.c_str());
        ScriptVariable path;
        path.Name = "$path";
        path.Values[0] = WideToNarrow(marker_);
        path.IsText = 1;
        ScriptScopesWriteLock lock(ScriptScopesMutex());
        GlobalScriptVariables.push_back(path);
    }
    void TearDown() override {
        DeleteFileW(marker_.c_str());
        OleUninitialize();
        ScriptHarness::TearDown();
    }

    std::wstring marker_;
};

const char kJScriptBlock[] = "#nodebug\r\n"
                             "script jscript\r\n{\r\n"
                             "function main()\r\n{\r\n"
                             "  var fso = new ActiveXObject(\"Scripting.FileSystemObject\");\r\n"
                             "  var f = fso.CreateTextFile($path, true); // $path\r\n"
                             "  f.Write(\"[$3*]\" + $mynick + '$mynick');\r\n"
                             "  f.Close();\r\n}\r\n}\r\n"
                             "/echo after";

const char kVBScriptBlock[] = "#nodebug\r\n"
                              "script vbscript\r\n{\r\n"
                              "Sub main\r\n"
                              "  Set fso = CreateObject(\"Scripting.FileSystemObject\")\r\n"
                              "  Set f = fso.CreateTextFile($path, True) ' $path\r\n"
                              "  f.Write \"[$3*]\" & $mynick\r\n"
                              "  f.Close\r\n"
                              "End Sub\r\n}\r\n"
                              "/echo after";

} // namespace

TEST(ForeignCode, InsertedTextBecomesALiteralOfTheBlocksLanguage) {
    EXPECT_EQ("f(\"a\\x2Db\");",
              Code(ForeignLanguage::kJScript, {Line({{"f(", false}, {"a-b", true}, {");", false}})}));
    EXPECT_EQ("x = \"\\x22\\x29\\x3B\";",
              Code(ForeignLanguage::kJScript, {Line({{"x = \"", false}, {"\");", true}, {"\";", false}})}));
    // In a comment a value stays a literal: its "*/" and line end cannot end the comment.
    EXPECT_EQ(
        "/* \"\\x2A\\x2F\\x0Dx\" */\r\ny = '\\u2028'",
        Code(ForeignLanguage::kJScript, {Line({{"/* ", false}, {"*/\rx", true}, {" */", false}}),
                                         Line({{"y = '", false}, {"\xE2\x80\xA8", true}, {"'", false}})}));
    EXPECT_EQ("x = \"a\"\"b\" & Chr(13) & \"\"\r\ny = (\"q\"\"\")",
              Code(ForeignLanguage::kVBScript, {Line({{"x = \"", false}, {"a\"b\r", true}, {"\"", false}}),
                                                Line({{"y = ", false}, {"q\"", true}})}));
    std::string code;
    EXPECT_TRUE(BuildForeignCode(ForeignLanguage::kOther, {Line({{"plain", false}})}, code));
    EXPECT_FALSE(BuildForeignCode(ForeignLanguage::kOther, {Line({{"x = ", false}, {"1", true}})}, code));
    EXPECT_EQ(ForeignLanguage::kJScript, ForeignLanguageOf("JScript"));
    EXPECT_EQ(ForeignLanguage::kVBScript, ForeignLanguageOf("VBSCRIPT"));
}

TEST_F(ForeignBlocks, JScriptAndVBScriptBlocksRunWithHostileTextArrivingAsText) {
    const std::string parameters = std::string(":eve!e@evil.host PRIVMSG #chan :") + kHostile;
    Run(kJScriptBlock, parameters);
    EXPECT_EQ(std::string("[:") + kHostile + "]me$mynick", FileText(marker_));
    EXPECT_EQ("input: /echo after\n", OutputText());

    DeleteFileW(marker_.c_str());
    Run(kVBScriptBlock, parameters);
    EXPECT_EQ(std::string("[:") + kHostile + "]me", FileText(marker_));
}

TEST_F(ForeignBlocks, AWorkerWaitsForTheBlockWhileTheInterfaceThreadRunsIt) {
    // This thread owns the frame: it answers the worker's message while the worker waits.
    ASSERT_TRUE(RunOnWorker(kVBScriptBlock, "a b c d"));
    EXPECT_EQ("[d]me", FileText(marker_));
}
