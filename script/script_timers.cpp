#include "script/script_timers.h"

#include "common/app_state.h"
#include "common/lang_string_ids.h"
#include "common/lang_strings.h"
#include "common/text_compare.h"
#include "common/xstring.h"
#include "core/client_services.h"
#include "core/window_list.h"
#include "core/window_record.h"
#include "irc/server_connection.h"
#include "script/script_reports.h"
#include "script/script_variables.h"
#include "script/settings_scripts.h"
#include "markup/display_text.h"
#include "markup/markup_codes.h"

#include <windows.h>

namespace {

constexpr size_t kMaxListLine = 4999;

std::vector<TimerEntry>* TimersOf(WindowRecord* window) {
    if (!window) return nullptr;
    WindowRecord* server = window->Server ? window->Server : window;
    return server->Connection ? &server->Connection->Timers : nullptr;
}

// A link code in the shown name or command would open a link of its own.
std::wstring WithoutLinkMarks(std::wstring text) {
    std::erase(text, L'\x18');
    return text;
}

std::wstring TimerLine(const TimerEntry& timer) {
    const std::wstring name = WithoutLinkMarks(timer.Name);
    LinkCommand removal(ProgramCommand(L"/timer"));
    removal.Arg(name).Arg(L"die");
    std::wstring line =
        DisplayText()
            .Bold()
            .Dot()
            .Text(L" " + name + L" [" + std::to_wstring(timer.Count) + L"] [" +
                  std::to_wstring(timer.Interval) + L" ms] : " + WithoutLinkMarks(timer.Command) + L" [")
            .Link(L"Remove", GetLangString(kRemoveLabel), removal)
            .Text(L"]")
            .Bold();
    if (line.size() > kMaxListLine) line.resize(kMaxListLine);
    return line;
}

std::vector<ScriptHotkey> Hotkeys; // interface thread only

// Where a failure to register is shown: the window the user works in, else the first window.
WindowRecord* ReportWindow() {
    if (WindowRecord* active = GetActiveWindowRecord()) return active;
    return GetWindowRecordAt(0);
}

} // namespace

TimerEntry* FindTimerById(WindowRecord* window, int32_t timerId, uint32_t* index) {
    std::vector<TimerEntry>* timers = TimersOf(window);
    if (!timers) return nullptr;
    for (size_t i = 0; i < timers->size(); ++i) {
        if ((*timers)[i].TimerId != static_cast<uint32_t>(timerId)) continue;
        if (index) *index = static_cast<uint32_t>(i);
        return &(*timers)[i];
    }
    return nullptr;
}

TimerEntry* FindTimerByName(WindowRecord* window, const std::wstring& name, uint32_t* index) {
    std::vector<TimerEntry>* timers = TimersOf(window);
    if (!timers) return nullptr;
    for (size_t i = 0; i < timers->size(); ++i) {
        if (!WStringEqualsNoCase((*timers)[i].Name, name)) continue;
        if (index) *index = static_cast<uint32_t>(i);
        return &(*timers)[i];
    }
    return nullptr;
}

void ListTimers(WindowRecord* window, uint32_t index) {
    if (!window) return;
    std::vector<std::wstring> lines;
    {
        ScriptScopesReadLock lock(ScriptScopesMutex());
        if (const std::vector<TimerEntry>* timers = TimersOf(window)) {
            for (size_t i = 0; i < timers->size(); ++i)
                if (index == kAllTimers || index == i) lines.push_back(TimerLine((*timers)[i]));
        }
    }
    PrintToWindow(kInformationLine, window, DisplayText().Heading(L"(Timers begin)"));
    for (const std::wstring& line : lines) PrintToWindow(kInformationLine, window, line);
    PrintToWindow(kInformationLine, window, DisplayText().Heading(L"(Timers end)"));
}

uint32_t HotkeyModifiers(uint32_t keyValue) {
    uint32_t modifiers = 0;
    if (keyValue & 0x100) modifiers |= MOD_SHIFT;
    if (keyValue & 0x200) modifiers |= MOD_CONTROL;
    if (keyValue & 0x400) modifiers |= MOD_ALT;
    return modifiers;
}

void UnregisterScriptHotkeys() {
    HWND frame = MainWindow.load();
    for (size_t i = 0; i < Hotkeys.size(); ++i) UnregisterHotKey(frame, static_cast<int>(i));
    Hotkeys.clear();
}

void RegisterScriptHotkeys() {
    UnregisterScriptHotkeys();
    HWND frame = MainWindow.load();
    if (!frame) return;
    WalkScriptEntries("Scripts", [](XmlElement* entry) {
        std::string script;
        if (!ScriptEntryScript(entry, script) || ScriptEntryNumber(entry, "Trigger_Type") != 0) return false;
        const uint32_t key = static_cast<uint32_t>(ScriptEntryNumber(entry, "Keyboard_Trigger"));
        if (key == 0) return false;
        Hotkeys.push_back({ScriptEntryText(entry, "Trigger"), key, key & 0xFF, HotkeyModifiers(key)});
        return false;
    });
    std::string failed;
    for (size_t i = 0; i < Hotkeys.size(); ++i) {
        const ScriptHotkey& key = Hotkeys[i];
        if (!RegisterHotKey(frame, static_cast<int>(i), key.Modifiers, key.VirtualKey) && failed.empty())
            failed = key.Trigger;
    }
    if (!failed.empty())
        PrintToWindow(kInformationLine, ReportWindow(),
                      FormatScriptErrorLine(failed, L"Hot key not registered: it is in use"));
}

void RunScriptHotkey(uint32_t id) {
    if (id >= Hotkeys.size()) return;
    const std::string trigger = Hotkeys[id].Trigger;
    ProcessInputLine(trigger.c_str(), GetActiveWindowRecord());
}

std::vector<ScriptHotkey> ScriptHotkeys() {
    return Hotkeys;
}
