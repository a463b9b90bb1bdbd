// The handlers the rows of the menu command table (menu_command_table.cpp) name, by the file
// that holds them, and the input box helpers they share.
#pragma once

#include <windows.h>

#include <string>

struct MenuCommand;
struct WindowRecord;

// The record's input box takes the keyboard focus again.
void FocusInputBack(const WindowRecord* record);
// Replaces the input box's selection at the caret with the text; the box takes the focus.
void InsertIntoInput(WindowRecord* record, const std::wstring& text);
// The text of the record's input box.
std::wstring InputBoxText(const WindowRecord* record);

// menu_commands.cpp: the active window's state, its server, its view and the window arrangement.
void OpenChannelModes(const MenuCommand& command);
void FindInActiveView(const MenuCommand& command);
void ToggleNotifyOfWindow(const MenuCommand& command);
void PauseWindowOutput(const MenuCommand& command);
void DockOrUndockWindow(const MenuCommand& command);
void ToggleTickerOfWindow(const MenuCommand& command);
void SetWindowEncoding(const MenuCommand& command);
void AskChannelList(const MenuCommand& command);
void OpenJoinDialogForServer(const MenuCommand& command);
void RequestServerChannelList(const MenuCommand& command);
void ReconnectServer(const MenuCommand& command);
void DisconnectServer(const MenuCommand& command);
void AskServerLinks(const MenuCommand& command);
void OpenUserListPreferences(const MenuCommand& command);
void AskSilenceList(const MenuCommand& command);
void AskAcceptList(const MenuCommand& command);
void ToggleMultiLineInput(const MenuCommand& command);
void RunStatusEvent(const MenuCommand& command);
void ToggleFormatBar(const MenuCommand& command);
void ShowSmileys(const MenuCommand& command);
void ToggleVoiceTalk(const MenuCommand& command);
void ToggleVoiceListen(const MenuCommand& command);
void ShowSortedChannelList(const MenuCommand& command);
void ToggleNickListShown(const MenuCommand& command);
void RestoreAllWindows(const MenuCommand& command);
void MinimiseAllWindows(const MenuCommand& command);
void CascadeChildWindows(const MenuCommand& command);
void TileChildWindows(const MenuCommand& command);
void ArrangeWindowIcons(const MenuCommand& command);
void CopyViewSelection(const MenuCommand& command);
void SearchWebForSelection(const MenuCommand& command);
void CloseActiveWindow(const MenuCommand& command);
void LookUpHost(const MenuCommand& command);
void ToggleNickGroups(const MenuCommand& command);
void ClearWindow(const MenuCommand& command);
void RunLogMenuCommand(const MenuCommand& command);
void ToggleSpeakIncoming(const MenuCommand& command);
void OpenServerFromMenu(const MenuCommand& command);
void ToggleLightSensorMode(const MenuCommand& command);
void ShowMainMenuGroupOf(const MenuCommand& command);

// menu_input_codes.cpp: formatting codes, fonts, colours and smileys put into the input box.
void InsertFormatCode(const MenuCommand& command);
void InsertPaletteColour(const MenuCommand& command);
void InsertFontNumber(const MenuCommand& command);
void InsertFontCode(const MenuCommand& command);
void InsertColourRun(const MenuCommand& command);
void InsertSmiley(const MenuCommand& command);

// menu_program_commands.cpp: settings, dialogs, searching, help and the program's own commands.
void OpenConnect(const MenuCommand& command);
void OpenPreferencesSection(const MenuCommand& command);
void OpenAllPreferences(const MenuCommand& command);
void RestartInEnglish(const MenuCommand& command);
void SearchTypedText(const MenuCommand& command);
void ShowHelp(const MenuCommand& command);
void ShowAbout(const MenuCommand& command);
void ShowPageHelp(const MenuCommand& command);
void ShowStartPageAtStart(const MenuCommand& command);
void HideStartPageAtStart(const MenuCommand& command);
void AskRemoteAssistance(const MenuCommand& command);
void OpenMakerPage(const MenuCommand& command);
void CheckForUpdatesNow(const MenuCommand& command);
void HideInTray(const MenuCommand& command);
void RunFirstSteps(const MenuCommand& command);
void ResetSettings(const MenuCommand& command);

// nick_actions.cpp: the selected nicks of a channel or a query's partner, and the popups' items.
void RunChannelNickAction(const MenuCommand& command);
void RunUserAction(const MenuCommand& command);
void OfferFileToUser(const MenuCommand& command);
void RunScriptPopupItem(const MenuCommand& command);
void RunCommandPopupItem(const MenuCommand& command);

// object_menu_commands.cpp: pictures, movies, files and controls offered as objects.
void OfferObjectFile(const MenuCommand& command);
void InsertActiveXControl(const MenuCommand& command);
