// Captions of the frame and of the chat windows.
#pragma once

#include "core/client_services.h"

struct WindowRecord;

// In front: the program's title. In the background: "[", then per record in list order "+" when
// its tab shows a state other than 0, else "-", separated by blanks, then "]".
void UpdateFrameTitle();
namespace shell {
// A server window: its name, " - " and the own nick. Any other window: its name, followed by
// " (" modes ") - " when it has modes (trailing blanks of the record's modes are removed).
void UpdateWindowTitle(WindowRecord* record);
} // namespace shell
