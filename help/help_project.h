// What the help file is made of: its pages, its table of contents and its index, and the
// project files that chmcmd compiles from them.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct ContentsEntry {
    std::string Name;
    std::string File; // relative to the root; may end in "#anchor"
    std::vector<ContentsEntry> Children;
};

struct HelpProject {
    std::string Root;               // the folder the pages are written to
    std::vector<std::string> Files; // every file of the help file, relative to the root
    std::vector<ContentsEntry> Contents;
    std::vector<std::pair<std::string, std::string>> Keywords; // index word and file

    // Writes the page under the root and lists it; false when it could not be written.
    bool AddPage(const std::string& file, const std::string& html);
};

// The contents (qv.hhc), the index (qv.hhk) and the project (qv.hhp) that compiles to qv.chm.
bool WriteProjectFiles(const HelpProject& project);

// The pages made from the program's own tables and menu; each adds its pages and returns the
// contents entry that leads to them, or false when a page could not be written.
bool AddCommandPages(HelpProject& project, ContentsEntry& entry);
bool AddBuiltinPages(HelpProject& project, ContentsEntry& entry);
bool AddMenuPage(HelpProject& project, ContentsEntry& entry);
// The script language: the hand-written guide (already in the folder) and the pages of the events
// and of the trigger settings.
bool AddScriptPages(HelpProject& project, ContentsEntry& entry);
