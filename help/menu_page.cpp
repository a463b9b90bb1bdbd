// The menus page, read from the main menu of the language library as the program loads it:
// every group with its items, their keys and their command numbers.
#include "help/help_project.h"
#include "help/html_page.h"

#include "common/app_state.h"
#include "common/xstring.h"

#include <windows.h>

namespace {

struct MenuText {
    std::string Label, Key;
};

MenuText ItemText(HMENU menu, int position) {
    wchar_t text[400] = {};
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STRING;
    info.dwTypeData = text;
    info.cch = 399;
    GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info);
    std::wstring label, key;
    bool inKey = false;
    for (const wchar_t* at = text; *at; ++at) {
        if (*at == L'\t')
            inKey = true;
        else if (*at == L'&' && at[1] == L'&')
            (inKey ? key : label) += *++at;
        else if (*at != L'&')
            (inKey ? key : label) += *at;
    }
    return {WideToNarrow(label), WideToNarrow(key)};
}

void AppendItems(std::string& out, HMENU menu) {
    out += "<ul>\n";
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        const UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
        if (state & MF_SEPARATOR) continue;
        const MenuText text = ItemText(menu, i);
        out += "<li>" + HtmlEscaped(text.Label);
        if (!text.Key.empty()) out += " <span class=\"key\">" + HtmlEscaped(text.Key) + "</span>";
        if (HMENU sub = GetSubMenu(menu, i)) {
            AppendItems(out, sub);
        } else {
            out += " <span class=\"id\">(command " + std::to_string(GetMenuItemID(menu, i)) + ")</span>";
        }
        out += "</li>\n";
    }
    out += "</ul>\n";
}

} // namespace

bool AddMenuPage(HelpProject& project, ContentsEntry& entry) {
    entry = {"Menus", "menus.htm", {}};
    HMENU menu = LoadMenuW(LanguageModule.load(), L"MENU_MAIN");
    if (!menu) return false;
    std::string body =
        "<p>The menu bar shows the groups that belong to the window in front; the connect menu "
        "also lists the saved servers. Keys are shown beside their items. The command numbers "
        "are what scripts pass to <code>cmd</code> and what \"app:\" links name.</p>\n";
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        HMENU sub = GetSubMenu(menu, i);
        if (!sub) continue;
        const std::string title = ItemText(menu, i).Label;
        const std::string anchor = "menu" + std::to_string(i);
        body += "<h2 id=\"" + anchor + "\">" + HtmlEscaped(title) + "</h2>\n";
        AppendItems(body, sub);
        entry.Children.push_back({title, "menus.htm#" + anchor, {}});
    }
    DestroyMenu(menu);
    return project.AddPage("menus.htm", HtmlPage("Menus", "<a href=\"index.htm\">Contents</a>", body, 0));
}
