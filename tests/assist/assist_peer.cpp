// A scripted author for the handshake tests, in a process of its own: it listens on a loopback
// port (written to the port file), serves one requester as the mode says, and writes what it
// received to the result file (a fifth argument asks for a port of its own): the opening bytes in
// hexadecimal, then the invitation text or "closed" when the requester ended the connection without one.
//
// Modes: refuse (reply {1, 0}); accept (a reverse-connect string naming 127.0.0.1); split (the
// same reply in three segments); hostile (a length far beyond the requester's buffer);
// oversized (a text of 1000 bytes, two more than the buffer holds); elsewhere (a string naming
// an address other than the author's).
#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

bool SendBytes(SOCKET socket, const void* data, size_t length) {
    return send(socket, static_cast<const char*>(data), static_cast<int>(length), 0) ==
           static_cast<int>(length);
}

bool RecvBytes(SOCKET socket, void* data, size_t length) {
    size_t got = 0;
    while (got < length) {
        const int n = recv(socket, static_cast<char*>(data) + got, static_cast<int>(length - got), 0);
        if (n <= 0) return false;
        got += static_cast<size_t>(n);
    }
    return true;
}

void SendHeader(SOCKET socket, uint32_t type, uint32_t value) {
    const uint32_t header[2] = {type, value};
    SendBytes(socket, header, sizeof header);
}

std::wstring ReverseString(const wchar_t* address) {
    return std::wstring(L"<E><A KH=\"author\" ID=\"listener\"/><C><T ID=\"1\" SID=\"0\"><L P=\"7017\" N=\"") +
           address + L"\"/></T></C></E>";
}

std::string Hex(const std::string& bytes) {
    std::string text;
    char digits[3];
    for (unsigned char byte : bytes) {
        std::snprintf(digits, sizeof digits, "%02x", byte);
        text += digits;
    }
    return text;
}

void WriteText(const char* path, const std::string& text) {
    if (FILE* file = std::fopen(path, "wb")) {
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
    }
}

std::string Serve(SOCKET socket, const std::string& mode) {
    std::string opening(12, '\0');
    if (!RecvBytes(socket, opening.data(), 12)) return "no opening";
    uint32_t length = 0;
    std::memcpy(&length, opening.data() + 8, 4);
    std::string data(length < 4096 ? length : 0, '\0');
    if (!RecvBytes(socket, data.data(), data.size())) return "no caller data";
    std::string result = Hex(opening + data) + "\n";
    if (mode == "refuse") {
        SendHeader(socket, 1, 0);
        return result;
    }
    if (mode == "hostile") {
        SendHeader(socket, 1, 0xFFFFFF00u);
        const std::string flood(4096, 'A');
        SendBytes(socket, flood.data(), flood.size());
        return result;
    }
    if (mode == "oversized") {
        SendHeader(socket, 1, 1000);
        const std::wstring text(500, L'X');
        SendBytes(socket, text.data(), 1000);
        return result;
    }
    const std::wstring reply = ReverseString(mode == "elsewhere" ? L"10.9.8.7" : L"127.0.0.1");
    const auto bytes = static_cast<uint32_t>(reply.size() * 2);
    SendHeader(socket, 1, bytes);
    if (mode == "split") {
        const char* raw = reinterpret_cast<const char*>(reply.data());
        const uint32_t third = bytes / 3;
        for (uint32_t offset = 0; offset < bytes; offset += third) {
            SendBytes(socket, raw + offset, offset + third <= bytes ? third : bytes - offset);
            Sleep(150);
        }
    } else {
        SendBytes(socket, reply.data(), bytes);
    }
    uint32_t header[2] = {};
    if (!RecvBytes(socket, header, sizeof header)) return result + "closed";
    std::wstring invitation(header[1] / 2, L'\0');
    if (header[0] != 2 || header[1] > 65536 || !RecvBytes(socket, invitation.data(), header[1]))
        return result + "bad";
    std::string narrow;
    for (wchar_t c : invitation) narrow += static_cast<char>(c);
    return result + narrow;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4 && argc != 5) return 2;
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (argc == 5) address.sin_port = htons(static_cast<u_short>(std::atoi(argv[4])));
    int size = sizeof address;
    if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener, 1) != 0 || getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        return 3;
    WriteText(argv[2], std::to_string(ntohs(address.sin_port)));
    SOCKET requester = accept(listener, nullptr, nullptr);
    if (requester == INVALID_SOCKET) return 4;
    const std::string result = Serve(requester, argv[1]);
    // Waits for the requester to close, so a refusal is read before the socket goes.
    char rest[256];
    while (recv(requester, rest, sizeof rest, 0) > 0) {
    }
    closesocket(requester);
    WriteText(argv[3], result);
    return 0;
}
