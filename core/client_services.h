// The calls that run upward: a connection handler printing a line, the printer running an event
// script, a handler asking for a prompt, and so on. The libraries below the owners call them
// through this table, so no library links or includes one above it.
//
// Each service is one row of the lists below: its group, name, owner, signature and what a call
// does when nothing is installed. The row makes the table's field, the forwarder under the name
// callers know, and the program's install (InstallClientServices in the shell names the row's
// owner, so no row can be left out). A test installs what it needs, owners or recorders; a call
// it left uninstalled says so on stderr (once per service) and returns the neutral value. The
// table is filled before any thread that calls through it starts, and read without a lock.
#pragma once

#include "core/line_kind.h"
#include "core/object_transfer.h"
#include "core/script_mode.h"
#include "core/service_options.h"
#include "core/tab_states.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct WindowRecord;
struct DccConnection;
struct UserAddress;

constexpr uint32_t kNoEventScript = 0xFFFFFFFF;

// How PrintToWindow prints a line; the defaults print an ordinary line into the record's view.
struct PrintOptions {
    HWND View = nullptr;      // this view instead of the record's own
    bool NoTimeStamp = false; // no time stamp
    bool NoNotice = false;    // the line does not raise the tab's activity state
    bool NoTray = false;      // not added to the tray balloon
    bool ChatLine = false;    // a chat message: takes part in the grouping of its sender's lines
    // A chat line's sender, which travels with the line to the thread that owns the view.
    const std::wstring* Sender = nullptr;
};

// A typed "/" line waiting for its trigger script.
struct ScriptTriggerJob {
    std::string Line;
    WindowRecord* Window = nullptr; // may be null
};

// Rows: SERVICE(Group, Name, Owner, Return, (Parameters), (Arguments), WhenNotInstalled). Owner is
// the implementation the program installs; it is named here only, and spelled out in the shell.
// WhenNotInstalled is an expression of the forwarder's parameters giving its neutral result.
// clang-format off

// Printing and chat views (views).
#define BRINDLEX_PRINTING_SERVICES(SERVICE) \
    SERVICE(Printing, PrintToWindow, views::PrintToWindow, void, \
            (LineKind kind, WindowRecord* record, const std::wstring& text, const PrintOptions& options), \
            (kind, record, text, options), void()) \
    SERVICE(Printing, FormatEventLine, views::FormatEventLine, void, \
            (WindowRecord* window, std::wstring& out, LineKind kind, const std::string& message, \
             const std::vector<std::string>& words, const UserAddress& sender), \
            (window, out, kind, message, words, sender), void()) \
    /* Emptying a chat view and forgetting the sender its grouping kept. */ \
    SERVICE(Printing, ClearChatView, views::ClearChatView, void, (WindowRecord* record), (record), void())

// Event scripts and triggers (script).
#define BRINDLEX_SCRIPT_SERVICES(SERVICE) \
    SERVICE(Scripts, RunEventScript, script::RunEventScript, uint32_t, \
            (const char* eventName, WindowRecord* window, WindowRecord* target, const std::string& parameters, \
             std::string& result, EventScriptOptions options), \
            (eventName, window, target, parameters, result, options), kNoEventScript) \
    /* Runs a typed "/" line's trigger script, or sends the line without its "/"; takes the job */ \
    /* (a heap ScriptTriggerJob), which without an owner is only freed. */ \
    SERVICE(Scripts, RunTriggerScriptThread, script::RunTriggerScriptThread, unsigned, (void* job), (job), \
            (delete static_cast<ScriptTriggerJob*>(job), 0u)) \
    SERVICE(Scripts, ExecuteScript, script::ExecuteScript, uint32_t, \
            (uint32_t mode, WindowRecord* connectionWindow, WindowRecord* window, const std::string& text, \
             const std::string& parameters, std::string& result, uint32_t defaultResult), \
            (mode, connectionWindow, window, text, parameters, result, defaultResult), 0u)

// Input lines, commands, plug-in notices and the menus plug-ins and scripts add (commands).
#define BRINDLEX_COMMAND_SERVICES(SERVICE) \
    SERVICE(Commands, ProcessInputLine, commands::ProcessInputLine, void, \
            (const char* line, WindowRecord* window, InputOptions options), (line, window, options), void()) \
    SERVICE(Commands, ExecuteInputText, commands::ExecuteInputText, void, \
            (WindowRecord* window, const std::wstring& text, InputOptions options), (window, text, options), \
            void()) \
    SERVICE(Commands, ExecuteCommand, commands::ExecuteCommand, uint64_t, \
            (const char* line, WindowRecord* connectionWindow, WindowRecord* targetWindow, wchar_t* helpBuffer), \
            (line, connectionWindow, targetWindow, helpBuffer), uint64_t{0}) \
    SERVICE(Commands, NotifyPluginsServerLine, commands::NotifyPluginsServerLine, uint64_t, \
            (uint32_t windowIndex, const std::string& line), (windowIndex, line), uint64_t{0}) \
    /* The new count of entries. */ \
    SERVICE(Commands, AddPluginMenuEntry, AddPluginMenu, uint32_t, (uint64_t popup, const char* caption), \
            (popup, caption), 0u) \
    /* 0 outside the list. */ \
    SERVICE(Commands, PluginMenuEntryPopup, commands::PluginMenuEntryPopup, uint64_t, (uint32_t index), (index), \
            uint64_t{0}) \
    SERVICE(Commands, ErasePluginMenuEntry, ErasePluginMenuItem, void, (uint32_t index), (index), void())

// Prompts, menu texts and the dialogs the menu commands open (ui, with the DCC send dialog from
// peer, the preferences from shell and remote assistance from assist).
#define BRINDLEX_DIALOG_SERVICES(SERVICE) \
    /* text: the initial text and, on OK, the answer, never more than capacity characters with */ \
    /* the terminator. */ \
    SERVICE(Dialogs, PromptText, ui::PromptText, bool, \
            (HWND owner, const std::wstring& title, const std::wstring& prompt, wchar_t* text, size_t capacity, \
             uint32_t timeoutSeconds), \
            (owner, title, prompt, text, capacity, timeoutSeconds), false) \
    /* On OK, one flag per choice in selection; single: one choice only. */ \
    SERVICE(Dialogs, PromptList, ui::PromptList, bool, \
            (HWND owner, const std::wstring& title, const std::wstring& prompt, \
             const std::vector<std::wstring>& choices, std::vector<bool>& selection, bool single), \
            (owner, title, prompt, choices, selection, single), false) \
    /* Without an owner the label is empty, so a caller never reads an unwritten buffer. */ \
    SERVICE(Dialogs, GetMenuLabel, ui::GetMenuLabel, void, (uint32_t commandId, uint32_t flags, wchar_t* out), \
            (commandId, flags, out), (out ? void(out[0] = L'\0') : void())) \
    /* The save dialog owned by the frame: starts in the folder with the name in path; true */ \
    /* with the chosen path on OK. */ \
    SERVICE(Dialogs, PromptSaveFileName, ui::PromptSaveFileName, bool, \
            (const std::wstring& folder, const std::wstring& filter, std::wstring& path), (folder, filter, path), \
            false) \
    /* initParameter: 0, or a connect command ID_SERVER_FIRST + n that picks saved server n. */ \
    SERVICE(Dialogs, OpenConnectDialog, ui::OpenConnectDialog, void, (HWND owner, uint32_t initParameter), \
            (owner, initParameter), void()) \
    /* section: the settings node to select ("Cfg\\User_Lists", ...), empty for none. */ \
    SERVICE(Dialogs, OpenPreferences, shell::OpenPreferences, void, (const std::string& section), (section), \
            void()) \
    SERVICE(Dialogs, RequestRemoteAssistance, assist::RequestRemoteAssistance, void, \
            (HWND owner, const std::string& host, uint16_t port, const std::string& callerData), \
            (owner, host, port, callerData), void())

// Windows, tabs, titles, logs, menus and the frame's own features (shell).
#define BRINDLEX_WINDOW_SERVICES(SERVICE) \
    SERVICE(Windows, OnServerDisconnected, shell::OnServerDisconnected, void, \
            (WindowRecord* record, DisconnectOptions options), (record, options), void()) \
    SERVICE(Windows, OnDccChatDisconnected, shell::OnDccChatDisconnected, void, \
            (WindowRecord* record, DccConnection* dcc), (record, dcc), void()) \
    SERVICE(Windows, ActivateWindowRecord, shell::ActivateWindowRecord, void, (WindowRecord* record), (record), \
            void()) \
    SERVICE(Windows, GetActiveWindowRecord, shell::GetActiveWindowRecord, WindowRecord*, (), (), nullptr) \
    SERVICE(Windows, IsAppForeground, shell::IsAppForeground, bool, (), (), false) \
    SERVICE(Windows, GetWindowTabState, shell::GetWindowTabState, uint32_t, (const WindowRecord* record), \
            (record), static_cast<uint32_t>(kNoTabState)) \
    SERVICE(Windows, SetWindowTabState, shell::SetWindowTabState, void, \
            (const WindowRecord* record, uint32_t state, TabStateOptions options), (record, state, options), void()) \
    SERVICE(Windows, SetWindowTabCaption, shell::SetWindowTabCaption, void, (const WindowRecord* record), \
            (record), void()) \
    SERVICE(Windows, UpdateWindowTitle, shell::UpdateWindowTitle, void, (WindowRecord* record), (record), void()) \
    SERVICE(Windows, WriteLogLine, shell::WriteLogLine, void, (WindowRecord* record, const wchar_t* text), \
            (record, text), void()) \
    /* Asking for the user's attention: a thread procedure over the chat window's handle. */ \
    SERVICE(Windows, ShakeWindowThread, shell::ShakeWindowThread, unsigned, (void* childWindow), (childWindow), \
            0u) \
    /* Rebuilds the active window's menu, erasing the plug-in menu entry dropEntry unless it is */ \
    /* 0xFFFFFFFF; false when no window is active. */ \
    SERVICE(Windows, RebuildActiveWindowMenu, shell::RebuildActiveWindowMenu, bool, (uint32_t dropEntry), \
            (dropEntry), false) \
    /* A download of the URL into the file on a worker thread; true when it started. */ \
    SERVICE(Windows, StartDownload, shell::StartDownload, bool, (const std::wstring& url, const std::wstring& path), \
            (url, path), false) \
    SERVICE(Windows, RequestChannelList, shell::RequestChannelList, void, (WindowRecord* record), (record), \
            void()) \
    /* id ID_CHANNEL_LIST_BY_NAME or ID_CHANNEL_LIST_BY_MEMBERS. */ \
    SERVICE(Windows, ShowChannelList, shell::ShowChannelList, void, (WindowRecord* record, uint32_t id), \
            (record, id), void()) \
    /* id ID_FIND or ID_FIND_NEXT. */ \
    SERVICE(Windows, FindInView, shell::FindInView, void, (WindowRecord* record, uint32_t id), (record, id), \
            void()) \
    /* id ID_LOG_WINDOW, ID_SAVE_RTF, ID_SAVE_TEXT or ID_SAVE_ENCRYPTED. */ \
    SERVICE(Windows, RunLogCommand, shell::RunLogCommand, void, (WindowRecord* record, uint32_t id), \
            (record, id), void()) \
    /* A file opened by the program the system has for it. */ \
    SERVICE(Windows, OpenWithShell, shell::OpenWithShell, void, (const std::wstring& file, int showCommand), \
            (file, showCommand), void())

// DCC hand-offs and embedded objects (peer). The thread procedures take their job (a heap
// ObjectTransfer), which without an owner is only freed.
#define BRINDLEX_PEER_SERVICES(SERVICE) \
    SERVICE(Peer, HandleDccSendOffer, peer::HandleDccSendOffer, void, \
            (WindowRecord* window, const std::vector<std::string>& words, const UserAddress& sender, uint8_t mode, \
             DccOfferOptions options), \
            (window, words, sender, mode, options), void()) \
    SERVICE(Peer, DccChatThread, peer::DccChatThread, unsigned, (void* record), (record), 0u) \
    /* Without an owner the insert fails and the caller keeps the bitmap. */ \
    SERVICE(Peer, InsertImageIntoRichEdit, peer::InsertImageIntoRichEdit, int, (HWND richEdit, HBITMAP bitmap), \
            (richEdit, bitmap), -1) \
    /* The movie player in the window's view: 0 when none was inserted; background 0xFFFFFFFF: */ \
    /* the view's own background colour. */ \
    SERVICE(Peer, InsertFlashObject, peer::InsertFlashObject, int, \
            (WindowRecord* record, const std::wstring& movie, uint32_t background), (record, movie, background), 0) \
    SERVICE(Peer, ObjectAcceptThread, peer::ObjectAcceptThread, unsigned, (void* job), (job), \
            (delete static_cast<ObjectTransfer*>(job), 0u)) \
    SERVICE(Peer, ObjectReceiveThread, peer::ObjectReceiveThread, unsigned, (void* job), (job), \
            (delete static_cast<ObjectTransfer*>(job), 0u))

// Speech, media playback and voice chat (media).
#define BRINDLEX_MEDIA_SERVICES(SERVICE) \
    /* Any thread; the text is spoken on the thread that owns the voice. */ \
    SERVICE(Media, SpeakText, media::SpeakText, void, (const std::wstring& text), (text), void()) \
    /* Takes a heap std::vector<std::wstring> of the command's words. */ \
    SERVICE(Media, MediaPlayThread, media::MediaPlayThread, unsigned, (void* words), (words), \
            (delete static_cast<std::vector<std::wstring>*>(words), 0u)) \
    /* The open calls are false when the device or codec failed. */ \
    SERVICE(Media, OpenWaveIn, media::OpenWaveIn, bool, (WindowRecord* record), (record), false) \
    SERVICE(Media, CloseWaveIn, media::CloseWaveIn, void, (WindowRecord* record), (record), void()) \
    SERVICE(Media, OpenWaveOut, media::OpenWaveOut, bool, (WindowRecord* record), (record), false) \
    SERVICE(Media, CloseWaveOut, media::CloseWaveOut, void, (WindowRecord* record), (record), void()) \
    SERVICE(Media, SendVoiceListening, media::SendVoiceListening, void, (WindowRecord* record), (record), void())

// Every group: its field in ClientServices, its struct and its rows.
#define BRINDLEX_SERVICE_GROUPS(GROUP) \
    GROUP(Printing, PrintingServices, BRINDLEX_PRINTING_SERVICES) \
    GROUP(Scripts, ScriptServices, BRINDLEX_SCRIPT_SERVICES) \
    GROUP(Commands, CommandServices, BRINDLEX_COMMAND_SERVICES) \
    GROUP(Dialogs, DialogServices, BRINDLEX_DIALOG_SERVICES) \
    GROUP(Windows, WindowServices, BRINDLEX_WINDOW_SERVICES) \
    GROUP(Peer, PeerServices, BRINDLEX_PEER_SERVICES) \
    GROUP(Media, MediaServices, BRINDLEX_MEDIA_SERVICES)
// clang-format on

// One struct of function pointers per group, PrintingServices and so on; null until installed.
#define BRINDLEX_SERVICE_FIELD(Group, Name, Owner, Return, Parameters, Arguments, WhenNotInstalled)          \
    Return(*Name) Parameters = nullptr;
#define BRINDLEX_SERVICE_GROUP_STRUCT(Group, Struct, Rows)                                                   \
    struct Struct {                                                                                          \
        Rows(BRINDLEX_SERVICE_FIELD)                                                                         \
    };
BRINDLEX_SERVICE_GROUPS(BRINDLEX_SERVICE_GROUP_STRUCT)
#undef BRINDLEX_SERVICE_GROUP_STRUCT
#undef BRINDLEX_SERVICE_FIELD

#define BRINDLEX_SERVICE_GROUP_MEMBER(Group, Struct, Rows) Struct Group;
struct ClientServices {
    BRINDLEX_SERVICE_GROUPS(BRINDLEX_SERVICE_GROUP_MEMBER)
};
#undef BRINDLEX_SERVICE_GROUP_MEMBER

// The one table of the process: constant-initialised, so it is empty before any code runs.
extern ClientServices ProcessClientServices;
inline ClientServices& Services() {
    return ProcessClientServices;
}

// Says on stderr and the debugger's output that a service nobody installed was called.
void ReportServiceNotInstalled(const char* name);

// The forwarders, under the names the callers know.
#define BRINDLEX_SERVICE_FORWARDER(Group, Name, Owner, Return, Parameters, Arguments, WhenNotInstalled)      \
    inline Return Name Parameters {                                                                          \
        if (auto call = Services().Group.Name) return call Arguments;                                        \
        ReportServiceNotInstalled(#Name);                                                                    \
        return WhenNotInstalled;                                                                             \
    }
#define BRINDLEX_SERVICE_GROUP_FORWARDERS(Group, Struct, Rows) Rows(BRINDLEX_SERVICE_FORWARDER)
BRINDLEX_SERVICE_GROUPS(BRINDLEX_SERVICE_GROUP_FORWARDERS)
#undef BRINDLEX_SERVICE_GROUP_FORWARDERS
#undef BRINDLEX_SERVICE_FORWARDER

// The ordinary calls, without options.
inline void PrintToWindow(LineKind kind, WindowRecord* record, const std::wstring& text) {
    PrintToWindow(kind, record, text, PrintOptions{});
}
inline void ProcessInputLine(const char* line, WindowRecord* window) {
    ProcessInputLine(line, window, InputOptions{});
}
inline void ExecuteInputText(WindowRecord* window, const std::wstring& text) {
    ExecuteInputText(window, text, InputOptions{});
}
inline uint32_t RunEventScript(const char* eventName, WindowRecord* window, WindowRecord* target,
                               const std::string& parameters, std::string& result) {
    return RunEventScript(eventName, window, target, parameters, result, EventScriptOptions{});
}
inline void SetWindowTabState(const WindowRecord* record, uint32_t state) {
    SetWindowTabState(record, state, TabStateOptions{});
}
inline void OnServerDisconnected(WindowRecord* record) {
    OnServerDisconnected(record, DisconnectOptions{});
}
inline void HandleDccSendOffer(WindowRecord* window, const std::vector<std::string>& words,
                               const UserAddress& sender, uint8_t mode) {
    HandleDccSendOffer(window, words, sender, mode, DccOfferOptions{});
}
