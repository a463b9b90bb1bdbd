#include "ui/ban_list_dialog.h"

// The ban-list dialog is not part of this version: no view is ever open, so the list replies go
// to the channel window.
std::atomic<HWND> BanListDialogView{nullptr};
