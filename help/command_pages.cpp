// A page for every row of the command table: its words, how many words it takes and the usage
// lines the interpreter's help mode shows for them.
#include "help/help_project.h"
#include "help/html_page.h"

#include "commands/command_interpreter.h"
#include "commands/command_table.h"
#include "common/xstring.h"
#include "markup/strip_format_codes.h"

#include <set>
#include <sstream>

namespace {

std::vector<std::string> Words(const char* words) {
    std::vector<std::string> out;
    std::istringstream stream(words ? words : "");
    for (std::string word; stream >> word;) out.push_back(word);
    return out;
}

// The help line the interpreter shows for exactly this command word, without its markup, split
// into the command as typed and what it does; both empty when the language library has none.
struct Usage {
    std::string Form, What;
};

Usage UsageOf(const std::string& word) {
    wchar_t buffer[1000] = {};
    commands::ExecuteCommand(word.c_str(), nullptr, nullptr, buffer);
    const std::string line = WideToNarrow(StripFormatCodes(buffer, kStripAll));
    const size_t dash = line.find(" - ");
    if (dash == std::string::npos) return {line, ""};
    Usage usage{line.substr(0, dash), line.substr(dash + 3)};
    if (usage.What[0] >= 'a' && usage.What[0] <= 'z')
        usage.What[0] = static_cast<char>(usage.What[0] - 'a' + 'A');
    return usage;
}

std::string WordCount(uint32_t count) {
    return count == 1 ? "one more word" : std::to_string(count) + " more words";
}

std::string Arguments(const CommandRow& row) {
    const uint32_t more = row.MinWords > 0 ? row.MinWords - 1 : 0;
    if (row.Exact)
        return more == 0 ? "It takes no further words." : "It takes exactly " + WordCount(more) + ".";
    return more == 0 ? "It takes further words or none." : "It takes at least " + WordCount(more) + ".";
}

} // namespace

bool AddCommandPages(HelpProject& project, ContentsEntry& entry) {
    entry = {"Commands", "commands.htm", {}};
    const std::string trail =
        "<a href=\"../index.htm\">Contents</a> &gt; <a href=\"../commands.htm\">Commands</a>";
    std::set<std::string> taken;
    std::string list = "<p>Commands are typed into the input box of a window, starting with \"/\", or run by "
                       "scripts, plug-ins and the menus. Words in square brackets may be left out.</p>\n"
                       "<table>\n";
    for (const CommandRow& row : CommandRows()) {
        const std::vector<std::string> words = Words(row.Words);
        const std::string title = words.empty() ? "(no word)" : words[0];
        const std::string file = UniquePageName("commands", title.substr(title[0] == '/' ? 1 : 0), taken);
        std::string body;
        std::string summary;
        for (const std::string& word : words) {
            const Usage usage = UsageOf(word);
            if (usage.Form.empty()) continue;
            body += "<p><code>" + HtmlEscaped(usage.Form) + "</code></p>\n";
            if (!usage.What.empty()) body += "<p>" + HtmlEscaped(usage.What) + ".</p>\n";
            if (summary.empty()) summary = usage.What;
        }
        if (words.size() > 1) {
            body += "<p>The same command under other words:";
            for (size_t i = 1; i < words.size(); ++i) body += " <code>" + HtmlEscaped(words[i]) + "</code>";
            body += "</p>\n";
        }
        body += "<p>" + Arguments(row) + "</p>\n";
        if (!project.AddPage(file, HtmlPage(title, trail, body, 1))) return false;
        entry.Children.push_back({title, file, {}});
        for (const std::string& word : words) project.Keywords.push_back({word, file});
        list += "<tr><td><a href=\"" + file + "\">" + HtmlEscaped(title) + "</a></td><td>" +
                HtmlEscaped(summary) + "</td></tr>\n";
    }
    list += "</table>\n";
    return project.AddPage("commands.htm",
                           HtmlPage("Commands", "<a href=\"index.htm\">Contents</a>", list, 0));
}
