#include "assist/assist_handshake.h"

#include "common/net_helpers.h"
#include "common/xstring.h"
#include "xml/xml_document.h"
#include "xml/xml_element.h"
#include "xml/xml_writer.h"

#include <cstdio>
#include <set>

namespace {

void PutUint32(char* bytes, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>(value >> (8 * i));
}

uint32_t GetUint32(const char* bytes) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<uint8_t>(bytes[i]);
    return value;
}

std::string NumericAddress(const sockaddr* address, int length) {
    char host[NI_MAXHOST] = {};
    if (getnameinfo(address, length, host, sizeof host, nullptr, 0, NI_NUMERICHOST) != 0) return {};
    return host;
}

// Every numeric address the host name resolves to.
std::set<std::string> HostAddresses(const char* host) {
    std::set<std::string> addresses;
    addrinfo* found = nullptr;
    if (!host || getaddrinfo(host, nullptr, nullptr, &found) != 0) return addresses;
    for (addrinfo* entry = found; entry; entry = entry->ai_next)
        addresses.insert(NumericAddress(entry->ai_addr, static_cast<int>(entry->ai_addrlen)));
    freeaddrinfo(found);
    return addresses;
}

// The "T" element of a reverse-connect string: its root's "C" child's "T" child.
XmlElement* TransportElement(XmlDocument& document, const std::wstring& connection) {
    if (connection.empty() || !XmlDocumentOpenWideText(&document, connection.c_str())) return nullptr;
    XmlElement* root = XmlDocumentGetRoot(&document);
    XmlElement* c = root ? XmlElementFindChild(root, "C") : nullptr;
    return c ? XmlElementFindChild(c, "T") : nullptr;
}

} // namespace

SOCKET ConnectTcp(const char* host, uint32_t port) {
    if (!host || port == 0) return 0;
    char service[16];
    std::snprintf(service, sizeof service, "%u", port % 1000000000u);
    addrinfo* found = nullptr;
    if (getaddrinfo(host, service, nullptr, &found) != 0 || !found) return 0;
    SOCKET connected = socket(found->ai_family, SOCK_STREAM, 0);
    if (connected != INVALID_SOCKET &&
        connect(connected, found->ai_addr, static_cast<int>(found->ai_addrlen)) == SOCKET_ERROR) {
        closesocket(connected);
        connected = INVALID_SOCKET;
    }
    freeaddrinfo(found);
    return connected == INVALID_SOCKET ? 0 : connected;
}

bool SendHeader(SOCKET socket, const AssistMessageHeader& header) {
    char bytes[8];
    PutUint32(bytes, header.Type);
    PutUint32(bytes + 4, header.Value);
    return SendAll(socket, bytes, sizeof bytes, 0) == sizeof bytes;
}

bool ReceiveHeader(SOCKET socket, AssistMessageHeader& header) {
    char bytes[8];
    if (RecvAll(socket, bytes, sizeof bytes, 0) != sizeof bytes) return false;
    header.Type = GetUint32(bytes);
    header.Value = GetUint32(bytes + 4);
    return true;
}

bool SendAssistText(SOCKET socket, uint32_t type, const std::wstring& text) {
    const auto bytes = static_cast<uint32_t>(text.size() * sizeof(wchar_t));
    return SendHeader(socket, {type, bytes}) &&
           SendAll(socket, reinterpret_cast<const char*>(text.data()), static_cast<int>(bytes), 0) == bytes;
}

bool ReceiveAssistText(SOCKET socket, uint32_t bytes, std::wstring& text) {
    std::string raw(bytes, '\0');
    if (RecvAll(socket, raw.data(), static_cast<int>(bytes), 0) != bytes) return false;
    text.assign(bytes / sizeof(wchar_t), L'\0');
    raw.copy(reinterpret_cast<char*>(text.data()), text.size() * sizeof(wchar_t));
    return true;
}

std::string PeerAddress(SOCKET socket) {
    sockaddr_storage address{};
    int length = sizeof address;
    if (getpeername(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0) return {};
    return NumericAddress(reinterpret_cast<sockaddr*>(&address), length);
}

std::string LocalAddress(SOCKET socket) {
    sockaddr_storage address{};
    int length = sizeof address;
    if (getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0) return {};
    return NumericAddress(reinterpret_cast<sockaddr*>(&address), length);
}

bool ReverseConnectNamesOnly(const std::wstring& connection, const char* host,
                             const std::string& peerAddress) {
    XmlDocument document;
    XmlElement* transport = TransportElement(document, connection);
    const uint32_t count = transport ? XmlElementGetChildCount(transport) : 0;
    if (count == 0 || peerAddress.empty()) return false;
    std::set<std::string> allowed = HostAddresses(host);
    allowed.insert(peerAddress);
    for (uint32_t i = 0; i < count; ++i) {
        XmlElement* listener = XmlElementGetChild(transport, i);
        if (!listener || XmlElementGetNameString(listener) != "L") return false;
        XmlVariable* address = XmlElementFindVariable(listener, "N");
        if (!address || !allowed.count(XmlVariableGetValueString(address))) return false;
    }
    return true;
}

std::wstring RewriteReverseConnect(const std::wstring& connection, uint32_t port,
                                   const std::string& address) {
    XmlDocument document;
    XmlElement* transport = TransportElement(document, connection);
    if (!transport) return {};
    XmlElementRemoveAllChildren(transport);
    XmlElement* listener = XmlElementAddNewChild(transport, "L");
    XmlVariableSetValue(XmlElementFindVariable(listener, "P", 1), std::to_string(port).c_str());
    XmlVariableSetValue(XmlElementFindVariable(listener, "N", 1), address.c_str());
    return NarrowToWide(XmlElementExportText(XmlDocumentGetRoot(&document), 1, 1, kXmlFormatMemory, nullptr));
}
