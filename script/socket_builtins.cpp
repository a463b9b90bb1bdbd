// Winsock for scripts: sockets made, bound, connected, listened on and accepted, data sent and
// received, options, byte-order and address conversions, the host name and a DNS lookup. Every
// call blocks the script's thread. A socket is the system's socket number, passed to the system
// as the script gives it: one the script made, one it accepted, or one it took elsewhere, such as
// its connection's ("$socket"). Lengths never reach past the script's text or beyond one bounded
// receive.
#include "script/builtin_families.h"
#include "script/builtin_values.h"

#include "common/net_helpers.h"
#include "common/xstring.h"
#include "irc_lines/dns_lookup.h"

#include <cstring>
#include <vector>

namespace {

// The most one recv takes.
constexpr uint64_t kMaxReceive = 64 * 1024;
constexpr size_t kAddressBytes = 1000;

// All 64 bits of the number.
SOCKET Socket(const BuiltinCall& call, size_t index) {
    return static_cast<SOCKET>(ArgNumber(call, index));
}

uint32_t CallResult(BuiltinCall& call, int result) {
    return NumberResult(call, result);
}

// A length from the script, never beyond the text it measures.
int ClampedLength(const BuiltinCall& call, size_t index, size_t textLength) {
    const int64_t length = ArgNumber(call, index);
    if (length <= 0) return 0;
    return static_cast<int>(std::min<uint64_t>(static_cast<uint64_t>(length), textLength));
}

uint32_t Swap16(BuiltinCall& call) {
    RequireArgs(call, 1);
    const uint16_t value = static_cast<uint16_t>(ArgLow32(call, 0));
    return NumberResult(call, static_cast<uint16_t>((value >> 8) | (value << 8)));
}

uint32_t Swap32(BuiltinCall& call) {
    RequireArgs(call, 1);
    const uint32_t v = ArgLow32(call, 0);
    const uint32_t swapped = (v >> 24) | ((v >> 8) & 0xFF00) | ((v << 8) & 0xFF0000) | (v << 24);
    return NumberResult(call, static_cast<int32_t>(swapped));
}

// A stream socket unless the first argument is 1; IPv6 when the second is 1.
uint32_t MakeSocket(BuiltinCall& call) {
    const bool datagram = HasArg(call, 0) && ArgNumber(call, 0) == 1;
    const bool ipv6 = HasArg(call, 1) && ArgNumber(call, 1) == 1;
    const SOCKET made = socket(ipv6 ? AF_INET6 : AF_INET, datagram ? SOCK_DGRAM : SOCK_STREAM, 0);
    return NumberResult(call, static_cast<uint32_t>(made)); // an invalid socket reads 4294967295
}

uint32_t SetOption(BuiltinCall& call) {
    RequireArgs(call, 5);
    const SOCKET s = Socket(call, 0);
    const std::string& value = Arg(call, 3);
    return CallResult(call, setsockopt(s, static_cast<int>(ArgNumber(call, 1)),
                                       static_cast<int>(ArgNumber(call, 2)), value.data(),
                                       ClampedLength(call, 4, value.size())));
}

uint32_t GetOption(BuiltinCall& call) {
    RequireArgs(call, 3);
    const SOCKET s = Socket(call, 0);
    char value[kAddressBytes + 1] = {};
    int length = static_cast<int>(kAddressBytes);
    getsockopt(s, static_cast<int>(ArgNumber(call, 1)), static_cast<int>(ArgNumber(call, 2)), value, &length);
    return TextResult(call, value);
}

// The first address of the host, IPv4 preferred; length 0 when neither family resolves.
int Resolve(const std::string& host, uint32_t port, std::vector<char>& address) {
    address.assign(kAddressBytes, 0);
    uint32_t length = ResolveHost(host.c_str(), port, 0, address.data(), address.size(), AF_INET);
    if (!length) length = ResolveHost(host.c_str(), port, 0, address.data(), address.size(), AF_INET6);
    return static_cast<int>(length);
}

uint32_t Connect(BuiltinCall& call) {
    RequireArgs(call, 3);
    const SOCKET s = Socket(call, 0);
    std::vector<char> address;
    const int length = Resolve(Arg(call, 1), ArgLow32(call, 2), address);
    return CallResult(call, connect(s, reinterpret_cast<const sockaddr*>(address.data()), length));
}

// Every local address of the family, on the port.
uint32_t Bind(BuiltinCall& call) {
    RequireArgs(call, 2, false);
    const SOCKET s = Socket(call, 0);
    const u_short port = htons(static_cast<u_short>(ArgLow32(call, 1)));
    if (HasArg(call, 2) && ArgNumber(call, 2) == 1) {
        sockaddr_in6 any{};
        any.sin6_family = AF_INET6;
        any.sin6_port = port;
        return CallResult(call, bind(s, reinterpret_cast<const sockaddr*>(&any), sizeof any));
    }
    sockaddr_in any{};
    any.sin_family = AF_INET;
    any.sin_port = port;
    return CallResult(call, bind(s, reinterpret_cast<const sockaddr*>(&any), sizeof any));
}

uint32_t Listen(BuiltinCall& call) {
    RequireArgs(call, 1, false);
    const SOCKET s = Socket(call, 0);
    return CallResult(call, listen(s, HasArg(call, 1) ? static_cast<int>(ArgNumber(call, 1)) : 1));
}

uint32_t Accept(BuiltinCall& call) {
    RequireArgs(call, 1);
    const SOCKET s = Socket(call, 0);
    return NumberResult(call, static_cast<int32_t>(accept(s, nullptr, nullptr))); // invalid: -1
}

// The data up to its first zero byte, or the given length cut to the data; with a host and a
// port, sent to the host's first address, IPv4 preferred.
uint32_t Send(BuiltinCall& call) {
    RequireArgs(call, 2, false);
    const SOCKET s = Socket(call, 0);
    const std::string& data = Arg(call, 1);
    const int length =
        HasArg(call, 2) ? ClampedLength(call, 2, data.size()) : static_cast<int>(std::strlen(data.c_str()));
    const int flags = HasArg(call, 3) ? static_cast<int>(ArgNumber(call, 3)) : 0;
    if (call.Arguments.size() < 6) return CallResult(call, send(s, data.data(), length, flags));
    std::vector<char> address;
    const int addressLength = Resolve(Arg(call, 4), ArgLow32(call, 5), address);
    return CallResult(call, sendto(s, data.data(), length, flags,
                                   reinterpret_cast<const sockaddr*>(address.data()), addressLength));
}

// At most 64 KiB; the bytes up to the first zero byte, empty when the peer closed.
uint32_t Receive(BuiltinCall& call) {
    RequireArgs(call, 2, false);
    const size_t length = ArgBoundedNumber(call, 1, kMaxReceive);
    const SOCKET s = Socket(call, 0);
    std::vector<char> buffer(length + 10, 0);
    const int flags = HasArg(call, 2) ? static_cast<int>(ArgNumber(call, 2)) : 0;
    if (recv(s, buffer.data(), static_cast<int>(length), flags) <= 0) buffer[0] = 0;
    return TextResult(call, buffer.data());
}

uint32_t Close(BuiltinCall& call) {
    RequireArgs(call, 1);
    closesocket(Socket(call, 0));
    return BareResult(call, "");
}

uint32_t LastError(BuiltinCall& call) {
    RequireArgs(call, 0);
    return NumberResult(call, WSAGetLastError());
}

uint32_t HostName(BuiltinCall& call) {
    RequireArgs(call, 0);
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0) name[0] = 0;
    return TextResult(call, name);
}

uint32_t EmptyText(BuiltinCall&) {
    return kTextResult;
}

// The first octet is the number's lowest byte.
uint32_t AddressText(BuiltinCall& call) {
    RequireArgs(call, 1);
    const uint32_t v = ArgLow32(call, 0);
    return TextResult(call, std::to_string(v & 0xFF) + "." + std::to_string((v >> 8) & 0xFF) + "." +
                                std::to_string((v >> 16) & 0xFF) + "." + std::to_string(v >> 24));
}

uint32_t AddressNumber(BuiltinCall& call) {
    RequireArgs(call, 1);
    return NumberResult(call, static_cast<int32_t>(inet_addr(Arg(call, 0).c_str())));
}

// The first IPv4 address, PTR name and IPv6 address found, or only one of them by index.
uint32_t Dns(BuiltinCall& call) {
    RequireArgs(call, 1, false);
    DnsResult found;
    StartDnsLookup(call.ConnectionWindow, NarrowToWide(Arg(call, 0)), {kDnsTypeA, kDnsTypePtr, kDnsTypeAaaa},
                   0, 1, &found);
    std::vector<std::string> values(3);
    const char* tags[] = {"IpV4", "PTRN", "IpV6"};
    for (size_t i = 0; i + 1 < found.Lines.size(); i += 2)
        for (size_t kind = 0; kind < 3; ++kind)
            if (values[kind].empty() && _strnicmp(found.Lines[i].c_str(), tags[kind], 4) == 0)
                values[kind] = found.Lines[i + 1];
    return TextListOrOne(call, std::move(values), 1);
}

const BuiltinEntry kRows[] = {
    {"ntohs", Swap16},
    {"htons", Swap16},
    {"ntohl", Swap32},
    {"htonl", Swap32},
    {"socket", MakeSocket},
    {"setsockopt", SetOption},
    {"getsockopt", GetOption},
    {"connect", Connect},
    {"bind", Bind},
    {"listen", Listen},
    {"accept", Accept},
    {"send", Send},
    {"sendto", Send},
    {"recv", Receive},
    {"closesocket", Close},
    {"WSAGetLastError", LastError},
    {"gethostname", HostName},
    {"getsockname", EmptyText},
    {"getpeername", EmptyText},
    {"inet_ntoa", AddressText},
    {"inet_addr", AddressNumber},
    {"dns", Dns},
};

} // namespace

std::span<const BuiltinEntry> SocketBuiltins() {
    return kRows;
}
