#include "core/settings.h"

#include "core/config_values.h"

#include <windows.h>

static_assert(kStoredFontBytes == sizeof(LOGFONTW) + 1);

namespace {

uint32_t ReadColour(const char* section, const char* key, int32_t defaultValue) {
    return static_cast<uint32_t>(ReadConfigInt(section, key, defaultValue));
}

} // namespace

// One definition per way of reading; the row's default is the last argument.
#define BRINDLEX_READ_Colour(Section, Key, Default) return ReadColour(Section, Key, Default);
#define BRINDLEX_READ_Int(Section, Key, Default)                                                             \
    return ReadConfigInt(Section, Key, static_cast<int32_t>(Default));
#define BRINDLEX_READ_IntOr(Section, Key, Default) return ReadConfigInt(Section, Key, defaultValue);
#define BRINDLEX_READ_Flag(Section, Key, Default) return ReadConfigInt(Section, Key, Default) != 0;
#define BRINDLEX_READ_FlagIsOne(Section, Key, Default) return ReadConfigInt(Section, Key, Default) == 1;
#define BRINDLEX_READ_Text(Section, Key, Default) return ReadConfigText(Section, Key, Default);
#define BRINDLEX_READ_TextOr(Section, Key, Default) return ReadConfigText(Section, Key, defaultValue.c_str());
#define BRINDLEX_READ_Bytes(Section, Key, Default) return ReadConfigBinary(Section, Key, Default);

#define BRINDLEX_DEFINE_SETTING(Name, How, Section, Key, Default)                                            \
    BRINDLEX_SETTING_RESULT_##How Settings::Name(BRINDLEX_SETTING_DEFAULT_##How) {                           \
        BRINDLEX_READ_##How(Section, Key, Default)                                                           \
    }
#define BRINDLEX_DEFINE_SETTING_FAMILY(Name, How, Section, Default)                                          \
    BRINDLEX_SETTING_RESULT_##How Settings::Name(const char* key) {                                          \
        BRINDLEX_READ_##How(Section, key, Default)                                                           \
    }
BRINDLEX_SETTINGS(BRINDLEX_DEFINE_SETTING)
BRINDLEX_SETTING_FAMILIES(BRINDLEX_DEFINE_SETTING_FAMILY)
