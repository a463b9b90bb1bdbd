#include "tests/script/script_harness.h"

#include "common/app_state.h"
#include "common/data_folders.h"
#include "common/xstring.h"
#include "irc/send_path.h"
#include "script/script_interpreter.h"
#include "script/script_variables.h"
#include "core/window_list.h"
#include "xml/config_documents.h"
#include "xml/xml_document.h"

#include <process.h>

#include <cstdio>

std::string EscapeControls(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c < 0x20) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

WindowRecord* ScriptHarness::Make(uint32_t type, WindowRecord* server, const char* name) {
    records_.push_back(std::make_unique<WindowRecord>(nullptr, type, server));
    WindowRecord* r = records_.back().get();
    r->Name = name;
    r->CreatedTick = static_cast<uint32_t>(records_.size());
    InsertWindowRecord(r);
    return r;
}

void ScriptHarness::SetUp() {
    CallLog::Instance().Clear();
    connection_ = std::make_unique<ServerConnection>();
    Connection = connection_.get();
    Server = Make(kServerWindow, nullptr, "irc.example.net");
    Server->Connection = Connection;
    Channel = Make(kChannelWindow, Server, "#chan");
    Other = Make(kChannelWindow, Server, "#other");
    Query = Make(kQueryWindow, Server, "bob");
    Connection->OwnNick = "me";
    Connection->ReportedUser = "meuser";
    Connection->MailAddress = "me@example.org";
    Connection->ReportedHost = "host.example";
    Connection->OwnUserModes = "+i";
    Connection->ReportedIPv4 = "192.0.2.1";
    Connection->ReportedIPv6 = "2001:db8::1";
    Connection->LocalIPv4 = "10.0.0.2";
    Connection->LocalIPv6 = "fe80::2";
    Connection->Socket = 1234;
    Connection->SendQueue = {"a\r\n", "b\r\n"};
    UserDataFolder = L"C:\\Users\\me\\qv";
    ScriptLineBudget = kDefaultScriptLineBudget;
    FloodQueueing = 1;
}

void ScriptHarness::TearDown() {
    if (frame_) {
        MainWindow = nullptr;
        DestroyWindow(frame_);
    }
    for (auto& r : records_) EraseWindowRecord(r.get());
    {
        ScriptScopesWriteLock lock(ScriptScopesMutex());
        GlobalScriptVariables.clear();
    }
    if (settings_) UserConfigDocument = nullptr;
    CallLog::Instance().Clear();
}

void ScriptHarness::UseSettings(const std::string& xml) {
    settings_ = std::make_unique<XmlDocument>();
    XmlDocumentOpenText(settings_.get(), xml.c_str());
    UserConfigDocument = settings_.get();
}

uint32_t ScriptHarness::Run(const std::string& text, const std::string& parameters, WindowRecord* target,
                            uint32_t mode, uint32_t defaultResult) {
    std::string result;
    return ExecuteScript(mode, Server, target ? target : Channel, text, parameters, result, defaultResult);
}

HWND ScriptHarness::UseFrame(WNDPROC procedure) {
    static int serial = 0;
    const std::wstring name = L"ScriptHarnessFrame" + std::to_wstring(++serial);
    WNDCLASSW wc{};
    wc.lpfnWndProc = procedure;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = name.c_str();
    RegisterClassW(&wc);
    frame_ = CreateWindowW(name.c_str(), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    MainWindow = frame_;
    return frame_;
}

namespace {

struct WorkerScript {
    std::string Text;
    std::string Parameters;
    WindowRecord* Server;
    WindowRecord* Channel;
};

unsigned __stdcall RunWorkerScript(void* argument) {
    auto* run = static_cast<WorkerScript*>(argument);
    std::string result;
    ExecuteScript(0, run->Server, run->Channel, run->Text, run->Parameters, result, 0);
    return 0;
}

} // namespace

bool ScriptHarness::RunOnWorker(const std::string& text, const std::string& parameters) {
    WorkerScript run{text, parameters, Server, Channel};
    HANDLE thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, RunWorkerScript, &run, 0, nullptr));
    if (!thread) return false;
    for (;;) {
        const DWORD woke = MsgWaitForMultipleObjects(1, &thread, FALSE, 60000, QS_ALLINPUT);
        if (woke != WAIT_OBJECT_0 + 1) break;
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    }
    const bool ended = WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
    if (!ended) WaitForSingleObject(thread, INFINITE); // the script still uses this test's records
    CloseHandle(thread);
    return ended;
}

std::vector<std::string> ScriptHarness::Output() const {
    static const std::string kError = "\x03"
                                      "4\x02\x12\xC2\xB7\x12 Script Error ";
    static const std::string kEcho = "\x03"
                                     "12\x02\x12\xC2\xB7\x12 Line : ";
    static const std::string kWatch = "\x02\x12\xC2\xB7\x12 ";
    std::vector<std::string> out;
    for (const RecordedCall& c : CallLog::Instance().Calls()) {
        const std::string& t = c.Text;
        // Lines print into the server window and are said in the channel unless noted.
        const WindowRecord* usual =
            c.Service == "PrintToWindow" || c.Service == "ExecuteCommand" ? Server : Channel;
        std::string where = c.Window == usual ? "" : "@" + (c.Window ? c.Window->Name : std::string("none"));
        if (c.Service == "PrintToWindow") {
            if (t.rfind(kError, 0) == 0) {
                out.push_back("error" + where + ": " + EscapeControls(t.substr(kError.size())));
            } else if (t.rfind(kEcho, 0) == 0) {
                out.push_back("echo" + where + ": " + EscapeControls(t.substr(kEcho.size())));
            } else if (t.rfind(kWatch, 0) == 0) {
                out.push_back("watch" + where + ": " + EscapeControls(t.substr(kWatch.size())));
            } else {
                out.push_back("print" + where + ": " + EscapeControls(t));
            }
        } else if (c.Service == "ProcessInputLine") {
            out.push_back("input" + where + ": " + EscapeControls(t));
        } else if (c.Service == "ExecuteCommand") {
            out.push_back("command" + where + ": " + EscapeControls(t));
        } else if (c.Service == "SendServerLine") {
            out.push_back("send" + where + ": " + EscapeControls(t));
        } else if (c.Service == "PromptText") {
            out.push_back("prompt");
        } else if (c.Service == "PromptList") {
            out.push_back("list prompt: " + t);
        }
    }
    return out;
}

std::string ScriptHarness::OutputText() const {
    std::string text;
    for (const std::string& line : Output()) text += line + "\n";
    return text;
}
