// The pages of the script language: the hand-written guide (pages/script_language.htm) with its
// sections in the contents, and the pages made from the program's tables: the events with what
// each one's script receives, and the settings of a trigger entry.
#include "help/help_project.h"
#include "help/html_page.h"

#include "script/event_table.h"
#include "script/trigger_fields.h"

namespace {

constexpr const char* kGuide = "script_language.htm";
const char kTrail[] = "<a href=\"index.htm\">Contents</a> &gt; <a href=\"script_language.htm\">Script "
                      "language</a>";

std::string Cell(const char* text) {
    return "<td>" + HtmlEscaped(text ? text : "") + "</td>";
}

bool AddEventPage(HelpProject& project) {
    std::string body = "<p>An event script is an entry under \"Special_Scripts\" in the preferences whose "
                       "name is the event's name (letters in either case); its text runs when the "
                       "program fires the event. The parameters below are the words $0, $1, ... and $0* "
                       "(from word 0 to the end) of the script; see <a href=\"script_language.htm#events\">"
                       "Events</a>. A script that says <code>#lock</code> answers 1, which the program "
                       "takes as \"handled\": the last column says what it then leaves out.</p>\n"
                       "<table>\n<tr><td><b>Event</b></td><td><b>Fired when</b></td><td><b>Parameters</b>"
                       "</td><td><b>After #lock</b></td></tr>\n";
    for (const ScriptEvent& event : ScriptEvents()) {
        body += "<tr><td id=\"" + HtmlEscaped(event.Name) + "\"><code>" + HtmlEscaped(event.Name) +
                "</code></td>" + Cell(event.FiredWhen) + Cell(event.Parameters) + Cell(event.Handled) +
                "</tr>\n";
        project.Keywords.push_back({event.Name, "script_events.htm"});
    }
    body += "</table>\n";
    return project.AddPage("script_events.htm", HtmlPage("Events", kTrail, body, 0));
}

bool AddTriggerFieldPage(HelpProject& project) {
    std::string body = "<p>Each entry under \"Scripts\" in the preferences is a trigger: its script text is "
                       "in the pane below the list, and these settings say when it runs. See <a "
                       "href=\"script_language.htm#triggers\">Triggers</a> for how a match runs the "
                       "script.</p>\n<table>\n<tr><td><b>Setting</b></td><td><b>New entry</b></td>"
                       "<td><b>Meaning</b></td></tr>\n";
    for (const TriggerField& field : TriggerFields()) {
        body += "<tr><td><code>" + HtmlEscaped(field.Name) + "</code></td>" + Cell(field.NewValue) +
                Cell(field.Meaning) + "</tr>\n";
        project.Keywords.push_back({field.Name, "script_trigger_settings.htm"});
    }
    body += "</table>\n";
    return project.AddPage("script_trigger_settings.htm", HtmlPage("Trigger settings", kTrail, body, 0));
}

} // namespace

bool AddScriptPages(HelpProject& project, ContentsEntry& entry) {
    if (!AddEventPage(project) || !AddTriggerFieldPage(project)) return false;
    project.Files.push_back(kGuide);
    const std::string guide = kGuide;
    entry = {"Script language",
             guide,
             {{"Statements and blocks", guide + "#statements", {}},
              {"Variables and scopes", guide + "#variables", {}},
              {"Built-in $-variables", guide + "#dollar", {}},
              {"Expressions", guide + "#expressions", {}},
              {"Directives", guide + "#directives", {}},
              {"Events", "script_events.htm", {}},
              {"Triggers", guide + "#triggers", {}},
              {"Trigger settings", "script_trigger_settings.htm", {}},
              {"Timers and hot keys", guide + "#timers", {}},
              {"JScript and VBScript blocks", guide + "#foreign", {}},
              {"Examples", guide + "#examples", {}}}};
    for (const char* word :
         {"script", "trigger", "event", "timer", "hot key", "variable", "#lock", "#unlock", "#sleep", "#fast",
          "#debug", "#watch", "#require", "if", "for", "goto", "JScript", "VBScript", "!ping"})
        project.Keywords.push_back({word, guide});
    return true;
}
