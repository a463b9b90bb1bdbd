#include "commands/command_text.h"

std::string DropLeadingColon(std::string text) {
    if (!text.empty() && text[0] == ':') text.erase(0, 1);
    return text;
}

bool ParseDecimal(std::string_view text, uint32_t limit, uint32_t& value) {
    if (text.empty() || text.size() > 10) return false;
    uint64_t number = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        number = number * 10 + static_cast<uint64_t>(c - '0');
    }
    if (number > limit) return false;
    value = static_cast<uint32_t>(number);
    return true;
}
