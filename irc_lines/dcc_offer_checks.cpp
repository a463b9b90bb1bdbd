#include "irc_lines/dcc_offer_checks.h"

#include "common/plain_base_name.h"
#include "common/text_compare.h"
#include "common/xstring.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstring>

namespace {

bool AllDigits(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

// Up to 20 digits into 64 bits; false on overflow.
bool ParseDecimal(std::string_view text, uint64_t& value) {
    if (!AllDigits(text) || text.size() > 20) return false;
    value = 0;
    for (char c : text) {
        const uint64_t digit = static_cast<uint64_t>(c - '0');
        if (value > (UINT64_MAX - digit) / 10) return false;
        value = value * 10 + digit;
    }
    return true;
}

bool IsHostIPv4(uint32_t host) {
    return host != 0 && host != 0xFFFFFFFF && (host >> 28) != 0xE; // not multicast
}

std::string DottedText(uint32_t hostOrder) {
    in_addr address{};
    address.s_addr = htonl(hostOrder);
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address, text, sizeof text);
    return text;
}

bool ParseIPv6(const std::string& text, in6_addr& out) {
    return inet_pton(AF_INET6, text.c_str(), &out) == 1;
}

bool ParseIPv4(const std::string& text, uint32_t& hostOrder) {
    in_addr address{};
    if (inet_pton(AF_INET, text.c_str(), &address) != 1) return false;
    hostOrder = ntohl(address.s_addr);
    return true;
}

} // namespace

bool ParseOfferAddress(std::string_view text, OfferAddress& out) {
    const std::string copy(text);
    if (copy.find(':') != std::string::npos) {
        in6_addr address{};
        if (!ParseIPv6(copy, address)) return false;
        static const in6_addr unspecified{};
        if (std::memcmp(&address, &unspecified, sizeof address) == 0 || address.s6_addr[0] == 0xFF)
            return false;
        char normal[INET6_ADDRSTRLEN] = {};
        inet_ntop(AF_INET6, &address, normal, sizeof normal);
        out.Text = normal;
        out.IsIPv6 = true;
        return true;
    }
    uint32_t host = 0;
    if (copy.find('.') != std::string::npos) {
        if (!ParseIPv4(copy, host)) return false;
    } else {
        uint64_t number = 0;
        if (!ParseDecimal(copy, number) || number > 0xFFFFFFFFull) return false;
        host = static_cast<uint32_t>(number);
    }
    if (!IsHostIPv4(host)) return false;
    out.Text = DottedText(host);
    out.IsIPv6 = false;
    return true;
}

uint32_t ParseOfferPort(std::string_view text) {
    uint64_t port = 0;
    if (!ParseDecimal(text, port) || port == 0 || port > 65535) return 0;
    return static_cast<uint32_t>(port);
}

bool ParseOfferSize(std::string_view text, uint64_t& size) {
    return ParseDecimal(text, size) && size != 0 && size <= 0x7FFFFFFFFFFFFFFFull;
}

std::string PlainOfferFileName(std::string_view name) {
    const size_t cut = name.find_last_of("/\\:");
    if (cut != std::string_view::npos) name.remove_prefix(cut + 1);
    std::string plain;
    for (unsigned char c : WithoutControlCharacters(name)) {
        if (c == '"' || c == '\'' || c == '`') continue;
        plain += std::strchr("<>|?*", c) ? '_' : static_cast<char>(c);
    }
    for (size_t twin = plain.find(".."); twin != std::string::npos; twin = plain.find(".."))
        plain.erase(twin, 1);
    while (!plain.empty() && (plain.front() == '.' || plain.front() == ' ')) plain.erase(0, 1);
    while (!plain.empty() && (plain.back() == '.' || plain.back() == ' ')) plain.pop_back();
    if (plain.size() > kMaxOfferFileName) {
        size_t end = kMaxOfferFileName;
        while (end > 0 && (static_cast<unsigned char>(plain[end]) & 0xC0) == 0x80) --end;
        plain.resize(end);
        while (!plain.empty() && (plain.back() == '.' || plain.back() == ' ')) plain.pop_back();
    }
    if (IsWindowsDeviceName(NarrowToWide(plain))) plain.insert(0, "_");
    return plain;
}
