// DNS lookups of A, AAAA and PTR records on a worker thread; the result goes to the frame as
// WM_DNS_RESULT. Without a resolver a lookup delivers an empty result.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct WindowRecord;

constexpr uint32_t kDnsTypeA = 1;
constexpr uint32_t kDnsTypePtr = 12;
constexpr uint32_t kDnsTypeAaaa = 28;

// lParam of WM_DNS_RESULT; valid while the message is sent, then freed by the lookup.
struct DnsResult {
    WindowRecord* Window = nullptr;
    std::wstring Name;
    int32_t Mode = 0;
    std::vector<std::string> Lines; // pairs: "IpV4\t", "IpV6\t" or "PTRN\t", then the value
};

// Not synchronous: the lookup runs on its own thread and reports to the frame. Synchronous: it
// runs here and, when out is given, the result is copied there.
void StartDnsLookup(WindowRecord* window, const std::wstring& name, const std::vector<uint32_t>& types,
                    int32_t mode, uint8_t synchronous, DnsResult* out);

// "a.b.c.d" becomes "d.c.b.a.IN-ADDR.ARPA" when each part is a number of one to three digits
// (a part "0" only as a single character); returns the new length, or 0 leaving text as it was.
size_t ReverseLookupName(std::string& text);
