// Finding text in a chat view, and nicks in a channel's nick list.
#include "shell/chats/window_text_commands.h"

#include "common/app_state.h"
#include "common/command_ids.h"
#include "common/text_compare.h"
#include "common/xstring.h"
#include "core/window_record.h"
#include "shell/chats/channel_list_view.h"
#include "shell/menus/menu_command_handlers.h"
#include "views/find_dialog.h"

#include <commctrl.h>
#include <commdlg.h>
#include <richedit.h>

namespace {

constexpr LONG kMostSelectionToFind = 200;

// The text to find and its flags, kept for the whole run as the find dialog leaves them.
FindRecord FindState;

bool AskFindText(HWND owner) {
    HMODULE language = LanguageModule.load();
    return language && DialogBoxParamW(language, L"DIALOG_FIND", owner, FindTextDlgProc,
                                       reinterpret_cast<LPARAM>(&FindState)) == 1;
}

std::wstring ListItemText(HWND list, int item) {
    wchar_t text[1001] = {};
    LVITEMW entry{};
    entry.iSubItem = 0;
    entry.pszText = text;
    entry.cchTextMax = 1001;
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&entry));
    return text;
}

void FindNicks(WindowRecord* record) {
    HWND list = record->NickList;
    if (!AskFindText(record->Window)) return;
    const std::string pattern = "*" + WideToNarrow(FindState.Text) + "*";
    const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    int first = -1;
    for (int i = 0; i < count; ++i) {
        const bool match = WildcardMatch(WideToNarrow(ListItemText(list, i)).c_str(), pattern.c_str(), false);
        LVITEMW state{};
        state.stateMask = LVIS_SELECTED;
        state.state = match ? LVIS_SELECTED : 0;
        SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&state));
        if (match && first < 0) first = i;
    }
    if (first >= 0) SendMessageW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(first), FALSE);
    SetFocus(list);
}

// The text to find when nothing selected gives it: the input box's, or the find dialog's.
bool TakeFindText(WindowRecord* record) {
    std::wstring input = InputBoxText(record);
    if (input.empty()) return AskFindText(record->Window);
    if (input.size() > kMaxFindText) input.resize(kMaxFindText);
    FindState.Text = input;
    return true;
}

// In a channel list the rows are searched: find next goes on after the selected row.
void FindInRows(WindowRecord* record, uint32_t id) {
    const bool next = id == ID_FIND_NEXT && !FindState.Text.empty();
    if (!next && !TakeFindText(record)) return;
    FindInChannelList(record, FindState.Text, FindState.MatchCase != 0, FindState.WholeWord != 0, next);
}

} // namespace

void shell::FindInView(WindowRecord* record, uint32_t id) {
    if (!record || !record->View) return;
    if (record->NickList && GetFocus() == record->NickList) return FindNicks(record);
    if (ShowsChannelListRows(record)) return FindInRows(record, id);
    HWND view = record->View;
    CHARRANGE selection{};
    SendMessageW(view, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    const LONG selected = selection.cpMax - selection.cpMin;
    bool afterSelection = false;
    if (id == ID_FIND_NEXT && selected > 0) {
        if (selected > kMostSelectionToFind) return;
        std::wstring text(static_cast<size_t>(selected) + 1, L'\0');
        text.resize(
            static_cast<size_t>(SendMessageW(view, EM_GETSELTEXT, 0, reinterpret_cast<LPARAM>(text.data()))));
        FindState.Text = text;
        afterSelection = true;
    } else if (!TakeFindText(record)) {
        return;
    }
    if (FindState.Text.empty()) return;
    FINDTEXTEXW find{};
    find.chrg = afterSelection ? CHARRANGE{selection.cpMax, -1} : CHARRANGE{0, selection.cpMax};
    find.lpstrText = FindState.Text.c_str();
    WPARAM flags = FR_DOWN;
    if (FindState.WholeWord) flags |= FR_WHOLEWORD;
    if (FindState.MatchCase) flags |= FR_MATCHCASE;
    if (SendMessageW(view, EM_FINDTEXTEXW, flags, reinterpret_cast<LPARAM>(&find)) < 0) return;
    SendMessageW(view, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&find.chrgText));
}
