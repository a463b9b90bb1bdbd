#include "irc/user_address.h"

#include "common/xstring.h"

namespace {

// Four decimal numbers of at most three digits, each below 256, joined by dots.
bool IsDottedIPv4(std::string_view host) {
    int parts = 0;
    size_t i = 0;
    while (parts < 4) {
        size_t digits = 0;
        int value = 0;
        while (i < host.size() && host[i] >= '0' && host[i] <= '9' && digits < 3) {
            value = value * 10 + (host[i] - '0');
            ++i;
            ++digits;
        }
        if (digits == 0 || value > 255) return false;
        ++parts;
        if (parts < 4) {
            if (i >= host.size() || host[i] != '.') return false;
            ++i;
        }
    }
    return i == host.size();
}

} // namespace

void ParseIrcPrefix(std::string_view prefix, UserAddress& out) {
    if (!prefix.empty() && prefix.front() == ':') prefix.remove_prefix(1);
    const size_t bang = prefix.find('!');
    if (bang == std::string_view::npos) {
        out.Nick.assign(prefix);
        return;
    }
    out.Nick.assign(prefix.substr(0, bang));
    std::string_view rest = prefix.substr(bang + 1);
    const size_t at = rest.find('@');
    if (at == std::string_view::npos) {
        out.User.assign(rest);
        return;
    }
    out.User.assign(rest.substr(0, at));
    out.Host.assign(rest.substr(at + 1));
}

void MakeAddressMask(WindowRecord*, std::string& out, std::string_view prefix, uint32_t style,
                     const UserAddress* address) {
    if (style >= kAddressMaskStyles) return;
    UserAddress parsed;
    ParseIrcPrefix(prefix, parsed);
    if (address) parsed = *address;
    const std::string& n = parsed.Nick;
    const std::string& u = parsed.User;
    const std::string& h = parsed.Host;

    // A numeric host is cut at its last dot, a name at its first.
    std::string head = h;
    std::string tail;
    const bool numeric = IsDottedIPv4(h);
    const size_t cut = numeric ? h.rfind('.') : h.find('.');
    if (cut != std::string::npos) {
        head = h.substr(0, cut);
        tail = h.substr(cut + 1);
    }
    // The narrow part of the host (last number, or first label) and the wide part.
    const std::string narrow = numeric ? "*." + tail : head + ".*";
    const std::string wide = numeric ? head + ".*" : "*." + tail;

    switch (style) {
        case 0: out = n + "!*@*.*"; break;
        case 1: out = "*!" + u + "@*.*"; break;
        case 2: out = "*!*@" + narrow; break;
        case 3: out = "*!*@" + wide; break;
        case 4: out = n + "!" + u + "@*.*"; break;
        case 5: out = n + "!*@" + narrow; break;
        case 6: out = n + "!*@" + wide; break;
        case 7: out = "*!" + u + "@" + narrow; break;
        case 8: out = "*!" + u + "@" + wide; break;
        case 9: out = "*!*@" + h; break;
        case 10: out = n + "!" + u + "@" + narrow; break;
        case 11: out = n + "!" + u + "@" + wide; break;
        case 12: out = n + "!*@" + h; break;
        case 13: out = "*!" + u + "@" + h; break;
        default: out = n + "!" + u + "@" + h; break;
    }
}

void FillAddressMaskList(HWND comboBox, WindowRecord* window, const UserAddress& address) {
    for (uint32_t style = 0; style < kAddressMaskStyles; ++style) {
        std::string mask;
        MakeAddressMask(window, mask, {}, style, &address);
        const std::wstring wide = NarrowToWide(mask);
        SendMessageW(comboBox, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    }
    SendMessageW(comboBox, CB_SETCURSEL, 9, 0);
}
