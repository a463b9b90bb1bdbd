// Built-ins that checksum and hash texts and files and encrypt texts and files with a pass
// phrase. File names arrive as UTF-8 and are opened by their wide names.
#include "script/builtin_families.h"
#include "script/builtin_values.h"

#include "common/aes_file.h"
#include "common/crc32.h"
#include "common/md5_hex.h"
#include "common/text_crypt.h"
#include "common/xstring.h"

#include <algorithm>
#include <cstdio>

namespace {

// The first length bytes of the text; a length beyond the text stops at its end.
std::string_view LeadingBytes(const BuiltinCall& call) {
    const std::string& text = Arg(call, 0);
    const int64_t length = std::max<int64_t>(ArgNumber(call, 1), 0);
    return std::string_view(text).substr(0, static_cast<size_t>(std::min<uint64_t>(length, text.size())));
}

std::wstring ArgPath(const BuiltinCall& call, size_t index) {
    return NarrowToWide(Arg(call, index));
}

uint32_t TextCrc(BuiltinCall& call) {
    RequireArgs(call, 2);
    const std::string_view bytes = LeadingBytes(call);
    return NumberResult(call, Crc32OfBuffer(bytes.data(), bytes.size()));
}

// The bytes from the start offset up to the end offset (0xFFFFFFFF: the end of the file).
uint32_t FileCrc(BuiltinCall& call) {
    RequireArgs(call, 1, false);
    const uint32_t start = HasArg(call, 1) ? ArgLow32(call, 1) : 0;
    const uint32_t end = HasArg(call, 2) ? ArgLow32(call, 2) : Crc32::kToEnd;
    const uint32_t count = end == Crc32::kToEnd ? Crc32::kToEnd : (end > start ? end - start : 0);
    std::FILE* file = _wfopen(ArgPath(call, 0).c_str(), L"rb");
    return NumberResult(call, file ? Crc32(file, start, count).Value() : 0);
}

uint32_t TextMd5(BuiltinCall& call) {
    RequireArgs(call, 2);
    const std::string_view bytes = LeadingBytes(call);
    return TextResult(call, Md5HexOfBuffer(bytes.data(), bytes.size()));
}

uint32_t FileMd5(BuiltinCall& call) {
    RequireArgs(call, 1, false);
    std::string hex;
    Md5HexOfFile(hex, ArgPath(call, 0));
    return TextResult(call, hex);
}

uint32_t FileSha1(BuiltinCall& call) {
    RequireArgs(call, 1, false);
    std::string hex;
    Sha1HexOfFile(hex, ArgPath(call, 0));
    return TextResult(call, hex);
}

// The text first, the pass phrase second; the result is as long as it needs to be.
uint32_t EncryptTextCall(BuiltinCall& call) {
    RequireArgs(call, 2);
    return TextResult(call, EncryptText(Arg(call, 1), Arg(call, 0)));
}

// A text that is not an encrypted one gives the empty text.
uint32_t DecryptTextCall(BuiltinCall& call) {
    RequireArgs(call, 2);
    std::string text;
    DecryptText(Arg(call, 1), Arg(call, 0), text);
    return TextResult(call, text);
}

uint32_t EncryptFileCall(BuiltinCall& call) {
    RequireArgs(call, 3);
    EncryptFileAes(Arg(call, 2), 256, ArgPath(call, 0), ArgPath(call, 1));
    return TextResult(call, "");
}

uint32_t DecryptFileCall(BuiltinCall& call) {
    RequireArgs(call, 3);
    DecryptFileAes(Arg(call, 2), 256, ArgPath(call, 0), ArgPath(call, 1));
    return TextResult(call, "");
}

const BuiltinEntry kRows[] = {
    {"crc", TextCrc},
    {"FILE_CRC", FileCrc},
    {"md5", TextMd5},
    {"FILE_MD5", FileMd5},
    {"FILE_SHA1", FileSha1},
    {"FILE_SHA", FileSha1},
    {"sha_file", FileSha1},
    {"encrypt", EncryptTextCall},
    {"aesencrypt", EncryptTextCall},
    {"decrypt", DecryptTextCall},
    {"aesdecrypt", DecryptTextCall},
    {"AesFileEncrypt", EncryptFileCall, RefusedForRemoteText, Argument(0) | Argument(1)},
    {"AesFileDecrypt", DecryptFileCall, RefusedForRemoteText, Argument(0) | Argument(1)},
};

} // namespace

std::span<const BuiltinEntry> HashBuiltins() {
    return kRows;
}
