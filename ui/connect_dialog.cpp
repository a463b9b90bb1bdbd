// The connect dialog: the saved servers of the user's settings, filtered by group, edited in
// place, and connected to in a new server window or in the active one.
#include "ui/server_dialogs.h"

#include "common/app_state.h"
#include "common/command_ids.h"
#include "common/lang_string_ids.h"
#include "common/lang_strings.h"
#include "common/list_tree_helpers.h"
#include "common/message_box.h"
#include "common/text_compare.h"
#include "common/text_split.h"
#include "common/window_helpers.h"
#include "common/xstring.h"
#include "core/client_services.h"
#include "core/frame_handles.h"
#include "core/open_chat_window.h"
#include "core/settings.h"
#include "core/window_list.h"
#include "core/window_record.h"
#include "irc/server_connection.h"
#include "irc/server_session.h"
#include "xml/config_documents.h"
#include "xml/xml_document.h"
#include "xml/xml_element.h"
#include "xml/xml_exchange.h"
#include "xml/xml_profile.h"

#include <commctrl.h>

#include <cstdlib>
#include <cwctype>

namespace {

constexpr UINT WM_CONNECT_RELOAD = 32769;
constexpr wchar_t kAllGroups[] = L"*.*";

// True while a list item's name is edited in place.
bool ConnectEditing = false;

std::wstring ItemText(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    const int length = GetWindowTextLengthW(control);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(control, text.data(), length + 1)));
    return text;
}

std::string ItemUtf8(HWND dialog, int id) {
    return WideToNarrow(ItemText(dialog, id));
}

bool Checked(HWND dialog, int id) {
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

// The locked walks of the settings tree: none of them calls the profile functions, which lock too.
XmlElement* ServersNode() {
    XmlElement* root = UserConfigDocument ? XmlDocumentGetRoot(UserConfigDocument) : nullptr;
    return root ? XmlElementFindChild(root, "Servers", 1) : nullptr;
}

std::string Value(XmlElement* element, const char* name) {
    XmlVariable* variable = XmlElementFindVariable(element, name);
    return variable ? XmlVariableGetValueString(variable) : std::string();
}

void SetValue(XmlElement* element, const char* name, const std::string& value) {
    XmlVariableSetValue(XmlElementFindVariable(element, name, 1, ""), value.c_str());
}

struct Defaults {
    std::string Nick, EMail, Name;
};

Defaults ReadDefaults() {
    return {Settings::DefaultNick(), Settings::DefaultEMail(), Settings::DefaultName()};
}

void FillEmptyDefaults(const std::string& nick, const std::string& email, const std::string& name) {
    const Defaults now = ReadDefaults();
    if (now.Nick.empty())
        XmlWriteProfileString(Settings::Keys::DefaultNick.Section, Settings::Keys::DefaultNick.Key,
                              nick.c_str(), nullptr, UserConfigDocument);
    if (now.EMail.empty())
        XmlWriteProfileString(Settings::Keys::DefaultEMail.Section, Settings::Keys::DefaultEMail.Key,
                              email.c_str(), nullptr, UserConfigDocument);
    if (now.Name.empty())
        XmlWriteProfileString(Settings::Keys::DefaultName.Section, Settings::Keys::DefaultName.Key,
                              name.c_str(), nullptr, UserConfigDocument);
}

XmlElement* SelectedServer(HWND dialog, int* index = nullptr) {
    HWND list = GetDlgItem(dialog, IDC_CONNECT_SERVER_LIST);
    const int item =
        static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    if (index) *index = item;
    if (item < 0) return nullptr;
    LVITEMW entry{};
    entry.mask = LVIF_PARAM;
    entry.iItem = item;
    SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&entry));
    return reinterpret_cast<XmlElement*>(entry.lParam);
}

void SelectItem(HWND list, int item) {
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&state));
    SendMessageW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(item), FALSE);
}

// The group filter changed: the list shows the servers of the chosen group (all for "*.*").
void ShowGroup(HWND dialog) {
    HWND filter = GetDlgItem(dialog, IDC_CONNECT_GROUP_FILTER),
         list = GetDlgItem(dialog, IDC_CONNECT_SERVER_LIST);
    const int chosen = static_cast<int>(SendMessageW(filter, CB_GETCURSEL, 0, 0));
    XmlWriteProfileInt(Settings::Keys::LastServerGroup.Section, Settings::Keys::LastServerGroup.Key,
                       chosen < 0 ? 0 : chosen, nullptr, UserConfigDocument);
    const std::string group = WideToNarrow(ItemText(dialog, IDC_CONNECT_GROUP_FILTER));
    const int lastServer = Settings::LastServer();
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    {
        XmlDocumentReadLock lock(UserConfigDocument);
        XmlElement* servers = ServersNode();
        const uint32_t count = servers ? XmlElementGetChildCount(servers) : 0;
        int row = 0;
        for (uint32_t i = 0; i < count; ++i) {
            XmlElement* server = XmlElementGetChild(servers, i);
            if (group != "*.*" && !StringEqualsNoCase(Value(server, "Group"), group)) continue;
            const std::wstring name = NarrowToWide(Value(server, "name"));
            LVITEMW item{};
            item.mask = LVIF_TEXT | LVIF_PARAM;
            item.iItem = row++;
            item.pszText = const_cast<wchar_t*>(name.c_str());
            item.lParam = reinterpret_cast<LPARAM>(server);
            SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
        }
    }
    const int items = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    if (items == 0) return;
    const int pick = lastServer >= 0 && lastServer < items ? lastServer : 0;
    SelectItem(list, pick);
    NotifyListItemChanged(dialog, list, pick, 0);
}

void BuildLists(HWND dialog, bool first, uint32_t initParameter) {
    SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(ProgramIcon));
    SendMessageW(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(ProgramIcon));
    HWND list = GetDlgItem(dialog, IDC_CONNECT_SERVER_LIST);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    HWND filter = GetDlgItem(dialog, IDC_CONNECT_GROUP_FILTER),
         groups = GetDlgItem(dialog, IDC_CONNECT_GROUP);
    if (SendMessageW(filter, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(kAllGroups)) == CB_ERR)
        SendMessageW(filter, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kAllGroups));
    std::vector<std::wstring> names;
    {
        XmlDocumentReadLock lock(UserConfigDocument);
        XmlElement* servers = ServersNode();
        const uint32_t count = servers ? XmlElementGetChildCount(servers) : 0;
        for (uint32_t i = 0; i < count; ++i) {
            const std::string group = Value(XmlElementGetChild(servers, i), "Group");
            if (!group.empty()) names.push_back(NarrowToWide(group));
        }
    }
    for (const std::wstring& name : names) {
        if (SendMessageW(filter, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                         reinterpret_cast<LPARAM>(name.c_str())) != CB_ERR)
            continue;
        SendMessageW(filter, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
        SendMessageW(groups, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    }
    if (first) {
        LVCOLUMNW column{};
        column.mask = LVCF_WIDTH | LVCF_TEXT;
        column.cx = 70;
        column.pszText = const_cast<wchar_t*>(L"");
        SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
    }
    const int lastGroup = initParameter ? 0 : Settings::LastServerGroup();
    if (SendMessageW(filter, CB_SETCURSEL, static_cast<WPARAM>(lastGroup), 0) == CB_ERR)
        SendMessageW(filter, CB_SETCURSEL, 0, 0);
    ShowGroup(dialog);
    if (WindowListSnapshot().empty()) ShowWindow(GetDlgItem(dialog, IDC_CONNECT_HERE), SW_HIDE);
    if (initParameter >= 6001) {
        const int item = static_cast<int>(initParameter - 6001);
        SelectItem(list, item);
        NotifyListItemChanged(dialog, list, item, 0);
        SendMessageW(dialog, WM_COMMAND, IDOK, 0);
    }
    ConnectEditing = false;
    AutosizeListColumns(list, {0});
}

// A list item was selected: the fields show its server.
void ShowServer(HWND dialog) {
    int index = -1;
    XmlElement* server = SelectedServer(dialog, &index);
    if (!server) return;
    const Defaults defaults = ReadDefaults();
    struct Shown {
        std::string Group, Address, Port, Nick, EMail, Name, Password, Mode, Proxy;
        bool AutoConnect = false, AutoReconnect = false, Tls = false, UseProxy = false;
    } shown;
    {
        XmlDocumentWriteLock lock(UserConfigDocument);
        XmlVariableSetInt(XmlElementFindVariable(XmlElementGetParent(server), "lastserver", 1, "0"), index);
        shown.Group = Value(server, "Group");
        shown.Address = Value(server, "Address");
        shown.Port = Value(server, "Port");
        shown.Nick = Value(server, "Nick");
        shown.EMail = Value(server, "Email");
        shown.Name = Value(server, "Your_Name");
        shown.Password = Value(server, "Password");
        shown.Mode = Value(server, "Mode");
        shown.AutoConnect = Value(server, "Auto_Connect") == "1";
        shown.AutoReconnect = Value(server, "Auto_Reconnect") == "1";
        shown.Tls = Value(server, "SSL") == "1";
        shown.UseProxy = std::atoi(Value(server, "Proxy_Mode").c_str()) != 0;
        if (XmlElementGetCDataCount(server) > 0)
            if (const char* text = XmlVariableGetRawValue(XmlElementGetCDataSections(server)[0]))
                shown.Proxy = text;
    }
    if (shown.Nick.empty()) shown.Nick = defaults.Nick;
    if (shown.EMail.empty()) shown.EMail = defaults.EMail;
    if (shown.Name.empty()) shown.Name = defaults.Name;
    auto set = [dialog](int id, const std::string& text) {
        SetDlgItemTextW(dialog, id, NarrowToWide(text).c_str());
    };
    set(IDC_CONNECT_GROUP, shown.Group);
    HWND address = GetDlgItem(dialog, IDC_CONNECT_ADDRESS);
    SendMessageW(address, CB_RESETCONTENT, 0, 0);
    set(IDC_CONNECT_ADDRESS, shown.Address);
    std::vector<std::string> hosts;
    SplitQuoted(hosts, shown.Address, " ", false);
    std::erase(hosts, std::string());
    if (hosts.size() > 1)
        for (const std::string& host : hosts)
            SendMessageW(address, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(NarrowToWide(host).c_str()));
    set(IDC_CONNECT_PORT, shown.Port);
    set(IDC_CONNECT_NICK, shown.Nick);
    set(IDC_CONNECT_EMAIL, shown.EMail);
    set(IDC_CONNECT_FULL_NAME, shown.Name);
    set(IDC_CONNECT_PASSWORD, shown.Password);
    set(IDC_CONNECT_MODE, shown.Mode);
    CheckDlgButton(dialog, IDC_CONNECT_AUTO_CONNECT, shown.AutoConnect ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_CONNECT_AUTO_RECONNECT, shown.AutoReconnect ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_CONNECT_USE_TLS, shown.Tls ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_CONNECT_USE_PROXY, shown.UseProxy ? BST_CHECKED : BST_UNCHECKED);
    set(IDC_CONNECT_PROXY_TEXT, shown.Proxy);
}

void NewServer(HWND dialog) {
    const Defaults defaults = ReadDefaults();
    XmlElement* made = XmlElementFromText(("<s name=\"New Server\" Port=\"6667\" />"));
    if (!made) return;
    // The defaults go in as values, so no quote or angle bracket of theirs can change the tag.
    SetValue(made, "Nick", defaults.Nick);
    SetValue(made, "Email", defaults.EMail);
    SetValue(made, "Your_Name", defaults.Name);
    {
        XmlDocumentWriteLock lock(UserConfigDocument);
        XmlElement* servers = ServersNode();
        if (!servers) {
            XmlElementFree(made);
            return;
        }
        XmlElementAppendChild(servers, made);
    }
    SendMessageW(dialog, WM_CONNECT_RELOAD, 0, 0);
    HWND list = GetDlgItem(dialog, IDC_CONNECT_SERVER_LIST);
    const int last = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)) - 1;
    if (last < 0) return;
    SetFocus(list);
    SelectItem(list, last);
    SendMessageW(list, LVM_EDITLABELW, static_cast<WPARAM>(last), 0);
}

void SaveServer(HWND dialog) {
    XmlElement* server = SelectedServer(dialog);
    if (!server) return;
    const std::string nick = ItemUtf8(dialog, IDC_CONNECT_NICK), email = ItemUtf8(dialog, IDC_CONNECT_EMAIL),
                      name = ItemUtf8(dialog, IDC_CONNECT_FULL_NAME);
    {
        XmlDocumentWriteLock lock(UserConfigDocument);
        SetValue(server, "Group", ItemUtf8(dialog, IDC_CONNECT_GROUP));
        SetValue(server, "Address", ItemUtf8(dialog, IDC_CONNECT_ADDRESS));
        SetValue(server, "Port", ItemUtf8(dialog, IDC_CONNECT_PORT));
        SetValue(server, "Nick", nick);
        SetValue(server, "Email", email);
        SetValue(server, "Your_Name", name);
        SetValue(server, "Password", ItemUtf8(dialog, IDC_CONNECT_PASSWORD));
        SetValue(server, "Mode", ItemUtf8(dialog, IDC_CONNECT_MODE));
        SetValue(server, "Auto_Connect", Checked(dialog, IDC_CONNECT_AUTO_CONNECT) ? "1" : "0");
        SetValue(server, "Auto_Reconnect", Checked(dialog, IDC_CONNECT_AUTO_RECONNECT) ? "1" : "0");
        SetValue(server, "SSL", Checked(dialog, IDC_CONNECT_USE_TLS) ? "1" : "0");
        SetValue(server, "Proxy_Mode", Checked(dialog, IDC_CONNECT_USE_PROXY) ? "1" : "0");
        XmlElementRemoveAllCData(server);
        XmlElementAddCData(server, ItemUtf8(dialog, IDC_CONNECT_PROXY_TEXT).c_str());
    }
    FillEmptyDefaults(nick, email, name);
    XmlDocumentSave(UserConfigDocument, nullptr, 0, 0, nullptr);
}

void DeleteServer(HWND dialog) {
    XmlElement* server = SelectedServer(dialog);
    if (!server) return;
    if (AppMessageBox(dialog, GetLangString(kSureText), kProgramTitle, MB_YESNO | MB_DEFBUTTON2,
                      MB_ICONQUESTION) != IDYES)
        return;
    {
        XmlDocumentWriteLock lock(UserConfigDocument);
        XmlElement* parent = XmlElementGetParent(server);
        XmlElementRemoveChild(parent, XmlElementFindChildIndex(parent, server));
    }
    PostMessageW(dialog, WM_CONNECT_RELOAD, 0, 0);
}

void ApplyIdentityToAll(HWND dialog) {
    if (AppMessageBox(dialog, GetLangString(kSureText), kProgramTitle, MB_YESNO, MB_ICONINFORMATION) != IDYES)
        return;
    const std::string nick = ItemUtf8(dialog, IDC_CONNECT_NICK), email = ItemUtf8(dialog, IDC_CONNECT_EMAIL),
                      name = ItemUtf8(dialog, IDC_CONNECT_FULL_NAME);
    {
        XmlDocumentWriteLock lock(UserConfigDocument);
        XmlElement* servers = ServersNode();
        const uint32_t count = servers ? XmlElementGetChildCount(servers) : 0;
        for (uint32_t i = 0; i < count; ++i) {
            XmlElement* server = XmlElementGetChild(servers, i);
            SetValue(server, "Nick", nick);
            SetValue(server, "Email", email);
            SetValue(server, "Your_Name", name);
        }
    }
    XmlWriteProfileString(Settings::Keys::DefaultNick.Section, Settings::Keys::DefaultNick.Key, nick.c_str(),
                          nullptr, UserConfigDocument);
    XmlWriteProfileString(Settings::Keys::DefaultEMail.Section, Settings::Keys::DefaultEMail.Key,
                          email.c_str(), nullptr, UserConfigDocument);
    XmlWriteProfileString(Settings::Keys::DefaultName.Section, Settings::Keys::DefaultName.Key, name.c_str(),
                          nullptr, UserConfigDocument);
}

// Steps shared by both connect buttons: the required fields, the hosts and the port. False (with
// the focus on what is missing) when the dialog cannot connect.
struct Target {
    std::vector<std::string> Hosts;
    std::string Host;
    uint16_t Port = 6667;
};

bool ReadTarget(HWND dialog, Target& target) {
    for (int id : {IDC_CONNECT_ADDRESS, IDC_CONNECT_NICK, IDC_CONNECT_EMAIL, IDC_CONNECT_FULL_NAME}) {
        if (!ItemText(dialog, id).empty()) continue;
        SetFocus(GetDlgItem(dialog, id));
        return false;
    }
    std::wstring address = ItemText(dialog, IDC_CONNECT_ADDRESS);
    if (address.size() > 9999) address.resize(9999);
    SplitQuoted(target.Hosts, WideToNarrow(address), " ", false);
    std::erase(target.Hosts, std::string());
    if (target.Hosts.empty()) {
        SetDlgItemTextW(dialog, IDC_CONNECT_ADDRESS, L"");
        SetFocus(GetDlgItem(dialog, IDC_CONNECT_ADDRESS));
        return false;
    }
    if (!ParseConnectPort(ItemText(dialog, IDC_CONNECT_PORT), target.Port)) {
        AppMessageBox(dialog, GetLangString(kBadPortText), kProgramTitle, MB_OK, MB_ICONWARNING);
        SetFocus(GetDlgItem(dialog, IDC_CONNECT_PORT));
        return false;
    }
    srand(GetTickCount());
    target.Host = target.Hosts[static_cast<size_t>(rand()) % target.Hosts.size()];
    return true;
}

void ConnectNew(HWND dialog) {
    if (ConnectEditing) return;
    Target target;
    if (!ReadTarget(dialog, target)) return;
    WindowRecord* window = OpenChatWindow(nullptr, kServerWindow, target.Host);
    if (!window || !window->Connection) return;
    ServerConnection& connection = *window->Connection;
    const std::string nick = ItemUtf8(dialog, IDC_CONNECT_NICK), email = ItemUtf8(dialog, IDC_CONNECT_EMAIL),
                      name = ItemUtf8(dialog, IDC_CONNECT_FULL_NAME);
    connection.Host = target.Host;
    connection.ServerList = target.Hosts;
    window->Name = target.Host;
    connection.Nick = nick;
    connection.EMail = email;
    connection.FullName = name;
    connection.Password = ItemUtf8(dialog, IDC_CONNECT_PASSWORD);
    connection.Port = target.Port;
    connection.UseTls = Checked(dialog, IDC_CONNECT_USE_TLS) ? 1 : 0;
    connection.ReconnectCounter = Checked(dialog, IDC_CONNECT_AUTO_RECONNECT) ? 10 : 0;
    connection.UserName = email.substr(0, email.find('@'));
    connection.UserField2 = "Brindlex";
    connection.UserField3 = "Brindlex";
    connection.ConnectMethod = Checked(dialog, IDC_CONNECT_USE_PROXY) ? 1 : 0;
    connection.ProxyText = ItemText(dialog, IDC_CONNECT_PROXY_TEXT);
    connection.PrefixCharacters.clear();
    connection.ExtraList1.clear();
    connection.ExtraList2.clear();
    FillEmptyDefaults(nick, email, name);
    StartServerConnection(window);
    EndDialog(dialog, 0);
}

void ConnectHere(HWND dialog) {
    if (ConnectEditing) return;
    Target target;
    if (!ReadTarget(dialog, target)) return;
    WindowRecord* active = GetActiveWindowRecord();
    WindowRecord* server = active ? (active->Connection ? active : active->Server) : nullptr;
    if (!server || !server->Connection) return;
    server->Connection->ServerList = target.Hosts;
    server->Connection->Host = target.Host;
    server->Connection->Port = target.Port;
    StartServerConnection(server);
    EndDialog(dialog, 0);
}

bool OnNotify(HWND dialog, const NMHDR* header) {
    if (header->idFrom != IDC_CONNECT_SERVER_LIST) return false;
    switch (header->code) {
        case LVN_ITEMCHANGED: {
            const auto* change = reinterpret_cast<const NMLISTVIEW*>(header);
            if (change->uNewState & LVIS_SELECTED || change->uChanged == 0) ShowServer(dialog);
            return true;
        }
        case LVN_BEGINLABELEDITW: ConnectEditing = true; return true;
        case LVN_ENDLABELEDITW: {
            const auto* edit = reinterpret_cast<const NMLVDISPINFOW*>(header);
            ConnectEditing = false;
            if (edit->item.pszText) {
                XmlElement* server = SelectedServer(dialog);
                if (server) {
                    XmlDocumentWriteLock lock(UserConfigDocument);
                    SetValue(server, "name", WideToNarrow(edit->item.pszText));
                }
                PostMessageW(dialog, WM_CONNECT_RELOAD, 0, 0);
            }
            SetWindowLongPtrW(dialog, DWLP_MSGRESULT, TRUE);
            return true;
        }
        case NM_DBLCLK: PostMessageW(dialog, WM_COMMAND, IDOK, 0); return true;
        default: return false;
    }
}

INT_PTR CALLBACK ConnectDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        switch (message) {
            case WM_INITDIALOG: BuildLists(dialog, true, static_cast<uint32_t>(lParam)); return TRUE;
            case WM_CONNECT_RELOAD: BuildLists(dialog, false, 0); return TRUE;
            case WM_NOTIFY: return OnNotify(dialog, reinterpret_cast<const NMHDR*>(lParam)) ? TRUE : FALSE;
            case WM_CLOSE: EndDialog(dialog, 2); return TRUE;
            case WM_COMMAND:
                switch (LOWORD(wParam)) {
                    case IDC_CONNECT_GROUP_FILTER:
                        if (HIWORD(wParam) == CBN_SELCHANGE) ShowGroup(dialog);
                        return TRUE;
                    case IDOK: ConnectNew(dialog); return TRUE;
                    case IDC_CONNECT_HERE: ConnectHere(dialog); return TRUE;
                    case IDCANCEL: EndDialog(dialog, 2); return TRUE;
                    case IDC_CONNECT_IDENTITY_TO_ALL: ApplyIdentityToAll(dialog); return TRUE;
                    case IDC_CONNECT_NEW: NewServer(dialog); return TRUE;
                    case IDC_CONNECT_SAVE: SaveServer(dialog); return TRUE;
                    case IDC_CONNECT_DELETE: DeleteServer(dialog); return TRUE;
                    case IDC_CONNECT_RENAME: {
                        int index = -1;
                        SelectedServer(dialog, &index);
                        if (index >= 0) {
                            SetFocus(GetDlgItem(dialog, IDC_CONNECT_SERVER_LIST));
                            SendDlgItemMessageW(dialog, IDC_CONNECT_SERVER_LIST, LVM_EDITLABELW,
                                                static_cast<WPARAM>(index), 0);
                        }
                        return TRUE;
                    }
                    case IDC_CONNECT_PROXIES: OpenPreferences("Cfg\\Proxy_List"); return TRUE;
                    case IDC_CONNECT_TLS_SETTINGS: OpenPreferences("Cfg\\Options3\\SSL"); return TRUE;
                    default: return FALSE;
                }
            default: return FALSE;
        }
    } catch (...) {
        return FALSE;
    }
}

} // namespace

bool ParseConnectPort(const std::wstring& text, uint16_t& port) {
    size_t digits = 0;
    while (digits < text.size() && iswdigit(text[digits])) ++digits;
    uint64_t value = 0;
    for (size_t i = 0; i < digits; ++i) {
        value = value * 10 + static_cast<uint64_t>(text[i] - L'0');
        if (value > 65535) return false;
    }
    port = value == 0 ? 6667 : static_cast<uint16_t>(value);
    return true;
}

void ui::OpenConnectDialog(HWND owner, uint32_t initParameter) {
    HMODULE language = LanguageModule.load();
    if (!language || !UserConfigDocument) return;
    DialogBoxParamW(language, L"DIALOG_CONNECT", owner ? owner : MainWindow.load(), ConnectDlgProc,
                    static_cast<LPARAM>(initParameter));
}
