#include "irc_lines/list_replies.h"

#include "common/app_state.h"
#include "common/lang_string_ids.h"
#include "common/lang_strings.h"
#include "common/text_format.h"
#include "common/text_split.h"
#include "common/xstring.h"
#include "irc_lines/channel_nicks.h"
#include "irc_lines/line_handler_support.h"
#include "irc_lines/numeric_replies.h"
#include "irc/server_connection.h"
#include "core/frame_message_ids.h"
#include "core/window_list.h"
#include "core/window_record.h"
#include "core/frame_handles.h"
#include "core/client_services.h"
#include "markup/untrusted_text.h"
#include "markup/display_text.h"
#include "markup/markup_codes.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>

namespace {

int NamesGroup(const std::wstring& text, const std::wstring& extras) {
    if (!text.empty() && text[0] == L'@') return 2;
    if (text.size() >= 2 && text[0] != L'+' && extras.find(text[0]) != std::wstring::npos) return 1;
    return 0;
}

// The own nick, the channel's kind ('=', '*' or '@'), the channel, then the names. Each line's
// names go into the store in one step; the list shows them when the interface thread catches up.
bool Names(ServerLine& line) {
    const IrcMessage& message = line.Message;
    WindowRecord* window = FindConnectionWindow(message.Param(2), line.Connection);
    if (!window || !window->NickList) return false;
    if (line.Connection->NamesInProgress != 353) ClearNickList(window);
    line.Connection->NamesInProgress = 353;
    const std::wstring extras = ExtraNickPrefixes(window);
    std::vector<std::string> names;
    for (size_t i = 3; i < message.Params.size(); ++i) SplitQuoted(names, message.Params[i], " ", false);
    std::vector<std::pair<int, std::wstring>> entries;
    entries.reserve(names.size());
    for (const std::string& name : names) {
        // Each name loses one leading ':' (no nick starts with one).
        std::wstring text = NarrowToWide(WithoutColon(name), CP_UTF8);
        if (text.empty()) continue;
        if (text.size() > 1000) text.resize(1000);
        const int group = NamesGroup(text, extras);
        entries.emplace_back(group, std::move(text));
    }
    AddNamesToList(window, std::move(entries));
    return true;
}

bool NamesEnd(ServerLine& line) {
    line.Connection->NamesInProgress = 0;
    WindowRecord* window = FindConnectionWindow(line.Message.Param(1), line.Connection);
    if (!window || !window->NickList) return true;
    if (GetNickLevel(line.Connection->OwnNick.c_str(), window, nullptr, nullptr, nullptr, nullptr) >= 3)
        PostMessageW(window->Window, WM_SIZE, 0, 0);
    return true;
}

bool BanEntry(ServerLine& line) {
    auto& entries = line.Connection->BanListReplies;
    if (entries.size() >= kMaxPendingBanEntries) return true;
    // The own nick, the channel, the mask, then the setter and the time when the server gives them.
    const IrcMessage& message = line.Message;
    PendingBanEntry entry;
    entry.IsException = line.Numeric == 348 ? 1 : 0;
    entry.Channel = ServerText(message.Param(1));
    entry.Mask = ServerText(message.Param(2));
    entry.Setter = ServerText(message.Param(3));
    if (message.Params.size() >= 5) entry.Time = FormatUnixTime(std::atoi(message.Param(4).c_str()));
    entries.push_back(std::move(entry));
    return true;
}

// The bold title of a list window, between symbol-font brackets.
std::wstring ListTitle(const std::wstring& title) {
    return DisplayText()
        .Bold()
        .Symbol(L"\xAC \x00B7")
        .Text(L" " + title + L" ")
        .Symbol(L"\x00B7 \xAE")
        .Bold();
}

std::wstring RemovalLink(const PendingBanEntry& entry) {
    const std::wstring label = DisplayText().Bold(GetLangString(kRemoveLabel));
    LinkCommand removal(ProgramCommand(L"/mode"));
    removal.Arg(entry.Channel).Arg(entry.IsException ? L"-e" : L"-b").Arg(entry.Mask);
    return DisplayText().Link(L"Remove Ban", label, removal);
}

bool BanListEnd(ServerLine& line) {
    std::vector<PendingBanEntry> entries;
    entries.swap(line.Connection->BanListReplies);
    // An empty list still opens its window: the user asked for it and sees that it holds nothing.
    // The end reply then names the channel (after the own nick); a name that would make more words
    // of the line below opens nothing.
    const std::string channel =
        WideToNarrow(entries.empty() ? ServerText(line.Message.Param(1)) : entries[0].Channel);
    if (entries.empty() && !SafeInLinkCommand(channel)) return true;
    HWND dialogView = BanListDialogView.load();
    if (dialogView && !IsWindow(dialogView)) dialogView = nullptr;

    const std::string listName = channel + "_List";
    ProcessInputLine(("/fquery " + listName).c_str(), line.Window);
    WindowRecord* listWindow = FindConnectionWindow(listName, line.Connection);
    WindowRecord* target = listWindow ? listWindow : line.Window;
    HWND view = dialogView ? dialogView : target->View;

    size_t width = 0;
    for (const PendingBanEntry& entry : entries) width = std::max(width, entry.Mask.size());
    const wchar_t* kind = line.Numeric == 349 ? L"exception" : L"ban";
    const std::wstring dashes = L"----------------------------------";
    if (view) ShowWindow(view, SW_HIDE);
    PrintInfo(target, dashes, dialogView, 1);
    for (const PendingBanEntry& entry : entries) {
        std::wstring padded = entry.Mask;
        padded.resize(width, L' ');
        PrintInfo(target,
                  DisplayText()
                      .Bold()
                      .Dot()
                      .Code(kFontCode)
                      .Code(kFontCode)
                      .Text(L" " + entry.Channel)
                      .Bold()
                      .Text(std::wstring(L" ") + kind + L" [" + RemovalLink(entry) + L"] (" + entry.Time +
                            L"): " + padded + L" [" + entry.Setter + L"]")
                      .Bold(),
                  dialogView, 1);
    }
    PrintInfo(target, dashes, dialogView, 1);
    if (view) ShowWindow(view, SW_SHOW);
    if (!dialogView) {
        wchar_t label[1000] = {};
        GetMenuLabel(line.Numeric == 349 ? ID_CHANNEL_EXCEPTION_LIST : ID_CHANNEL_BAN_LIST, MF_BYCOMMAND,
                     label);
        PrintInfo(target, ListTitle(label));
    }
    return true;
}

constexpr ULONGLONG kListTitleIntervalMs = 250;
thread_local ULONGLONG t_lastListTitle = 0;

void ShowListCount(WindowRecord* listWindow) {
    if (!listWindow->Window) return;
    const size_t count = listWindow->ChannelListRows.Count();
    SetWindowTextW(listWindow->Window, ChannelListTitle(count, count).c_str());
}

WindowRecord* ChannelListWindow(ServerLine& line) {
    return FindConnectionWindow(WindowRecordName(line.Window) + "_List", line.Connection);
}

bool ListStart(ServerLine& line) {
    ProcessInputLine(("/fquery " + WindowRecordName(line.Window) + "_List").c_str(), line.Window);
    // The rest of the list is received at idle priority, so a long list does not hold up the program.
    if (!OnInterfaceThread()) {
        const int priority = GetThreadPriority(GetCurrentThread());
        if (priority != THREAD_PRIORITY_IDLE) line.Connection->SavedThreadPriority = priority;
        SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_IDLE);
    }
    WindowRecord* listWindow = ChannelListWindow(line);
    if (listWindow && listWindow->View)
        SendMessageW(listWindow->View, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
    PrintInfo(listWindow ? listWindow : line.Window, ListTitle(L"List"));
    if (listWindow) listWindow->ChannelListRows.Clear();
    t_lastListTitle = 0;
    return true;
}

bool ListRow(ServerLine& line) {
    WindowRecord* listWindow = ChannelListWindow(line);
    if (!listWindow) return true;
    // The own nick, the channel, its member count and its topic.
    ChannelListEntry row;
    row.Channel = CleanUntrustedText(line.Message.Param(1));
    row.Members = static_cast<uint32_t>(std::atoi(line.Message.Param(2).c_str()));
    row.Topic = CleanUntrustedText(line.Message.Param(3));
    listWindow->ChannelListRows.Add(std::move(row));
    // The title counts the rows; retitling a window costs far more than taking a row, so a long
    // list retitles it a few times a second, and its end gives the final count.
    const ULONGLONG now = GetTickCount64();
    if (now - t_lastListTitle >= kListTitleIntervalMs) {
        t_lastListTitle = now;
        ShowListCount(listWindow);
    }
    return true;
}

bool ListEnd(ServerLine& line) {
    if (!OnInterfaceThread()) SetThreadPriority(GetCurrentThread(), line.Connection->SavedThreadPriority);
    WindowRecord* listWindow = ChannelListWindow(line);
    if (listWindow) ShowListCount(listWindow);
    if (HWND frame = MainWindow.load(); frame && listWindow)
        SendMessageW(frame, WM_COMMAND, ID_CHANNEL_LIST_BY_MEMBERS, reinterpret_cast<LPARAM>(listWindow));
    return true;
}

} // namespace

// Each row with the fewest parameters its handler reads (the first is the own nick).
void RegisterListReplyHandlers() {
    SetNumericHandler(353, Names, 3);
    SetNumericHandler(366, NamesEnd, 2);
    SetNumericHandler(348, BanEntry, 3);
    SetNumericHandler(367, BanEntry, 3);
    SetNumericHandler(349, BanListEnd, 0);
    SetNumericHandler(368, BanListEnd, 0);
    SetNumericHandler(321, ListStart, 0);
    SetNumericHandler(322, ListRow, 4);
    SetNumericHandler(323, ListEnd, 0);
}
