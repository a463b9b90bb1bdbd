// The transfer program started as qv starts it, and its windows read and pressed from outside.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class QxProcess {
public:
    explicit QxProcess(const std::wstring& arguments);
    // A qx that another part of this process started (qv's DCC handling), taken by its id.
    explicit QxProcess(DWORD processId);
    ~QxProcess();
    QxProcess(const QxProcess&) = delete;
    QxProcess& operator=(const QxProcess&) = delete;

    bool Started() const { return process_ != nullptr; }
    DWORD Id() const { return id_; }
    // The visible top-level window of the process with the caption; null after the time.
    HWND WaitForWindow(const wchar_t* caption, DWORD timeoutMs = 30000) const;
    // Waits until the transfer window shows its end ("Close"); false after the time.
    bool WaitForEnd(HWND dialog, DWORD timeoutMs = 120000) const;
    // The exit code once the process ended; -1 when it still runs after the time.
    long ExitCode(DWORD timeoutMs = 30000) const;
    // The command line the process was started with, read from the process.
    std::wstring CommandLine() const;

private:
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

// The ids of the running qx.exe processes this process started, oldest first.
std::vector<DWORD> QxChildren();

std::wstring ControlText(HWND dialog, int id);
bool ControlVisible(HWND dialog, int id);
// Presses the button as a click would.
void Press(HWND dialog, int id);
// Presses the child button of the window whose text is the given one.
bool PressButtonNamed(HWND window, const wchar_t* text);
int ProgressPercent(HWND dialog);
