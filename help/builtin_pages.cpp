// A page for every row of the built-in table, listed by family, with the other names of the
// same function.
#include "help/help_project.h"
#include "help/html_page.h"

#include "script/builtin_families.h"

#include <set>

namespace {

std::string Anchor(size_t family) {
    return "family" + std::to_string(family + 1);
}

} // namespace

bool AddBuiltinPages(HelpProject& project, ContentsEntry& entry) {
    entry = {"Built-in functions", "builtins.htm", {}};
    const std::string trail =
        "<a href=\"../index.htm\">Contents</a> &gt; <a href=\"../builtins.htm\">Built-in functions</a>";
    std::set<std::string> taken;
    std::string list = "<p>Scripts call built-in functions by name with their values in parentheses, as in "
                       "<code>len(\"text\")</code>; names are compared without regard to case. A call with "
                       "the wrong number of values ends the script with \"Invalid number of parameters to "
                       "function.\".</p>\n";
    const std::span<const BuiltinFamily> families = BuiltinFamilies();
    for (size_t f = 0; f < families.size(); ++f) {
        const BuiltinFamily& family = families[f];
        const std::span<const BuiltinEntry> rows = family.Rows();
        ContentsEntry group{family.Title, "builtins.htm#" + Anchor(f), {}};
        list += "<h2 id=\"" + Anchor(f) + "\">" + HtmlEscaped(family.Title) + "</h2>\n<p>" +
                HtmlEscaped(family.Summary) + "</p>\n<p>";
        for (const BuiltinEntry& row : rows) {
            const std::string name = row.Name ? row.Name : "";
            const std::string file = UniquePageName("builtins", name, taken);
            std::string body = "<p><code>" + HtmlEscaped(name) + "(...)</code></p>\n<p>" +
                               HtmlEscaped(family.Summary) + "</p>\n";
            std::string aliases;
            for (const BuiltinEntry& other : rows)
                if (other.Handler == row.Handler && &other != &row)
                    aliases += " <code>" + HtmlEscaped(other.Name ? other.Name : "") + "</code>";
            if (!aliases.empty()) body += "<p>The same function under other names:" + aliases + "</p>\n";
            body += "<p>Family: <a href=\"../builtins.htm#" + Anchor(f) + "\">" + HtmlEscaped(family.Title) +
                    "</a></p>\n";
            if (!project.AddPage(file, HtmlPage(name, trail, body, 1))) return false;
            group.Children.push_back({name, file, {}});
            project.Keywords.push_back({name, file});
            list += "<a href=\"" + file + "\">" + HtmlEscaped(name) + "</a> ";
        }
        list += "</p>\n";
        entry.Children.push_back(std::move(group));
    }
    return project.AddPage("builtins.htm",
                           HtmlPage("Built-in functions", "<a href=\"index.htm\">Contents</a>", list, 0));
}
