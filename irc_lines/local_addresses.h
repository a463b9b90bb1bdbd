// The addresses a DCC offer announces, the port a listener takes, and the connection's address
// lines. An address that does not parse is never announced: it reads as none.
#pragma once

#include <winsock2.h>

#include <cstdint>
#include <string>

struct WindowRecord;

constexpr uint32_t kAddressMethodSetting = 0xFFFFFFFF; // "Cfg\\Lan_Options" "Use_Ip_Method"

// The IPv4 address to announce in network byte order, chosen by the method (0 the connection's
// address, 1 "Use_IP", 2 this machine's name, 3 the router's external address); 0 when none.
uint32_t GetLocalIpAddress(WindowRecord* window, uint32_t method = kAddressMethodSetting);
// The same as dotted text (empty when none); returns out.
std::string& GetLocalIpAddressText(WindowRecord* window, std::string& out,
                                   uint32_t method = kAddressMethodSetting);
// The IPv6 twin: 0 the connection's reported IPv6 address, 1 "Use_IP", 2 this machine's name;
// out keeps what it held for other methods or a text that is not an IPv6 address.
std::string& GetLocalIpv6AddressText(WindowRecord* window, std::string& out,
                                     uint32_t method = kAddressMethodSetting);
// The first IPv4 address of this machine's name as dotted text; empty when there is none.
std::string FirstLocalHostAddress();

// "Use_Port", or the next of a counter from 1025; test-binds it and up to 20 following ports
// and asks the frame to map the port when "Use_Upnp" is 1.
uint32_t PickListenPort(uint8_t ipv6);
// Prints the connection's local and remote IPv4 and IPv6 addresses into its server window.
void ShowConnectionAddresses(WindowRecord* window);

uint16_t SwapBytes16(uint16_t value);
// 1 for an IPv6 socket, 0 for IPv4 (or when it cannot be told).
uint8_t IsSocketIPv6(SOCKET socket);
