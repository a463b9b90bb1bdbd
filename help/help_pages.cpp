// Writes the pages of the help file that come from the program itself (the commands, the
// built-in functions, the menus, the script events and trigger settings) beside the hand-written ones, and
// the project that chmcmd compiles into qv.chm. Usage: help_pages <page folder> <language library>
#include "help/help_project.h"

#include "common/app_state.h"
#include "common/lang_strings.h"
#include "common/text_compare.h"
#include "common/xstring.h"

#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: help_pages <page folder> <language library>\n");
        return 2;
    }
    BuildFoldTable();
    LanguageModule = LoadLibraryExW(NarrowToWide(argv[2]).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!LanguageModule.load()) {
        std::fprintf(stderr, "help_pages: cannot load %s\n", argv[2]);
        return 1;
    }
    LoadLangStringList();

    HelpProject project;
    project.Root = argv[1];
    for (const char* folder : {"/commands", "/builtins"})
        CreateDirectoryW(NarrowToWide(project.Root + folder).c_str(), nullptr);
    project.Files = {"index.htm", "getting_started.htm", "settings_files.htm", "style.css"};
    ContentsEntry menus, commands, builtins, scripts;
    if (!AddMenuPage(project, menus) || !AddCommandPages(project, commands) ||
        !AddBuiltinPages(project, builtins) || !AddScriptPages(project, scripts)) {
        std::fprintf(stderr, "help_pages: cannot write the pages under %s\n", argv[1]);
        return 1;
    }
    project.Contents = {{"Welcome", "index.htm", {}},
                        {"Getting started", "getting_started.htm", {}},
                        menus,
                        commands,
                        builtins,
                        scripts,
                        {"Settings files", "settings_files.htm", {}}};
    if (!WriteProjectFiles(project)) {
        std::fprintf(stderr, "help_pages: cannot write the project under %s\n", argv[1]);
        return 1;
    }
    std::printf("help_pages: %zu files\n", project.Files.size());
    return 0;
}
