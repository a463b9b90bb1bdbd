// The pages of the script language: the hand-written guide (pages/script_language.htm) with its
// sections in the contents, and the pages made from the program's tables: the events with what
// each one's script receives, and the settings of a trigger entry.
#include "help/help_project.h"
#include "help/html_page.h"

#include "script/event_table.h"
#include "script/trigger_fields.h"

#include <span>
#include <vector>

namespace {

constexpr const char* kGuide = "script_language.htm";
const char kTrail[] = "<a href=\"index.htm\">Contents</a> &gt; <a href=\"script_language.htm\">Script "
                      "language</a>";

std::string Cell(const char* text) {
    return "<td>" + HtmlEscaped(text ? text : "") + "</td>";
}

// A page of one table under an introduction: a heading row, then a row per entry, each indexed.
struct TablePage {
    const char* File;
    const char* Title;
    const char* Introduction;
    std::vector<const char*> Headings;
};

template <typename Row, typename Cells>
bool AddTablePage(HelpProject& project, const TablePage& page, std::span<const Row> rows, Cells cells) {
    std::string body = std::string(page.Introduction) + "\n<table>\n<tr>";
    for (const char* heading : page.Headings) body += "<td><b>" + HtmlEscaped(heading) + "</b></td>";
    body += "</tr>\n";
    for (const Row& row : rows) {
        body += "<tr><td id=\"" + HtmlEscaped(row.Name) + "\"><code>" + HtmlEscaped(row.Name) +
                "</code></td>" + cells(row) + "</tr>\n";
        project.Keywords.push_back({row.Name, page.File});
    }
    body += "</table>\n";
    return project.AddPage(page.File, HtmlPage(page.Title, kTrail, body, 0));
}

const TablePage kEventPage = {
    "script_events.htm",
    "Events",
    "<p>An event script is an entry under \"Special_Scripts\" in the preferences whose name is the event's "
    "name (letters in either case); its text runs when the program fires the event. The parameters below are "
    "the words $0, $1, ... and $0* (from word 0 to the end) of the script; see <a "
    "href=\"script_language.htm#events\">Events</a>. A script that says <code>#lock</code> answers 1, which "
    "the program takes as \"handled\": the last column says what it then leaves out.</p>",
    {"Event", "Fired when", "Parameters", "After #lock"}};

const TablePage kTriggerFieldPage = {
    "script_trigger_settings.htm",
    "Trigger settings",
    "<p>Each entry under \"Scripts\" in the preferences is a trigger: its script text is in the pane below "
    "the list, and these settings say when it runs. See <a "
    "href=\"script_language.htm#triggers\">Triggers</a> "
    "for how a match runs the script.</p>",
    {"Setting", "New entry", "Meaning"}};

} // namespace

bool AddScriptPages(HelpProject& project, ContentsEntry& entry) {
    const bool written =
        AddTablePage(project, kEventPage, ScriptEvents(),
                     [](const ScriptEvent& event) {
                         return Cell(event.FiredWhen) + Cell(event.Parameters) + Cell(event.Handled);
                     }) &&
        AddTablePage(project, kTriggerFieldPage, TriggerFields(),
                     [](const TriggerField& field) { return Cell(field.NewValue) + Cell(field.Meaning); });
    if (!written) return false;
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
