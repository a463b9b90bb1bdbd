// The ban-list dialog ("DIALOG_R") that the frame's ban and exception list commands open.
#pragma once

#include <windows.h>

#include <atomic>

// The dialog's Rich Edit view while the dialog is open, else null. List replies print into it.
extern std::atomic<HWND> BanListDialogView;
