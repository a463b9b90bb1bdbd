#include "irc_lines/dns_lookup.h"

#include "common/app_state.h"
#include "common/net_helpers.h"
#include "common/text_compare.h"
#include "common/text_split.h"
#include "common/xstring.h"
#include "core/frame_message_ids.h"

#include <winsock2.h>
#include <windns.h>
#include <ws2tcpip.h>

#include <process.h>

#include <cstring>
#include <exception>

namespace {

struct DnsJob {
    std::vector<uint32_t> Types;
    uint8_t Synchronous = 0;
    DnsResult Result;
};

void AddRecords(PDNS_RECORD records, bool narrow, std::vector<std::string>& lines) {
    for (PDNS_RECORD record = records; record; record = record->pNext) {
        if (record->wType == DNS_TYPE_A) {
            in_addr address{};
            address.s_addr = record->Data.A.IpAddress;
            char text[INET_ADDRSTRLEN] = {};
            inet_ntop(AF_INET, &address, text, sizeof text);
            lines.push_back("IpV4\t");
            lines.push_back(text);
        } else if (record->wType == DNS_TYPE_AAAA) {
            uint8_t bytes[16];
            std::memcpy(bytes, &record->Data.AAAA.Ip6Address, 16);
            lines.push_back("IpV6\t");
            lines.push_back(FormatIPv6(bytes));
        } else if (record->wType == DNS_TYPE_PTR) {
            lines.push_back("PTRN\t");
            if (narrow)
                lines.push_back(reinterpret_cast<const char*>(record->Data.PTR.pNameHost));
            else
                lines.push_back(WideToNarrow(record->Data.PTR.pNameHost));
        }
    }
}

void Query(const std::wstring& name, uint32_t type, std::vector<std::string>& lines) {
    PDNS_RECORD records = nullptr;
    if (type == kDnsTypePtr) {
        std::string narrow = WideToNarrow(name);
        if (narrow.size() > 200) narrow.resize(200);
        ReverseLookupName(narrow);
        if (DnsQuery_A(narrow.c_str(), static_cast<WORD>(type), DNS_QUERY_STANDARD, nullptr, &records,
                       nullptr) != 0)
            return;
        AddRecords(records, true, lines);
    } else {
        if (DnsQuery_W(name.c_str(), static_cast<WORD>(type), DNS_QUERY_STANDARD, nullptr, &records,
                       nullptr) != 0)
            return;
        AddRecords(records, false, lines);
    }
    DnsRecordListFree(records, DnsFreeRecordList);
}

void RunLookup(DnsJob& job) {
    for (uint32_t type : job.Types) Query(job.Result.Name, type, job.Result.Lines);
}

unsigned __stdcall DnsLookupThread(void* parameter) {
    auto* job = static_cast<DnsJob*>(parameter);
    try {
        RunLookup(*job);
        if (HWND frame = MainWindow.load())
            SendMessageW(frame, WM_DNS_RESULT, static_cast<WPARAM>(job->Result.Mode),
                         reinterpret_cast<LPARAM>(&job->Result));
    } catch (...) {
    }
    delete job;
    return 0;
}

bool IsShortNumber(const std::string& part) {
    if (part.empty() || part.size() > 3) return false;
    for (char c : part)
        if (c < '0' || c > '9') return false;
    return part.size() == 1 || part[0] != '0' || std::strtoul(part.c_str(), nullptr, 10) != 0;
}

} // namespace

size_t ReverseLookupName(std::string& text) {
    if (!WildcardMatch(text.c_str(), "*.*.*.*", false)) return 0;
    std::vector<std::string> parts;
    SplitString(parts, text, kSplitUnlimited, ".");
    if (parts.size() != 4) return 0;
    for (const std::string& part : parts)
        if (!IsShortNumber(part)) return 0;
    text = parts[3] + "." + parts[2] + "." + parts[1] + "." + parts[0] + ".IN-ADDR.ARPA";
    return text.size();
}

void StartDnsLookup(WindowRecord* window, const std::wstring& name, const std::vector<uint32_t>& types,
                    int32_t mode, uint8_t synchronous, DnsResult* out) {
    auto* job = new DnsJob{types, synchronous, DnsResult{window, name, mode, {}}};
    if (synchronous) {
        RunLookup(*job);
        if (out) *out = job->Result;
        delete job;
        return;
    }
    const uintptr_t thread = _beginthreadex(nullptr, 0, DnsLookupThread, job, 0, nullptr);
    if (thread)
        CloseHandle(reinterpret_cast<HANDLE>(thread));
    else
        delete job;
}
