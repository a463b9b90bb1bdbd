// printf, sprintf and fprintf over the script's own formatter. A value written as a quoted
// text is a text, every other value the small number of its text; at most nine values count.
#include "script/builtin_families.h"
#include "script/builtin_values.h"
#include "script/script_files.h"
#include "script/script_format.h"

#include "common/xstring.h"
#include "core/client_services.h"

#include <cstdlib>

namespace {

constexpr size_t kMaxValues = 9;

// The text of the format at position formatAt with the values after it.
std::string Format(const BuiltinCall& call, size_t formatAt) {
    std::vector<ScriptFormatValue> values;
    for (size_t p = formatAt + 1; p < call.Arguments.size() && values.size() < kMaxValues; ++p) {
        ScriptFormatValue& v = values.emplace_back();
        v.IsText = p < call.Quoted.size() && call.Quoted[p] == 1;
        v.Text = call.Arguments[p];
        v.Number = static_cast<int64_t>(std::atol(v.Text.c_str()));
    }
    std::string out;
    if (!FormatScriptText(call.Arguments[formatAt], values, out)) RefuseBuiltin();
    return out;
}

uint32_t PrintLine(BuiltinCall& call) {
    RequireArgs(call, 1, false);
    const std::string text = Format(call, 0);
    PrintToWindow(kInformationLine, call.ConnectionWindow, NarrowToWide(text));
    return BareResult(call, "");
}

uint32_t FormatText(BuiltinCall& call) {
    RequireArgs(call, 1, false);
    return TextResult(call, Format(call, 0));
}

// The handle must name a stream a script opened; any other number writes nothing.
uint32_t PrintToFile(BuiltinCall& call) {
    RequireArgs(call, 2, false);
    const std::string text = Format(call, 1);
    if (std::shared_ptr<FILE> stream = FindScriptFile(ArgNumber(call, 0)))
        std::fwrite(text.data(), 1, text.size(), stream.get());
    return BareResult(call, "");
}

const BuiltinEntry kRows[] = {
    {"printf", PrintLine},
    {"sprintf", FormatText},
    {"fprintf", PrintToFile, RefusedForRemoteText, Argument(0)},
};

} // namespace

std::span<const BuiltinEntry> FormatBuiltins() {
    return kRows;
}
