// left, mid and right: pieces of a text by byte positions, bounded by the text. A negative
// count or a start outside the text gives an empty piece.
#include "script/builtin_families.h"
#include "script/builtin_values.h"

#include <algorithm>

namespace {

size_t Clamp(int64_t value, size_t limit) {
    return value <= 0 ? 0 : static_cast<size_t>(std::min<uint64_t>(static_cast<uint64_t>(value), limit));
}

uint32_t Left(BuiltinCall& call) {
    RequireArgs(call, 2);
    const std::string& text = Arg(call, 0);
    return TextResult(call, text.substr(0, Clamp(ArgNumber(call, 1), text.size())));
}

// A count of 0 runs to the end of the text.
uint32_t Mid(BuiltinCall& call) {
    RequireArgs(call, 3);
    const std::string& text = Arg(call, 0);
    const int64_t start = ArgNumber(call, 1);
    const int64_t count = ArgNumber(call, 2);
    if (start < 0 || static_cast<uint64_t>(start) >= text.size() || count < 0) return TextResult(call, "");
    const size_t from = static_cast<size_t>(start);
    const size_t length = count == 0 ? std::string::npos : Clamp(count, text.size() - from);
    return TextResult(call, text.substr(from, length));
}

uint32_t Right(BuiltinCall& call) {
    RequireArgs(call, 2);
    const std::string& text = Arg(call, 0);
    const size_t count = Clamp(ArgNumber(call, 1), text.size());
    return TextResult(call, text.substr(text.size() - count));
}

const BuiltinEntry kRows[] = {
    {"left", Left},
    {"mid", Mid},
    {"right", Right},
};

} // namespace

std::span<const BuiltinEntry> SlicingBuiltins() {
    return kRows;
}
