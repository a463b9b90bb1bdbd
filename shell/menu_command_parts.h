// The parts of the menu-command handler, one file each; the dispatcher is menu_commands.cpp.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

struct WindowRecord;

// The record's input box takes the keyboard focus again.
void FocusInputBack(const WindowRecord* record);
// Replaces the input box's selection at the caret with the text; the box takes the focus.
void InsertIntoInput(WindowRecord* record, const std::wstring& text);
// The text of the record's input box.
std::wstring InputBoxText(const WindowRecord* record);

// The formatting codes, fonts, colours and smileys put into the input box (the format commands and the
// smileys); false when the id is none of them.
bool RunInputCodeCommand(HWND owner, WindowRecord* record, uint32_t id);
// Settings, dialogs, searching, help and the program's own commands, most of which need no
// window; false when the id is none of them.
bool RunProgramCommand(HWND owner, WindowRecord* record, uint32_t id);
// Mode, list and user actions on a channel's selected nicks or a query's partner (ID_NICK_OWNER
// to ID_NICK_AUTO_VOICE_REMOVE, ID_USER_WHOIS to ID_USER_LAST).
void RunNickAction(HWND owner, WindowRecord* record, uint32_t id);
// The script items (2000-4000) and the command items (8000-8099) of the current popup.
void RunScriptPopupItem(WindowRecord* record, uint32_t id);
void RunCommandPopupItem(WindowRecord* record, uint32_t id);
