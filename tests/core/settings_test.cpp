#include <gtest/gtest.h>

#include "core/settings.h"
#include "xml/config_documents.h"
#include "xml/xml_document.h"
#include "xml/xml_profile.h"

namespace {

// The accessors read the user's settings: an in-memory document for the length of one test.
class SettingsTest : public testing::Test {
protected:
    void SetUp() override {
        XmlDocumentOpenText(&config_,
                            "<?xml version=\"1.0\" ?><root><Cfg><Options1 /><Colors /></Cfg></root>");
        UserConfigDocument = &config_;
    }
    void TearDown() override { UserConfigDocument = nullptr; }
    void SetConfig(const char* section, const char* key, const char* value) {
        XmlWriteProfileString(section, key, value, nullptr, &config_);
    }

    XmlDocument config_;
};

TEST_F(SettingsTest, AccessorsGiveTheRowDefaultUntilTheKeyIsStored) {
    EXPECT_EQ(Settings::BackgroundColour(), 0u);
    EXPECT_EQ(Settings::ScrollTimer(), 50);
    EXPECT_TRUE(Settings::JoinBoxOnConnect());
    EXPECT_EQ(Settings::TimeStampText(), "\x02 %02u:%02u:%02u | \x02");
    EXPECT_EQ(Settings::NickLevelColour("Level_2_Color"), 0u);

    SetConfig("Cfg\\Colors", "BG_Color", "255");
    SetConfig("Cfg\\Metrics", "Scroll_Timer", "20");
    SetConfig("Cfg\\Options2", "Join_Box_On_Connect", "2"); // only 1 turns it on
    SetConfig("Cfg\\Options1", "TimeStamp_String", "[%02u:%02u]");
    SetConfig("Cfg\\Colors\\Nick_List_Colors", "Level_2_Color", "7");
    EXPECT_EQ(Settings::BackgroundColour(), 255u);
    EXPECT_EQ(Settings::ScrollTimer(), 20);
    EXPECT_FALSE(Settings::JoinBoxOnConnect());
    EXPECT_EQ(Settings::TimeStampText(), "[%02u:%02u]");
    EXPECT_EQ(Settings::NickLevelColour("Level_2_Color"), 7u);
}

} // namespace
