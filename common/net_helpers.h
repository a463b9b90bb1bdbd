// Socket helpers shared by the connection, the transfers and the script built-ins.
#pragma once

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstddef>
#include <cstdint>
#include <string>

// Eight groups of four upper-case hexadecimal digits, "%04X:...", no shortening.
std::string FormatIPv6(const uint8_t (&address)[16]);
// A socket address as text: dotted IPv4, or IPv6 in the groups of FormatIPv6; its port in port.
std::string SocketAddressText(const sockaddr_storage& address, uint32_t& port);

// Calls recv until length bytes have arrived; stops early when a call returns 0 or
// SOCKET_ERROR. Returns the bytes received.
uint32_t RecvAll(SOCKET socket, char* buffer, int length, int flags);
// Calls send until length bytes are written; stops early when a call returns 0 or fails.
// Returns the bytes sent.
uint32_t SendAll(SOCKET socket, const char* data, int length, int flags);

// Resolves host and port for one family (AF_INET or AF_INET6) as TCP, or UDP when datagram is
// non-zero, with getaddrinfo looked up in WS2_32.DLL for the call. Copies the first address into
// the buffer and returns its length; 0 when nothing was found, the functions are missing or the
// address does not fit.
uint32_t ResolveHost(const char* host, uint32_t port, uint32_t datagram, void* address, size_t addressSize,
                     uint32_t family);
