#include "shell/menus/menu_command_table.h"

#include "common/command_ids.h"
#include "core/client_services.h"
#include "core/window_list.h"
#include "core/window_record.h"
#include "shell/menus/menu_command_handlers.h"
#include "shell/windows/active_window.h"
#include "views/smiley_menu.h"

#include <algorithm>
#include <iterator>

namespace {

constexpr MenuWindow kOptional = MenuWindow::Optional;
constexpr MenuWindow kAny = MenuWindow::Any;
constexpr MenuWindow kChannel = MenuWindow::Channel;
constexpr MenuWindow kDccChat = MenuWindow::DccChat;

// The ids the smiley menu gives its pictures.
constexpr uint32_t kLastSmileyId = 47990;
// A toolbar button or a link opens the main menu's group at the id's distance from
// ID_POPUP_GROUP_FIRST; a command id is a word.
constexpr uint32_t kLastPopupGroupId = 0xFFFF;

// First id, last id, the window it needs, handler; in the order of the ids. Ids without a row (the
// user actions 513-516, 518 and 519, the start page's unused links) do nothing.
constexpr MenuCommandRow kMenuCommands[] = {
    {ID_CHANNEL_MODES, ID_CHANNEL_MODES, kChannel, OpenChannelModes},
    {ID_NICK_OWNER, ID_NICK_AUTO_VOICE_REMOVE, kChannel, RunChannelNickAction},
    {ID_FIND, ID_FIND_NEXT, kAny, FindInActiveView},
    {ID_WINDOW_NOTIFY, ID_WINDOW_NOTIFY, kAny, ToggleNotifyOfWindow},
    {ID_USER_WHOIS, ID_USER_DCC_CHAT, kAny, RunUserAction},
    {ID_USER_SEND_FILE, ID_USER_SEND_FILE, kAny, OfferFileToUser},
    {ID_USER_DCC_TLS_CHAT, ID_USER_DCC_TLS_CHAT, kAny, RunUserAction},
    {ID_CONVERSATION_SEND_FILE, ID_CONVERSATION_SEND_FILE, kAny, OfferFileToUser},
    {ID_WINDOW_PAUSE, ID_WINDOW_PAUSE, kAny, PauseWindowOutput},
    {ID_WINDOW_DOCK, ID_WINDOW_DOCK, kAny, DockOrUndockWindow},
    {ID_WINDOW_TICKER, ID_WINDOW_TICKER, kAny, ToggleTickerOfWindow},
    {ID_ENCODING_UTF8, ID_ENCODING_SYSTEM, kAny, SetWindowEncoding},
    {ID_CHANNEL_BAN_LIST, ID_CHANNEL_EXCEPTION_LIST, kChannel, AskChannelList},
    {ID_SERVER_JOIN, ID_SERVER_JOIN, kAny, OpenJoinDialogForServer},
    {ID_SERVER_CHANNEL_LIST, ID_SERVER_CHANNEL_LIST, kAny, RequestServerChannelList},
    {ID_SERVER_RECONNECT, ID_SERVER_RECONNECT, kAny, ReconnectServer},
    {ID_SERVER_DISCONNECT, ID_SERVER_DISCONNECT, kAny, DisconnectServer},
    {ID_SERVER_LINKS, ID_SERVER_LINKS, kAny, AskServerLinks},
    {ID_SERVER_USER_LISTS, ID_SERVER_SILENCE_LIST - 1, kOptional, OpenUserListPreferences},
    {ID_SERVER_SILENCE_LIST, ID_SERVER_SILENCE_LIST, kAny, AskSilenceList},
    {ID_SERVER_SILENCE_LIST + 1, ID_SERVER_USER_LISTS_LAST, kOptional, OpenUserListPreferences},
    {ID_SERVER_ACCEPT_LIST, ID_SERVER_ACCEPT_LIST, kAny, AskAcceptList},
    {ID_MULTI_LINE_INPUT, ID_MULTI_LINE_INPUT, kAny, ToggleMultiLineInput},
    {ID_STATUS_AVAILABLE, ID_STATUS_INVISIBLE, kAny, RunStatusEvent},
    {ID_FORMAT_BAR, ID_FORMAT_BAR, kAny, ToggleFormatBar},
    {ID_FORMAT_BOLD, ID_FORMAT_STRIKE_OUT, kAny, InsertFormatCode},
    {ID_FORMAT_COLOUR, ID_FORMAT_COLOUR, kAny, InsertPaletteColour},
    {ID_FORMAT_FONT_SIZE, ID_FORMAT_FONT_SIZE, kAny, InsertFontNumber},
    {ID_SMILEYS, ID_SMILEYS, kOptional, ShowSmileys},
    {ID_FORMAT_BEEP, ID_FORMAT_RESET, kAny, InsertFormatCode},
    {ID_FORMAT_FONT, ID_FORMAT_FONT, kAny, InsertFontCode},
    {ID_SEND_PICTURE, ID_SEND_PICTURE, kAny, OfferObjectFile},
    {ID_FORMAT_LINK, ID_FORMAT_LINK, kAny, InsertFormatCode},
    {ID_SEND_OBJECT, ID_SEND_OBJECT, kAny, OfferObjectFile},
    {ID_FORMAT_COLOUR_RUN, ID_FORMAT_COLOUR_RUN, kAny, InsertColourRun},
    {ID_SEND_MOVIE, ID_SEND_MOVIE, kAny, OfferObjectFile},
    {ID_VOICE_TALK, ID_VOICE_TALK, kDccChat, ToggleVoiceTalk},
    {ID_FORMAT_BEEP_AND_SHAKE, ID_FORMAT_BEEP_AND_SHAKE, kAny, InsertFormatCode},
    {ID_VOICE_LISTEN, ID_VOICE_LISTEN, kDccChat, ToggleVoiceListen},
    {ID_INSERT_ACTIVEX, ID_INSERT_ACTIVEX, kAny, InsertActiveXControl},
    {ID_CHANNEL_LIST_BY_NAME, ID_CHANNEL_LIST_BY_MEMBERS, kAny, ShowSortedChannelList},
    {ID_FORMAT_SHAKE_BUTTON, ID_FORMAT_SHAKE_BUTTON, kAny, InsertFormatCode},
    {ID_NICK_LIST_SHOW, ID_NICK_LIST_SHOW, kAny, ToggleNickListShown},
    {ID_WINDOWS_RESTORE, ID_WINDOWS_RESTORE, kOptional, RestoreAllWindows},
    {ID_WINDOWS_MINIMISE, ID_WINDOWS_MINIMISE, kOptional, MinimiseAllWindows},
    {ID_WINDOWS_CASCADE, ID_WINDOWS_CASCADE, kOptional, CascadeChildWindows},
    {ID_WINDOWS_TILE_HORIZONTALLY, ID_WINDOWS_TILE_VERTICALLY, kOptional, TileChildWindows},
    {ID_WINDOWS_ARRANGE_ICONS, ID_WINDOWS_ARRANGE_ICONS, kOptional, ArrangeWindowIcons},
    {ID_COPY, ID_COPY, kAny, CopyViewSelection},
    {ID_SEARCH_WEB_FOR_SELECTION, ID_SEARCH_WEB_FOR_SELECTION, kAny, SearchWebForSelection},
    {ID_CONNECT, ID_CONNECT, kOptional, OpenConnect},
    {ID_WINDOW_CLOSE, ID_WINDOW_CLOSE, kOptional, CloseActiveWindow},
    {ID_OPTIONS_SCRIPTS, ID_OPTIONS_EVENT_SCRIPTS, kOptional, OpenPreferencesSection},
    {ID_SEARCH_WEB_FOR_TYPED_TEXT, ID_SEARCH_WEB_FOR_TYPED_TEXT, kOptional, SearchTypedText},
    {ID_HELP_FILE, ID_HELP_FILE, kOptional, ShowHelp},
    {ID_ABOUT, ID_ABOUT, kOptional, ShowAbout},
    {ID_LOOK_UP_HOST, ID_LOOK_UP_HOST, kAny, LookUpHost},
    {ID_NICK_LIST_GROUPS, ID_NICK_LIST_GROUPS, kAny, ToggleNickGroups},
    {ID_PREFERENCES, ID_PREFERENCES, kOptional, OpenAllPreferences},
    {ID_OPTIONS_PROXIES, ID_OPTIONS_PROXIES, kOptional, OpenPreferencesSection},
    {ID_OPTIONS_LANGUAGES, ID_OPTIONS_LANGUAGES, kOptional, OpenPreferencesSection},
    {ID_BACK_TO_ENGLISH, ID_BACK_TO_ENGLISH, kOptional, RestartInEnglish},
    {ID_OPTIONS_NOTES, ID_OPTIONS_NOTES, kOptional, OpenPreferencesSection},
    {ID_OPTIONS_SKINS, ID_OPTIONS_SKINS, kOptional, OpenPreferencesSection},
    {ID_OPTIONS_INSTALL_SCRIPT, ID_OPTIONS_PLUGINS, kOptional, OpenPreferencesSection},
    {ID_PAGE_HELP, ID_PAGE_HELP, kOptional, ShowPageHelp},
    {ID_SHOW_START_PAGE, ID_SHOW_START_PAGE, kOptional, ShowStartPageAtStart},
    {ID_HIDE_START_PAGE, ID_HIDE_START_PAGE, kOptional, HideStartPageAtStart},
    {ID_CLEAR_WINDOW, ID_CLEAR_WINDOW, kAny, ClearWindow},
    {ID_LOG_WINDOW, ID_SAVE_ENCRYPTED, kAny, RunLogMenuCommand},
    {ID_SPEAK_INCOMING, ID_SPEAK_INCOMING, kAny, ToggleSpeakIncoming},
    {ID_REMOTE_ASSISTANCE, ID_REMOTE_ASSISTANCE, kOptional, AskRemoteAssistance},
    {ID_MAKER_PAGE, ID_MAKER_PAGE, kOptional, OpenMakerPage},
    {ID_CHECK_FOR_UPDATES, ID_CHECK_FOR_UPDATES, kOptional, CheckForUpdatesNow},
    {ID_HIDE_IN_TRAY, ID_HIDE_IN_TRAY, kOptional, HideInTray},
    {ID_FIRST_STEPS, ID_FIRST_STEPS, kOptional, RunFirstSteps},
    {ID_RESET_SETTINGS, ID_RESET_SETTINGS, kOptional, ResetSettings},
    {ID_SCRIPT_ITEM_FIRST, ID_SCRIPT_ITEM_LAST, kOptional, RunScriptPopupItem},
    {ID_SERVER_FIRST, ID_SERVER_LAST, kOptional, OpenServerFromMenu},
    {ID_LINK_FIRST, ID_LINK_LAST, kOptional, RunCommandPopupItem},
    {ID_LIGHT_SENSOR, ID_LIGHT_SENSOR, kOptional, ToggleLightSensorMode},
    {kSmileyFirstId, kLastSmileyId, kAny, InsertSmiley},
    {ID_POPUP_GROUP_FIRST, kLastPopupGroupId, kOptional, ShowMainMenuGroupOf},
};

// Each id has at most one row, so the table is read by halving; every row runs something.
constexpr bool RowsInOrderAndApart() {
    for (size_t i = 0; i < std::size(kMenuCommands); ++i) {
        const MenuCommandRow& row = kMenuCommands[i];
        if (row.First > row.Last || row.Run == nullptr) return false;
        if (i > 0 && kMenuCommands[i - 1].Last >= row.First) return false;
    }
    return true;
}
static_assert(RowsInOrderAndApart(),
              "menu command rows are in the order of their ids, apart and each with a handler");
static_assert(kMenuCommands[std::size(kMenuCommands) - 1].Last <= kLastPopupGroupId,
              "a command id is the low word of WM_COMMAND's wParam");

bool WindowFits(MenuWindow needs, const WindowRecord* window) {
    switch (needs) {
        case MenuWindow::Optional: return true;
        case MenuWindow::Any: return window != nullptr;
        case MenuWindow::Channel: return window && window->Type == kChannelWindow;
        case MenuWindow::DccChat: return window && window->Type == kDccChatWindow;
    }
    return false;
}

} // namespace

const MenuCommandRow* FindMenuCommandRow(uint32_t id) {
    const auto after =
        std::upper_bound(std::begin(kMenuCommands), std::end(kMenuCommands), id,
                         [](uint32_t wanted, const MenuCommandRow& row) { return wanted < row.First; });
    if (after == std::begin(kMenuCommands)) return nullptr;
    const MenuCommandRow* row = std::prev(after);
    return id <= row->Last ? row : nullptr;
}

void HandleMenuCommand(HWND owner, WPARAM wParam, LPARAM lParam) {
    try {
        const UINT id = LOWORD(wParam);
        const MenuCommandRow* row = FindMenuCommandRow(id);
        if (!row) return;
        auto* named = reinterpret_cast<WindowRecord*>(lParam);
        if (lParam < 6 || !IsWindowRecordListed(named)) named = nullptr;
        WindowRecord* window = named ? named : shell::GetActiveWindowRecord();
        if (WindowFits(row->Needs, window)) row->Run(MenuCommand{owner, window, id});
    } catch (...) {
        // A command that fails ends here; the window procedure goes on.
    }
}
