#include "tests/script/script_harness.h"

#include "common/app_state.h"
#include "common/xstring.h"
#include "irc/send_path.h"
#include "script/script_interpreter.h"
#include "core/frame_message_ids.h"
#include "xml/config_documents.h"
#include "xml/xml_document.h"
#include "xml/xml_element.h"

#include <cstdio>

namespace {

class ScriptInterpreter : public ScriptHarness {};

// A frame stand-in that keeps what the interpreter sends it.
std::wstring ForeignLanguage, ForeignCode;

LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_RUN_ACTIVEX_SCRIPT) {
        ForeignLanguage = reinterpret_cast<const wchar_t*>(wParam);
        ForeignCode = reinterpret_cast<const wchar_t*>(lParam);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

TEST_F(ScriptInterpreter, NothingRunsWithoutAConnectionWindow) {
    std::string result;
    EXPECT_EQ(0u, ExecuteScript(0, nullptr, Channel, "/echo x", "", result, 1));
    EXPECT_EQ(1u, Run("#nodebug", "", nullptr, 0, 1));
    EXPECT_EQ("", OutputText());
}

TEST_F(ScriptInterpreter, AOneLineScriptThatNamesAFileRunsTheFile) {
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    const std::wstring path = std::wstring(folder) + L"script_file_test.qvs";
    FILE* file = _wfopen(path.c_str(), L"wb");
    ASSERT_NE(nullptr, file);
    std::fputs("/echo from file\r\n#lock\r\n/echo $1", file);
    std::fclose(file);
    EXPECT_EQ(1u, Run(WideToNarrow(path), "a b"));
    EXPECT_EQ("input: /echo from file\ninput: /echo b\n", OutputText());
    DeleteFileW(path.c_str());

    CallLog::Instance().Clear();
    Run("NUL"); // a device is not a script file: the line is said as it is
    EXPECT_EQ("input: NUL\n", OutputText());
}

TEST_F(ScriptInterpreter, RunsThatNestWithoutEndStopOnce) {
    int runs = 0;
    CallLog::Instance().Answer = [&](const RecordedCall& call) -> uint64_t {
        if (call.Service == "ProcessInputLine") {
            ++runs;
            Run("/again\r\n/and again");
        }
        return 0;
    };
    Run("/start");
    int errors = 0;
    for (const std::string& line : Output()) errors += line.find("nested too deeply") != std::string::npos;
    EXPECT_EQ(1, errors);
    EXPECT_LT(runs, 100);
    CallLog::Instance().Answer = nullptr;
    CallLog::Instance().Clear();
    Run("/afterwards"); // the next run on this thread is not refused
    EXPECT_EQ("input: /afterwards\n", OutputText());
}

TEST_F(ScriptInterpreter, FastModeIsUndoneHoweverTheRunEnds) {
    std::vector<int> seen;
    CallLog::Instance().Answer = [&](const RecordedCall&) -> uint64_t {
        seen.push_back(FloodQueueing.load());
        return 0;
    };
    Run("#fast 0\r\n/look");
    EXPECT_EQ(1, FloodQueueing.load());
    Run("#fast 0\r\n/look\r\nnosuch(1)");
    EXPECT_EQ(1, FloodQueueing.load());
    Run("#fast 0\r\n/look\r\n#require 8");
    EXPECT_EQ(1, FloodQueueing.load());
    UseSettings("<root><Cfg><Options1 Flood_Delay_MS=\"0\" /></Cfg></root>");
    Run("#fast 250\r\n/look");
    EXPECT_EQ(0, FloodQueueing.load());
    EXPECT_EQ((std::vector<int>{0, 0, 0, 1}), seen);
}

TEST_F(ScriptInterpreter, ForeignBlocksGoToTheFrameAndCommandBlocksIntoTheirEntry) {
    UseFrame(FrameProc);
    Run("#nodebug\r\nscript vbscript\r\n{\r\n  Sub main\r\n  x = \"$mynick\" & \"$1\"\r\nEnd Sub\r\n}",
        "p q");
    EXPECT_EQ(L"vbscript", ForeignLanguage);
    EXPECT_EQ(L"Sub main\r\nx = \"me\" & \"q\"\r\nEnd Sub", ForeignCode);

    UseSettings("<root><Scripts><n name=\"a\"><![CDATA[old]]></n></Scripts></root>");
    XmlElement* entry =
        XmlElementGetChild(XmlElementFindChild(XmlDocumentGetRoot(UserConfigDocument), "Scripts"), 0);
    CallLog::Instance().Answer = [entry](const RecordedCall& call) -> uint64_t {
        return call.Service == "ExecuteCommand" ? reinterpret_cast<uint64_t>(entry) : 0;
    };
    Run("script /_script a|||2\r\n{\r\nfirst\r\n{\r\nsecond\r\n}\r\n}");
    ASSERT_EQ(1u, XmlElementGetCDataCount(entry));
    EXPECT_EQ("first\r\n{\r\nsecond\r\n}", XmlElementGetCDataSections(entry)[0]->text);
    EXPECT_EQ("command: /_script a|||2\n", OutputText());
}
