// Starting the transfer program qx for a file that qv sends: its command line of nine arguments
// and its process, which qv does not wait for.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

// How long an offer waits for the transfer program it started to be ready for its peer.
constexpr DWORD kTransferProgramReadyMs = 30000;

// The quoted path of qx in the folder.
std::wstring TransferProgramPath(const std::wstring& programFolder);
// "out": qx connects to the peer's address and port and sends the file.
std::wstring SendOutCommandLine(const std::wstring& programFolder, const std::string& address, uint32_t port,
                                bool ipv6, const std::wstring& protocol, const std::wstring& path);
// "in": qx listens on the port and sends the file to the peer that connects.
std::wstring SendInCommandLine(const std::wstring& programFolder, uint32_t port, bool ipv6, bool upnp,
                               const std::wstring& protocol, const std::wstring& path);
// "out", receiving: qx connects to the sender's address and port and writes the file from the
// offset; size is the offered size.
std::wstring ReceiveOutCommandLine(const std::wstring& programFolder, const std::string& address,
                                   uint32_t port, bool ipv6, const std::wstring& protocol, uint64_t offset,
                                   uint64_t size, const std::wstring& path);
// "in", receiving a passive offer: qx listens on the port and the sender connects.
std::wstring ReceiveInCommandLine(const std::wstring& programFolder, uint32_t port, bool ipv6,
                                  const std::wstring& protocol, uint64_t offset, uint64_t size,
                                  const std::wstring& path);
// Starts qx from the program folder with the command line; true when the process started.
bool StartTransferProgram(const std::wstring& commandLine);
// Starts qx, which listens on port (IPv6 or IPv4) before it makes its window, and runs then on the
// interface thread once that port listens (or qx has ended, or kTransferProgramReadyMs passed): an
// offer sent then finds the port open. The wait runs on a thread of its own; then runs at once when
// qx cannot be started or the thread cannot.
void StartListeningTransferProgram(const std::wstring& commandLine, uint16_t port, bool ipv6,
                                   std::function<void()> then);
