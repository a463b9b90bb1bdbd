#include "tests/commands/command_test_fixture.h"

#include "commands/input_dispatcher.h"
#include "common/app_state.h"
#include "irc/send_path.h"
#include "irc/server_connection.h"
#include "irc/server_session.h"
#include "peer/dcc_connection.h"
#include "shell/frame_message_ids.h"
#include "shell/window_list.h"
#include "tests/recorders/recorded_answers.h"
#include "xml/config_documents.h"

namespace {

const wchar_t kFrameClass[] = L"CommandTestFrame";
const wchar_t kChildClass[] = L"CommandTestChild";

std::vector<WindowRecord*> OpenedRecords;
std::vector<WindowRecord*> AddedRecords;
HWND Frame = nullptr;

WindowRecord* RecordOf(HWND window) {
    return reinterpret_cast<WindowRecord*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

HWND MakeChild(WindowRecord* record) {
    HWND window = CreateWindowW(kChildClass, L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(record));
    return window;
}

// A chat window's record with its window and a view of its own, listed.
void Attach(WindowRecord* record) {
    record->Window = MakeChild(record);
    record->View = MakeChild(record);
    InsertWindowRecord(record);
}

// Ends the record as closing its window would.
void Detach(WindowRecord* record) {
    if (record->Dcc && record->Dcc->Socket) closesocket(record->Dcc->Socket);
    DestroyServerSession(record);
    EraseWindowRecord(record);
    if (record->View) DestroyWindow(record->View);
    if (record->Window) DestroyWindow(record->Window);
    delete record;
}

LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_OPEN_CHAT_WINDOW) {
        const auto* request = reinterpret_cast<const OpenChatWindowRequest*>(lParam);
        auto* record = new WindowRecord(nullptr, request->Type, request->Server);
        record->Name = request->Name;
        if (request->Type == kServerWindow) record->Connection = new ServerConnection;
        Attach(record);
        OpenedRecords.push_back(record);
        CallLog::Instance().Add({"OpenChatWindow", request->Server,
                                 std::to_string(request->Type) + " " + request->Name, request->Flag});
        return reinterpret_cast<LRESULT>(record->Window);
    }
    if (message == WM_COMMAND) {
        CallLog::Instance().Add({"FrameCommand", nullptr, {}, LOWORD(wParam)});
        return 0;
    }
    if (message == WM_TIMER) {
        if (wParam == FLOOD_TIMER_ID) FlushSendQueues();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK ChildProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowRecord* record = RecordOf(window);
    if (message == WM_CLOSE) {
        CallLog::Instance().Add({"WM_CLOSE", record, record ? record->Name : "", 0});
        return 0;
    }
    if (message == WM_SETFONT) {
        CallLog::Instance().Add({"WM_SETFONT", record, record ? record->Name : "", 0});
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void RegisterClasses() {
    static const bool registered = [] {
        WNDCLASSW frame{};
        frame.lpfnWndProc = FrameProc;
        frame.hInstance = GetModuleHandleW(nullptr);
        frame.lpszClassName = kFrameClass;
        RegisterClassW(&frame);
        WNDCLASSW child = frame;
        child.lpfnWndProc = ChildProc;
        child.lpszClassName = kChildClass;
        RegisterClassW(&child);
        return true;
    }();
    (void)registered;
}

} // namespace

std::vector<WindowRecord*> FrameOpenedWindows() {
    return OpenedRecords;
}

void CommandTest::SetUp() {
    PrepareConnectionTests();
    RegisterClasses();
    CallLog::Instance().Clear();
    ClearRecordedNickLists();
    FloodQueueing = 0;
    DefaultCodePage = CP_UTF8;
    Frame = CreateWindowW(kFrameClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr),
                          nullptr);
    MainWindow = Frame;

    irc_ = std::make_unique<ScriptedServer>();
    server_ = std::make_unique<ServerWindow>();
    server_->Aim(irc_->Port());
    Server()->Name = "irc.test";
    StartServerConnection(Server());
    ASSERT_TRUE(irc_->Accept());
    ASSERT_EQ(irc_->ReadLine().value_or(""), "USER tester Brindlex Brindlex :Test User");
    ASSERT_EQ(irc_->ReadLine().value_or(""), "NICK tester");
    server_->Connection().OwnNick = "me";

    channel_ = AddWindow(kChannelWindow, "#a");
    query_ = AddWindow(kQueryWindow, "bob");
    dccPeer_ = std::make_unique<ScriptedServer>();
    dcc_ = AddWindow(kDccChatWindow, "peer");
    dcc_->Dcc = new DccConnection(dcc_);
    dcc_->Dcc->LocalName = "me-dcc";
    dcc_->Dcc->PeerName = "peer";
    dcc_->Dcc->Socket = ConnectLoopback(dccPeer_->Port());
    ASSERT_TRUE(dccPeer_->Accept());

    SetRecordedActiveWindow(channel_);
    Pump();
    CallLog::Instance().Clear();
}

void CommandTest::TearDown() {
    SetRecordedActiveWindow(nullptr);
    for (auto it = OpenedRecords.rbegin(); it != OpenedRecords.rend(); ++it) Detach(*it);
    OpenedRecords.clear();
    for (auto it = AddedRecords.rbegin(); it != AddedRecords.rend(); ++it) Detach(*it);
    AddedRecords.clear();
    server_.reset();
    irc_.reset();
    dccPeer_.reset();
    Pump();
    DestroyWindow(Frame);
    Frame = nullptr;
    MainWindow = nullptr;
    UserConfigDocument = nullptr;
    settings_.reset();
    ClearRecordedNickLists();
    DefaultCodePage = 0;
    CallLog::Instance().Clear();
}

WindowRecord* CommandTest::AddWindow(uint32_t type, const std::string& name) {
    auto* record = new WindowRecord(nullptr, type, Server());
    record->Name = name;
    Attach(record);
    AddedRecords.push_back(record);
    return record;
}

std::vector<std::string> CommandTest::ServerLines() {
    const std::string marker = "PING :marker-" + std::to_string(++marker_);
    SendServerLine(marker + "\r\n", Server(), 1);
    std::vector<std::string> lines;
    for (;;) {
        std::optional<std::string> line = irc_->ReadLine();
        if (!line) {
            ADD_FAILURE() << "the server never saw " << marker;
            return lines;
        }
        if (*line == marker) return lines;
        lines.push_back(*line);
    }
}

bool CommandTest::WaitForTriggers(size_t count) {
    return WaitUntil([count] { return CountCalls("RunTriggerScriptThread") >= count; });
}

void CommandTest::Pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

std::vector<std::string> CommandTest::WindowEffects() {
    Pump();
    std::vector<std::string> effects;
    for (const RecordedCall& call : CallLog::Instance().Calls()) {
        const std::string name = call.Window ? call.Window->Name : "";
        if (call.Service == "FrameCommand") effects.push_back("frame " + std::to_string(call.Number));
        if (call.Service == "OpenChatWindow") effects.push_back("open " + call.Text);
        if (call.Service == "WM_CLOSE") effects.push_back("close " + name);
        if (call.Service == "WM_SETFONT") effects.push_back("font " + name);
        if (call.Service == "ActivateWindowRecord") effects.push_back("activate " + name);
        if (call.Service == "OnDccChatDisconnected") effects.push_back("dcc-end " + name);
    }
    return effects;
}

void CommandTest::Type(WindowRecord* window, const std::string& line) {
    SetRecordedActiveWindow(window);
    ProcessInputLine(line.c_str(), window, 0);
}

void CommandTest::UseSettings(const char* rootXml) {
    settings_ = std::make_unique<XmlDocument>();
    XmlDocumentOpenText(settings_.get(), (std::string("<?xml ?>") + rootXml).c_str());
    UserConfigDocument = settings_.get();
}
