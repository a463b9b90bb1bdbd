// The remote-assistance handshake over TCP: 8-byte headers (type and value, little-endian),
// texts in UTF-16LE without terminator, and the reverse-connect string the author sends.
#pragma once

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdint>
#include <string>

struct AssistMessageHeader {
    uint32_t Type = 0;
    uint32_t Value = 0; // opening request: 1; replies: the text's byte length, 0 for a refusal
};

constexpr uint32_t kAssistOpening = 0;
constexpr uint32_t kAssistReply = 1;
constexpr uint32_t kAssistInvitation = 2;
constexpr uint16_t kAssistPort = 7017;
// What the menu command sends as caller data.
constexpr char kAssistCallerData[] = "Brindlex";
// Given to the invitation by the requester and by the author's viewer when it connects.
constexpr wchar_t kAssistPassword[] = L"QuillFenLot";
// The requester's buffer for the author's reply: 1000 bytes, one wide terminator included.
constexpr uint32_t kReplyBufferBytes = 1000;
constexpr uint32_t kReplyTextLimit = kReplyBufferBytes - 2;
// What the author reads at most: caller data, and the invitation's connection string.
constexpr uint32_t kCallerDataLimit = 1024;
constexpr uint32_t kInvitationLimit = 64 * 1024;

// A stream socket connected to the first address of host and port, or 0.
SOCKET ConnectTcp(const char* host, uint32_t port);
bool SendHeader(SOCKET socket, const AssistMessageHeader& header);
bool ReceiveHeader(SOCKET socket, AssistMessageHeader& header);
// The header {type, 2 × length} and the text.
bool SendAssistText(SOCKET socket, uint32_t type, const std::wstring& text);
// Exactly bytes bytes of UTF-16LE text (an odd last byte is dropped).
bool ReceiveAssistText(SOCKET socket, uint32_t bytes, std::wstring& text);

// The numeric address of the socket's peer, or of its own end.
std::string PeerAddress(SOCKET socket);
std::string LocalAddress(SOCKET socket);

// True when the reverse-connect string is well formed and every address it names ("N" of the
// "L" elements under "C"\"T") is the peer's address or one of host's addresses: the sharer then
// connects only to the author it asked.
bool ReverseConnectNamesOnly(const std::wstring& connection, const char* host,
                             const std::string& peerAddress);
// The author's rewrite of its listener's string: all children of "C"\"T" become one "L" with
// "P" the port and "N" the address. Empty when the string is not one.
std::wstring RewriteReverseConnect(const std::wstring& connection, uint32_t port, const std::string& address);
