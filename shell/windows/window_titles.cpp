#include "shell/windows/window_titles.h"

#include "common/app_state.h"
#include "common/text_compare.h"
#include "common/xstring.h"
#include "irc/server_connection.h"
#include "shell/windows/active_window.h"
#include "core/frame_handles.h"
#include "core/window_list.h"
#include "shell/windows/window_tabs.h"

#include <map>

namespace {

constexpr size_t kMaxServerTitle = 1000;

// Setting a top-level window's title costs a round trip to the window system: skip an equal one.
void SetTitleIfChanged(HWND window, const std::wstring& title) {
    wchar_t current[1100] = {};
    int length = GetWindowTextW(window, current, 1100);
    if (length >= 0 && title == std::wstring(current, static_cast<size_t>(length))) return;
    SetWindowTextW(window, title.c_str());
}

// Every tab's state by its record, read in one walk over the strip.
std::map<const WindowRecord*, uint32_t> TabStates() {
    std::map<const WindowRecord*, uint32_t> states;
    HWND tabs = WindowTabsControl.load();
    if (!tabs) return states;
    int count = static_cast<int>(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        TCITEMW item{};
        item.mask = TCIF_PARAM | TCIF_IMAGE;
        if (SendMessageW(tabs, TCM_GETITEMW, i, reinterpret_cast<LPARAM>(&item)))
            states.emplace(reinterpret_cast<const WindowRecord*>(item.lParam),
                           static_cast<uint32_t>(item.iImage));
    }
    return states;
}

constexpr char kListSuffix[] = "_List";

bool IsListWindowName(const std::string& name) {
    const size_t suffix = sizeof kListSuffix - 1;
    return name.size() > suffix && name.compare(name.size() - suffix, suffix, kListSuffix) == 0;
}

} // namespace

std::wstring WindowDisplayName(const WindowRecord* record) {
    if (!record) return {};
    const std::string name = WindowRecordName(record);
    if (record->Type == kDccChatWindow) {
        // Counted among the chats with that nick opened before this one, in creation order.
        size_t number = 1;
        for (const WindowRecord* other : WindowListSnapshot()) {
            if (other == record) break;
            if (other->Type == kDccChatWindow && StringEqualsNoCase(WindowRecordName(other), name)) ++number;
        }
        return NarrowToWide(name) +
               (number == 1 ? L" (DCC chat)" : L" (DCC chat " + std::to_wstring(number) + L")");
    }
    if (record->Type == kQueryWindow && IsListWindowName(name)) {
        const std::wstring base = NarrowToWide(name.substr(0, name.size() - (sizeof kListSuffix - 1)));
        return base + (record->ChannelListRows.Empty() ? L" list" : L" channels");
    }
    return NarrowToWide(name);
}

void UpdateFrameTitle() {
    HWND frame = MainWindow.load();
    if (!frame) return;
    if (shell::IsAppForeground()) {
        SetTitleIfChanged(frame, kProgramTitle);
        return;
    }
    std::map<const WindowRecord*, uint32_t> states = TabStates();
    std::wstring title = L"[";
    for (WindowRecord* record : WindowListSnapshot()) {
        auto found = states.find(record);
        bool news = found != states.end() && found->second != kTabIdle;
        title += news ? L"+ " : L"- ";
    }
    if (title.back() == L' ') title.pop_back();
    title += L"]";
    SetTitleIfChanged(frame, title);
}

void shell::UpdateWindowTitle(WindowRecord* record) {
    if (!record || !record->Window) return;
    std::wstring title;
    if (record->Type == kServerWindow) {
        UINT codePage = DefaultCodePage.load();
        title = NarrowToWide(record->Name, codePage) + L" - ";
        if (record->Connection) title += NarrowToWide(record->Connection->OwnNick, codePage);
        if (title.size() > kMaxServerTitle) title.resize(kMaxServerTitle);
    } else if (!record->ChannelListRows.Empty()) {
        // The filtered count is the interface thread's to show (ShowChannelList).
        const size_t total = record->ChannelListRows.Count();
        title = ChannelListTitle(total, total);
    } else {
        // Trailing blanks leave the record's modes, under the lock their writers take.
        SetWindowRecordModes(record, WindowRecordModes(record));
        const std::string modes = WindowRecordModes(record);
        title = WindowDisplayName(record);
        if (!modes.empty()) title += L" (" + NarrowToWide(modes) + L") - ";
    }
    SetTitleIfChanged(record->Window, title);
}
