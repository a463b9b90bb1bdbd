// Built-ins that ask about the windows of the script's connection: names and types, a
// channel's modes, topic and nick counts, the nicks of its nick list with their levels, and
// the selected nick. They run on the interface thread, which owns the nick lists and alone
// closes windows, so a record found stays whole while it is read; topic and modes, which
// connection threads write, are read under the window list's lock.
#include "script/builtin_families.h"
#include "script/builtin_values.h"

#include "common/app_state.h"
#include "common/xstring.h"
#include "core/interface_thread_call.h"
#include "core/window_list.h"
#include "irc/server_connection.h"
#include "irc_lines/channel_nicks.h"

#include <commctrl.h>

namespace {

constexpr int kMaxNickText = 999;

// Runs the built-in's body on the interface thread and waits for it.
template <uint32_t (*Body)(BuiltinCall&)> uint32_t OnInterfaceThread(BuiltinCall& call) {
    uint32_t code = 0;
    RunOnInterfaceThread([&] { code = Body(call); });
    return code;
}

std::string DefaultNarrow(const std::wstring& text) {
    return WideToNarrow(text, DefaultCodePage.load());
}

int NickCount(const WindowRecord* window) {
    if (window->Type != kChannelWindow || !window->NickList) return 0;
    return static_cast<int>(SendMessageW(window->NickList, LVM_GETITEMCOUNT, 0, 0));
}

// The text of one column of one item, at most 999 characters; empty outside the list.
std::wstring ItemText(const WindowRecord* window, int32_t index, int32_t column) {
    if (!window->NickList || index < 0 || index >= NickCount(window)) return std::wstring();
    std::wstring text(kMaxNickText + 1, L'\0');
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text.data();
    item.cchTextMax = kMaxNickText + 1;
    const LRESULT length = SendMessageW(window->NickList, LVM_GETITEMTEXTW, static_cast<WPARAM>(index),
                                        reinterpret_cast<LPARAM>(&item));
    text.resize(length > 0 ? static_cast<size_t>(length) : 0);
    return text;
}

uint32_t NickLevel(BuiltinCall& call) {
    WindowRecord* channel = FindScriptWindow(Arg(call, 0), call.ConnectionWindow, false);
    return GetNickLevel(Arg(call, 1).c_str(), channel, nullptr, nullptr, nullptr, nullptr);
}

uint32_t ClientMode(BuiltinCall& call) {
    return TextResult(call, call.Connection ? call.Connection->OwnUserModes : std::string());
}

uint32_t CurrentWindowName(BuiltinCall& call) {
    if (!call.Window) return TextResult(call, "");
    WindowListReadLock lock(WindowListMutex());
    return TextResult(call, call.Window->Name);
}

// Modes, topic, owners, operators, voiced nicks and all nicks; with an index from 0 to 5 only
// that value.
uint32_t ChannelInformation(BuiltinCall& call) {
    RequireArgs(call, 1, false);
    WindowRecord* window = FindScriptWindow(Arg(call, 0), call.ConnectionWindow, false);
    const int count = NickCount(window);
    int64_t levels[5] = {};
    for (int i = 0; i < count; ++i) {
        uint32_t index = static_cast<uint32_t>(i);
        const uint32_t level = GetNickLevel(nullptr, window, &index, nullptr, nullptr, nullptr);
        if (level >= 2 && level <= 4) ++levels[level];
    }
    std::vector<std::string> values{WindowRecordModes(window), WindowRecordTopic(window),
                                    std::to_string(levels[4]), std::to_string(levels[3]),
                                    std::to_string(levels[2]), std::to_string(count)};
    return TextListOrOne(call, std::move(values), 1);
}

uint32_t WindowType(BuiltinCall& call) {
    RequireArgs(call, 1);
    const WindowRecord* window = FindScriptWindow(Arg(call, 0), call.ConnectionWindow, true);
    return NumberResult(call, window ? window->Type : 0);
}

uint32_t NickCountOf(BuiltinCall& call) {
    RequireArgs(call, 1);
    return NumberResult(call, NickCount(FindScriptWindow(Arg(call, 0), call.ConnectionWindow, false)));
}

uint32_t NickLevelOf(BuiltinCall& call) {
    RequireArgs(call, 2);
    return NumberResult(call, NickLevel(call));
}

uint32_t NickAt(BuiltinCall& call) {
    RequireArgs(call, 2, false);
    const WindowRecord* window = FindScriptWindow(Arg(call, 0), call.ConnectionWindow, false);
    return TextResult(call,
                      DefaultNarrow(ItemText(window, ArgSmallNumber(call, 1), ArgSmallNumberOr(call, 2, 0))));
}

// Column 0: the nick as the list holds it, level prefix included.
uint32_t FormattedNickAt(BuiltinCall& call) {
    RequireArgs(call, 2, false);
    if (ArgSmallNumberOr(call, 2, 0) != 0) return NickAt(call);
    WindowRecord* window = FindScriptWindow(Arg(call, 0), call.ConnectionWindow, false);
    const int32_t at = ArgSmallNumber(call, 1);
    if (at < 0 || at >= NickCount(window)) return TextResult(call, "");
    uint32_t index = static_cast<uint32_t>(at);
    std::wstring itemText;
    if (GetNickLevel(nullptr, window, &index, nullptr, &itemText, nullptr) == 0) itemText.clear();
    return TextResult(call, DefaultNarrow(itemText));
}

// The first selected item's index, or -1; a flag of 1 leaves it no longer selected.
uint32_t CurrentNick(BuiltinCall& call) {
    RequireArgs(call, 1, false);
    const WindowRecord* window = FindScriptWindow(Arg(call, 0), call.ConnectionWindow, false);
    int index = -1;
    if (window->NickList)
        index = static_cast<int>(SendMessageW(window->NickList, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                              MAKELPARAM(LVNI_SELECTED, 0)));
    if (index >= 0 && ArgSmallNumberOr(call, 1, 0) == 1) {
        LVITEMW state{};
        state.stateMask = LVIS_SELECTED;
        state.state = 0;
        SendMessageW(window->NickList, LVM_SETITEMSTATE, static_cast<WPARAM>(index),
                     reinterpret_cast<LPARAM>(&state));
    }
    return TextResult(call, std::to_string(index));
}

template <uint32_t Level> uint32_t HasLevel(BuiltinCall& call) {
    RequireArgs(call, 2);
    return BareResult(call, NickLevel(call) == Level ? "1" : "");
}

uint32_t WindowIndex(BuiltinCall& call) {
    RequireArgs(call, 1);
    const uint32_t index = FindWindowRecordIndex(Arg(call, 0), call.Connection);
    return NumberResult(call, index == kNoWindowIndex ? -1 : static_cast<int64_t>(index));
}

const BuiltinEntry kRows[] = {
    {"GetClientMode", ClientMode},
    {"GetCurrentWindowName", CurrentWindowName},
    {"GetChannelInformation", OnInterfaceThread<ChannelInformation>},
    {"GetWindowType", OnInterfaceThread<WindowType>},
    {"GetNickCount", OnInterfaceThread<NickCountOf>},
    {"GetNickLevel", OnInterfaceThread<NickLevelOf>},
    {"GetNick", OnInterfaceThread<NickAt>},
    {"GetFormattedNick", OnInterfaceThread<FormattedNickAt>},
    {"GetCurrentNick", OnInterfaceThread<CurrentNick>},
    {"IsOwner", OnInterfaceThread<HasLevel<4>>},
    {"IsHost", OnInterfaceThread<HasLevel<3>>},
    {"IsVoice", OnInterfaceThread<HasLevel<2>>},
    {"FindWindowFromTitle", WindowIndex},
};

} // namespace

std::span<const BuiltinEntry> WindowBuiltins() {
    return kRows;
}
