// Settings, dialogs, searching, help and the program's own commands of the menus.
#include "core/client_services.h"
#include "common/app_state.h"
#include "core/frame_handles.h"
#include "common/data_folders.h"
#include "common/lang_strings.h"
#include "common/message_box.h"
#include "common/shell_helpers.h"
#include "common/tray_icon.h"
#include "common/xstring.h"
#include "core/resource_library.h"
#include "core/window_list.h"
#include "core/window_record.h"
#include "shell/apply_settings.h"
#include "shell/chat_window.h"
#include "shell/first_run_wizard.h"
#include "shell/menu_command_parts.h"

#include "assist/assist_handshake.h"
#include "assist/assistance_request.h"
#include "shell/menu_commands.h"
#include "shell/start_panel.h"
#include "shell/startup_documents.h"
#include "update/update_check.h"
#include "xml/config_documents.h"
#include "xml/xml_document.h"
#include "xml/xml_element.h"
#include "xml/xml_profile.h"

#include <shellapi.h>

#include <cstdio>
#include <string>

namespace {

constexpr const wchar_t* kWebSearch = L"https://duckduckgo.com/";
constexpr const wchar_t* kWebSearchQuery = L"https://duckduckgo.com/?q=";
constexpr const wchar_t* kEncyclopedia = L"https://en.wikipedia.org/";
constexpr const wchar_t* kEncyclopediaQuery = L"https://en.wikipedia.org/w/index.php?search=";
constexpr const wchar_t* kMakerPage = L"https://brindlex.example/link.php?x=9009";
constexpr uint32_t kBuildNumber = 94;

void RunPreferencesOn(const char* section) {
    ExecuteCommand((std::string("/prefs ") + section).c_str(), nullptr, nullptr, nullptr);
}

const char* PreferencesSection(uint32_t id) {
    switch (id) {
        case 803: return "Scripts";
        case 804: return "Special_Scripts";
        case 827: return "Languages";
        case 817: return "Cfg\\Proxy_List";
        case 842: return "Skins";
        case 847: return "Premade_Scripts";
        case 848: return "Plugins";
        case 839: return "Notes";
        default: return nullptr;
    }
}

// 805: the typed text searched for (Shift: looked up in the encyclopedia); an empty box gets a
// hint, and without a window the site's start page opens.
void SearchTypedText(WindowRecord* record) {
    const bool encyclopedia = GetKeyState(VK_SHIFT) < 0;
    if (!record) {
        ProcessInputLine(("/run " + WideToNarrow(WebSearchHome(encyclopedia))).c_str(), nullptr, 0);
        return;
    }
    const std::wstring text = InputBoxText(record);
    if (text.empty()) {
        SetWindowTextW(record->Input, encyclopedia ? L"<Type some text and press Shift+F1...>"
                                                   : L"<Type some text and press F1...>");
        return;
    }
    ProcessInputLine(("/run " + WideToNarrow(WebSearchUrl(WideToNarrow(text), encyclopedia))).c_str(), record,
                     0);
    SetWindowTextW(record->Input, L"");
}

// 806: F1 opens the start panel in an empty frame, searches typed text, or opens the help file.
void ShowHelp(HWND owner, WindowRecord* record) {
    if (!StartPanelWindow.load()) {
        if (WindowListSnapshot().empty() && OpenStartPanel(MainWindow.load())) return;
        if (record && !InputBoxText(record).empty()) {
            SendMessageW(owner, WM_COMMAND, 805, 0);
            return;
        }
    }
    CloseStartPanel();
    const std::wstring help = ProgramFolder + L"\\qv.chm";
    ShellExecuteW(MainWindow.load(), L"open", help.c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED);
}

const wchar_t* WindowsName() {
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    GetVersionExW(&version);
#pragma GCC diagnostic pop
    if (version.dwMajorVersion == 5 && version.dwMinorVersion == 1) return L"Windows XP";
    if (version.dwMajorVersion == 5 && version.dwMinorVersion == 2) return L"Windows XP x64";
    if (version.dwMajorVersion == 6 && version.dwMinorVersion == 0) return L"Windows Vista";
    if (version.dwMajorVersion == 6 && version.dwMinorVersion == 1) return L"Windows 7";
    return L"";
}

void ShowAbout(HWND owner) {
    XmlLibraryVersion xml{};
    GetXmlLibraryVersion(&xml);
    const double kilobytes =
        UserConfigDocument ? static_cast<double>(XmlDocumentGetExportSize(UserConfigDocument)) / 1024.0 : 0.0;
    wchar_t text[1000] = {};
    swprintf(text, 1000,
             L"Brindlex 7 (%ls) (Build %u)\r\n%ls\r\nXML Lib %u.%u (%.1f KB memory usage).\r\n\r\n", L"x64",
             kBuildNumber, WindowsName(), xml.major, xml.minor, kilobytes);
    std::wstring about = text;
    about += L"A chat program for IRC networks, with scripts, plug-ins and direct connections between users.";
    AppMessageBox(owner, about.c_str(), kProgramTitle, MB_OK, MB_ICONINFORMATION);
}

// 994: the frame goes to the tray; the first time in a run the balloon says where it went.
void HideInTray() {
    ShowWindow(MainWindow.load(), SW_HIDE);
    if (XmlGetProfileInt("DynOptions", "HideMsg", 0, nullptr, TempDocument) != 0) return;
    ShowTrayBalloon(kProgramTitle, GetLangString(71), false, nullptr, NIIF_INFO);
    XmlWriteProfileInt("DynOptions", "HideMsg", 1, nullptr, TempDocument);
}

// 996: the user's settings back to the defaults of the resource library, after a question. The
// document is reloaded in place, so everyone who holds it keeps a valid document.
void ResetSettings(HWND owner) {
    if (AppMessageBox(owner, GetLangString(3), kProgramTitle, MB_YESNO | MB_DEFBUTTON2, MB_ICONWARNING) !=
        IDYES)
        return;
    if (UserConfigDocument) {
        XmlDocumentDestroy(UserConfigDocument);
        ExtractResource(UserConfigPath.c_str(), L"DEFAULT_USER_CFG", ResourceModule.load());
        XmlDocumentOpenFile(UserConfigDocument, UserConfigPath.c_str());
        XmlDocumentCompact(UserConfigDocument);
    }
    ApplySettings();
}

// 828: back to English at the next start.
void ForgetLanguage() {
    XmlWriteProfileString("Cfg\\Options1", "Language", "", nullptr, UserConfigDocument);
    XmlDocumentSave(UserConfigDocument, nullptr, 0, 0, nullptr);
    PostMessageW(MainWindow.load(), WM_CLOSE, 0, 0);
}

void CloseStartPanelAndRemember(int show) {
    CloseStartPanel();
    XmlWriteProfileInt("Cfg\\Misc", "ShowStartPanel", show, nullptr, UserConfigDocument);
}

std::wstring PercentEncoded(const std::string& utf8) {
    static const char digits[] = "0123456789ABCDEF";
    std::wstring out;
    for (unsigned char c : utf8) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
            c == '_' || c == '.' || c == '~') {
            out += static_cast<wchar_t>(c);
        } else {
            out += L'%';
            out += static_cast<wchar_t>(digits[c >> 4]);
            out += static_cast<wchar_t>(digits[c & 15]);
        }
    }
    return out;
}

} // namespace

std::wstring WebSearchUrl(const std::string& text, bool encyclopedia) {
    return (encyclopedia ? kEncyclopediaQuery : kWebSearchQuery) + PercentEncoded(text);
}

std::wstring WebSearchHome(bool encyclopedia) {
    return encyclopedia ? kEncyclopedia : kWebSearch;
}

bool RunProgramCommand(HWND owner, WindowRecord* record, uint32_t id) {
    if (const char* section = PreferencesSection(id)) {
        RunPreferencesOn(section);
        return true;
    }
    switch (id) {
        case 801: OpenConnectDialog(nullptr, 0); return true;
        case 811: OpenPreferences(""); return true;
        case 828: ForgetLanguage(); return true;
        case 805: SearchTypedText(record); return true;
        case 806: ShowHelp(owner, record); return true;
        case 807: ShowAbout(owner); return true;
        case 971: SendMessageW(owner, WM_COMMAND, 806, 0); return true;
        case 972: CloseStartPanelAndRemember(1); return true;
        case 973: CloseStartPanelAndRemember(0); return true;
        case 974:
        case 975:
        case 976:
        case 977:
        case 978:
        case 979: return true;
        case 990:
            RequestRemoteAssistance(nullptr, AssistanceAuthorHost(), kAssistPort, kAssistCallerData);
            return true;
        case 991: OpenUrlInBrowser(kMakerPage, 1, false); return true;
        case 993: CheckForUpdates(true, true); return true;
        case 994: HideInTray(); return true;
        case 995: FirstRunWizard(); return true;
        case 996: ResetSettings(owner); return true;
        default: return false;
    }
}
