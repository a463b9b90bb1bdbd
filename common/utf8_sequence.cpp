#include "common/utf8_sequence.h"

size_t Utf8SequenceAt(std::string_view text, char32_t* code) {
    if (text.empty()) return 0;
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) {
        if (code) *code = lead;
        return 1;
    }
    size_t length = 0;
    char32_t value = 0, least = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, value = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, value = lead & 0x07, least = 0x10000;
    } else {
        return 0;
    }
    if (text.size() < length) return 0;
    for (size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return 0;
        value = (value << 6) | (byte(i) & 0x3F);
    }
    if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    if (code) *code = value;
    return length;
}

bool IsWellFormedUtf8(std::string_view text) {
    while (!text.empty()) {
        const size_t length = Utf8SequenceAt(text);
        if (length == 0) return false;
        text.remove_prefix(length);
    }
    return true;
}
