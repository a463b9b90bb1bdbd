// Built-ins that read texts as numbers, take numbers apart, pack a colour, draw pseudo-random
// numbers and write durations and times.
#include "script/builtin_families.h"
#include "script/builtin_values.h"

#include "common/text_format.h"

#include <windows.h>

namespace {

// The C library's generator, one state per thread: state * 214013 + 2531011, bits 16-30.
thread_local uint32_t RandomState = 1;

uint32_t NextRandom() {
    RandomState = RandomState * 214013u + 2531011u;
    return (RandomState >> 16) & 0x7FFF;
}

// The character of one UTF-16 unit in the classic locale: the units 1 to 255 are their own
// byte; 0 and every other unit give nothing.
uint32_t Character(BuiltinCall& call) {
    RequireArgs(call, 1);
    const uint32_t unit = static_cast<uint32_t>(static_cast<uint64_t>(ArgNumber(call, 0)) & 0xFFFF);
    if (unit == 0 || unit > 0xFF) return TextResult(call, "");
    return TextResult(call, std::string(1, static_cast<char>(unit)));
}

// Reseeded from the tick count on every call; a divisor of 0 has no value.
uint32_t Random(BuiltinCall& call) {
    RequireArgs(call, 1);
    const int64_t n = ArgNumber(call, 0);
    RandomState = GetTickCount();
    const int64_t r = NextRandom();
    Sleep(10);
    if (n == 0) return BareResult(call, "");
    return NumberResult(call, r % n);
}

// low + r mod (high - low) in 32-bit arithmetic; equal bounds give low.
uint32_t RandomBetween(BuiltinCall& call) {
    RequireArgs(call, 2);
    const uint32_t low = static_cast<uint32_t>(ArgNumber(call, 0));
    const uint32_t high = static_cast<uint32_t>(ArgNumber(call, 1));
    const int32_t span = static_cast<int32_t>(high - low);
    const int32_t r = static_cast<int32_t>(NextRandom());
    const int32_t offset = span == 0 ? 0 : r % span;
    return NumberResult(call, static_cast<int32_t>(low + static_cast<uint32_t>(offset)));
}

uint64_t Bits(const BuiltinCall& call) {
    return static_cast<uint64_t>(ArgNumber(call, 0));
}

uint32_t LowWord(BuiltinCall& call) {
    RequireArgs(call, 1);
    return NumberResult(call, static_cast<int64_t>(Bits(call) & 0xFFFF));
}

uint32_t HighWord(BuiltinCall& call) {
    RequireArgs(call, 1);
    return NumberResult(call, static_cast<int64_t>((Bits(call) >> 16) & 0xFFFF));
}

uint32_t HighDword(BuiltinCall& call) {
    RequireArgs(call, 1);
    return NumberResult(call, static_cast<int64_t>(Bits(call) >> 32));
}

uint32_t LowDword(BuiltinCall& call) {
    RequireArgs(call, 1);
    return NumberResult(call, static_cast<int64_t>(Bits(call) & 0xFFFFFFFF));
}

uint32_t Colour(BuiltinCall& call) {
    RequireArgs(call, 3);
    auto byte = [&](size_t i) {
        return static_cast<int64_t>(static_cast<uint64_t>(ArgNumber(call, i)) & 0xFF);
    };
    return NumberResult(call, byte(0) + byte(1) * 256 + byte(2) * 65536);
}

uint32_t ToNumber(BuiltinCall& call) {
    RequireArgs(call, 1);
    return NumberResult(call, ArgNumber(call, 0));
}

uint32_t ToNumber32(BuiltinCall& call) {
    RequireArgs(call, 1);
    return NumberResult(call, static_cast<int32_t>(static_cast<uint32_t>(Bits(call))));
}

uint32_t TickCount(BuiltinCall& call) {
    RequireArgs(call, 0);
    return NumberResult(call, static_cast<int64_t>(GetTickCount()));
}

uint32_t Duration(BuiltinCall& call) {
    RequireArgs(call, 1);
    return WideTextResult(call, FormatDuration(static_cast<uint32_t>(Bits(call))), true);
}

uint32_t UnixTime(BuiltinCall& call) {
    RequireArgs(call, 1);
    return WideTextResult(call, FormatUnixTime(static_cast<int32_t>(static_cast<uint32_t>(Bits(call)))),
                          true);
}

const BuiltinEntry kRows[] = {
    {"u", Character},
    {"random", Random},
    {"rand", RandomBetween},
    {"LOWORD", LowWord},
    {"HIWORD", HighWord},
    {"HIDWORD", HighDword},
    {"LODWORD", LowDword},
    {"RGB", Colour},
    {"atoi", ToNumber},
    {"atoi64", ToNumber},
    {"atoi32", ToNumber32},
    {"GetTickCount", TickCount},
    {"SecondsToTime", Duration},
    {"UNIXTime", UnixTime},
};

} // namespace

std::span<const BuiltinEntry> NumberBuiltins() {
    return kRows;
}
