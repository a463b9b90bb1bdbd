// Mouse actions on a channel window's nick list.
#include "commands/command_interpreter.h"
#include "commands/input_dispatcher.h"
#include "commands/plugin_host.h"
#include "common/app_state.h"
#include "common/command_ids.h"
#include "common/xstring.h"
#include "script/event_scripts.h"
#include "shell/chats/chat_window.h"
#include "core/frame_handles.h"
#include "core/nick_list_control.h"
#include "shell/controls/nick_list.h"
#include "shell/controls/script_entries.h"
#include "shell/controls/current_popup.h"
#include "shell/chats/view_procs.h"
#include "core/window_record.h"

#include <commctrl.h>

#include <cwctype>
#include <string>
#include <vector>

namespace {

constexpr UINT kPrefixItem = 1999;
constexpr int kNickActionsPosition = 5;
constexpr int kUserListsPosition = 14;

std::wstring ItemText(HWND list, int index) {
    wchar_t text[1001] = {};
    LVITEMW item{};
    item.pszText = text;
    item.cchTextMax = 1001;
    SendMessageW(list, LVM_GETITEMTEXTW, index, reinterpret_cast<LPARAM>(&item));
    return text;
}

bool IsLetter(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}

// Moves the popups at the positions of a fresh copy of the main menu into the menu.
void AppendMainMenuGroups(HMENU popup) {
    HMODULE language = LanguageModule.load();
    HMENU copy = language ? LoadMenuW(language, L"MENU_MAIN") : nullptr;
    if (!copy) return;
    HMENU groups[2] = {GetSubMenu(copy, kNickActionsPosition), GetSubMenu(copy, kUserListsPosition)};
    wchar_t captions[2][1000] = {};
    GetMenuStringW(copy, kNickActionsPosition, captions[0], 1000, MF_BYPOSITION);
    GetMenuStringW(copy, kUserListsPosition, captions[1], 1000, MF_BYPOSITION);
    // Taken out of the copy first, so destroying the copy leaves them to the popup.
    if (groups[1]) RemoveMenu(copy, kUserListsPosition, MF_BYPOSITION);
    if (groups[0]) RemoveMenu(copy, kNickActionsPosition, MF_BYPOSITION);
    DestroyMenu(copy);
    for (int i = 0; i < 2; ++i)
        if (groups[i]) AppendMenuW(popup, MF_POPUP, reinterpret_cast<UINT_PTR>(groups[i]), captions[i]);
}

LRESULT OnRightClick(WindowRecord* record, const NMITEMACTIVATE* click) {
    HWND list = record->NickList;
    std::wstring nick;
    if (click->iItem >= 0) {
        LVITEMW state{};
        state.stateMask = LVIS_SELECTED;
        state.state = LVIS_SELECTED;
        SendMessageW(list, LVM_SETITEMSTATE, click->iItem, reinterpret_cast<LPARAM>(&state));
        nick = ItemText(list, click->iItem);
    }
    ReplaceCurrentPopup(CreatePopupMenu(), 5);
    HMENU popup = CurrentPopupMenu;
    AppendMainMenuGroups(popup);
    // A separator stands only between two parts of the popup, never at its end.
    bool separate = GetMenuItemCount(popup) > 0;
    auto append = [&](UINT flags, UINT_PTR id, const wchar_t* text) {
        if (separate) AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
        separate = false;
        AppendMenuW(popup, flags, id, text);
    };

    bool prefixMarked = false;
    const wchar_t first = nick.empty() ? 0 : nick[0];
    if (first && !IsLetter(first) && first != L'`' && first != L'@' && first != L'+') {
        prefixMarked = IsNickPrefixed(record->Server, nick.c_str());
        std::wstring text = prefixMarked ? L"Unmark character '&" : L"Mark character '&";
        text += first;
        text += L"' as prefix";
        append(MF_STRING, kPrefixItem, text.c_str());
        separate = true;
    }
    for (const ScriptEntry& entry : ReadScriptEntries())
        if (entry.TriggerType == 0 && entry.NickPopup)
            append(MF_STRING, ID_SCRIPT_ITEM_FIRST + entry.Position, NarrowToWide(entry.Trigger).c_str());

    const std::vector<PluginMenuItem> plugins = PluginMenuItemsSnapshot();
    if (!plugins.empty()) {
        // The plug-ins' part always starts with a separator: it is taken off back to it.
        AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
        for (const PluginMenuItem& item : plugins)
            AppendMenuW(popup, MF_POPUP, static_cast<UINT_PTR>(item.Popup), item.Caption.c_str());
    }

    POINT at{};
    GetCursorPos(&at);
    HWND frame = MainWindow.load();
    SetForegroundWindow(frame);
    const UINT chosen =
        static_cast<UINT>(TrackPopupMenu(popup, TPM_RETURNCMD, at.x, at.y, 0, frame, nullptr));
    SendMessageW(frame, WM_NULL, 0, 0);
    if (!plugins.empty()) {
        // The plug-ins' menus belong to them: take them out before this popup can be destroyed.
        for (int i = GetMenuItemCount(popup) - 1; i >= 0; --i) {
            MENUITEMINFOW info{};
            info.cbSize = sizeof info;
            info.fMask = MIIM_FTYPE;
            GetMenuItemInfoW(popup, static_cast<UINT>(i), TRUE, &info);
            if (info.fType & MFT_SEPARATOR) break;
            RemoveMenu(popup, static_cast<UINT>(i), MF_BYPOSITION);
        }
    }
    if (chosen == kPrefixItem) {
        const std::string line =
            std::string(prefixMarked ? "/prefix -" : "/prefix ") + WideToNarrow(std::wstring(1, first));
        commands::ExecuteCommand(line.c_str(), record->Server, record, nullptr);
    }
    // The command acts on this channel, whichever window is active when it arrives.
    if (chosen)
        PostMessageW(frame, WM_COMMAND, chosen, reinterpret_cast<LPARAM>(record));
    else
        ReplaceCurrentPopup(nullptr, 0);
    return 0;
}

LRESULT OnDoubleClick(WindowRecord* record) {
    std::vector<std::wstring> nicks;
    GetSelectedNicks(record->NickList, nicks, false, false);
    if (nicks.empty()) return 0;
    const std::string nick = WideToNarrow(nicks[0], DefaultCodePage.load());
    std::string result;
    if (script::RunEventScript("On_Nick_Left_XX", record->Server, record, nick, result) == 1) return 0;
    const std::string line = result.empty() ? "/query " + nick : result;
    commands::ProcessInputLine(line.c_str(), record);
    return 0;
}

LRESULT OnCustomDraw(NMLVCUSTOMDRAW* draw) {
    switch (draw->nmcd.dwDrawStage) {
        case CDDS_PREPAINT: return CDRF_NOTIFYITEMDRAW;
        case CDDS_ITEMPREPAINT: return CDRF_NOTIFYSUBITEMDRAW;
        case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
            // The list is painting: its items are read from what it shows, not asked of it.
            HWND list = draw->nmcd.hdr.hwndFrom;
            const std::wstring text = ShownNickText(list, static_cast<int>(draw->nmcd.dwItemSpec));
            draw->clrText = NickListTextColor(text.c_str());
            draw->clrTextBk = NickListBackground(list);
            return CDRF_DODEFAULT;
        }
        default: return 0;
    }
}

} // namespace

LRESULT OnNickListNotify(WindowRecord* record, const NMHDR* header) {
    LRESULT answer = 0;
    if (AnswerNickListNotice(header, answer)) return answer;
    switch (header->code) {
        case NM_RCLICK: return OnRightClick(record, reinterpret_cast<const NMITEMACTIVATE*>(header));
        case NM_DBLCLK: return OnDoubleClick(record);
        case NM_CUSTOMDRAW:
            return OnCustomDraw(reinterpret_cast<NMLVCUSTOMDRAW*>(const_cast<NMHDR*>(header)));
        default:
            return SendMessageW(MainWindow.load(), WM_NOTIFY, header->idFrom,
                                reinterpret_cast<LPARAM>(header));
    }
}
