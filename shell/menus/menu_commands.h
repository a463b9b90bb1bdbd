// What the menus offer beside their commands (menu_command_table.h): the main menu's groups as
// popups, the web search addresses and opening a file with its program.
#pragma once

#include <windows.h>

#include <string>

// Shows the main menu's group at this position as a popup at the cursor.
void ShowMainMenuGroup(UINT position);

// The address that searches the web (or, for the encyclopedia, looks the text up) for the
// UTF-8 text, put into the address percent-encoded.
std::wstring WebSearchUrl(const std::string& text, bool encyclopedia);
// The search site's own start page.
std::wstring WebSearchHome(bool encyclopedia);

namespace shell {
// ShellExecute "open" of the file, owned by the frame.
void OpenWithShell(const std::wstring& file, int showCommand);
} // namespace shell
