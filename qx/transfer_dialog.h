// The transfer program's one window: the rows of the transfer, its progress bar, four buttons
// whose roles change at the end, the tray icon and the taskbar's progress.
#pragma once

#include "transfer/transfer_command_line.h"

#include <windows.h>

// Runs the dialog for the command line until the user closes it.
void RunTransferDialog(const TransferCommandLine& line);
