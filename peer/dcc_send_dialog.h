// Offering files by DCC from a dialog: the nick, the files, the address family, passive mode and
// the protocol; each file becomes one "/dcc" line through the input line.
#pragma once

#include "core/client_services.h"

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

struct WindowRecord;

namespace peer {
// The dialog for the window, proposing the nick of its partner or of the nick list's selection.
void OpenDccSendDialog(HWND owner, WindowRecord* window);
// The dialog for the window with the files in it (a picture pasted into a query).
void OfferFilesDialog(HWND owner, WindowRecord* window, std::vector<std::wstring> files);
// Files dropped on a chat window (droppedOn: the window the drop point is relative to; null for
// the chat window itself): one dialog with all of them, to the window's partner or, in a
// channel, to the nick under the drop point. Nothing for a server window or an empty spot.
void SendDroppedFiles(WindowRecord* window, HDROP drop, HWND droppedOn = nullptr);
// The files field: paths joined with ",", a path holding a comma or a blank in double quotes.
std::wstring JoinOfferedFiles(const std::vector<std::wstring>& files);
std::vector<std::wstring> SplitOfferedFiles(const std::wstring& text);
} // namespace peer
