#include "tests/irc_lines/lines_test_support.h"

#include "common/app_state.h"
#include "irc_lines/ctcp_dcc_filter.h"
#include "irc_lines/dns_lookup.h"
#include "irc/line_dispatch.h"
#include "irc/send_path.h"
#include "irc_lines/server_line_handlers.h"
#include "core/frame_message_ids.h"
#include "core/user_lists.h"
#include "xml/config_documents.h"
#include "xml/xml_profile.h"

#include <commctrl.h>

// The frame's part in the server lines: lines handed to the interface thread, DNS results and
// UPnP requests (recorded; there is no router here).
bool HandleFrameMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = 0;
    if (message == WM_SERVER_LINE_TO_GUI) {
        RunServerLineOnInterfaceThread(wParam, lParam);
        return true;
    }
    if (message == WM_DNS_RESULT) {
        const auto* dns = reinterpret_cast<const DnsResult*>(lParam);
        std::string lines;
        for (const std::string& line : dns->Lines) lines += line + "|";
        CallLog::Instance().Add({"DnsResult", dns->Window, lines, wParam});
        return true;
    }
    if (message == WM_UPNP_REQUEST) {
        CallLog::Instance().Add({"UpnpRequest", nullptr, {}, wParam});
        return true;
    }
    return false;
}

void LinesTest::SetUp() {
    PrepareConnectionTests();
    CallLog::Instance().Clear();
    CallLog::Instance().Answer = nullptr;
    CallLog::Instance().AnswerText = nullptr;
    DefaultCodePage = CP_UTF8;
    settings_ = std::make_unique<XmlDocument>();
    XmlDocumentOpenText(
        settings_.get(),
        "<?xml version=\"1.0\" ?><root><Cfg><Options1 /><Options2 Join_Box_On_Connect=\"0\" />"
        "<User_Lists /></Cfg></root>");
    UserConfigDocument = settings_.get();
    LoadUserLists();
    ClearServerLineHandlers();
    RegisterServerLineHandlers();
    frame_ = std::make_unique<ChatTestFrame>();
    SetFrameMessageHook(HandleFrameMessage);
    FloodQueueing = 0;
    scripted_ = std::make_unique<ScriptedServer>();
    server_ = std::make_unique<ServerWindow>();
    Server()->Name = "irc.test";
    Connection().OwnNick = "me";
    const SOCKET socket = ConnectLoopback(scripted_->Port());
    ASSERT_NE(socket, INVALID_SOCKET);
    server_->UseSocket(socket, scripted_->Port());
    ASSERT_TRUE(scripted_->Accept());
}

void LinesTest::TearDown() {
    frame_->CloseOpenedWindows();
    SetFrameMessageHook(nullptr);
    server_.reset();
    scripted_.reset();
    frame_.reset();
    ClearServerLineHandlers();
    UserConfigDocument = nullptr;
    LoadUserLists();
    CallLog::Instance().Answer = nullptr;
    CallLog::Instance().AnswerText = nullptr;
    CallLog::Instance().Clear();
}

void LinesTest::Handle(const std::string& line) {
    HandleServerLine(line, Server());
}

void LinesTest::SetConfig(const char* section, const char* key, const char* value) {
    XmlWriteProfileString(section, key, value, nullptr, settings_.get());
    LoadUserLists();
}

std::vector<std::string> LinesTest::Sent(DWORD timeoutMs) {
    std::vector<std::string> lines;
    while (auto line = scripted_->ReadLine(timeoutMs)) lines.push_back(*line);
    return lines;
}

WindowRecord* LinesTest::Open(uint32_t type, const std::string& name) {
    OpenChatWindowRequest request{Server(), type, name, 0};
    const auto window = reinterpret_cast<HWND>(
        SendMessageW(frame_->Window(), WM_OPEN_CHAT_WINDOW, 0, reinterpret_cast<LPARAM>(&request)));
    return reinterpret_cast<WindowRecord*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

std::vector<std::wstring> NickListItems(const WindowRecord* channel) {
    std::vector<std::wstring> nicks;
    const int count = static_cast<int>(SendMessageW(channel->NickList, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t text[1001] = {};
        LVITEMW item{};
        item.pszText = text;
        item.cchTextMax = 1001;
        SendMessageW(channel->NickList, LVM_GETITEMTEXTW, i, reinterpret_cast<LPARAM>(&item));
        nicks.push_back(text);
    }
    return nicks;
}

int LinesTest::GroupOf(const WindowRecord* channel, const std::wstring& text) {
    const std::vector<std::wstring> nicks = Nicks(channel);
    for (size_t i = 0; i < nicks.size(); ++i) {
        if (nicks[i] != text) continue;
        LVITEMW item{};
        item.mask = LVIF_PARAM;
        item.iItem = static_cast<int>(i);
        SendMessageW(channel->NickList, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
        return static_cast<int>(item.lParam);
    }
    return -1;
}

void LinesTest::Fill(WindowRecord* channel, const std::string& names) {
    Handle(":irc.test 353 me = " + channel->Name + " :" + names);
    Handle(":irc.test 366 me " + channel->Name + " :End of NAMES list");
}

std::vector<std::string> LinesTest::PrintedIn(const WindowRecord* window) {
    std::vector<std::string> texts;
    for (const RecordedCall& call : CallLog::Instance().Calls("PrintToWindow"))
        if (call.Window == window) texts.push_back(call.Text);
    return texts;
}

std::vector<RecordedCall> LinesTest::Calls(const std::string& service) {
    return CallLog::Instance().Calls(service);
}
