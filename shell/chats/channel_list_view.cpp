#include "shell/chats/channel_list_view.h"

#include "commands/input_dispatcher.h"
#include "common/app_state.h"
#include "common/command_ids.h"
#include "common/xstring.h"
#include "core/applied_settings.h"
#include "core/frame_handles.h"
#include "core/frame_message_ids.h"
#include "core/settings.h"
#include "core/window_record.h"
#include "shell/chats/chat_window.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

namespace {

constexpr UINT_PTR kSubclassId = 1;

struct Column {
    const wchar_t* Title;
    int Width;
    int Format;
};
constexpr Column kColumns[] = {
    {L"Channel", 200, LVCFMT_LEFT}, {L"Members", 70, LVCFMT_RIGHT}, {L"Topic", 700, LVCFMT_LEFT}};

std::string CellText(const ChannelListEntry& row, int column) {
    switch (column) {
        case 0: return row.Channel;
        case 1: return std::to_string(row.Members);
        default: return row.Topic;
    }
}

// Keys typed into the list go to the input box, which filters the list, as keys typed into a view
// do; Enter stays with the list, where it joins the selected channel.
LRESULT CALLBACK ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    if (message == WM_CHAR && wParam != L'\r') {
        auto* record = reinterpret_cast<WindowRecord*>(data);
        if (record->Input && record->Input != list) {
            SetFocus(record->Input);
            return SendMessageW(record->Input, message, wParam, lParam);
        }
    }
    if (message == WM_NCDESTROY) RemoveWindowSubclass(list, ListProc, kSubclassId);
    return DefSubclassProc(list, message, wParam, lParam);
}

HWND CreateList(WindowRecord* record) {
    HWND list = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                                WS_CHILD | WS_TABSTOP | WS_CLIPSIBLINGS | LVS_REPORT | LVS_OWNERDATA |
                                    LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                                0, 0, 100, 100, record->Window,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(kChannelListViewId)),
                                GetModuleHandleW(nullptr), nullptr);
    if (!list) return nullptr;
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT);
    for (int i = 0; i < 3; ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.pszText = const_cast<wchar_t*>(kColumns[i].Title);
        column.cx = kColumns[i].Width;
        column.fmt = kColumns[i].Format;
        SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
    }
    // The colours of the view whose place the list takes.
    const auto background = Settings::BackgroundColour();
    SendMessageW(list, LVM_SETBKCOLOR, 0, background);
    SendMessageW(list, LVM_SETTEXTBKCOLOR, 0, background);
    SendMessageW(list, LVM_SETTEXTCOLOR, 0, Settings::TextColour());
    if (ConfiguredFonts.size() > kListFont && ConfiguredFonts[kListFont])
        SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(ConfiguredFonts[kListFont]), TRUE);
    SetWindowSubclass(list, ListProc, kSubclassId, reinterpret_cast<DWORD_PTR>(record));
    return list;
}

void FillText(const WindowRecord* record, LVITEMW& item) {
    if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) return;
    item.pszText[0] = L'\0';
    if (item.iItem < 0 || static_cast<size_t>(item.iItem) >= record->ChannelListShown.size()) return;
    const std::wstring text =
        NarrowToWide(CellText(record->ChannelListShown[static_cast<size_t>(item.iItem)], item.iSubItem));
    const size_t count = std::min(text.size(), static_cast<size_t>(item.cchTextMax - 1));
    text.copy(item.pszText, count);
    item.pszText[count] = L'\0';
}

// A name the server sent joins only when it is one channel: no blank, comma or control code could
// make the line join other channels or say something else.
bool JoinableName(const std::string& name) {
    if (name.empty()) return false;
    return std::none_of(name.begin(), name.end(),
                        [](char c) { return static_cast<unsigned char>(c) <= ' ' || c == ','; });
}

void JoinRow(WindowRecord* record, int index) {
    if (index < 0 || static_cast<size_t>(index) >= record->ChannelListShown.size()) return;
    const std::string name = record->ChannelListShown[static_cast<size_t>(index)].Channel;
    if (JoinableName(name)) commands::ProcessInputLine(("/JOIN " + name).c_str(), record);
}

std::wstring Lower(std::wstring text) {
    if (!text.empty()) CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

bool WordCharacter(const std::wstring& text, size_t at) {
    return at < text.size() && IsCharAlphaNumericW(text[at]);
}

bool Holds(const std::wstring& line, const std::wstring& what, bool wholeWord) {
    for (size_t at = line.find(what); at != std::wstring::npos; at = line.find(what, at + 1)) {
        if (!wholeWord) return true;
        if ((at == 0 || !WordCharacter(line, at - 1)) && !WordCharacter(line, at + what.size())) return true;
    }
    return false;
}

} // namespace

bool ShowsChannelListRows(const WindowRecord* record) {
    return record && record->ChannelListView;
}

void ShowChannelListRows(WindowRecord* record) {
    if (!record || !record->Window) return;
    if (!record->ChannelListView) record->ChannelListView = CreateList(record);
    HWND list = record->ChannelListView;
    if (!list) return;
    // Another filter or order shows other rows under the same numbers: no row stays selected.
    LVITEMW none{};
    none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
    SendMessageW(list, LVM_SETITEMCOUNT, record->ChannelListShown.size(), 0);
    if (!record->ChannelListShown.empty()) SendMessageW(list, LVM_ENSUREVISIBLE, 0, FALSE);
    RECT client{};
    GetClientRect(record->Window, &client);
    LayoutChatWindow(record, client.right, client.bottom);
    InvalidateRect(list, nullptr, TRUE);
    UpdateWindow(list);
}

LRESULT OnChannelListNotify(WindowRecord* record, const NMHDR* header) {
    switch (header->code) {
        case LVN_GETDISPINFOW:
            FillText(record, reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(header))->item);
            return 0;
        case LVN_COLUMNCLICK: {
            const int column = reinterpret_cast<const NMLISTVIEW*>(header)->iSubItem;
            if (column < 2)
                PostMessageW(MainWindow.load(), WM_COMMAND,
                             column == 0 ? ID_CHANNEL_LIST_BY_NAME : ID_CHANNEL_LIST_BY_MEMBERS,
                             reinterpret_cast<LPARAM>(record));
            return 0;
        }
        // The list's own notices of a double-click and of Enter, which come once on every system.
        case NM_DBLCLK: JoinRow(record, reinterpret_cast<const NMITEMACTIVATE*>(header)->iItem); return 0;
        case NM_RETURN:
            JoinRow(record, static_cast<int>(SendMessageW(header->hwndFrom, LVM_GETNEXTITEM,
                                                          static_cast<WPARAM>(-1), LVNI_SELECTED)));
            return 0;
        case LVN_ODFINDITEMW: return -1;
        default: return 0;
    }
}

bool FindInChannelList(WindowRecord* record, const std::wstring& what, bool matchCase, bool wholeWord,
                       bool afterSelection) {
    HWND list = record->ChannelListView;
    if (!list || what.empty()) return false;
    size_t from = 0;
    if (afterSelection) {
        const LRESULT selected = SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
        if (selected >= 0) from = static_cast<size_t>(selected) + 1;
    }
    const std::wstring wanted = matchCase ? what : Lower(what);
    const std::vector<ChannelListEntry>& rows = record->ChannelListShown;
    for (size_t i = from; i < rows.size(); ++i) {
        std::wstring line =
            NarrowToWide(rows[i].Channel + " " + std::to_string(rows[i].Members) + " " + rows[i].Topic);
        if (!Holds(matchCase ? line : Lower(line), wanted, wholeWord)) continue;
        LVITEMW state{};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        state.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(list, LVM_SETITEMSTATE, i, reinterpret_cast<LPARAM>(&state));
        SendMessageW(list, LVM_ENSUREVISIBLE, i, FALSE);
        return true;
    }
    return false;
}

std::string ChannelListShownText(const WindowRecord* record) {
    std::string text;
    for (const ChannelListEntry& row : record->ChannelListShown)
        text += row.Channel + "\t" + std::to_string(row.Members) + "\t" + row.Topic + "\r\n";
    return text;
}
