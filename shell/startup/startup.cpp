#include "common/command_ids.h"
#include "shell/controls/chat_view_window.h"
#include "shell/startup/client_services_install.h"
#include "shell/startup/startup.h"

#include <shellapi.h>

#include "commands/input_dispatcher.h"
#include "commands/plugin_host.h"
#include "common/app_state.h"
#include "common/crash_filter.h"
#include "common/data_folders.h"
#include "common/frame_messages.h"
#include "common/lang_strings.h"
#include "common/message_box.h"
#include "common/control_key_edit.h"
#include "common/text_compare.h"
#include "common/tray_icon.h"
#include "irc_lines/server_line_handlers.h"
#include "irc_lines/upnp_mapping.h"
#include "media/speech.h"
#include "script/event_scripts.h"
#include "script/script_timers.h"
#include "shell/preferences/apply_settings.h"
#include "shell/chats/chat_window.h"
#include "shell/setup/command_line.h"
#include "core/settings.h"
#include "shell/setup/data_folder_setup.h"
#include "core/frame_handles.h"
#include "shell/frame/frame_window.h"
#include "shell/windows/tray_removal.h"
#include "shell/windows/turn_taking.h"
#include "shell/setup/program_folder.h"
#include "shell/setup/restart_request.h"
#include "core/resource_library.h"
#include "shell/menus/server_menu.h"
#include "shell/setup/startup_documents.h"
#include "shell/startup/startup_libraries.h"
#include "core/startup_switches.h"
#include "shell/chats/view_procs.h"
#include "shell/windows/window_state.h"
#include "ui/ax_host.h"
#include "ui/grid_control.h"
#include "update/update_check.h"
#include "views/config_fonts.h"
#include "views/print_dispatch.h"
#include "xml/config_documents.h"
#include "xml/xml_profile.h"

#include <commctrl.h>
#include <commdlg.h>
#include <ole2.h>
#include <winsock2.h>

#include <atomic>
#include <string>
#include <utility>

namespace {

constexpr DWORD kFrameStyle = 0x07CF0000;
constexpr UINT kClassStyle = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_PARENTDC;
// Starts between two update checks.
constexpr int32_t kStartsBetweenChecks = 20;

// GDI+ is started by its flat entry point; its C++ header is not needed for that.
struct GdiplusStartupInputRecord {
    UINT32 GdiplusVersion = 1;
    void* DebugEventCallback = nullptr;
    BOOL SuppressBackgroundThread = FALSE;
    BOOL SuppressExternalCodecs = FALSE;
};

} // namespace

extern "C" int WINAPI GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInputRecord* input, void* output);

namespace {

void Say(const std::wstring& text, UINT icon) {
    if (!text.empty()) AppMessageBox(nullptr, text.c_str(), L"Brindlex", MB_OK, icon);
}

} // namespace

bool RegisterShellWindowClasses(HINSTANCE instance) {
    WNDCLASSEXW frame{};
    frame.cbSize = sizeof frame;
    frame.style = kClassStyle;
    frame.lpfnWndProc = FrameWndProc;
    frame.hInstance = instance;
    frame.hIcon = ProgramIcon;
    frame.hIconSm = ProgramIcon;
    frame.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    frame.lpszClassName = kFrameClass;
    WNDCLASSEXW child = frame;
    child.lpfnWndProc = ChatWndProc;
    child.cbWndExtra = 6;
    child.lpszClassName = kChatWindowClass;
    return RegisterClassExW(&frame) && RegisterClassExW(&child);
}

HWND CreateFrameWindow(HINSTANCE instance) {
    HWND frame = CreateWindowExW(0, kFrameClass, L"Brindlex (x64)", kFrameStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
    if (!frame) return nullptr;
    ShowWindow(frame, SW_MAXIMIZE);
    CLIENTCREATESTRUCT client{nullptr, kFirstChildId};
    // The chat windows keep the styles they are made with: one can be made out of sight, so that
    // it opens behind the active one without taking the activation from it.
    HWND mdi = CreateWindowExW(0, L"MDICLIENT", L"", WS_CHILD | WS_CLIPCHILDREN | MDIS_ALLCHILDSTYLES, 0, 0,
                               200, 200, frame, nullptr, instance, &client);
    ShowWindow(mdi, SW_HIDE);
    // Files dropped between the chat windows are offered to the active window's partner.
    DragAcceptFiles(mdi, TRUE);
    MdiClientWindow = mdi;
    SubclassMdiClient(mdi);
    return frame;
}

namespace {

void AddTrayIcon(HWND frame) {
    if (Settings::RemoveTrayIcon()) return;
    NOTIFYICONDATAW& data = TrayIconData();
    data.cbSize = NOTIFYICONDATAW_V3_SIZE;
    data.hWnd = frame;
    data.hIcon = ProgramIcon;
    data.uCallbackMessage = WM_TRAY_NOTIFY;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.szTip[0] = L'\0';
    NotifyIconWithBalloon(NIM_ADD, data, 0, nullptr, nullptr, 0);
}

// Every twentieth start runs a silent check; a folder the program cannot write to starts the count
// at its top, so a fresh installation there does not check at once.
void CountDownToUpdateCheck() {
    const int32_t left =
        Settings::StartsUntilUpdateCheck(IsProgramFolderWritable() ? 0 : kStartsBetweenChecks);
    if (left < 1) {
        XmlWriteProfileInt(Settings::Keys::StartsUntilUpdateCheck.Section,
                           Settings::Keys::StartsUntilUpdateCheck.Key, kStartsBetweenChecks, nullptr,
                           UserConfigDocument);
        CheckForUpdates(true, false);
    } else {
        XmlWriteProfileInt(Settings::Keys::StartsUntilUpdateCheck.Section,
                           Settings::Keys::StartsUntilUpdateCheck.Key, left - 1, nullptr, UserConfigDocument);
    }
}

void HandleLoopMessage(HWND frame, HACCEL accelerators, MSG& message) {
    HWND client = MdiClientWindow.load();
    if (client && TranslateMDISysAccel(client, &message)) return;
    if (accelerators && TranslateAcceleratorW(frame, accelerators, &message)) return;
    if (BroadcastToPlugins(kPluginBeforeDispatch, &message) == 1) return;
    TranslateMessage(&message);
    DispatchMessageW(&message);
    BroadcastToPlugins(kPluginAfterDispatch, &message);
}

int MessageLoop(HWND frame, HACCEL accelerators) {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        HandleLoopMessage(frame, accelerators, message);
        // The steps of a storm wait while input, painting and timers have their turn.
        shell::RunStepsDue();
    }
    return static_cast<int>(message.wParam);
}

// The new qv starts from this one's file with this one's command line, and is not waited for.
void StartAgain() {
    std::wstring program(MAX_PATH, L'\0');
    DWORD length = 0;
    while ((length = GetModuleFileNameW(nullptr, program.data(), static_cast<DWORD>(program.size()))) ==
           program.size())
        program.resize(program.size() * 2);
    program.resize(length);
    std::wstring line = GetCommandLineW();
    line.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        ProgramFolder.c_str(), &startup, &process))
        return;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

void Shutdown() {
    UnloadPlugins(0xFFFFFFFF);
    // A connection thread may still be inside a plug-in: its library goes once the call ends.
    FinishPluginUnloads(5000);
    const std::wstring notice = SaveAndCloseConfigurationDocuments();
    UnregisterScriptHotkeys();
    ReleaseSpeechObject();
    FreeImages();
    CloseTickerWindow();
    DeleteAllTrackedFonts();
    FreeLangStrings();
    RemoveUpnpMappings();
    // Told before the language texts go, as the box's buttons come from them.
    Say(notice, MB_ICONWARNING);
    FreeLangStringList();
    shell::FinishTrayIconRemoval();
}

} // namespace

void RunStartupCommand() {
    const std::string command = std::exchange(StartupCommand, std::string());
    if (!command.empty()) commands::ProcessInputLine(command.c_str(), nullptr);
}

int RunQv(HINSTANCE instance) {
    NoteInterfaceThread();
    SetUnhandledExceptionFilter(CrashRecoveryFilter);
    InstallClientServices();
    OleInitialize(nullptr);
    ULONG_PTR gdiplus = 0;
    GdiplusStartupInputRecord gdiplusInput;
    GdiplusStartup(&gdiplus, &gdiplusInput, nullptr);
    RegisterAxHostClass();
    RegisterGridClasses();
    RegisterChatViewClass();
    BuildFoldTable();
    HMODULE richEdit = LoadLibraryW(L"RICHED20.DLL");
    WSADATA winsock;
    WSAStartup(MAKEWORD(2, 2), &winsock);
    INITCOMMONCONTROLSEX controls{sizeof controls, 0x7FF};
    InitCommonControlsEx(&controls);

    ParseCommandLine();
    InitDataFolders();
    DeleteMatchingFiles(ProgramFolder, L"*.old");
    DeleteMatchingFiles(ProgramFolder, L"*.new");
    DeleteMatchingFiles(ProgramFolder, L"rup.ini");
    const bool resources = LoadResourceLibrary();
    const OpenedDocuments opened = OpenConfigurationDocuments();
    if (UpdateIsPending()) RunPendingUpdateMerge();

    const bool language = LoadLanguageLibrary();
    if (!resources || !language || !richEdit) {
        if (AppMessageBox(nullptr, L"Some files are missing! Try updating?", nullptr, MB_YESNO, 240) == IDYES)
            CheckForUpdates(false, false);
        return 0;
    }
    HandleUpdateSwitch();
    Say(opened.Notice, MB_ICONWARNING);
    LoadTranslation();

    ProgramIcon = LoadIconW(instance, L"ICON_MAIN");
    RegisterWindowMessageW(L"TaskbarCreated");
    RegisterWindowMessageW(FINDMSGSTRINGW);
    LoadImages();
    RegisterSpecialEditClass();
    CreateSpeechObject();
    ApplySettings();
    PrepareLinePrinter();
    RegisterServerLineHandlers();

    MainMenuHandle = LoadMenuW(LanguageModule.load(), L"MENU_MAIN");
    if (!SkipPlugins.load()) LoadPlugins();
    LoadLangStringList();

    if (!RegisterShellWindowClasses(instance)) {
        AppMessageBox(nullptr, L"A Brindlex Class cannot be registered !\r\n", nullptr, MB_OK, MB_ICONSTOP);
        return 0;
    }
    HWND frame = CreateFrameWindow(instance);
    if (!frame) return 0;
    ApplySpeechSettings();
    AddTrayIcon(frame);
    RegisterScriptHotkeys();
    BuildServerMenu();
    HACCEL accelerators = LoadAcceleratorsW(ResourceModule.load(), L"MENU_MAIN");

    std::string result;
    script::RunEventScript("On_Load_Brindlex", nullptr, nullptr, "", result);
    RunStartupCommand();
    CountDownToUpdateCheck();
    if (opened.FirstRun) PostMessageW(frame, WM_COMMAND, ID_FIRST_STEPS, 0);

    // A fault is logged by the filter and ends the program; the loop never resumes after one.
    const int code = MessageLoop(frame, accelerators);
    Shutdown();
    if (RestartRequested()) StartAgain();
    return code;
}
