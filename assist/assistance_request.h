// Remote assistance on the user's side: asks for consent and options, contacts the author's
// listener, opens a desktop-sharing session that connects out to the author's viewer, sends it
// the invitation and keeps the session dialog up until the session ends. Blocks the calling
// (interface) thread for the whole session; the session dialog keeps messages flowing.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace assist {
// The menu command's call: no owner, AssistanceAuthorHost(), kAssistPort and kAssistCallerData.
void RequestRemoteAssistance(HWND owner, const std::string& host, uint16_t port,
                             const std::string& callerData);
} // namespace assist

// The author's host: "Cfg\Options1" "Assistance_Host", else the program's own default.
std::string AssistanceAuthorHost();

// The options task dialog: 0 when cancelled or not shown, else the colour depth (24, or 8 for
// the low colour mode) plus 1 when the entire desktop is to be shared.
uint32_t AssistOptionsDialog(HWND owner);
