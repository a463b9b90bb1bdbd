#include "help/help_project.h"

#include "help/html_page.h"

namespace {

void AppendSitemapItem(std::string& out, const std::string& name, const std::string& file) {
    out += "<li><object type=\"text/sitemap\"><param name=\"Name\" value=\"" + HtmlEscaped(name) +
           "\"><param name=\"Local\" value=\"" + HtmlEscaped(file) + "\"></object>\n";
}

void AppendContents(std::string& out, const std::vector<ContentsEntry>& entries) {
    out += "<ul>\n";
    for (const ContentsEntry& entry : entries) {
        AppendSitemapItem(out, entry.Name, entry.File);
        if (!entry.Children.empty()) AppendContents(out, entry.Children);
    }
    out += "</ul>\n";
}

} // namespace

bool HelpProject::AddPage(const std::string& file, const std::string& html) {
    if (!WriteTextFile(Root + "/" + file, html)) return false;
    Files.push_back(file);
    return true;
}

bool WriteProjectFiles(const HelpProject& project) {
    const std::string head = "<html><head><meta charset=\"utf-8\"></head><body>\n";
    std::string contents = head;
    AppendContents(contents, project.Contents);
    contents += "</body></html>\n";

    std::string index = head + "<ul>\n";
    for (const auto& [word, file] : project.Keywords) AppendSitemapItem(index, word, file);
    index += "</ul>\n</body></html>\n";

    std::string hhp = "[OPTIONS]\r\n"
                      "Compatibility=1.1 or later\r\n"
                      "Compiled file=qv.chm\r\n"
                      "Contents file=qv.hhc\r\n"
                      "Index file=qv.hhk\r\n"
                      "Default topic=index.htm\r\n"
                      "Display compile progress=No\r\n"
                      "Full-text search=Yes\r\n"
                      "Language=0x409 English (United States)\r\n"
                      "Title=Brindlex 7 Help\r\n"
                      "\r\n[FILES]\r\n";
    for (const std::string& file : project.Files) hhp += file + "\r\n";
    return WriteTextFile(project.Root + "/qv.hhc", contents) &&
           WriteTextFile(project.Root + "/qv.hhk", index) && WriteTextFile(project.Root + "/qv.hhp", hhp);
}
