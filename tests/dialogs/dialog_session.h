// The real frame connected to ngircd as a user connects it, and the ways a test acts on the
// dialogs it opens.
#pragma once

#include "tests/frame/frame_harness.h"
#include "tests/support/ngircd_server.h"
#include "tests/support/test_files.h"

#include <windows.h>

#include <functional>
#include <string>

struct WindowRecord;

// The listed record of that name and type, or null.
WindowRecord* FindRecord(const std::string& name, uint32_t type);
// A server window connected with "/server" and past the end of the server's welcome; null when
// it did not get there in time.
WindowRecord* ConnectFrame(uint16_t port, const std::string& nick);
// Makes the record the active window, as a click on its tab does.
void Activate(WindowRecord* record);
// Posts the menu command to the frame.
void PostCommand(HWND frame, UINT id);
// A control's text, read from another thread.
std::wstring ControlText(HWND dialog, int id);
// Sets a control's text as typing it would leave it.
void SetControlText(HWND dialog, int id, const std::wstring& text);
// Waits on the watcher's thread until the condition holds.
bool WaitOnWatcher(const std::function<bool()>& condition, DWORD timeoutMs = 15000);
// Fills a save dialog's file name and presses Save.
void ChooseSaveFile(HWND dialog, const std::wstring& path);
// The whole text of a Rich Edit view.
std::wstring ViewText(HWND view);
