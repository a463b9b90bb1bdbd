// Blocks in JScript and VBScript run through the real Script Control, with the values of
// variables and parameters inserted bare where the block's author placed them.
#include "tests/script/script_harness.h"

#include "common/app_state.h"
#include "common/xstring.h"
#include "core/frame_message_ids.h"
#include "script/foreign_scripts.h"
#include "script/script_variables.h"

#include <ole2.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace {

// The language and code of the last block the frame was asked to run.
std::wstring LastLanguage, LastCode;

LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_RUN_ACTIVEX_SCRIPT) {
        LastLanguage = reinterpret_cast<const wchar_t*>(wParam);
        LastCode = reinterpret_cast<const wchar_t*>(lParam);
        return RunActiveXScript(LastLanguage.c_str(), LastCode.c_str());
    }
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
        // Forward slashes: the blocks write the path inside a string literal, where a backslash
        // would begin an escape.
        std::string slashed = WideToNarrow(marker_);
        std::replace(slashed.begin(), slashed.end(), '\\', '/');
        ScriptVariable path;
        path.Name = "$path";
        path.Values[0] = slashed;
        path.IsText = 1;
        ScriptVariable count;
        count.Name = "$count";
        count.Values[0] = "51";
        count.IsNumeric = 1;
        ScriptScopesWriteLock lock(ScriptScopesMutex());
        GlobalScriptVariables.push_back(path);
        GlobalScriptVariables.push_back(count);
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
                             "  var f = fso.CreateTextFile(\"$path\", true);\r\n"
                             "  var n = $count + 1;\r\n"
                             "  f.Write(n + \"[$3*]\" + \"$mynick\");\r\n"
                             "  f.Close();\r\n}\r\n}\r\n"
                             "/echo after";

const char kVBScriptBlock[] = "#nodebug\r\n"
                              "script vbscript\r\n{\r\n"
                              "Sub main\r\n"
                              "  Set fso = CreateObject(\"Scripting.FileSystemObject\")\r\n"
                              "  Set f = fso.CreateTextFile(\"$path\", True)\r\n"
                              "  n = $count + 1\r\n"
                              "  f.Write n & \"[$3*]\" & \"$mynick\"\r\n"
                              "  f.Close\r\n"
                              "End Sub\r\n}\r\n"
                              "/echo after";

} // namespace

// A value goes in as it stands: a number is a number of the block's language.
TEST_F(ForeignBlocks, JScriptAndVBScriptBlocksRunWithTheirValuesInsertedBare) {
    Run(kJScriptBlock, "a b c d");
    EXPECT_EQ("52[d]me", FileText(marker_));
    EXPECT_EQ("input: /echo after\n", OutputText());

    DeleteFileW(marker_.c_str());
    Run(kVBScriptBlock, "a b c d");
    EXPECT_EQ("52[d]me", FileText(marker_));
}

// A language the program knows nothing of is the Script Control's to judge: its block is sent,
// values and all, and not skipped.
TEST_F(ForeignBlocks, ABlockInAnyLanguageIsSentWithItsValues) {
    LastLanguage.clear();
    LastCode.clear();
    Run("#nodebug\r\nscript perlscript\r\n{\r\n$n = $count + 1;\r\nprint \"$2\";\r\n}\r\n/echo after",
        "a b c");
    EXPECT_EQ(L"perlscript", LastLanguage);
    EXPECT_EQ(L"$n = 51 + 1\r\nprint \"c\"", LastCode) << "a line loses its closing \";\" as every line does";
    EXPECT_EQ("input: /echo after\n", OutputText());
}

TEST_F(ForeignBlocks, AWorkerWaitsForTheBlockWhileTheInterfaceThreadRunsIt) {
    // This thread owns the frame: it answers the worker's message while the worker waits.
    ASSERT_TRUE(RunOnWorker(kVBScriptBlock, "a b c d"));
    EXPECT_EQ("52[d]me", FileText(marker_));
}
