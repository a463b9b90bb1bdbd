// The nine arguments qv gives the transfer program: which way to connect, the peer or the port,
// the protocol, the direction, the offset, the size and the file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class TransferAction { Receive, Send, MultiSend };

struct TransferCommandLine {
    // The nine arguments as given, for the dialog's rows.
    std::vector<std::wstring> Args;
    bool Listen = false;       // "in": wait for the peer
    std::wstring Host;         // connect forms: the peer's host
    uint32_t Port = 0;         // connect forms: the peer's port; listen forms: the port to listen on
    bool Ipv6 = false;         // the address family of the connection
    bool Upnp = false;         // listen forms: map the port on the router
    bool Acknowledged = false; // "dcc"; anything else sends without acknowledgements
    TransferAction Action = TransferAction::Receive;
    uint64_t Offset = 0; // resume offset (receive) or start position (send)
    uint64_t Size = 0;   // receive: the expected size, 0 when not given
    std::wstring Path;
};

// The "From" and "To" of the transfer window: a received file comes from the peer into the file,
// a sent one goes from the file to the peer. peer: its address or host, "" while not known.
struct TransferEnds {
    std::wstring From, To;
};
TransferEnds DescribeTransferEnds(const TransferCommandLine& line, const std::wstring& peer);

enum class CommandLineStatus {
    Ready,
    TooFew,     // not started by qv: only a notice is shown
    Unreadable, // a number or the path that cannot be taken as it is written
};

// Reads the arguments that follow the program name. A number must be plain decimal digits that
// fit its width (ports 1-65535): a half-read number would lead the transfer to another address
// or file position. problem names the argument that could not be read.
CommandLineStatus ReadTransferCommandLine(const std::vector<std::wstring>& args, TransferCommandLine& line,
                                          std::wstring* problem = nullptr);
// The arguments of a Windows command line (the program name first), split by the system's rules.
std::vector<std::wstring> SplitCommandLine(const wchar_t* commandLine);
// The file argument without its quotes: every trailing double quote, then one leading one.
std::wstring TransferPathArgument(const std::wstring& argument);
// Plain unsigned decimal digits that fit in max; false for anything else.
bool ReadDecimal(const std::wstring& text, uint64_t max, uint64_t& value);
