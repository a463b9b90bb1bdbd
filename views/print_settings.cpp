#include "views/print_settings.h"

#include "common/text_replace.h"
#include "common/text_split.h"
#include "common/xstring.h"
#include "core/config_values.h"
#include "xml/config_documents.h"
#include "xml/xml_records.h"

#include <cstdint>

namespace {

PrintSettings ReadPrintSettings() {
    PrintSettings s;
    s.IgnoreTextAttributes = ReadConfigInt("Cfg\\Options2", "Ignore_Text_Attributes", 0) != 0;
    s.TimeStamp = ReadConfigInt("Cfg\\Options2", "TimeStamp", 1) != 0;
    s.TrayOnlyOnSpecial = ReadConfigInt("Cfg\\Options2", "TrayNotify_only_on_special", 0) != 0;
    s.TrayOnlyOnText = ReadConfigInt("Cfg\\Options2", "TrayNotify_only_on_text", 0) != 0;
    s.ReplaceTextSmileys = ReadConfigInt("Cfg\\Options2", "Replace_Text_Smileys", 1) == 1;
    std::string stamp = ReadConfigText("Cfg\\Options1", "TimeStamp_String", "\x02 %02u:%02u:%02u | \x02");
    UnescapeString(stamp, false);
    s.TimeStampFormat = NarrowToWide(stamp);
    SplitQuoted(s.HiliteWords, ReadConfigText("Cfg\\Options3\\Notifications", "Hilite_words", ""), " ",
                false);
    s.ServerColor = static_cast<COLORREF>(ReadConfigInt("Cfg\\Colors", "Server_Color", 0));
    s.TextColor = static_cast<COLORREF>(ReadConfigInt("Cfg\\Colors", "FG_Color", 0));
    s.BackgroundColor = static_cast<COLORREF>(ReadConfigInt("Cfg\\Colors", "BG_Color", 0));
    return s;
}

// Per thread, so a printing thread never waits for another one's copy.
struct CachedSettings {
    const XmlDocument* Document = nullptr;
    uint64_t Writes = 0;
    bool Valid = false;
    PrintSettings Settings;
};
thread_local CachedSettings t_cache;

} // namespace

const PrintSettings& CurrentPrintSettings() {
    XmlDocument* document = UserConfigDocument;
    const uint64_t writes = document ? document->lock.writes.load() : 0;
    if (!t_cache.Valid || t_cache.Document != document || t_cache.Writes != writes) {
        t_cache.Settings = ReadPrintSettings();
        t_cache.Document = document;
        t_cache.Writes = writes;
        t_cache.Valid = true;
    }
    return t_cache.Settings;
}
