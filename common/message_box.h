// The message box of the whole program: a task dialog (main instruction, content, icon,
// optional command links) on Windows 6 and later, the plain message box elsewhere.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string>
#include <vector>

struct MessageBoxButton {
    std::wstring label;
    std::wstring note; // may be empty
    int32_t id;        // returned when the button is pressed
};

// flags: the MB_ type in bits 0-3, the default button in bits 8-9. icon: an MB_ICON value, or
// 240 for the shield. buttons: command links in place of the type's buttons (an empty vector
// shows the plain box). Returns the id of the chosen button.
int AppMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT flags, UINT icon,
                  const std::vector<MessageBoxButton>* buttons = nullptr);

// The standard buttons of a type with their captions from the language library.
std::vector<MessageBoxButton> MessageBoxButtonList(UINT flags);

INT_PTR CALLBACK CaptionDialogProc19(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK CaptionDialogProc20(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// A task dialog's configuration with the texts it points into. Not copyable: the config holds
// pointers into its own members.
struct TaskDialogSetup {
    TASKDIALOGCONFIG config{};
    std::wstring caption;
    std::wstring instruction;
    std::wstring content;
    std::vector<std::wstring> buttonTexts;
    std::vector<TASKDIALOG_BUTTON> buttons;

    TaskDialogSetup() = default;
    TaskDialogSetup(const TaskDialogSetup&) = delete;
    TaskDialogSetup& operator=(const TaskDialogSetup&) = delete;
};

// Fills the setup for AppMessageBox's arguments; false when the type has no task-dialog form
// and the plain box is to be shown instead.
bool BuildTaskDialogSetup(TaskDialogSetup& setup, HWND owner, const wchar_t* text, const wchar_t* caption,
                          UINT flags, UINT icon, const std::vector<MessageBoxButton>* buttons);
// The answer given when the task dialog cannot be shown: the one that declines.
int CautiousAnswer(UINT flags);
// The style of the plain message box: the flags with the icon (the shield shows as information).
UINT PlainMessageBoxStyle(UINT flags, UINT icon);

// TaskDialog and TaskDialogIndirect looked up in comctl32.dll at each call; E_FAIL when missing.
HRESULT TaskDialogByName(HWND owner, HINSTANCE instance, PCWSTR title, PCWSTR instruction, PCWSTR content,
                         TASKDIALOG_COMMON_BUTTON_FLAGS commonButtons, PCWSTR icon, int* button);
HRESULT TaskDialogIndirectByName(const TASKDIALOGCONFIG* config, int* button, int* radioButton,
                                 BOOL* verificationChecked);
