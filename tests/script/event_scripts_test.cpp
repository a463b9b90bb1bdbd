#include "tests/script/script_harness.h"

#include "core/remote_text.h"
#include "irc/incoming_triggers.h"
#include "script/event_scripts.h"
#include "script/script_variables.h"
#include "xml/config_documents.h"
#include "xml/xml_document.h"
#include "xml/xml_element.h"

#include <process.h>

#include <atomic>
#include <cstdlib>
#include <deque>
#include <thread>

namespace {

class EventScripts : public ScriptHarness {
protected:
    uint32_t Fire(const char* event, WindowRecord* window, const std::string& parameters = {},
                  uint8_t check = 0) {
        std::string result;
        return RunEventScript(event, window, window, parameters, result, {.CheckOnly = check != 0});
    }
    // Runs a typed-command trigger job on a thread of its own, as the dispatcher does.
    void Trigger(const std::string& line, WindowRecord* window) {
        auto* job = new ScriptTriggerJob{line, window};
        HANDLE thread =
            reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, RunTriggerScriptThread, job, 0, nullptr));
        ASSERT_NE(nullptr, thread);
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
};

const char* kEvents = "<root><Special_Scripts>"
                      "<e name=\"On_Empty\" />"
                      "<e name=\"On_Input\"><![CDATA[/echo input $0*\r\n#lock]]></e>"
                      "<e name=\"on_twice\"><![CDATA[/echo first]]></e>"
                      "<e name=\"On_Twice\"><![CDATA[/echo second]]></e>"
                      "<e name=\"On_Unlock\"><![CDATA[#unlock]]></e>"
                      "<e name=\"On_Plain\"><![CDATA[/echo plain $1]]></e>"
                      "</Special_Scripts></root>";

const char* kTriggers =
    "<root><Scripts>"
    "<s name=\"none\" Trigger_Type=\"0\" Trigger=\"/none\" Enabled=\"1\" />"
    "<s name=\"in\" Trigger_Type=\"1\" Trigger=\"/hello\" Enabled=\"1\"><![CDATA[/echo type 1]]></s>"
    "<s name=\"off\" Trigger_Type=\"0\" Trigger=\"/off\" Enabled=\"0\"><![CDATA[/echo off]]></s>"
    "<s name=\"hello\" Trigger_Type=\"0\" Trigger=\"/HELLO\" Enabled=\"1\" "
    "Case_Sensitive_Match=\"0\"><![CDATA[/echo hello $0* | $1*]]></s>"
    "<s name=\"exact\" Trigger_Type=\"0\" Trigger=\"/Exact\" Enabled=\"1\" "
    "Case_Sensitive_Match=\"1\"><![CDATA[/echo exact]]></s>"
    "<s name=\"say\" Trigger_Type=\"0\" Trigger=\"/say\" Enabled=\"1\">"
    "<![CDATA[$1*\r\n/msg #chan $1*]]></s>"
    "</Scripts></root>";

} // namespace

TEST_F(EventScripts, AnEventRunsItsFirstEntryWithText) {
    UseSettings(kEvents);
    EXPECT_EQ(kNoEventScript, Fire("On_Missing", Channel));
    EXPECT_EQ(kNoEventScript, Fire("On_Empty", Channel));
    EXPECT_EQ(1u, Fire("On_Twice", Channel, "", 1)); // asked only: nothing runs
    EXPECT_EQ("", OutputText());
    EXPECT_EQ(0u, Fire("ON_TWICE", Channel));
    EXPECT_EQ(2u, Fire("On_Unlock", Channel));
    EXPECT_EQ(0u, Fire("On_Plain", nullptr, "a b")); // no window: nothing runs
    EXPECT_EQ(0u, Fire("On_Plain", Query, "a b"));
    EXPECT_EQ("input: /echo first\ninput@bob: /echo plain b\n", OutputText());
    UseSettings("<root />");
    EXPECT_EQ(kNoEventScript, Fire("On_Twice", Channel));
}

TEST_F(EventScripts, AnInputScriptWithLockSwallowsTheLine) {
    UseSettings(kEvents);
    EXPECT_EQ(1u, Fire("On_Input", Channel, "typed text"));
    EXPECT_EQ("input: /echo input typed text\n", OutputText());
}

// "Enabled" is a switch of incoming-text triggers: a typed command's trigger runs without it.
TEST_F(EventScripts, TypedCommandsRunTheirTriggerOrGoToTheServer) {
    UseSettings(kTriggers);
    Connection->SendQueue.clear();
    Trigger("/hello world\r\n", Channel);
    Trigger("/exact x", Channel);
    Trigger("/Exact y", Channel);
    Trigger("/off z", Channel);
    Trigger("/none", Channel);
    EXPECT_EQ("input: /echo hello /hello world | world\ninput: /echo exact\ninput: /echo off\n",
              OutputText());
    // Lines no trigger takes reach the server raw, without their "/".
    EXPECT_EQ((std::deque<std::string>{"exact x\r\n", "none\r\n"}), Connection->SendQueue);
    CallLog::Instance().Clear();
    Trigger("/unknown", nullptr); // no window: nothing runs and nothing is sent
    EXPECT_EQ("", OutputText());
    EXPECT_EQ(2u, Connection->SendQueue.size());
}

// A typed command's trigger is an alias: its lines are expanded with the typed words and then
// read, so they forward a command, a variable's name or a call as if written in the script.
TEST_F(EventScripts, ATypedLineIsExpandedIntoTheTriggerAndThenRead) {
    UseSettings(kTriggers);
    {
        ScriptScopesWriteLock lock(ScriptScopesMutex());
        ScriptVariableList locals;
        SetScriptVariable(locals, Server, "$secret", "hunter2", 2);
    }
    Trigger("/say /quit now", Channel);
    Trigger("/say $secret len(abc) \\x41", Channel);
    EXPECT_EQ("input: /quit now\n"
              "input: /msg #chan /quit now\n"
              "input: /msg #chan hunter2 3 A\n",
              OutputText());
}

TEST_F(EventScripts, EntriesSortByNameIgnoringCase) {
    UseSettings(
        "<root><Scripts><s name=\"beta\" /><s name=\"Alpha\" /><s name=\"alpha2\" /></Scripts></root>");
    XmlElement* scripts = XmlElementFindChild(XmlDocumentGetRoot(UserConfigDocument), "Scripts");
    XmlElement* items[3] = {XmlElementGetChild(scripts, 0), XmlElementGetChild(scripts, 1),
                            XmlElementGetChild(scripts, 2)};
    std::qsort(items, 3, sizeof items[0], CompareScriptEntriesByName);
    EXPECT_EQ("Alpha", XmlVariableGetValueString(XmlElementFindVariable(items[0], "name")));
    EXPECT_EQ("alpha2", XmlVariableGetValueString(XmlElementFindVariable(items[1], "name")));
    EXPECT_EQ("beta", XmlVariableGetValueString(XmlElementFindVariable(items[2], "name")));
}

// Events fire on one thread while another edits the scripts under the document's lock, as the
// preferences window does on the interface thread.
TEST_F(EventScripts, EventsReadTheSettingsWhileTheyAreEdited) {
    UseSettings(kEvents);
    std::atomic<bool> stop{false};
    std::thread editor([&] {
        for (int i = 0; !stop; ++i) {
            XmlDocumentWriteLock lock(UserConfigDocument);
            XmlElement* events =
                XmlElementFindChild(XmlDocumentGetRoot(UserConfigDocument), "Special_Scripts");
            XmlElement* added = XmlElementAddNewChild(events, "<e name=\"On_Added\" />");
            XmlElementAddCData(added, "#lock");
            if (i % 2) XmlElementRemoveChild(events, XmlElementGetChildCount(events) - 1);
        }
    });
    int handled = 0;
    for (int i = 0; i < 300; ++i) handled += Fire("On_Input", Channel, "x") == 1;
    stop = true;
    editor.join();
    EXPECT_EQ(300, handled);
}

// A channel message reaches an incoming-text trigger through the connection's own runner; what
// the sender wrote stays plain text in the script.
TEST_F(EventScripts, ServerTextReachesIncomingTriggersAsPlainText) {
    UseSettings("<root><Scripts><s name=\"relay\" Trigger_Type=\"1\" Trigger=\"* PRIVMSG *\" Enabled=\"1\" "
                "Locked=\"1\"><![CDATA[/msg #log $nick said $3*\r\n#unlock]]></s></Scripts></root>");
    {
        ScriptScopesWriteLock lock(ScriptScopesMutex());
        ScriptVariableList locals;
        SetScriptVariable(locals, Server, "$secret", "hunter2", 2);
    }
    RemoteTextScope remote; // as the line's dispatch marks it
    EXPECT_FALSE(RunIncomingTriggers(":eve!e@h PRIVMSG #chan :$secret remove(C:\\x) $mynick", Server));
    EXPECT_EQ("input@irc.example.net: /msg #log eve said :$secret remove(C:\\x) $mynick\n", OutputText());
}

// Entries whose script is plain element text (written by hand, or saved by an older build) run as
// those with a CDATA section do: incoming-text triggers, typed triggers and events alike.
TEST_F(EventScripts, EntriesWithThePlainElementTextAsScriptRun) {
    UseSettings("<root><Scripts>"
                "<n name=\"walk\" Trigger_Type=\"1\" Trigger=\"*PRIVMSG #walk :!ping*\" Enabled=\"1\">"
                "/echo pong &amp; more</n>"
                "<n name=\"typed\" Trigger_Type=\"0\" Trigger=\"/typed\" Enabled=\"1\">/echo typed $1</n>"
                "</Scripts><Special_Scripts><e name=\"On_Plain\">/echo event</e></Special_Scripts></root>");
    EXPECT_FALSE(RunIncomingTriggers(":eve!e@h PRIVMSG #walk :!ping", Server));
    Trigger("/typed word", Channel);
    EXPECT_EQ(0u, Fire("On_Plain", Channel));
    EXPECT_EQ("input@irc.example.net: /echo pong & more\ninput: /echo typed word\ninput: /echo event\n",
              OutputText());
}
