// Built-ins over message prefixes (":nick!user@host"): their parts and the ban and ignore
// masks built from them. The aliases NickFromMask, IdentFromMask, DomainFromMask and
// IPFromMask reach InfoFromMask through the alias step with a style and an index appended.
#include "script/builtin_families.h"
#include "script/builtin_values.h"

#include "irc/user_address.h"

namespace {

std::string MaskOf(const BuiltinCall& call, const std::string& address, int32_t style) {
    std::string mask;
    MakeAddressMask(call.ConnectionWindow, mask, address, static_cast<uint32_t>(style), nullptr);
    return mask;
}

// Only one leading ':' goes.
uint32_t WithoutColon(BuiltinCall& call) {
    RequireArgs(call, 1);
    const std::string& text = Arg(call, 0);
    return TextResult(call, !text.empty() && text[0] == ':' ? text.substr(1) : text);
}

uint32_t Mask(BuiltinCall& call) {
    RequireArgs(call, 2);
    return TextResult(call, MaskOf(call, Arg(call, 0), ArgSmallNumber(call, 1)));
}

// nick, user, host and the mask; with an index from 0 to 3 only that value.
uint32_t AddressParts(BuiltinCall& call) {
    RequireArgs(call, 2, false);
    UserAddress parts;
    ParseIrcPrefix(Arg(call, 0), parts);
    std::vector<std::string> values{parts.Nick, parts.User, parts.Host,
                                    MaskOf(call, Arg(call, 0), ArgSmallNumber(call, 1))};
    return TextListOrOne(call, std::move(values), 2);
}

const BuiltinEntry kRows[] = {
    {"mask", WithoutColon},
    {"GetMask", Mask},
    {"InfoFromMask", AddressParts},
};

} // namespace

std::span<const BuiltinEntry> AddressBuiltins() {
    return kRows;
}
