// Reading the user's settings: one typed accessor per row of core/settings_table.h, so that a
// setting's section, key and default are named once. Settings::Keys names a row's place for the
// code that writes it.
#pragma once

#include "core/settings_table.h"

#include <cstdint>
#include <string>
#include <vector>

// Where a setting is stored.
struct SettingKey {
    const char* Section;
    const char* Key;
};

// What each way of reading returns, and the argument its accessor takes (the default, for the ways
// whose default is known only at run time).
#define BRINDLEX_SETTING_RESULT_Colour uint32_t
#define BRINDLEX_SETTING_RESULT_Int int32_t
#define BRINDLEX_SETTING_RESULT_IntOr int32_t
#define BRINDLEX_SETTING_RESULT_Flag bool
#define BRINDLEX_SETTING_RESULT_FlagIsOne bool
#define BRINDLEX_SETTING_RESULT_Text std::string
#define BRINDLEX_SETTING_RESULT_TextOr std::string
#define BRINDLEX_SETTING_RESULT_Bytes std::vector<uint8_t>

#define BRINDLEX_SETTING_DEFAULT_Colour
#define BRINDLEX_SETTING_DEFAULT_Int
#define BRINDLEX_SETTING_DEFAULT_IntOr int32_t defaultValue
#define BRINDLEX_SETTING_DEFAULT_Flag
#define BRINDLEX_SETTING_DEFAULT_FlagIsOne
#define BRINDLEX_SETTING_DEFAULT_Text
#define BRINDLEX_SETTING_DEFAULT_TextOr const std::string& defaultValue
#define BRINDLEX_SETTING_DEFAULT_Bytes

namespace Settings {

#define BRINDLEX_DECLARE_SETTING(Name, How, Section, Key, Default)                                           \
    BRINDLEX_SETTING_RESULT_##How Name(BRINDLEX_SETTING_DEFAULT_##How);
#define BRINDLEX_DECLARE_SETTING_FAMILY(Name, How, Section, Default)                                         \
    BRINDLEX_SETTING_RESULT_##How Name(const char* key);
BRINDLEX_SETTINGS(BRINDLEX_DECLARE_SETTING)
BRINDLEX_SETTING_FAMILIES(BRINDLEX_DECLARE_SETTING_FAMILY)
#undef BRINDLEX_DECLARE_SETTING
#undef BRINDLEX_DECLARE_SETTING_FAMILY

namespace Keys {
#define BRINDLEX_SETTING_KEY(Name, How, Section, Key, Default) inline constexpr SettingKey Name{Section, Key};
BRINDLEX_SETTINGS(BRINDLEX_SETTING_KEY)
#undef BRINDLEX_SETTING_KEY
} // namespace Keys

// The section of each family of keys.
namespace Sections {
#define BRINDLEX_SETTING_FAMILY_SECTION(Name, How, Section, Default) inline constexpr char Name[] = Section;
BRINDLEX_SETTING_FAMILIES(BRINDLEX_SETTING_FAMILY_SECTION)
#undef BRINDLEX_SETTING_FAMILY_SECTION
} // namespace Sections

} // namespace Settings
