// The join dialog (favourite and recent channels) and the kick dialog (kick, ban, timed unban).
#include "ui/server_dialogs.h"

#include "commands/command_interpreter.h"
#include "commands/input_dispatcher.h"
#include "common/app_state.h"
#include "common/command_ids.h"
#include "common/text_split.h"
#include "common/xstring.h"
#include "core/client_services.h"
#include "core/settings.h"
#include "core/window_record.h"
#include "irc/remembered_user.h"
#include "irc/send_path.h"
#include "irc/server_connection.h"
#include "irc/user_address.h"
#include "xml/config_documents.h"
#include "xml/xml_profile.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr UINT WM_DIALOG_RELOAD = 32769;
constexpr size_t kMostChannelText = 9999;
constexpr size_t kMostMaskText = 999;

std::wstring ItemText(HWND dialog, int id, size_t most) {
    HWND control = GetDlgItem(dialog, id);
    const int length = GetWindowTextLengthW(control);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(control, text.data(), length + 1)));
    if (text.size() > most) text.resize(most);
    return text;
}

// A reason or mask becomes one line: a CR or LF in it would end the command early and start
// another one the user never typed.
std::wstring OneLine(std::wstring text) {
    std::erase_if(text, [](wchar_t c) { return c == L'\r' || c == L'\n' || c == L'\0'; });
    return text;
}

// The join dialog's lists from the settings.
void FillChannelList(HWND dialog, int id, const std::string& listed) {
    std::vector<std::string> names;
    SplitQuoted(names, listed, " ", false);
    HWND list = GetDlgItem(dialog, id);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    for (const std::string& name : names)
        if (!name.empty())
            SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(NarrowToWide(name).c_str()));
}

void LoadJoinDialog(HWND dialog) {
    SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(ProgramIcon));
    SendMessageW(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(ProgramIcon));
    FillChannelList(dialog, IDC_JOIN_FAVOURITES, Settings::FavouriteChannels());
    FillChannelList(dialog, IDC_JOIN_RECENT, Settings::RecentChannels());
    CheckDlgButton(dialog, IDC_JOIN_ON_CONNECT, Settings::JoinBoxOnConnect() ? BST_CHECKED : BST_UNCHECKED);
}

// The selected favourites, then the selected recent channels, joined with ",".
void TakeSelection(HWND dialog) {
    std::wstring text;
    for (int id : {IDC_JOIN_FAVOURITES, IDC_JOIN_RECENT}) {
        HWND list = GetDlgItem(dialog, id);
        const int count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            if (SendMessageW(list, LB_GETSEL, static_cast<WPARAM>(i), 0) <= 0) continue;
            std::wstring item(
                static_cast<size_t>(SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0)) + 1, L'\0');
            item.resize(static_cast<size_t>(SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i),
                                                         reinterpret_cast<LPARAM>(item.data()))));
            if (!text.empty()) text += L',';
            text += item;
        }
    }
    SetDlgItemTextW(dialog, IDC_JOIN_CHANNELS, text.c_str());
}

void StoreJoinOnConnect(HWND dialog) {
    XmlWriteProfileInt(Settings::Keys::JoinBoxOnConnect.Section, Settings::Keys::JoinBoxOnConnect.Key,
                       IsDlgButtonChecked(dialog, IDC_JOIN_ON_CONNECT) ? 1 : 0, nullptr, UserConfigDocument);
}

INT_PTR CALLBACK JoinDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        if (message == WM_INITDIALOG) SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        auto* record = reinterpret_cast<WindowRecord*>(GetWindowLongPtrW(dialog, DWLP_USER));
        switch (message) {
            case WM_INITDIALOG:
            case WM_DIALOG_RELOAD: LoadJoinDialog(dialog); return TRUE;
            case WM_CLOSE: EndDialog(dialog, 2); return TRUE;
            case WM_COMMAND: break;
            default: return FALSE;
        }
        const int id = LOWORD(wParam);
        if (id == IDC_JOIN_FAVOURITES || id == IDC_JOIN_RECENT) {
            if (HIWORD(wParam) == LBN_SELCHANGE) TakeSelection(dialog);
            if (HIWORD(wParam) == LBN_DBLCLK) PostMessageW(dialog, WM_COMMAND, IDOK, 0);
            return TRUE;
        }
        switch (id) {
            case IDOK: {
                StoreJoinOnConnect(dialog);
                const std::string channels =
                    WideToNarrow(OneLine(ItemText(dialog, IDC_JOIN_CHANNELS, kMostChannelText)), CP_ACP);
                SendServerLine("JOIN " + channels + "\r\n", record, 0);
                EndDialog(dialog, 1);
                return TRUE;
            }
            case IDCANCEL:
                StoreJoinOnConnect(dialog);
                EndDialog(dialog, 2);
                return TRUE;
            case IDC_JOIN_EDIT_LISTS:
                commands::ExecuteCommand("/prefs Cfg\\Options1", record, record, nullptr);
                SendMessageW(dialog, WM_DIALOG_RELOAD, 0, 0);
                return TRUE;
            default: return FALSE;
        }
    } catch (...) {
        return FALSE;
    }
}

struct KickDialogParams {
    WindowRecord* Channel = nullptr;
    const std::vector<std::wstring>* Nicks = nullptr;
};

// Names of timed unbans: two bans in the same second still get timers of their own, as a timer
// of a name already running would be replaced and one ban never lifted.
std::string UnbanTimerName() {
    static std::atomic<uint32_t> counter{0};
    SYSTEMTIME now{};
    GetLocalTime(&now);
    char name[64];
    std::snprintf(name, sizeof name, "kb%02u%02u%02u", static_cast<unsigned>(now.wHour),
                  static_cast<unsigned>(now.wMinute), static_cast<unsigned>(now.wSecond));
    const uint32_t count = counter.fetch_add(1);
    return count == 0 ? std::string(name) : std::string(name) + "_" + std::to_string(count);
}

void InitKickDialog(HWND dialog, KickDialogParams& params) {
    WindowRecord* channel = params.Channel;
    if (ServerConnection* connection = ConnectionOfWindow(channel)) connection->MaskDialog = dialog;
    std::wstring nicks;
    for (const std::wstring& nick : *params.Nicks) nicks += (nicks.empty() ? L"" : L" ") + nick;
    SetDlgItemTextW(dialog, IDC_KICK_NICKS, nicks.c_str());
    SetDlgItemTextW(dialog, IDC_KICK_REASON, NarrowToWide(Settings::LastKickReason()).c_str());
    if (params.Nicks->size() != 1) return;
    UserAddress query;
    query.Nick = WideToNarrow(params.Nicks->front(), CP_ACP);
    RememberedUser found;
    if (CopyRememberedUser(channel, query, found)) {
        FillAddressMaskList(GetDlgItem(dialog, IDC_KICK_MASK), channel,
                            UserAddress{found.NickPattern, found.IdentPattern, found.DomainPattern});
        return;
    }
    SendServerLine("USERHOST " + query.Nick + "\r\n", channel->Server ? channel->Server : channel, 0);
}

void ForgetKickDialog(const KickDialogParams* params, HWND dialog) {
    if (!params) return;
    if (ServerConnection* connection = ConnectionOfWindow(params->Channel))
        if (connection->MaskDialog == dialog) connection->MaskDialog = nullptr;
}

void Kick(HWND dialog, KickDialogParams& params) {
    WindowRecord* channel = params.Channel;
    const std::string mask = WideToNarrow(OneLine(ItemText(dialog, IDC_KICK_MASK, kMostMaskText)), CP_ACP);
    if (IsDlgButtonChecked(dialog, IDC_KICK_BAN) == BST_CHECKED)
        SendServerLine("MODE " + channel->Name + " +b " + mask + "\r\n", channel, 0);
    const std::wstring delay = ItemText(dialog, IDC_KICK_UNBAN_DELAY, 20);
    const unsigned long seconds = std::wcstoul(delay.c_str(), nullptr, 10);
    if (IsDlgButtonChecked(dialog, IDC_KICK_TIMED_UNBAN) == BST_CHECKED && seconds != 0) {
        const std::string line = "/TIMER " + UnbanTimerName() + " 1 " + std::to_string(seconds) +
                                 " /RAW MODE " + channel->Name + " -b " + mask;
        commands::ProcessInputLine(line.c_str(), channel);
    }
    const std::string reason = WideToNarrow(OneLine(ItemText(dialog, IDC_KICK_REASON, kMostMaskText)));
    XmlWriteProfileString(Settings::Keys::LastKickReason.Section, Settings::Keys::LastKickReason.Key,
                          reason.c_str(), nullptr, UserConfigDocument);
    std::vector<std::string> nicks;
    SplitQuoted(nicks, WideToNarrow(OneLine(ItemText(dialog, IDC_KICK_NICKS, kMostChannelText))), " ", false);
    for (const std::string& nick : nicks)
        if (!nick.empty())
            SendServerLine("KICK " + channel->Name + " " + nick + " :" + reason + "\r\n", channel, 0);
}

INT_PTR CALLBACK KickBanDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        if (message == WM_INITDIALOG) SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        auto* params = reinterpret_cast<KickDialogParams*>(GetWindowLongPtrW(dialog, DWLP_USER));
        if (!params) return FALSE;
        switch (message) {
            case WM_INITDIALOG: InitKickDialog(dialog, *params); return TRUE;
            case WM_CLOSE:
                ForgetKickDialog(params, dialog);
                EndDialog(dialog, 0);
                return TRUE;
            case WM_COMMAND:
                if (LOWORD(wParam) == IDOK) {
                    Kick(dialog, *params);
                    ForgetKickDialog(params, dialog);
                    EndDialog(dialog, 1);
                    return TRUE;
                }
                if (LOWORD(wParam) == IDCANCEL) {
                    ForgetKickDialog(params, dialog);
                    EndDialog(dialog, 0);
                    return TRUE;
                }
                return FALSE;
            default: return FALSE;
        }
    } catch (...) {
        return FALSE;
    }
}

} // namespace

void ui::OpenJoinDialog(HWND owner, WindowRecord* server) {
    HMODULE language = LanguageModule.load();
    if (!language || !server) return;
    DialogBoxParamW(language, L"DIALOG_JOIN", owner ? owner : MainWindow.load(), JoinDlgProc,
                    reinterpret_cast<LPARAM>(server));
}

void ui::OpenKickDialog(HWND owner, WindowRecord* channel, const std::vector<std::wstring>& nicks) {
    HMODULE language = LanguageModule.load();
    if (!language || !channel) return;
    KickDialogParams params{channel, &nicks};
    DialogBoxParamW(language, L"DIALOG_KICK", owner ? owner : MainWindow.load(), KickBanDlgProc,
                    reinterpret_cast<LPARAM>(&params));
}
