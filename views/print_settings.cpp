#include "views/print_settings.h"

#include "common/text_replace.h"
#include "common/text_split.h"
#include "common/xstring.h"
#include "core/settings.h"
#include "xml/config_documents.h"
#include "xml/xml_records.h"

#include <cstdint>

namespace {

PrintSettings ReadPrintSettings() {
    PrintSettings s;
    s.IgnoreTextAttributes = Settings::IgnoreTextAttributes();
    s.TimeStamp = Settings::TimeStamp() != 0;
    s.TrayOnlyOnSpecial = Settings::TrayOnlyOnSpecial();
    s.TrayOnlyOnText = Settings::TrayOnlyOnText();
    s.ReplaceTextSmileys = Settings::ReplaceTextSmileys();
    std::string stamp = Settings::TimeStampText();
    UnescapeString(stamp, false);
    s.TimeStampFormat = NarrowToWide(stamp);
    SplitQuoted(s.HiliteWords, Settings::HiliteWords(), " ", false);
    s.ServerColor = Settings::ServerTextColour();
    s.TextColor = Settings::TextColour();
    s.BackgroundColor = Settings::BackgroundColour();
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
