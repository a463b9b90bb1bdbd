// Clicks on links in a chat window's view.
#include "commands/input_dispatcher.h"
#include "common/app_state.h"
#include "common/command_ids.h"
#include "common/shell_helpers.h"
#include "common/text_compare.h"
#include "common/text_split.h"
#include "common/xstring.h"
#include "shell/chats/chat_window.h"
#include "shell/controls/link_commands.h"
#include "core/startup_switches.h"
#include "core/window_list.h"
#include "core/window_record.h"

#include <richedit.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr LONG kMaxLinkText = 1000;

std::wstring LinkText(HWND view, CHARRANGE range) {
    if (range.cpMax - range.cpMin > kMaxLinkText) range.cpMax = range.cpMin + kMaxLinkText;
    if (range.cpMax <= range.cpMin) return {};
    std::wstring text(static_cast<size_t>(range.cpMax - range.cpMin) + 1, L'\0');
    TEXTRANGEW request{range, text.data()};
    const LRESULT copied = SendMessageW(view, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&request));
    text.resize(static_cast<size_t>(copied < 0 ? 0 : copied));
    TrimWStringCrLf(text);
    return text;
}

void FocusBack(const WindowRecord* record) {
    if (record->Input) SetFocus(record->Input);
}

// "app:" and a number posts that number as a command to the window; links in a view only ever
// sort the channel list, whoever printed them.
bool PostAppCommand(HWND window, const std::string& command) {
    if (!StartsWithNoCase(command, "app:")) return false;
    const unsigned long id = std::strtoul(command.c_str() + 4, nullptr, 10);
    if (id == ID_CHANNEL_LIST_BY_NAME || id == ID_CHANNEL_LIST_BY_MEMBERS)
        PostMessageW(window, WM_COMMAND, static_cast<WPARAM>(id), 0);
    return true;
}

void RunLinkCommand(WindowRecord* record, HWND window, const std::string& command) {
    if (!PostAppCommand(window, command)) commands::ProcessInputLine(command.c_str(), record);
}

void LeftClick(WindowRecord* record, HWND window, const std::wstring& text) {
    uint32_t index = 0;
    if (ParseLinkIndex(text, index)) {
        std::vector<std::pair<std::string, std::string>> entries;
        if (!ReadLinkCommands(index, entries) || entries.empty()) return;
        RunLinkCommand(record, window, entries[0].second);
        if (IsWindowRecordListed(record)) FocusBack(record);
        return;
    }
    std::wstring url;
    switch (ClassifyPlainLink(text, url)) {
        case PlainLinkAction::OpenUrl:
            OpenUrlInBrowser(url.c_str(), SW_SHOWMAXIMIZED, GetKeyState(VK_SHIFT) < 0);
            return;
        case PlainLinkAction::JoinChannel:
            commands::ProcessInputLine(("/JOIN " + WideToNarrow(text)).c_str(), record);
            if (IsWindowRecordListed(record)) FocusBack(record);
            return;
        case PlainLinkAction::SayText: {
            const size_t before = WindowListSnapshot().size();
            commands::ProcessInputLine(WideToNarrow(text, DefaultCodePage.load()).c_str(), record);
            if (IsWindowRecordListed(record) && WindowListSnapshot().size() == before) FocusBack(record);
            return;
        }
        case PlainLinkAction::Nothing: return;
    }
}

// A program link with several commands offers them all; the chosen one runs like a left click.
void RightClick(WindowRecord* record, HWND window, const std::wstring& text) {
    uint32_t index = 0;
    std::vector<std::pair<std::string, std::string>> entries;
    if (!ParseLinkIndex(text, index) || !ReadLinkCommands(index, entries) || entries.empty()) return;
    HMENU menu = CreatePopupMenu();
    for (size_t i = 0; i < entries.size() && i < 100; ++i) {
        const std::wstring item = NarrowToWide(entries[i].first + "|||" + entries[i].second);
        AppendMenuW(menu, MF_STRING, ID_LINK_FIRST + i, item.c_str());
    }
    SetMenuDefaultItem(menu, 0, TRUE);
    POINT at{};
    GetCursorPos(&at);
    HWND frame = MainWindow.load();
    const UINT chosen = static_cast<UINT>(TrackPopupMenu(menu, TPM_RETURNCMD, at.x, at.y, 0, frame, nullptr));
    PostMessageW(frame, WM_NULL, 0, 0);
    DestroyMenu(menu);
    if (chosen >= ID_LINK_FIRST && chosen - ID_LINK_FIRST < entries.size())
        RunLinkCommand(record, window, entries[chosen - ID_LINK_FIRST].second);
}

} // namespace

LRESULT OnViewLink(WindowRecord* record, const NMHDR* header) {
    const auto* link = reinterpret_cast<const ENLINK*>(header);
    if (link->msg == WM_MBUTTONDOWN) {
        return SendMessageW(MainWindow.load(), WM_NOTIFY, header->idFrom, reinterpret_cast<LPARAM>(header));
    }
    if (link->msg != WM_LBUTTONDOWN && link->msg != WM_RBUTTONDOWN) return 0;
    const std::wstring text = LinkText(record->View, link->chrg);
    HWND window = record->Window;
    if (link->msg == WM_LBUTTONDOWN)
        LeftClick(record, window, text);
    else
        RightClick(record, window, text);
    return 0;
}
