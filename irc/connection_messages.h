// Progress and failure lines of a connection: language strings printed into its server window.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

struct WindowRecord;

// Language string ids of the connection's progress lines.
enum ConnectionMessage : int32_t {
    kConnectingMessage = 50,   // host
    kAddressMessage = 51,      // address text, port
    kConnectedMessage = 52,    // address text, port
    kDisconnectedMessage = 53, // no address, or the connection ended
    kConnectFailedMessage = 54 // address text, port
};

// Replaces each printf conversion of the format ("%s", "%u", "%ls", ...) with the next
// argument as text, "%%" with "%"; a conversion without an argument becomes empty. The format
// is never handed to printf, so a translation with the wrong conversions cannot misread memory.
std::wstring FillLangText(const wchar_t* format, std::initializer_list<std::wstring> arguments);

// Prints the language string, filled with the arguments, as an information line.
void PrintConnectionMessage(WindowRecord* window, int32_t stringId,
                            std::initializer_list<std::wstring> arguments = {});
