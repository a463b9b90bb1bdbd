#include "irc_lines/ctcp_requests.h"

#include "common/text_compare.h"
#include "common/xstring.h"
#include "irc_lines/line_handler_support.h"
#include "irc/send_path.h"
#include "irc/server_connection.h"
#include "core/client_services.h"
#include "core/settings.h"
#include "markup/display_text.h"
#include "markup/markup_codes.h"

#include <algorithm>
#include <cstdio>

namespace {

// A setting's text as it may stand inside a CTCP answer: 2000 bytes at most, no markers.
std::string ReplySetting(std::string text) {
    if (text.size() > 1999) text.resize(1999);
    std::string clean;
    for (char c : text)
        if (c != '\x01' && c != '\r' && c != '\n' && c != '\0') clean += c;
    return clean;
}

std::string TimeText() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char text[64];
    std::snprintf(text, sizeof text, "%02u.%02u.%02u,%02u:%02u:%02u", now.wDay, now.wMonth, now.wYear,
                  now.wHour, now.wMinute, now.wSecond);
    return text;
}

// A ping's token goes back as it came, without anything that could end the answer early.
std::string PingToken(const std::string& body) {
    std::string token = body.size() > 5 ? body.substr(5) : std::string();
    std::string clean;
    for (char c : token)
        if (c != '\x01' && c != '\r' && c != '\n' && c != '\0' && clean.size() < 400) clean += c;
    return clean;
}

// The answer to a request, empty when it gets none.
std::string Answer(const std::string& body) {
    const std::string keyword = body.substr(0, body.find(' '));
    if (StringEqualsNoCase(body, "VERSION")) return "VERSION " + CtcpVersionText();
    if (StringEqualsNoCase(body, "FINGER")) return "FINGER " + ReplySetting(Settings::CtcpFingerReply());
    if (StringEqualsNoCase(body, "AIM")) return "AIM " + ReplySetting(Settings::CtcpAimReply());
    if (StringEqualsNoCase(body, "CLIENTINFO"))
        return "CLIENTINFO " + ReplySetting(Settings::CtcpClientInfoReply(CtcpVersionText()));
    if (StringEqualsNoCase(body, "TIME")) return "TIME " + TimeText();
    if (StringEqualsNoCase(body, "PING")) return "PONG";
    if (StringEqualsNoCase(keyword, "PING")) return "PING " + PingToken(body);
    return {};
}

void ShowCtcpLine(const IrcMessage& message, const std::string& body, WindowRecord* window) {
    WindowRecord* target = FindConnectionWindow(message.Param(0), ConnectionOfWindow(window));
    PrintInfo(target ? target : window, DisplayText()
                                            .Dot()
                                            .Bold(L" " + ServerText(message.Sender.Nick, CP_UTF8) + L" CTCP:")
                                            .Text(L" " + ServerText(body, CP_UTF8)));
}

} // namespace

std::string CtcpVersionText() {
    return "Brindlex 7 (Build 94) (x64) - an IRC client for Windows";
}

bool TakeCtcpReplyAllowance(ServerConnection* connection) {
    if (!connection) return false;
    const ULONGLONG now = GetTickCount64();
    LineHandlerState& state = connection->HandlerState;
    std::lock_guard<std::mutex> lock(state.Mutex);
    if (state.CtcpAnswers > kCtcpBurst) {
        state.CtcpAnswers = kCtcpBurst;
        state.CtcpRefilled = now;
    }
    const ULONGLONG earned = (now - state.CtcpRefilled) / kCtcpRefillMs;
    if (earned > 0) {
        state.CtcpAnswers =
            static_cast<uint32_t>(std::min<ULONGLONG>(kCtcpBurst, state.CtcpAnswers + earned));
        state.CtcpRefilled += earned * kCtcpRefillMs;
    }
    if (state.CtcpAnswers == 0) return false;
    --state.CtcpAnswers;
    return true;
}

uint32_t HandleCtcpRequest(const IrcMessage& message, const std::string& body, WindowRecord* window) {
    std::string result;
    if (RunEventScript("On_CTCP_Incoming", window, window, message.Text, result) == 1) return 1;
    if (Settings::IgnoreAllCtcp()) return 1;
    ShowCtcpLine(message, body, window);
    const UserAddress& sender = message.Sender;
    const std::string answer = Answer(body);
    if (!answer.empty() && !sender.Nick.empty() && TakeCtcpReplyAllowance(ConnectionOfWindow(window)))
        SendServerLine("NOTICE " + sender.Nick + " :\x01" + answer + "\x01\r\n", window, 0);
    return 1;
}

uint32_t HandleCtcpReply(const IrcMessage& message, const std::string& body, WindowRecord* window) {
    ShowCtcpLine(message, body, window);
    return 1;
}
