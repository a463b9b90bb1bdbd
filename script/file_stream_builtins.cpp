// Files opened as byte streams: blocks, lines and single bytes read and written, seeking, and
// appending a text in one call. Scripts hold streams by the numbers of the script stream table;
// a number that names no open stream, and a block count outside what a buffer may hold, end the
// script with its error line.
#include "script/builtin_families.h"
#include "script/builtin_values.h"
#include "script/script_files.h"

#include "common/xstring.h"

#include <share.h>

#include <cstring>
#include <vector>

namespace {

// The largest block one fread or fwrite moves.
constexpr uint64_t kMaxBlock = 64ull * 1024 * 1024;
// fgets reads at most this many bytes, its "\n" included.
constexpr int kLineBytes = 999;

std::shared_ptr<FILE> Stream(const BuiltinCall& call, size_t index) {
    std::shared_ptr<FILE> stream = FindScriptFile(ArgNumber(call, index));
    if (!stream) RefuseBuiltin();
    return stream;
}

// "r", "w" or "a", then at most one "+" and one of "b" or "t", in any order. The runtime ends
// the program on a mode it does not know, so nothing else reaches it.
bool IsStreamMode(const std::string& mode) {
    if (mode.empty() || !std::strchr("rwa", mode[0])) return false;
    int plus = 0, kind = 0;
    for (size_t i = 1; i < mode.size(); ++i) {
        if (mode[i] == '+')
            ++plus;
        else if (mode[i] == 'b' || mode[i] == 't')
            ++kind;
        else
            return false;
    }
    return plus <= 1 && kind <= 1;
}

// Shared access: other programs may read and write the file meanwhile.
FILE* OpenShared(const std::string& name, const std::string& mode) {
    return _wfsopen(NarrowToWide(name).c_str(), NarrowToWide(mode).c_str(), _SH_DENYNO);
}

// Any mode but reading alone ("r", "rb", "rt") may change the file.
bool OpensForWriting(const BuiltinCall& call) {
    const std::string mode = HasArg(call, 1) ? Arg(call, 1) : std::string();
    return mode.empty() || mode[0] != 'r' || mode.find('+') != std::string::npos;
}

uint32_t Open(BuiltinCall& call) {
    RequireArgs(call, 2);
    if (!IsStreamMode(Arg(call, 1))) return NumberResult(call, 0);
    return NumberResult(call, RegisterScriptFile(OpenShared(Arg(call, 0), Arg(call, 1))));
}

// What was read, up to its first zero byte; the position moves on by everything read.
uint32_t Read(BuiltinCall& call) {
    RequireArgs(call, 2);
    const size_t count = ArgBoundedNumber(call, 1, kMaxBlock);
    std::shared_ptr<FILE> stream = Stream(call, 0);
    std::vector<char> block(count + 1, 0);
    std::fread(block.data(), 1, count, stream.get());
    return TextResult(call, block.data());
}

// Exactly count bytes: the text cut at count, then zero bytes.
uint32_t Write(BuiltinCall& call) {
    RequireArgs(call, 3);
    const size_t count = ArgBoundedNumber(call, 2, kMaxBlock);
    std::shared_ptr<FILE> stream = Stream(call, 0);
    std::vector<char> block(count + 1, 0);
    std::memcpy(block.data(), Arg(call, 1).data(), std::min(count, Arg(call, 1).size()));
    return NumberResult(call, static_cast<int64_t>(std::fwrite(block.data(), 1, count, stream.get())));
}

uint32_t Seek(BuiltinCall& call) {
    RequireArgs(call, 3);
    std::shared_ptr<FILE> stream = Stream(call, 0);
    const int64_t origin = ArgNumber(call, 2);
    if (origin < 0 || origin > 2) return NumberResult(call, -1);
    const int origins[] = {SEEK_SET, SEEK_CUR, SEEK_END};
    return NumberResult(call, _fseeki64(stream.get(), ArgNumber(call, 1), origins[origin]) == 0 ? 0 : -1);
}

uint32_t Tell(BuiltinCall& call) {
    RequireArgs(call, 1);
    return NumberResult(call, _ftelli64(Stream(call, 0).get()));
}

uint32_t Close(BuiltinCall& call) {
    RequireArgs(call, 1);
    if (!CloseScriptFile(ArgNumber(call, 0))) RefuseBuiltin();
    return BareResult(call, "");
}

uint32_t PutByte(BuiltinCall& call) {
    RequireArgs(call, 2);
    std::fputc(static_cast<int>(ArgLow32(call, 1) & 0xFF), Stream(call, 0).get());
    return BareResult(call, "");
}

uint32_t PutText(BuiltinCall& call) {
    RequireArgs(call, 2);
    std::fwrite(Arg(call, 1).data(), 1, Arg(call, 1).size(), Stream(call, 0).get());
    return BareResult(call, "");
}

// One line with its "\n", at most 999 bytes; empty at the end of the file.
uint32_t GetLine(BuiltinCall& call) {
    RequireArgs(call, 1);
    char line[kLineBytes + 1] = {};
    if (!std::fgets(line, sizeof line, Stream(call, 0).get())) line[0] = 0;
    return TextResult(call, line);
}

uint32_t GetByte(BuiltinCall& call) {
    RequireArgs(call, 1);
    const int byte = std::fgetc(Stream(call, 0).get());
    return NumberResult(call, byte == EOF ? -1 : byte);
}

// Opened and closed within the call; every write goes to the end, line ends untranslated.
void AppendToFile(const BuiltinCall& call, bool lineEnd) {
    RequireArgs(call, 2);
    FILE* file = OpenShared(Arg(call, 0), "a+b");
    if (!file) return;
    std::fwrite(Arg(call, 1).data(), 1, Arg(call, 1).size(), file);
    if (lineEnd) std::fwrite("\r\n", 1, 2, file);
    std::fclose(file);
}

uint32_t AppendText(BuiltinCall& call) {
    AppendToFile(call, false);
    return BareResult(call, "");
}

uint32_t AppendTextLine(BuiltinCall& call) {
    AppendToFile(call, true);
    return BareResult(call, "");
}

uint32_t DoNothing(BuiltinCall& call) {
    return BareResult(call, "");
}

const BuiltinEntry kRows[] = {
    {"fopen", Open, OpensForWriting, Argument(0) | Argument(1)},
    {"CreateFile", Open, OpensForWriting, Argument(0) | Argument(1)},
    {"fread", Read},
    {"ReadFile", Read},
    {"fwrite", Write, RefusedForRemoteText, Argument(0)},
    {"WriteFile", Write, RefusedForRemoteText, Argument(0)},
    {"fseek", Seek},
    {"SetFilePointer", Seek},
    {"ftell", Tell},
    {"fclose", Close},
    {"CloseFile", Close},
    {"fputc", PutByte, RefusedForRemoteText, Argument(0)},
    {"fputs", PutText, RefusedForRemoteText, Argument(0)},
    {"fgets", GetLine},
    {"fgetc", GetByte},
    {"AppendText", AppendText, RefusedForRemoteText, Argument(0)},
    {"AppendtextCRLF", AppendTextLine, RefusedForRemoteText, Argument(0)},
    {"AppendFile", DoNothing},
};

} // namespace

std::span<const BuiltinEntry> FileStreamBuiltins() {
    return kRows;
}
