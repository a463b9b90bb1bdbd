#include "tests/frame/chat_session.h"

#include "core/client_services.h"
#include "core/window_list.h"
#include "core/window_record.h"

#include <commctrl.h>

namespace {

WindowRecord* FindWindowNamed(const std::string& name, uint32_t type) {
    for (WindowRecord* record : WindowListSnapshot())
        if (record->Type == type && record->Name == name) return record;
    return nullptr;
}

} // namespace

ChatSession::ChatSession(int modesPerLine) {
    PrepareConnectionTests();
    const std::string command = "/server 127.0.0.1:" + std::to_string(server_.Port());
    ProcessInputLine(command.c_str(), nullptr);
    bool accepted = false;
    if (!Pump([&] { return accepted = server_.Accept(20); }, 10000)) return;
    for (int i = 0; i < 10 && nick_.empty(); ++i) {
        std::optional<std::string> line;
        Pump([&] { return (line = server_.ReadLine(20)).has_value(); }, 5000);
        if (line && line->rfind("NICK ", 0) == 0) nick_ = line->substr(5);
    }
    if (nick_.empty()) return;
    server_.Send(":irc.test 001 " + nick_ + " :Welcome\r\n:irc.test 005 " + nick_ +
                 " MODES=" + std::to_string(modesPerLine) + " PREFIX=(qov).@+ :are supported\r\n");
    server_.Send(":" + nick_ + "!u@h JOIN :#chan\r\n:irc.test 353 " + nick_ + " = #chan :" + nick_ +
                 " @ann bob carol\r\n:irc.test 366 " + nick_ + " #chan :End\r\n");
    Pump(
        [&] {
            return (Channel = FindWindowNamed("#chan", kChannelWindow)) && Channel->NickList &&
                   SendMessageW(Channel->NickList, LVM_GETITEMCOUNT, 0, 0) == 4;
        },
        10000);
    if (!Channel) return;
    ServerWindow = Channel->Server;
    Query = OpenChat(kQueryWindow, ServerWindow, "bob");
    DccChat = OpenChat(kDccChatWindow, ServerWindow, "dave");
    ready_ = ServerWindow && Query && DccChat;
}

ChatSession::~ChatSession() {
    HoldShift(false);
}

bool ChatSession::ServerGot(const std::string& text, DWORD timeoutMs) {
    return Pump(
        [&] {
            std::optional<std::string> line = server_.ReadLine(10);
            return line && line->find(text) != std::string::npos;
        },
        timeoutMs);
}

std::vector<std::string> ChatSession::LinesWithin(DWORD ms) {
    std::vector<std::string> lines;
    Pump(
        [&] {
            if (std::optional<std::string> line = server_.ReadLine(10)) lines.push_back(*line);
            return false;
        },
        ms);
    return lines;
}

void SelectNicks(WindowRecord* channel, std::initializer_list<const wchar_t*> nicks) {
    HWND list = channel->NickList;
    LVITEMW none{};
    none.stateMask = LVIS_SELECTED;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
    for (const wchar_t* nick : nicks) {
        LVFINDINFOW find{};
        find.flags = LVFI_STRING;
        find.psz = nick;
        const int index = static_cast<int>(
            SendMessageW(list, LVM_FINDITEMW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
        LVITEMW select{};
        select.stateMask = LVIS_SELECTED;
        select.state = LVIS_SELECTED;
        if (index >= 0) SendMessageW(list, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&select));
    }
}

void HoldShift(bool held) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_SHIFT] = held ? 0x80 : 0;
    keys[VK_LSHIFT] = held ? 0x80 : 0;
    SetKeyboardState(keys);
}
