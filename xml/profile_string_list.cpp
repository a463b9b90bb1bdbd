#include "xml/profile_string_list.h"

#include "common/xstring.h"
#include "xml/config_documents.h"
#include "xml/xml_profile.h"

namespace {

// The items with the separator between them (none when it is null).
template <typename Text, typename Char> Text Joined(const std::vector<Text>& items, const Char* separator) {
    Text joined;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i && separator) joined += separator;
        joined += items[i];
    }
    return joined;
}

} // namespace

int WriteProfileStringList(const char* section, const char* key, const std::vector<std::string>& items,
                           const char* separator) {
    return XmlWriteProfileString(section, key, Joined(items, separator).c_str(), nullptr, UserConfigDocument);
}

int WriteProfileWStringList(const char* section, const char* key, const std::vector<std::wstring>& items,
                            const wchar_t* separator) {
    return XmlWriteProfileString(section, key, WideToNarrow(Joined(items, separator)).c_str(), nullptr,
                                 UserConfigDocument);
}
