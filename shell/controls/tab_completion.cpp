#include "shell/controls/tab_completion.h"

#include "commands/command_interpreter.h"
#include "common/window_helpers.h"
#include "common/app_state.h"
#include "common/text_split.h"
#include "common/xstring.h"
#include "irc/server_connection.h"
#include "core/settings.h"
#include "shell/controls/script_entries.h"
#include "shell/controls/tip_window.h"
#include "core/window_list.h"
#include "core/window_record.h"
#include "shell/windows/window_record_ops.h"
#include "views/line_printer.h"

#include <commctrl.h>
#include <richedit.h>

#include <cwctype>
#include <vector>

namespace {

constexpr size_t kHintLength = 1000;
// The command interpreter reads a non-null target as "search by prefix" when it is asked for a hint.
WindowRecord* const kPrefixSearch = reinterpret_cast<WindowRecord*>(1);

wchar_t Fold(wchar_t c) {
    return c < 128 ? static_cast<wchar_t>(std::towupper(c)) : c;
}

bool BeginsNoCase(const std::wstring& text, const std::wstring& prefix) {
    if (prefix.size() > text.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (Fold(text[i]) != Fold(prefix[i])) return false;
    return true;
}

UINT CodePageOf(const WindowRecord* record) {
    return record->CodePage >= 0 ? static_cast<UINT>(record->CodePage) : DefaultCodePage.load();
}

std::wstring OwnNick(const WindowRecord* record) {
    const ServerConnection* connection = ConnectionOfWindow(record);
    return connection ? NarrowToWide(connection->OwnNick, CodePageOf(record)) : std::wstring();
}

std::wstring BoxText(HWND box) {
    return GetWindowTextString(box);
}

void Select(HWND box, LONG from, LONG to) {
    CHARRANGE range{from, to};
    SendMessageW(box, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
}

void ShowTip(WindowRecord* record, const std::wstring& text) {
    DestroyWindowRecordPopup(record);
    record->Popup = CreateTipWindow(record);
    if (record->Popup)
        views::PrintToWindow(kInformationLine, record, text,
                             {.View = record->Popup, .NoTimeStamp = true, .NoNotice = true});
}

std::wstring WindowNameCompletion(WindowRecord* record, const std::wstring& word) {
    const std::wstring own = NarrowToWide(record->Name, CodePageOf(record));
    if (BeginsNoCase(own, word)) return own;
    std::wstring found;
    for (WindowRecord* r : WindowListSnapshot()) {
        if (r->Server != record->Server) continue;
        const std::wstring name = NarrowToWide(r->Name, CodePageOf(r));
        if (BeginsNoCase(name, word)) found = name;
    }
    return found;
}

std::wstring CommandCompletion(WindowRecord* record, const std::wstring& word) {
    wchar_t hint[kHintLength] = {};
    commands::ExecuteCommand(WideToNarrow(word).c_str(), nullptr, kPrefixSearch, hint);
    if (hint[0]) {
        ShowTip(record, hint);
        const std::wstring completion = CompletionFromHint(hint);
        if (!completion.empty()) return completion;
    }
    for (const ScriptEntry& entry : ReadScriptEntries()) {
        if (entry.TriggerType != 0 || !BeginsNoCase(NarrowToWide(entry.Trigger), word)) continue;
        std::wstring tip = L"\x02\x03"
                           L"4 ";
        tip += NarrowToWide(entry.Trigger) +
               L" : \x03"
               L"12 " +
               NarrowToWide(entry.Description);
        ShowTip(record, tip);
        return NarrowToWide(entry.Trigger) + L" ";
    }
    return {};
}

std::wstring ChannelListCompletion(const std::wstring& word) {
    for (const std::string& listed : {Settings::FavouriteChannels(), Settings::RecentChannels()}) {
        std::vector<std::wstring> channels;
        SplitQuotedW(channels, NarrowToWide(listed), L" ", false);
        for (const std::wstring& channel : channels)
            if (BeginsNoCase(channel, word)) return channel;
    }
    return {};
}

std::wstring ItemText(HWND list, int index) {
    wchar_t text[1001] = {};
    LVITEMW item{};
    item.iSubItem = 0;
    item.pszText = text;
    item.cchTextMax = 1001;
    SendMessageW(list, LVM_GETITEMTEXTW, index, reinterpret_cast<LPARAM>(&item));
    return text;
}

// Searches the nick list after the running cycle's position with the prefixes ".", "@", "+" and
// none; a found nick starts or continues the cycle.
std::wstring NickListCompletion(WindowRecord* record, const std::wstring& word) {
    if (record->Type != kChannelWindow || !record->NickList) return {};
    int start = record->CompletionIndex;
    for (const wchar_t* prefix : {L".", L"@", L"+", L""}) {
        const std::wstring wanted = prefix + word;
        LVFINDINFOW find{};
        find.flags = LVFI_STRING | LVFI_PARTIAL;
        find.psz = wanted.c_str();
        const int found = static_cast<int>(SendMessageW(
            record->NickList, LVM_FINDITEMW, static_cast<WPARAM>(start), reinterpret_cast<LPARAM>(&find)));
        if (found < 0 || found <= start) continue;
        const std::wstring text = ItemText(record->NickList, found);
        if (!BeginsNoCase(text, wanted)) {
            start = found;
            continue;
        }
        record->CompletionIndex = found;
        record->CompletionWord = word;
        return *prefix ? text.substr(1) : text;
    }
    return {};
}

} // namespace

std::wstring CompletionFromHint(const std::wstring& hint) {
    const size_t slash = hint.find(L'/');
    if (slash == std::wstring::npos) return {};
    size_t end = slash + 1;
    while (end < hint.size() && hint[end] != L' ' && hint[end] > L' ') ++end;
    if (end == slash + 1 || end >= hint.size() || hint[end] != L' ') return {};
    return hint.substr(slash, end - slash) + L" ";
}

void TabComplete(WindowRecord* record) {
    if (!record || !record->Input) return;
    HWND box = record->Input;
    const std::wstring text = BoxText(box);
    CHARRANGE selection{};
    SendMessageW(box, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    const LONG length = static_cast<LONG>(text.size());
    if (selection.cpMin != selection.cpMax || selection.cpMax != length) return;

    const bool cycling = record->CompletionIndex != -1;
    // The piece after the last blank; while cycling, the last completion and its blank.
    size_t wordStart = text.find_last_of(L' ');
    wordStart = wordStart == std::wstring::npos ? 0 : wordStart + 1;
    std::wstring word = text.substr(wordStart);
    if (cycling) {
        word = record->CompletionWord;
        size_t end = text.size();
        while (end > 0 && text[end - 1] == L' ') --end;
        const size_t previous = text.find_last_of(L' ', end ? end - 1 : 0);
        wordStart = previous == std::wstring::npos || end == 0 ? 0 : previous + 1;
    }
    if (cycling || !word.empty()) Select(box, static_cast<LONG>(wordStart), length);

    std::wstring completion;
    const std::wstring own = OwnNick(record);
    if (word.empty()) {
        completion = own;
    } else if (word[0] != L'/') {
        completion = WindowNameCompletion(record, word);
    } else {
        completion = CommandCompletion(record, word);
    }
    if (completion.empty() && !word.empty() && word[0] == L'#') completion = ChannelListCompletion(word);
    if (completion.empty() && !word.empty() && record->Type != kChannelWindow && BeginsNoCase(own, word))
        completion = own;
    if (completion.empty() && !word.empty()) completion = NickListCompletion(record, word);

    if (completion.empty()) {
        if (cycling) Select(box, length, length);
        return;
    }
    if (completion.back() != L' ') completion += L' ';
    SendMessageW(box, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(completion.c_str()));
    Select(box, -1, -1);
}
