#include "xml/profile_string_list.h"

#include "common/xstring.h"
#include "xml/config_documents.h"
#include "xml/xml_profile.h"

int WriteProfileStringList(const char* section, const char* key, const std::vector<std::string>& items,
                           const char* separator) {
    std::string joined;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i && separator) joined += separator;
        joined += items[i];
    }
    return XmlWriteProfileString(section, key, joined.c_str(), nullptr, UserConfigDocument);
}

int WriteProfileWStringList(const char* section, const char* key, const std::vector<std::wstring>& items,
                            const wchar_t* separator) {
    std::wstring joined;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i && separator) joined += separator;
        joined += items[i];
    }
    return XmlWriteProfileString(section, key, WideToNarrow(joined).c_str(), nullptr, UserConfigDocument);
}
