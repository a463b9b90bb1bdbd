// The dialog that offers files to a nick by DCC, opened from menus and by files dropped on a
// chat window.
#include "peer/dcc_send_dialog.h"

#include "commands/input_dispatcher.h"
#include "common/app_state.h"
#include "common/command_ids.h"
#include "common/list_tree_helpers.h"
#include "common/open_file_dialog.h"
#include "common/xstring.h"
#include "core/window_record.h"
#include "irc/server_connection.h"
#include "irc_lines/channel_nicks.h"
#include "irc_lines/local_addresses.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <mutex>

namespace {

struct SendDialogInit {
    WindowRecord* Window = nullptr;
    std::wstring Nick;
    std::vector<std::wstring> Files;
};

// The open dialog's parameter, while it is open.
SendDialogInit* OpenInit = nullptr;

std::wstring ItemText(HWND dialog, int id, size_t limit) {
    std::wstring text(limit + 1, L'\0');
    text.resize(static_cast<size_t>(GetDlgItemTextW(dialog, id, text.data(), static_cast<int>(limit + 1))));
    return text;
}

UINT WindowCodePage(const WindowRecord* window) {
    return window->CodePage >= 0 ? static_cast<UINT>(window->CodePage) : DefaultCodePage.load();
}

// The nick of a nick-list row, without the status prefix ('@', '+', ...) the list shows it with:
// the offer goes to the nick.
std::wstring RowNick(const WindowRecord* window, int item) {
    std::wstring nick = ListViewItemText(window->NickList, item, 0);
    const bool prefixed = nick.size() > 1 && (nick[0] == L'.' || nick[0] == L'@' || nick[0] == L'+' ||
                                              ExtraNickPrefixes(window).find(nick[0]) != std::wstring::npos);
    return prefixed ? nick.substr(1) : nick;
}

std::wstring SelectedNick(const WindowRecord* window) {
    if (!window->NickList) return {};
    const int item = static_cast<int>(
        SendMessageW(window->NickList, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    return item < 0 ? std::wstring() : RowNick(window, item);
}

void FillDialog(HWND dialog, const SendDialogInit& init) {
    SetFocus(GetDlgItem(dialog, IDC_SEND_NICK));
    std::wstring nick = init.Nick;
    const WindowRecord* window = init.Window;
    if (window->Type == kChannelWindow && nick.empty()) nick = SelectedNick(window);
    if (window->Type == kQueryWindow || window->Type == kDccChatWindow)
        nick = NarrowToWide(window->Name, WindowCodePage(window));
    SetDlgItemTextW(dialog, IDC_SEND_NICK, nick.c_str());
    if (!nick.empty()) SetFocus(GetDlgItem(dialog, IDC_SEND_FILES));
    SetDlgItemTextW(dialog, IDC_SEND_FILES, peer::JoinOfferedFiles(init.Files).c_str());
    WindowRecord* server = init.Window->Server;
    std::string v4, v6;
    GetLocalIpAddressText(server, v4);
    GetLocalIpv6AddressText(server, v6);
    SetDlgItemTextW(dialog, IDC_SEND_IPV4, (L"IPv4 (" + NarrowToWide(v4) + L")").c_str());
    SetDlgItemTextW(dialog, IDC_SEND_IPV6, (L"IPv6 (" + NarrowToWide(v6) + L")").c_str());
    const bool ipv6 = server && server->Connection && server->Connection->IsIPv6;
    CheckRadioButton(dialog, IDC_SEND_IPV4, IDC_SEND_IPV6, ipv6 ? IDC_SEND_IPV6 : IDC_SEND_IPV4);
    CheckRadioButton(dialog, IDC_SEND_ACKNOWLEDGED, IDC_SEND_UNACKNOWLEDGED, IDC_SEND_ACKNOWLEDGED);
}

void Browse(HWND dialog) {
    const std::wstring buffer = ChooseFileToOpen(
        dialog, OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_ALLOWMULTISELECT | OFN_HIDEREADONLY, 100000);
    if (buffer.empty()) return;
    // One file: its full path; several: the folder, then each name.
    std::vector<std::wstring> files;
    const std::wstring folder = buffer.c_str();
    for (const wchar_t* name = buffer.c_str() + folder.size() + 1; *name; name += wcslen(name) + 1)
        files.push_back(folder.back() == L'\\' ? folder + name : folder + L"\\" + name);
    if (files.empty()) files.push_back(folder);
    SetDlgItemTextW(dialog, IDC_SEND_FILES, peer::JoinOfferedFiles(files).c_str());
}

// One /dcc line per file through the input line, as the user would type it.
bool SendOffers(HWND dialog, const SendDialogInit& init) {
    const std::wstring nick = ItemText(dialog, IDC_SEND_NICK, 10000);
    const std::wstring files = ItemText(dialog, IDC_SEND_FILES, 10000);
    if (nick.empty() || files.empty()) return false;
    std::string word = "/DCC4 ";
    if (IsDlgButtonChecked(dialog, IDC_SEND_IPV6) == BST_CHECKED) word[4] = '6';
    if (IsDlgButtonChecked(dialog, IDC_SEND_PASSIVE) == BST_CHECKED) word[1] = 'I';
    const char* kind =
        IsDlgButtonChecked(dialog, IDC_SEND_ACKNOWLEDGED) == BST_CHECKED ? " SEND " : " TSEND ";
    // The path is the rest of the line, so blanks and commas in it need no short form.
    for (const std::wstring& path : peer::SplitOfferedFiles(files)) {
        const std::string line =
            word + WideToNarrow(nick, WindowCodePage(init.Window)) + kind + WideToNarrow(path);
        commands::ProcessInputLine(line.c_str(), init.Window);
    }
    return true;
}

INT_PTR CALLBACK DccSendDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            OpenInit = reinterpret_cast<SendDialogInit*>(lParam);
            FillDialog(dialog, *OpenInit);
            return FALSE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDC_SEND_BROWSE: Browse(dialog); return TRUE;
                case IDOK:
                    if (OpenInit && SendOffers(dialog, *OpenInit)) EndDialog(dialog, IDOK);
                    return TRUE;
                case IDCANCEL:
                case 120: EndDialog(dialog, IDCANCEL); return TRUE;
                default: return FALSE;
            }
        case WM_CLOSE: EndDialog(dialog, IDCANCEL); return TRUE;
        default: return FALSE;
    }
}

void RunDialog(HWND owner, SendDialogInit& init) {
    HMODULE language = LanguageModule.load();
    if (!language) return;
    DialogBoxParamW(language, L"DIALOG_SEND", owner, DccSendDlgProc, reinterpret_cast<LPARAM>(&init));
    OpenInit = nullptr;
}

// The nick-list row under a point of the window the files were dropped on; empty when none.
std::wstring NickAt(const WindowRecord* window, HWND droppedOn, POINT point) {
    if (!window->NickList) return {};
    MapWindowPoints(droppedOn, window->NickList, &point, 1);
    LVHITTESTINFO hit{};
    hit.pt = point;
    const int item =
        static_cast<int>(SendMessageW(window->NickList, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    if (item < 0 || !(hit.flags & LVHT_ONITEM)) return {};
    return RowNick(window, item);
}

} // namespace

std::wstring peer::JoinOfferedFiles(const std::vector<std::wstring>& files) {
    std::wstring joined;
    for (const std::wstring& file : files) {
        if (!joined.empty()) joined += L",";
        joined += file.find_first_of(L", ") == std::wstring::npos ? file : L"\"" + file + L"\"";
    }
    return joined;
}

std::vector<std::wstring> peer::SplitOfferedFiles(const std::wstring& text) {
    std::vector<std::wstring> files;
    std::wstring piece;
    bool quoted = false;
    const auto finish = [&] {
        const size_t first = piece.find_first_not_of(L' ');
        const size_t last = piece.find_last_not_of(L' ');
        if (first != std::wstring::npos) files.push_back(piece.substr(first, last - first + 1));
        piece.clear();
    };
    for (wchar_t c : text) {
        if (c == L'"')
            quoted = !quoted;
        else if (c == L',' && !quoted)
            finish();
        else
            piece += c;
    }
    finish();
    return files;
}

void peer::OpenDccSendDialog(HWND owner, WindowRecord* window) {
    if (!window) return;
    SendDialogInit init{window, {}, {}};
    RunDialog(owner, init);
}

void peer::OfferFilesDialog(HWND owner, WindowRecord* window, std::vector<std::wstring> files) {
    if (!window) return;
    SendDialogInit init{window, {}, std::move(files)};
    RunDialog(owner, init);
}

void peer::SendDroppedFiles(WindowRecord* window, HDROP drop, HWND droppedOn) {
    if (!window || window->Type == kServerWindow) {
        DragFinish(drop);
        return;
    }
    SendDialogInit init{window, {}, {}};
    if (window->Type == kChannelWindow) {
        POINT point{};
        DragQueryPoint(drop, &point);
        init.Nick = NickAt(window, droppedOn ? droppedOn : window->Window, point);
        if (init.Nick.empty()) {
            DragFinish(drop);
            return;
        }
    } else {
        init.Nick = NarrowToWide(window->Name, WindowCodePage(window));
    }
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT at = 0; at < count; ++at) {
        wchar_t path[1000] = {};
        if (DragQueryFileW(drop, at, path, 1000)) init.Files.push_back(path);
    }
    DragFinish(drop);
    RunDialog(MainWindow.load(), init);
}
