// Real Linux programs (openssl, danted, tinyproxy) started from a test running under Wine.
// Wine starts a native executable given as a Z:\ path but hands back no process handle, so a
// program is run through /bin/sh, which notes its process id in a file; stopping it runs kill.
#pragma once

#include "tests/support/test_files.h"

#include <cstdint>
#include <string>

// A fresh folder for one test's files, as a Windows path ending in a backslash.
std::wstring MakeTestFolder(const wchar_t* name);
// Single-quoted for /bin/sh.
std::string ShellQuote(const std::string& text);

// Runs a shell command to its end (at most timeoutMs) and returns its exit code, -1 on timeout.
int RunShell(const std::string& command, uint32_t timeoutMs = 60000);

// The file is well-formed XML to a strict reader (python3's expat, as other programs read it).
bool IsStrictlyWellFormedXml(const std::wstring& path);

class LinuxPeer {
public:
    LinuxPeer() = default;
    ~LinuxPeer() { Stop(); }
    LinuxPeer(const LinuxPeer&) = delete;
    LinuxPeer& operator=(const LinuxPeer&) = delete;

    // Starts command (a shell command line; its output goes to log) in folder, bounded by
    // `timeout` so it never outlives a crashed test, and waits until it accepts connections on
    // the loopback port (IPv4). False when it did not come up in time.
    bool Start(const std::wstring& folder, const std::string& command, uint16_t port,
               uint32_t lifetimeSeconds = 120);
    void Stop();
    std::string Log() const;

private:
    std::wstring folder_;
    std::string pid_;
};

bool WaitForLoopbackPort(uint16_t port, uint32_t timeoutMs);
