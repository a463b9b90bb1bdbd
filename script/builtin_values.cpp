#include "script/builtin_values.h"

#include "common/app_state.h"
#include "common/refusal.h"
#include "common/script_number.h"

#include <cstdlib>

void RefuseBuiltin() {
    throw static_cast<int>(kRefused);
}

int64_t ArgNumber(const BuiltinCall& call, size_t index) {
    return HasArg(call, index) ? ScriptValueToInt64(call.Arguments[index]) : 0;
}

int32_t ArgSmallNumber(const BuiltinCall& call, size_t index) {
    return HasArg(call, index) ? static_cast<int32_t>(std::atol(call.Arguments[index].c_str())) : 0;
}

uint32_t ArgLow32(const BuiltinCall& call, size_t index) {
    return static_cast<uint32_t>(static_cast<uint64_t>(ArgNumber(call, index)));
}

int32_t ArgSmallNumberOr(const BuiltinCall& call, size_t index, int32_t fallback) {
    return HasArg(call, index) ? ArgSmallNumber(call, index) : fallback;
}

uint64_t ArgBoundedNumber(const BuiltinCall& call, size_t index, uint64_t limit) {
    const int64_t value = ArgNumber(call, index);
    if (value < 0 || static_cast<uint64_t>(value) > limit) RefuseBuiltin();
    return static_cast<uint64_t>(value);
}

uint32_t TextResult(BuiltinCall& call, std::string value) {
    call.Results.assign(1, std::move(value));
    return kTextResult;
}

uint32_t BareResult(BuiltinCall& call, std::string value) {
    call.Results.assign(1, std::move(value));
    return kBareResult;
}

uint32_t NumberResult(BuiltinCall& call, int64_t value) {
    return BareResult(call, std::to_string(value));
}

uint32_t TextListResult(BuiltinCall& call, std::vector<std::string> values) {
    call.Results = std::move(values);
    return kTextResult;
}

uint32_t TextListOrOne(BuiltinCall& call, std::vector<std::string> values, size_t indexArgument) {
    if (HasArg(call, indexArgument)) {
        const int32_t index = ArgSmallNumber(call, indexArgument);
        if (index >= 0 && static_cast<size_t>(index) < values.size()) return TextResult(call, values[index]);
    }
    return TextListResult(call, std::move(values));
}

uint32_t WideTextResult(BuiltinCall& call, std::wstring value, bool utf8) {
    call.WideResult = std::move(value);
    call.HasWideResult = 1;
    call.WideResultUtf8 = utf8 ? 1 : 0;
    return kTextResult;
}
