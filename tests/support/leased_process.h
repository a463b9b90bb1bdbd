// A native program started from a test under Wine, in a temporary folder of its own. Wine hands
// back no handle to a native process, so a small shell script minds it and ends it when asked,
// when the test program stops renewing its lease (a crashed test), or after five minutes.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

class LeasedProcess {
public:
    // folderName starts the folder's name, e.g. L"brindlex-ngircd".
    explicit LeasedProcess(const wchar_t* folderName);
    ~LeasedProcess();
    LeasedProcess(const LeasedProcess&) = delete;
    LeasedProcess& operator=(const LeasedProcess&) = delete;

    // Runs a shell command line in the folder (its own output redirections included); again
    // after Stop, the same command starts anew.
    void Start(const std::string& command);
    // Asks the program to end and waits for the minder to say it has.
    void Stop();
    std::wstring File(const wchar_t* name) const { return folder_ + L"\\" + name; }
    const std::wstring& Folder() const { return folder_; }

private:
    std::wstring folder_;
    std::atomic<bool> stopping_{false};
    std::thread lease_;
};
