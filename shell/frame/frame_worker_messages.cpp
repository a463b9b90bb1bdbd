#include "shell/frame/frame_worker_messages.h"

#include "common/text_compare.h"
#include "common/xstring.h"
#include "irc_lines/ctcp_dcc_filter.h"
#include "irc_lines/dns_lookup.h"
#include "irc/server_connection.h"
#include "irc_lines/upnp_mapping.h"
#include "script/event_scripts.h"
#include "core/frame_message_ids.h"
#include "core/interface_thread_call.h"
#include "core/remote_text.h"
#include "core/window_list.h"
#include "core/window_record.h"
#include "views/line_printer.h"
#include "markup/markup_codes.h"

#include <string>

namespace {

constexpr WPARAM kServerLookupBase = 1000;

void PrintDnsResult(const DnsResult& result) {
    std::string parameters = WideToNarrow(result.Name) + " ";
    for (const std::string& line : result.Lines) parameters += line + " ";
    std::string answer;
    // The names came from a name server: its event script runs as text from outside.
    RemoteTextScope remote;
    if (script::RunEventScript("On_DNS", result.Window, result.Window, parameters, answer) == 1) return;
    const std::wstring name = result.Name.substr(0, 990);
    views::PrintToWindow(kInformationLine, result.Window,
                         L"\x02" + std::wstring(kSymbolDot) + L" DNS: \x02" + name);
    for (size_t i = 0; i + 1 < result.Lines.size(); i += 2) {
        std::wstring label = NarrowToWide(result.Lines[i]), value = NarrowToWide(result.Lines[i + 1]);
        views::PrintToWindow(kInformationLine, result.Window,
                             L"\x02\x12\\\x12 " + label.substr(0, 400) + L" : \x02" + value.substr(0, 500));
    }
    views::PrintToWindow(kInformationLine, result.Window,
                         L"\x02" + std::wstring(kSymbolDot) + L" DNS " + kSymbolDot + L"\x02");
}

// A lookup made for a server window fills its connection's address texts.
void StoreServerAddresses(uint32_t index, const DnsResult& result) {
    WindowRecord* server = GetWindowRecordAt(index);
    if (!server || server->Type != kServerWindow || !server->Connection) return;
    ServerConnection& connection = *server->Connection;
    const char* wanted = connection.IsIPv6 ? "IPv6" : "IPv4";
    for (size_t i = 0; i + 1 < result.Lines.size(); i += 2) {
        if (!StartsWithNoCase(result.Lines[i], wanted)) continue;
        (connection.IsIPv6 ? connection.ReportedIPv6 : connection.ReportedIPv4) = result.Lines[i + 1];
        return;
    }
}

} // namespace

bool HandleWorkerMessage(HWND frame, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    (void)frame;
    result = 0;
    switch (message) {
        case WM_SERVER_LINE_TO_GUI: RunServerLineOnInterfaceThread(wParam, lParam); return true;
        case WM_RUN_ON_INTERFACE_THREAD: result = RunInterfaceThreadWork(lParam); return true;
        case WM_DNS_RESULT: {
            const auto* dns = reinterpret_cast<const DnsResult*>(lParam);
            if (!dns) return true;
            if (wParam < kServerLookupBase) {
                if (dns->Window && IsWindowRecordListed(dns->Window)) PrintDnsResult(*dns);
            } else {
                StoreServerAddresses(static_cast<uint32_t>(wParam - kServerLookupBase), *dns);
            }
            return true;
        }
        case WM_UPNP_REQUEST:
            if (wParam == kUpnpAdd || wParam == kUpnpRemove)
                UpnpPortMapping(static_cast<uint32_t>(lParam), static_cast<uint32_t>(wParam), nullptr,
                                const_cast<wchar_t*>(L"TCP"));
            else if (wParam == kUpnpExternalAddress)
                UpnpPortMapping(0, kUpnpExternalAddress, nullptr, reinterpret_cast<wchar_t*>(lParam));
            return true;
        default: return false;
    }
}
