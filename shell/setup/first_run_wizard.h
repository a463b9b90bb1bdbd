// The three-page wizard that asks a new user for nickname, alternative nickname, e-mail address
// and full name (pages "W_1" to "W_3" of the language library).
#pragma once

#include "common/command_ids.h"

#include <windows.h>

#include <string>

constexpr const wchar_t* kWizardCancelQuestion =
    L"You are about to cancel this wizard. None of the options you selected will be applied.\r\nAre you "
    L"sure to close this wizard? You can run the wizard again from the help menu!";

// Runs the wizard modally over the main window; Finish writes "Default_Nick", "Default_EMail",
// "Default_Name" and "Alternative_Nick" of "Cfg\\Options1". The identity page shows those values
// when any of them is set. Returns the wizard's window, which no longer exists when this returns
// (null when it could not be shown).
HWND FirstRunWizard();

INT_PTR CALLBACK FirstRunPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// The answers the second page read when it was left (empty until then), and whether the user
// finished the wizard (it wrote them) rather than cancelled it.
struct WizardAnswers {
    std::string Nick, Email, Name, AlternativeNick;
    bool Finished = false;
};
const WizardAnswers& FirstRunWizardAnswers();
