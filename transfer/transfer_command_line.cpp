#include "transfer/transfer_command_line.h"

#include <windows.h>
#include <shellapi.h>

namespace {

constexpr size_t kMaxPath = 1000;

CommandLineStatus Unreadable(std::wstring* problem, const wchar_t* what) {
    if (problem) *problem = what;
    return CommandLineStatus::Unreadable;
}

} // namespace

bool ReadDecimal(const std::wstring& text, uint64_t max, uint64_t& value) {
    if (text.empty() || text.size() > 20) return false;
    uint64_t result = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return false;
        const uint64_t digit = static_cast<uint64_t>(c - L'0');
        if (result > (max - digit) / 10) return false;
        result = result * 10 + digit;
    }
    value = result;
    return true;
}

std::wstring TransferPathArgument(const std::wstring& argument) {
    std::wstring path = argument;
    while (!path.empty() && path.back() == L'"') path.pop_back();
    if (!path.empty() && path.front() == L'"') path.erase(0, 1);
    return path;
}

TransferEnds DescribeTransferEnds(const TransferCommandLine& line, const std::wstring& peer) {
    if (line.Action == TransferAction::Receive) return {peer, line.Path};
    return {line.Path, peer};
}

std::vector<std::wstring> SplitCommandLine(const wchar_t* commandLine) {
    std::vector<std::wstring> args;
    int count = 0;
    wchar_t** list = CommandLineToArgvW(commandLine, &count);
    if (!list) return args;
    for (int i = 0; i < count; ++i) args.emplace_back(list[i]);
    LocalFree(list);
    return args;
}

CommandLineStatus ReadTransferCommandLine(const std::vector<std::wstring>& args, TransferCommandLine& line,
                                          std::wstring* problem) {
    if (args.size() < 9) return CommandLineStatus::TooFew;
    line = TransferCommandLine{};
    line.Args.assign(args.begin(), args.begin() + 9);
    const auto& a = line.Args;
    line.Listen = a[0] == L"in";
    uint64_t port = 0;
    if (line.Listen) {
        if (!ReadDecimal(a[1], 65535, port) || port == 0) return Unreadable(problem, L"listening port");
        line.Ipv6 = a[2] == L"ipv6";
        line.Upnp = a[3] == L"upnp";
    } else {
        if (a[1].empty()) return Unreadable(problem, L"peer address");
        line.Host = a[1];
        if (!ReadDecimal(a[2], 65535, port) || port == 0) return Unreadable(problem, L"peer port");
        line.Ipv6 = a[3] == L"ipv6";
    }
    line.Port = static_cast<uint32_t>(port);
    line.Acknowledged = a[4] == L"dcc";
    line.Action = a[5] == L"send"    ? TransferAction::Send
                  : a[5] == L"msend" ? TransferAction::MultiSend
                                     : TransferAction::Receive;
    if (!ReadDecimal(a[6], UINT64_MAX, line.Offset)) return Unreadable(problem, L"offset");
    if (!ReadDecimal(a[7], UINT64_MAX, line.Size)) return Unreadable(problem, L"size");
    line.Path = TransferPathArgument(a[8]);
    if (line.Path.empty() || line.Path.size() > kMaxPath) return Unreadable(problem, L"file path");
    return CommandLineStatus::Ready;
}
