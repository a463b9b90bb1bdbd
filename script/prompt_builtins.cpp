// Built-ins that ask the user for a line of text or a choice from a list through the modal
// prompts owned by the frame window; the script's thread waits until the prompt closes.
#include "script/builtin_families.h"
#include "script/builtin_values.h"

#include "common/app_state.h"
#include "common/xstring.h"
#include "core/client_services.h"

#include <algorithm>
#include <vector>

namespace {

// The text prompt edits 1000 wide characters with the terminator.
constexpr size_t kAnswerCapacity = 1000;

// OK, or the end of the time-out (which keeps the initial text unless the user typed), gives the
// field's text; Cancel gives the empty text. An initial text longer than the field is cut.
uint32_t AskInput(BuiltinCall& call) {
    RequireArgs(call, 2, false);
    std::vector<wchar_t> answer(kAnswerCapacity, L'\0');
    if (HasArg(call, 2)) {
        const std::wstring initial = NarrowToWide(Arg(call, 2));
        std::copy_n(initial.begin(), std::min(initial.size(), kAnswerCapacity - 1), answer.begin());
    }
    const uint32_t timeout = HasArg(call, 3) ? ArgLow32(call, 3) : 0;
    if (!PromptText(MainWindow.load(), NarrowToWide(Arg(call, 0)), NarrowToWide(Arg(call, 1)), answer.data(),
                    answer.size(), timeout))
        return TextResult(call, "");
    answer.back() = L'\0';
    return TextResult(call, WideToNarrow(answer.data()));
}

uint32_t AskNothing(BuiltinCall& call) {
    return TextResult(call, "");
}

// The 1-based number of the first chosen entry; empty on Cancel or when none was chosen.
uint32_t GetSelection(BuiltinCall& call) {
    RequireArgs(call, 2, false);
    const std::wstring title = NarrowToWide(Arg(call, 0));
    std::vector<std::wstring> choices;
    for (size_t i = 1; i < call.Arguments.size(); ++i) choices.push_back(NarrowToWide(Arg(call, i)));
    std::vector<bool> chosen;
    if (!PromptList(MainWindow.load(), title, title, choices, chosen, true)) return BareResult(call, "");
    for (size_t i = 0; i < chosen.size() && i < choices.size(); ++i)
        if (chosen[i]) return NumberResult(call, static_cast<int64_t>(i + 1));
    return BareResult(call, "");
}

const BuiltinEntry kRows[] = {
    {"AskInput", AskInput},
    {"AskLongInput", AskInput},
    {"AskInputL", AskNothing},
    {"GetSelection", GetSelection},
};

} // namespace

std::span<const BuiltinEntry> PromptBuiltins() {
    return kRows;
}
