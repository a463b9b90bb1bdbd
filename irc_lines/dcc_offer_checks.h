// Checks on what a DCC offer from another user names before anything uses it: the address, the
// port, the size and the file name.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct OfferAddress {
    std::string Text; // normalised: dotted IPv4 or the IPv6 text
    bool IsIPv6 = false;
};

// One of the offer's three forms: text with ':' is an IPv6 address, text with '.' a dotted IPv4
// address, anything else a decimal number (an IPv4 address in host byte order). False when the
// text is none of them or names no host (unspecified, broadcast, multicast). A private or
// loopback address is an address like any other: two users on one network offer theirs, and the
// question shows it with the port, so the user decides.
bool ParseOfferAddress(std::string_view text, OfferAddress& out);

// A decimal port of 1 to 65535; 0 when the text is anything else.
uint32_t ParseOfferPort(std::string_view text);
// A decimal size of 1 to 2^63-1 bytes; false for 0, signs, other characters or overflow.
bool ParseOfferSize(std::string_view text, uint64_t& size);

constexpr size_t kMaxOfferFileName = 200;
// A plain base name: the part after the last '/' or '\\' (or drive ':'), without quotes, control
// characters, direction controls (WithoutControlCharacters) and characters Windows does not allow in names,
// without leading and trailing dots and blanks, at most kMaxOfferFileName bytes (whole UTF-8 characters), and
// with '_' before a device name (CON, NUL, COM1, ...). Empty when nothing usable is left.
std::string PlainOfferFileName(std::string_view name);
