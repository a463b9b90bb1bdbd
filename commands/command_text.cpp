#include "commands/command_text.h"

#include "xml/config_documents.h"
#include "xml/xml_profile.h"

std::string DropLeadingColon(std::string text) {
    if (!text.empty() && text[0] == ':') text.erase(0, 1);
    return text;
}

std::string ReadSettingText(const char* section, const char* key, const char* defaultValue) {
    // The reader copies a text only when it fits and otherwise reports its length.
    std::string text(256, '\0');
    for (int attempt = 0; attempt < 4; ++attempt) {
        text.assign(text.size(), '\0');
        const uint64_t length = XmlGetProfileString(section, key, defaultValue, text.data(), text.size(),
                                                    nullptr, UserConfigDocument);
        if (length < text.size()) {
            text.resize(static_cast<size_t>(length));
            return text;
        }
        text.resize(static_cast<size_t>(length) + 1);
    }
    return defaultValue ? defaultValue : "";
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
