#include "tests/commands/command_test_fixture.h"

#include "commands/input_dispatcher.h"
#include "common/app_state.h"
#include "irc/send_path.h"
#include "irc/server_connection.h"
#include "irc/server_session.h"
#include "core/dcc_connection.h"
#include "core/window_list.h"
#include "tests/recorders/recorders.h"
#include "xml/config_documents.h"

namespace {

std::vector<WindowRecord*> AddedRecords;

} // namespace

void CommandTest::SetUp() {
    PrepareConnectionTests();
    CallLog::Instance().Clear();
    FloodQueueing = 0;
    DefaultCodePage = CP_UTF8;
    frame_ = std::make_unique<ChatTestFrame>();

    irc_ = std::make_unique<ScriptedServer>();
    server_ = std::make_unique<ServerWindow>();
    server_->Aim(irc_->Port());
    Server()->Name = "irc.test";
    StartServerConnection(Server());
    ASSERT_TRUE(irc_->Accept());
    ASSERT_EQ(irc_->ReadLine().value_or(""), "USER tester Brindlex Brindlex :Test User");
    ASSERT_EQ(irc_->ReadLine().value_or(""), "NICK tester");
    server_->Connection().OwnNick = "me";
    server_->Connection().Registered = 1; // as the server's welcome leaves it
    Server()->Window = MakeChatWindowFor(Server());

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
    frame_->CloseOpenedWindows();
    for (auto it = AddedRecords.rbegin(); it != AddedRecords.rend(); ++it) DetachChatWindow(*it);
    AddedRecords.clear();
    DestroyWindow(Server()->Window);
    Server()->Window = nullptr;
    server_.reset();
    irc_.reset();
    dccPeer_.reset();
    Pump();
    frame_.reset();
    UserConfigDocument = nullptr;
    settings_.reset();
    DefaultCodePage = 0;
    CallLog::Instance().Clear();
}

WindowRecord* CommandTest::AddWindow(uint32_t type, const std::string& name) {
    auto* record = new WindowRecord(nullptr, type, Server());
    record->Name = name;
    AttachChatWindow(record);
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
    ProcessInputLine(line.c_str(), window);
}

void CommandTest::UseSettings(const char* rootXml) {
    settings_ = std::make_unique<XmlDocument>();
    XmlDocumentOpenText(settings_.get(), (std::string("<?xml ?>") + rootXml).c_str());
    UserConfigDocument = settings_.get();
}
