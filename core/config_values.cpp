#include "core/config_values.h"

#include "xml/config_documents.h"
#include "xml/xml_profile.h"

std::string ReadConfigText(const char* section, const char* key, const char* defaultValue) {
    // The reader copies only what fits and otherwise reports the length: grow once and read again.
    std::string text(256, '\0');
    for (int attempt = 0; attempt < 4; ++attempt) {
        text.assign(text.size(), '\0');
        uint64_t length = XmlGetProfileString(section, key, defaultValue, text.data(), text.size(), nullptr,
                                              UserConfigDocument);
        if (length < text.size()) {
            text.resize(static_cast<size_t>(length));
            return text;
        }
        text.resize(static_cast<size_t>(length) + 1);
    }
    return defaultValue ? defaultValue : "";
}

int32_t ReadConfigInt(const char* section, const char* key, int32_t defaultValue) {
    return XmlGetProfileInt(section, key, defaultValue, nullptr, UserConfigDocument);
}

std::vector<uint8_t> ReadConfigBinary(const char* section, const char* key, uint32_t maxBytes) {
    std::vector<uint8_t> bytes(maxBytes);
    uint64_t length =
        XmlGetProfileBinary(section, key, "", bytes.data(), bytes.size(), nullptr, UserConfigDocument);
    bytes.resize(static_cast<size_t>(length < maxBytes ? length : maxBytes));
    return bytes;
}
