#include "common/script_number.h"

#include <cstdlib>

int64_t ScriptValueToInt64(const std::string& text) {
    size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t' || text[at] == '"' || text[at] == '\''))
        ++at;
    return static_cast<int64_t>(std::strtoll(text.c_str() + at, nullptr, 10));
}
