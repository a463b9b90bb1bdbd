// The timer records of a connection and the hot keys registered from the trigger scripts.
#include "tests/script/script_harness.h"

#include "common/app_state.h"
#include "script/script_timers.h"

namespace {

class TimersAndHotkeys : public ScriptHarness {
protected:
    void SetUp() override {
        ScriptHarness::SetUp();
        UseFrame(DefWindowProcW);
    }
    void TearDown() override {
        UnregisterScriptHotkeys();
        ScriptHarness::TearDown();
    }
};

// True when the key can be taken (it is released again at once).
bool KeyIsFree(UINT modifiers, UINT key) {
    if (!RegisterHotKey(nullptr, 0x5C5D, modifiers, key)) return false;
    UnregisterHotKey(nullptr, 0x5C5D);
    return true;
}

} // namespace

TEST(Hotkeys, TheStoredValueCarriesTheKeyAndItsModifiers) {
    EXPECT_EQ(static_cast<uint32_t>(MOD_CONTROL | MOD_SHIFT), HotkeyModifiers(0x341));
    EXPECT_EQ(static_cast<uint32_t>(MOD_SHIFT), HotkeyModifiers(0x141));
    EXPECT_EQ(static_cast<uint32_t>(MOD_CONTROL | MOD_SHIFT | MOD_ALT), HotkeyModifiers(0x741));
    EXPECT_EQ(0u, HotkeyModifiers(0x41));
}

TEST_F(TimersAndHotkeys, ATakenKeyFailsOnceWhileTheKeysAfterItStillRegister) {
    // Control+Shift with F11 twice, then with F12; entries without a key, of type 1 or without
    // a script take none.
    UseSettings("<root><Scripts>"
                "<a Trigger_Type=\"0\" Trigger=\"/one\" Keyboard_Trigger=\"890\"><![CDATA[x]]></a>"
                "<b Trigger_Type=\"0\" Trigger=\"/two\" Keyboard_Trigger=\"890\"><![CDATA[x]]></b>"
                "<c Trigger_Type=\"0\" Trigger=\"/three\" Keyboard_Trigger=\"891\"><![CDATA[x]]></c>"
                "<d Trigger_Type=\"0\" Trigger=\"/none\" Keyboard_Trigger=\"0\"><![CDATA[x]]></d>"
                "<e Trigger_Type=\"1\" Trigger=\"*\" Keyboard_Trigger=\"892\"><![CDATA[x]]></e>"
                "<f Trigger_Type=\"0\" Trigger=\"/empty\" Keyboard_Trigger=\"893\" />"
                "</Scripts></root>");
    RegisterScriptHotkeys();
    const std::vector<ScriptHotkey> keys = ScriptHotkeys();
    ASSERT_EQ(3u, keys.size());
    EXPECT_EQ("/three", keys[2].Trigger);
    EXPECT_EQ(static_cast<uint32_t>(VK_F12), keys[2].VirtualKey);
    EXPECT_FALSE(KeyIsFree(MOD_CONTROL | MOD_SHIFT, VK_F11));
    EXPECT_FALSE(KeyIsFree(MOD_CONTROL | MOD_SHIFT, VK_F12));
    EXPECT_TRUE(KeyIsFree(MOD_CONTROL | MOD_SHIFT, VK_F10));
    EXPECT_EQ("error: [/two] : Hot key not registered: it is in use ))\n", OutputText());

    CallLog::Instance().Clear();
    RunScriptHotkey(2);
    RunScriptHotkey(7);
    EXPECT_EQ("input@none: /three\n", OutputText());

    // Applying the settings again rebuilds the list; ending releases every key.
    RegisterScriptHotkeys();
    EXPECT_EQ(3u, ScriptHotkeys().size());
    UnregisterScriptHotkeys();
    EXPECT_TRUE(ScriptHotkeys().empty());
    EXPECT_TRUE(KeyIsFree(MOD_CONTROL | MOD_SHIFT, VK_F12));
}

TEST_F(TimersAndHotkeys, TimersAreFoundByNameAndListedWithTheirRemoveLinks) {
    Connection->Timers = {{L"tick", 3, 5000, L"/msg #a hi", 1000}, {L"Tock", 1, 90, L"/say", 1001}};
    uint32_t index = 0;
    ASSERT_NE(nullptr, FindTimerByName(Channel, L"TOCK", &index));
    EXPECT_EQ(1u, index);
    EXPECT_EQ(nullptr, FindTimerByName(Channel, L"toc", nullptr));

    ListTimers(Channel, kAllTimers);
    ListTimers(Channel, 5);
    // The harness shows lines that begin with the bold dot as "watch" lines, without the dot.
    EXPECT_EQ("watch@#chan: (Timers begin) \\x12\xC2\xB7\\x12\\x02\n"
              "watch@#chan: tick [3] [5000 ms] : /msg #a hi [\\x18{Remove|||/timer tick die}\\x18]\\x02\n"
              "watch@#chan: Tock [1] [90 ms] : /say [\\x18{Remove|||/timer Tock die}\\x18]\\x02\n"
              "watch@#chan: (Timers end) \\x12\xC2\xB7\\x12\\x02\n"
              "watch@#chan: (Timers begin) \\x12\xC2\xB7\\x12\\x02\n"
              "watch@#chan: (Timers end) \\x12\xC2\xB7\\x12\\x02\n",
              OutputText());
}
