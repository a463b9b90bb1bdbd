// Settings, dialogs, searching, help and the program's own commands of the menus.
#include "commands/command_interpreter.h"
#include "commands/input_dispatcher.h"
#include "common/command_ids.h"
#include "common/lang_string_ids.h"
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
#include "shell/preferences/apply_settings.h"
#include "shell/setup/first_run_wizard.h"
#include "shell/menus/menu_command_handlers.h"
#include "shell/menus/menu_command_table.h"
#include "core/settings.h"

#include "assist/assist_handshake.h"
#include "assist/assistance_request.h"
#include "shell/menus/menu_commands.h"
#include "shell/preferences/preferences_window.h"
#include "shell/windows/start_panel.h"
#include "ui/server_dialogs.h"
#include "shell/setup/restart_request.h"
#include "shell/setup/startup_documents.h"
#include "update/update_check.h"
#include "xml/config_documents.h"
#include "xml/xml_document.h"
#include "xml/xml_element.h"
#include "xml/xml_profile.h"

#include <shellapi.h>

#include <cstdio>
#include <iterator>
#include <string>

namespace {

constexpr const wchar_t* kWebSearch = L"https://duckduckgo.com/";
constexpr const wchar_t* kWebSearchQuery = L"https://duckduckgo.com/?q=";
constexpr const wchar_t* kEncyclopedia = L"https://en.wikipedia.org/";
constexpr const wchar_t* kEncyclopediaQuery = L"https://en.wikipedia.org/w/index.php?search=";
constexpr const wchar_t* kMakerPage = L"https://brindlex.example/link.php?x=9009";
constexpr uint32_t kBuildNumber = 94;

// The section of the preferences each of these commands opens.
struct PreferencesSectionRow {
    uint32_t Id;
    const char* Section;
};
constexpr PreferencesSectionRow kPreferencesSections[] = {
    {ID_OPTIONS_SCRIPTS, "Scripts"},     {ID_OPTIONS_EVENT_SCRIPTS, "Special_Scripts"},
    {ID_OPTIONS_LANGUAGES, "Languages"}, {ID_OPTIONS_PROXIES, "Cfg\\Proxy_List"},
    {ID_OPTIONS_SKINS, "Skins"},         {ID_OPTIONS_INSTALL_SCRIPT, "Premade_Scripts"},
    {ID_OPTIONS_PLUGINS, "Plugins"},     {ID_OPTIONS_NOTES, "Notes"},
};

void CloseStartPanelAndRemember(int show) {
    CloseStartPanel();
    XmlWriteProfileInt(Settings::Keys::ShowStartPanel.Section, Settings::Keys::ShowStartPanel.Key, show,
                       nullptr, UserConfigDocument);
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

void shell::OpenWithShell(const std::wstring& file, int showCommand) {
    ShellExecuteW(MainWindow.load(), L"open", file.c_str(), nullptr, nullptr, showCommand);
}

std::wstring WebSearchHome(bool encyclopedia) {
    return encyclopedia ? kEncyclopedia : kWebSearch;
}

void OpenConnect(const MenuCommand&) {
    ui::OpenConnectDialog(nullptr, 0);
}

void OpenPreferencesSection(const MenuCommand& command) {
    for (const PreferencesSectionRow& row : kPreferencesSections)
        if (row.Id == command.Id)
            commands::ExecuteCommand((std::string("/prefs ") + row.Section).c_str(), nullptr, nullptr,
                                     nullptr);
}

void OpenAllPreferences(const MenuCommand&) {
    shell::OpenPreferences("");
}

// ID_SEARCH_WEB_FOR_TYPED_TEXT: the typed text searched for (Shift: looked up in the encyclopedia); an empty
// box gets a hint, and without a window the site's start page opens.
void SearchTypedText(const MenuCommand& command) {
    WindowRecord* record = command.Window;
    const bool encyclopedia = GetKeyState(VK_SHIFT) < 0;
    if (!record) {
        commands::ProcessInputLine(("/run " + WideToNarrow(WebSearchHome(encyclopedia))).c_str(), nullptr);
        return;
    }
    const std::wstring text = InputBoxText(record);
    if (text.empty()) {
        SetWindowTextW(record->Input, encyclopedia ? L"<Type some text and press Shift+F1...>"
                                                   : L"<Type some text and press F1...>");
        return;
    }
    commands::ProcessInputLine(
        ("/run " + WideToNarrow(WebSearchUrl(WideToNarrow(text), encyclopedia))).c_str(), record);
    SetWindowTextW(record->Input, L"");
}

// ID_HELP_FILE: F1 opens the start panel in an empty frame, searches typed text, or opens the help file;
// in the preferences, while a script is edited, at the page of the script language.
void ShowHelp(const MenuCommand& command) {
    const HWND owner = command.Owner;
    if (PreferencesEditsScript()) {
        // The system's help viewer opens a page of a help file named as "file::/page".
        const std::wstring page = L"\"" + ProgramFolder + L"\\qv.chm::/script_language.htm\"";
        ShellExecuteW(owner, L"open", L"hh.exe", page.c_str(), nullptr, SW_SHOWNORMAL);
        return;
    }
    if (!StartPanelWindow.load()) {
        if (WindowListSnapshot().empty() && OpenStartPanel(MainWindow.load())) return;
        if (command.Window && !InputBoxText(command.Window).empty()) {
            SendMessageW(owner, WM_COMMAND, ID_SEARCH_WEB_FOR_TYPED_TEXT, 0);
            return;
        }
    }
    CloseStartPanel();
    OpenWithShell(ProgramFolder + L"\\qv.chm", SW_SHOWMAXIMIZED);
}

void ShowAbout(const MenuCommand& command) {
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
    AppMessageBox(command.Owner, about.c_str(), kProgramTitle, MB_OK, MB_ICONINFORMATION);
}

// ID_HIDE_IN_TRAY: the frame goes to the tray; the first time in a run the balloon says where it went.
void HideInTray(const MenuCommand&) {
    ShowWindow(MainWindow.load(), SW_HIDE);
    if (XmlGetProfileInt("DynOptions", "HideMsg", 0, nullptr, TempDocument) != 0) return;
    ShowTrayBalloon(kProgramTitle, GetLangString(kStillRunningText), false, nullptr, NIIF_INFO);
    XmlWriteProfileInt("DynOptions", "HideMsg", 1, nullptr, TempDocument);
}

// ID_RESET_SETTINGS: the user's settings back to the defaults of the resource library, after a question. The
// document is reloaded in place, so everyone who holds it keeps a valid document.
void ResetSettings(const MenuCommand& command) {
    if (AppMessageBox(command.Owner, GetLangString(kSureText), kProgramTitle, MB_YESNO | MB_DEFBUTTON2,
                      MB_ICONWARNING) != IDYES)
        return;
    if (UserConfigDocument) {
        XmlDocumentDestroy(UserConfigDocument);
        ExtractResource(UserConfigPath.c_str(), L"DEFAULT_USER_CFG", ResourceModule.load());
        XmlDocumentOpenFile(UserConfigDocument, UserConfigPath.c_str());
        XmlDocumentCompact(UserConfigDocument);
    }
    ApplySettings();
}

// ID_BACK_TO_ENGLISH: asked first, as it closes every connection; then qv ends as ever (its
// settings saved) and starts again in English, as the frame's hint promises.
void RestartInEnglish(const MenuCommand&) {
    HWND frame = MainWindow.load();
    if (AppMessageBox(frame, L"Restart Brindlex in English? Every connection is closed.", kProgramTitle,
                      MB_YESNO | MB_DEFBUTTON2, MB_ICONQUESTION) != IDYES)
        return;
    XmlWriteProfileString(Settings::Keys::Language.Section, Settings::Keys::Language.Key, "", nullptr,
                          UserConfigDocument);
    XmlDocumentSave(UserConfigDocument, nullptr, 0, 0, nullptr);
    RestartWhenEnded();
    PostMessageW(frame, WM_CLOSE, 0, 0);
}

void ShowPageHelp(const MenuCommand& command) {
    SendMessageW(command.Owner, WM_COMMAND, ID_HELP_FILE, 0);
}

void ShowStartPageAtStart(const MenuCommand&) {
    CloseStartPanelAndRemember(1);
}

void HideStartPageAtStart(const MenuCommand&) {
    CloseStartPanelAndRemember(0);
}

void AskRemoteAssistance(const MenuCommand&) {
    RequestRemoteAssistance(nullptr, AssistanceAuthorHost(), kAssistPort, kAssistCallerData);
}

void OpenMakerPage(const MenuCommand&) {
    OpenUrlInBrowser(kMakerPage, 1, false);
}

void CheckForUpdatesNow(const MenuCommand&) {
    CheckForUpdates(true, true);
}

// A finished wizard leads to the connect dialog, where the new identity is filled in.
void RunFirstSteps(const MenuCommand&) {
    FirstRunWizard();
    if (FirstRunWizardAnswers().Finished) PostMessageW(MainWindow.load(), WM_COMMAND, ID_CONNECT, 0);
}
