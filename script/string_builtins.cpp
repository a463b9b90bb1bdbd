// Built-ins over the bytes of texts: search, copy, compare, case, reverse, formatting codes,
// replacing and line ends. Every result is bounded by its text, never by a buffer.
#include "script/builtin_families.h"
#include "script/builtin_values.h"

#include "common/text_replace.h"
#include "common/text_split.h"
#include "common/xstring.h"
#include "markup/strip_format_codes.h"

#include <algorithm>
#include <cstring>

namespace {

unsigned char LowerAscii(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c;
}

// The first n bytes of the text; a negative n gives nothing.
std::string FirstBytes(const std::string& text, int64_t n) {
    if (n <= 0) return std::string();
    return text.substr(0, static_cast<size_t>(std::min<uint64_t>(static_cast<uint64_t>(n), text.size())));
}

int Sign(int value) {
    return value < 0 ? -1 : value > 0 ? 1 : 0;
}

// Bytes compared as unsigned values over at most n of them; a shorter text ends with a 0 byte.
int CompareBytes(const std::string& a, const std::string& b, size_t n, bool foldCase) {
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = i < a.size() ? static_cast<unsigned char>(a[i]) : 0;
        unsigned char y = i < b.size() ? static_cast<unsigned char>(b[i]) : 0;
        if (foldCase) {
            x = LowerAscii(x);
            y = LowerAscii(y);
        }
        if (x != y) return static_cast<int>(x) - static_cast<int>(y);
        if (x == 0) return 0;
    }
    return 0;
}

size_t CompareLength(const BuiltinCall& call, size_t index) {
    const int64_t n = ArgNumber(call, index);
    return n <= 0 ? 0 : static_cast<size_t>(std::min<uint64_t>(static_cast<uint64_t>(n), SIZE_MAX));
}

int64_t Position(size_t found) {
    return found == std::string::npos ? -1 : static_cast<int64_t>(found);
}

uint32_t FindText(BuiltinCall& call) {
    RequireArgs(call, 2);
    return NumberResult(call, Position(Arg(call, 0).find(Arg(call, 1))));
}

// The last occurrence, in the manner of the first.
uint32_t FindLastText(BuiltinCall& call) {
    RequireArgs(call, 2);
    return NumberResult(call, Position(Arg(call, 0).rfind(Arg(call, 1))));
}

// Code 0 finds the end of the text, as the C library's search does.
uint32_t FindByte(BuiltinCall& call, bool last) {
    RequireArgs(call, 2);
    const std::string& text = Arg(call, 0);
    const char code = static_cast<char>(static_cast<uint64_t>(ArgNumber(call, 1)) & 0xFF);
    if (code == 0) return NumberResult(call, static_cast<int64_t>(text.size()));
    return NumberResult(call, Position(last ? text.rfind(code) : text.find(code)));
}

uint32_t FindFirstByte(BuiltinCall& call) {
    return FindByte(call, false);
}

uint32_t FindLastByte(BuiltinCall& call) {
    return FindByte(call, true);
}

uint32_t CopyText(BuiltinCall& call) {
    RequireArgs(call, 1);
    return TextResult(call, Arg(call, 0));
}

uint32_t JoinTwo(BuiltinCall& call) {
    RequireArgs(call, 2);
    return TextResult(call, Arg(call, 0) + Arg(call, 1));
}

uint32_t CopyFirstBytes(BuiltinCall& call) {
    RequireArgs(call, 2);
    return TextResult(call, FirstBytes(Arg(call, 0), ArgNumber(call, 1)));
}

// The copy lands at the offset of an empty buffer that is read from its start: only offset 0
// yields the bytes.
uint32_t CopyFirstBytesAt(BuiltinCall& call) {
    RequireArgs(call, 3);
    if (ArgNumber(call, 2) != 0) return TextResult(call, std::string());
    return TextResult(call, FirstBytes(Arg(call, 0), ArgNumber(call, 1)));
}

uint32_t TextLength(BuiltinCall& call) {
    RequireArgs(call, 1);
    return NumberResult(call, static_cast<int64_t>(Arg(call, 0).size()));
}

uint32_t BytesFrom(BuiltinCall& call) {
    RequireArgs(call, 2, false);
    const std::string& text = Arg(call, 0);
    const int64_t start = ArgNumber(call, 1);
    const int64_t count = HasArg(call, 2) ? ArgNumber(call, 2) : 1;
    if (start < 0 || static_cast<uint64_t>(start) >= text.size() || count <= 0) return TextResult(call, "");
    return TextResult(call, text.substr(static_cast<size_t>(start),
                                        static_cast<size_t>(
                                            std::min<uint64_t>(static_cast<uint64_t>(count), text.size()))));
}

uint32_t CompareTexts(BuiltinCall& call) {
    RequireArgs(call, 2);
    const size_t n = std::max(Arg(call, 0).size(), Arg(call, 1).size()) + 1;
    return NumberResult(call, Sign(CompareBytes(Arg(call, 0), Arg(call, 1), n, false)));
}

uint32_t CompareTextsNoCase(BuiltinCall& call) {
    RequireArgs(call, 2);
    const size_t n = std::max(Arg(call, 0).size(), Arg(call, 1).size()) + 1;
    return NumberResult(call, CompareBytes(Arg(call, 0), Arg(call, 1), n, true));
}

uint32_t CompareFirstBytes(BuiltinCall& call) {
    RequireArgs(call, 3);
    return NumberResult(call, Sign(CompareBytes(Arg(call, 0), Arg(call, 1), CompareLength(call, 2), false)));
}

uint32_t CompareFirstBytesNoCase(BuiltinCall& call) {
    RequireArgs(call, 3);
    return NumberResult(call, CompareBytes(Arg(call, 0), Arg(call, 1), CompareLength(call, 2), true));
}

uint32_t Lower(BuiltinCall& call) {
    RequireArgs(call, 1);
    std::string text = Arg(call, 0);
    for (char& c : text) c = static_cast<char>(LowerAscii(static_cast<unsigned char>(c)));
    return TextResult(call, std::move(text));
}

uint32_t Upper(BuiltinCall& call) {
    RequireArgs(call, 1);
    std::string text = Arg(call, 0);
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return TextResult(call, std::move(text));
}

uint32_t Reverse(BuiltinCall& call) {
    RequireArgs(call, 1);
    return TextResult(call, std::string(Arg(call, 0).rbegin(), Arg(call, 0).rend()));
}

uint32_t StripCodes(BuiltinCall& call) {
    RequireArgs(call, 1, false);
    const uint32_t mask = HasArg(call, 1) ? ArgLow32(call, 1) : kStripAll;
    return TextResult(call, WideToNarrow(StripFormatCodes(NarrowToWide(Arg(call, 0)), mask)));
}

uint32_t Replace(BuiltinCall& call) {
    RequireArgs(call, 5);
    std::string text = Arg(call, 0);
    StringReplace(text, Arg(call, 1).c_str(), Arg(call, 2).c_str(), ArgNumber(call, 3) != 0,
                  static_cast<int>(ArgLow32(call, 4)));
    return TextResult(call, std::move(text));
}

uint32_t AddLineEnd(BuiltinCall& call) {
    RequireArgs(call, 1, false);
    return TextResult(call, Arg(call, 0) + "\r\n");
}

uint32_t RemoveLineEnds(BuiltinCall& call) {
    RequireArgs(call, 1, false);
    std::string text = Arg(call, 0);
    TrimStringCrLf(text);
    return TextResult(call, std::move(text));
}

const BuiltinEntry kRows[] = {
    {"FindStringPos", FindText},
    {"FindExStringPos", FindText},
    {"strstr", FindText},
    {"strrstr", FindLastText},
    {"strchr", FindFirstByte},
    {"strrchr", FindLastByte},
    {"strcpy", CopyText},
    {"vstrcpy", JoinTwo},
    {"strncpy", CopyFirstBytes},
    {"vstrncpy", CopyFirstBytesAt},
    {"strlen", TextLength},
    {"len", TextLength},
    {"chr", BytesFrom},
    {"strcat", CopyText},
    {"strncat", CopyFirstBytes},
    {"strcmp", CompareTexts},
    {"stricmp", CompareTextsNoCase},
    {"strcmpi", CompareTextsNoCase},
    {"strncmp", CompareFirstBytes},
    {"strnicmp", CompareFirstBytesNoCase},
    {"strncmpi", CompareFirstBytesNoCase},
    {"strlwr", Lower},
    {"lower", Lower},
    {"strupr", Upper},
    {"upper", Upper},
    {"strrev", Reverse},
    {"strstrip", StripCodes},
    {"strrep", Replace},
    {"rep", Replace},
    {"replace", Replace},
    {"AddCRLF", AddLineEnd},
    {"RemoveCRLF", RemoveLineEnds},
};

} // namespace

std::span<const BuiltinEntry> StringBuiltins() {
    return kRows;
}
