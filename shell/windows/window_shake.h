// Asking for the user's attention by shaking a chat window.
#pragma once

#include "core/client_services.h"

namespace shell {
// Thread procedure; the argument is the chat window (HWND). At most one shake every 30 seconds;
// while the program is in the background the frame flashes instead.
unsigned __stdcall ShakeWindowThread(void* childWindow);
} // namespace shell
