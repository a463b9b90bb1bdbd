// Built-ins that convert between numbers, texts and character codes and compute absolute
// values, factorials, powers, roots, logarithms and the trigonometric and hyperbolic functions.
#include "script/builtin_families.h"
#include "script/builtin_values.h"
#include "script/script_expression.h"

#include <cmath>
#include <cstdio>

namespace {

int32_t Low32Signed(int64_t value) {
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(value)));
}

// "%f" of a finite value; infinities and not-a-number (domain errors, overflow) give the empty
// text instead of the runtime's spelling of them.
uint32_t FloatResult(BuiltinCall& call, double value) {
    if (!std::isfinite(value)) return TextResult(call, "");
    char text[400]; // the largest finite double has 309 digits before the point
    std::snprintf(text, sizeof text, "%f", value);
    return TextResult(call, text);
}

double ArgDouble(const BuiltinCall& call, size_t index) {
    return ScriptValueToDouble(Arg(call, index));
}

uint32_t Absolute(BuiltinCall& call) {
    RequireArgs(call, 1);
    const int64_t value = ArgNumber(call, 0);
    const uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    return NumberResult(call, Low32Signed(static_cast<int64_t>(magnitude)));
}

uint32_t Integer(BuiltinCall& call) {
    RequireArgs(call, 1);
    return NumberResult(call, ArgNumber(call, 0));
}

uint32_t FirstByte(BuiltinCall& call) {
    RequireArgs(call, 1);
    const std::string& text = Arg(call, 0);
    return NumberResult(call, text.empty() ? 0 : static_cast<signed char>(text[0]));
}

uint32_t NumberText(BuiltinCall& call) {
    RequireArgs(call, 1);
    return TextResult(call, std::to_string(Low32Signed(ArgNumber(call, 0))));
}

// The product wraps in two's complement past 20!. From 66! on it holds at least 64 factors of
// two, so every larger factorial wraps to 0: the loop stops there instead of counting to n.
uint32_t Factorial(BuiltinCall& call) {
    RequireArgs(call, 1);
    const int32_t n = Low32Signed(ArgNumber(call, 0));
    uint64_t product = 1;
    for (int32_t i = 1; i <= n && product != 0; ++i) product *= static_cast<uint64_t>(i);
    return NumberResult(call, static_cast<int64_t>(product));
}

// Both operands are integers taken as their low 32 bits; the second defaults to 2.
double SecondOperand(const BuiltinCall& call) {
    return HasArg(call, 1) ? Low32Signed(ArgNumber(call, 1)) : 2.0;
}

uint32_t Root(BuiltinCall& call) {
    RequireArgs(call, 1, false);
    const double degree = SecondOperand(call);
    if (degree == 0) return TextResult(call, "");
    return FloatResult(call, std::pow(static_cast<double>(Low32Signed(ArgNumber(call, 0))), 1.0 / degree));
}

uint32_t Power(BuiltinCall& call) {
    RequireArgs(call, 1, false);
    return FloatResult(call,
                       std::pow(static_cast<double>(Low32Signed(ArgNumber(call, 0))), SecondOperand(call)));
}

// Logarithms are computed in single precision and widened only for the text.
uint32_t Logarithm(BuiltinCall& call, float base) {
    RequireArgs(call, 1, false);
    if (HasArg(call, 1)) base = static_cast<float>(ArgDouble(call, 1));
    const float x = static_cast<float>(ArgDouble(call, 0));
    return FloatResult(call, static_cast<double>(std::log(x) / std::log(base)));
}

uint32_t Log10(BuiltinCall& call) {
    return Logarithm(call, 10.0f);
}

uint32_t NaturalLog(BuiltinCall& call) {
    return Logarithm(call, std::exp(1.0f));
}

// The one number of a trigonometric built-in.
double OnlyNumber(BuiltinCall& call) {
    RequireArgs(call, 1);
    return ArgDouble(call, 0);
}

// Cuts a decimal text after the given number of decimals (no rounding); 0 decimals leaves the
// whole part without its point. A text without "." is returned as it stands.
uint32_t CutDecimals(BuiltinCall& call) {
    RequireArgs(call, 2);
    const std::string& text = Arg(call, 0);
    const size_t point = text.find('.');
    if (point == std::string::npos) return TextResult(call, text);
    const uint32_t decimals = ArgLow32(call, 1);
    if (decimals == 0) return TextResult(call, text.substr(0, point));
    return TextResult(call, text.substr(0, point + 1 + decimals));
}

const BuiltinEntry kRows[] = {
    {"abs", Absolute},
    {"int", Integer},
    {"asc", FirstByte},
    {"chrs", NumberText},
    {"fact", Factorial},
    {"sqr", Root},
    {"pow", Power},
    {"log", Log10},
    {"_log", NaturalLog},
    {"ln", NaturalLog},
    {"sin", [](BuiltinCall& c) { return FloatResult(c, std::sin(OnlyNumber(c))); }},
    {"cos", [](BuiltinCall& c) { return FloatResult(c, std::cos(OnlyNumber(c))); }},
    {"tan", [](BuiltinCall& c) { return FloatResult(c, std::tan(OnlyNumber(c))); }},
    {"sinh", [](BuiltinCall& c) { return FloatResult(c, std::sinh(OnlyNumber(c))); }},
    {"cosh", [](BuiltinCall& c) { return FloatResult(c, std::cosh(OnlyNumber(c))); }},
    {"tanh", [](BuiltinCall& c) { return FloatResult(c, std::tanh(OnlyNumber(c))); }},
    {"asin", [](BuiltinCall& c) { return FloatResult(c, std::asin(OnlyNumber(c))); }},
    {"acos", [](BuiltinCall& c) { return FloatResult(c, std::acos(OnlyNumber(c))); }},
    {"atan", [](BuiltinCall& c) { return FloatResult(c, std::atan(OnlyNumber(c))); }},
    {"round", CutDecimals},
};

} // namespace

std::span<const BuiltinEntry> MathBuiltins() {
    return kRows;
}
