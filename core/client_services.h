// The calls that run upward: a connection handler printing a line, the printer running an event
// script, a handler asking for a prompt, and so on. The libraries below the owners call them
// through this table, so no library links or includes one above it.
//
// The program's start-up fills the table with the real owners (InstallClientServices in the
// shell); a test installs what it needs, the owners themselves or recorders. A call whose owner
// is not installed does nothing and returns the neutral value. The table is filled before any
// thread that calls through it starts, and read without a lock.
#pragma once

#include "core/line_kind.h"
#include "core/object_transfer.h"
#include "core/script_mode.h"
#include "core/tab_states.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct WindowRecord;
struct DccConnection;
struct UserAddress;
struct IOleObject;

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

// The table is split by owner: each group is filled by the library (or, for dialogs, the
// libraries) named with it, and a test installs a group whole or member by member.

// Printing and chat views (views).
struct PrintingServices {
    void (*PrintToWindow)(LineKind kind, WindowRecord* record, const std::wstring& text,
                          const PrintOptions& options) = nullptr;
    void (*FormatEventLine)(WindowRecord* window, std::wstring& out, LineKind kind,
                            const std::string& message, const std::vector<std::string>& words,
                            const UserAddress& sender) = nullptr;
    // Emptying a chat view and forgetting the sender its grouping kept.
    void (*ClearChatView)(WindowRecord* record) = nullptr;
};

// Event scripts and triggers (script).
struct ScriptServices {
    uint32_t (*RunEventScript)(const char* eventName, WindowRecord* window, WindowRecord* target,
                               const std::string& parameters, std::string& result,
                               uint8_t checkOnly) = nullptr;
    // Runs a typed "/" line's trigger script, or sends the line without its "/"; takes the job.
    unsigned(__stdcall* RunTriggerScriptThread)(void* job) = nullptr;
    uint32_t (*ExecuteScript)(uint32_t mode, WindowRecord* connectionWindow, WindowRecord* window,
                              const std::string& text, const std::string& parameters, std::string& result,
                              uint32_t defaultResult) = nullptr;
};

// Input lines, commands, plug-in notices and the menus plug-ins and scripts add (commands).
struct CommandServices {
    void (*ProcessInputLine)(const char* line, WindowRecord* window, uint8_t noTriggers) = nullptr;
    void (*ExecuteInputText)(WindowRecord* window, const std::wstring& text, uint8_t noTriggers,
                             uint8_t preferUtf8) = nullptr;
    uint64_t (*ExecuteCommand)(const char* line, WindowRecord* connectionWindow, WindowRecord* targetWindow,
                               wchar_t* helpBuffer) = nullptr;
    uint64_t (*NotifyPluginsServerLine)(uint32_t windowIndex, const std::string& line) = nullptr;
    uint64_t (*NotifyPluginsWindowText)(const std::wstring& text, uint32_t windowIndex) = nullptr;
    uint32_t (*AddPluginMenuEntry)(uint64_t popup, const char* caption) = nullptr; // the new count
    uint64_t (*PluginMenuEntryPopup)(uint32_t index) = nullptr;                    // 0 outside the list
    void (*ErasePluginMenuEntry)(uint32_t index) = nullptr;
};

// Prompts, menu texts and the dialogs the menu commands open (ui, with the DCC send dialog from
// peer, the preferences from shell and remote assistance from assist).
struct DialogServices {
    bool (*PromptText)(HWND owner, const std::wstring& title, const std::wstring& prompt, wchar_t* text,
                       size_t capacity, uint32_t timeoutSeconds) = nullptr;
    bool (*PromptList)(HWND owner, const std::wstring& title, const std::wstring& prompt,
                       const std::vector<std::wstring>& choices, std::vector<bool>& selection,
                       bool single) = nullptr;
    void (*GetMenuLabel)(uint32_t commandId, uint32_t flags, wchar_t* out) = nullptr;
    // The save dialog owned by the frame: starts in the folder with the name in path; true with
    // the chosen path on OK.
    bool (*PromptSaveFileName)(const std::wstring& folder, const std::wstring& filter,
                               std::wstring& path) = nullptr;
    void (*OpenConnectDialog)(HWND owner, uint32_t initParameter) = nullptr;
    void (*OpenJoinDialog)(HWND owner, WindowRecord* server) = nullptr;
    void (*OpenKickDialog)(HWND owner, WindowRecord* channel,
                           const std::vector<std::wstring>& nicks) = nullptr;
    void (*OpenChannelControlDialog)(HWND owner, uint32_t initParameter) = nullptr;
    void (*OpenListInformationDialog)(HWND owner) = nullptr;
    void (*OpenPreferences)(const std::string& section) = nullptr;
    void (*ToggleTickerWindow)(WindowRecord* record) = nullptr;
    void (*OpenDccSendDialog)(HWND owner, WindowRecord* window) = nullptr;
    void (*RequestRemoteAssistance)(HWND owner, const std::string& host, uint16_t port,
                                    const std::string& callerData) = nullptr;
};

// Windows, tabs, titles, logs, menus and the frame's own features (shell).
struct WindowServices {
    void (*OnServerDisconnected)(WindowRecord* record, uint8_t byUser) = nullptr;
    void (*OnDccChatDisconnected)(WindowRecord* record, DccConnection* dcc) = nullptr;
    void (*ActivateWindowRecord)(WindowRecord* record) = nullptr;
    WindowRecord* (*GetActiveWindowRecord)() = nullptr;
    bool (*IsAppForeground)() = nullptr;
    uint32_t (*GetWindowTabState)(const WindowRecord* record) = nullptr;
    void (*SetWindowTabState)(const WindowRecord* record, uint32_t state, uint8_t noRefresh) = nullptr;
    void (*SetWindowTabCaption)(const WindowRecord* record) = nullptr;
    void (*UpdateWindowTitle)(WindowRecord* record) = nullptr;
    void (*WriteLogLine)(WindowRecord* record, const wchar_t* text) = nullptr;
    void (*WriteLogMarker)(WindowRecord* record, int32_t marker) = nullptr;
    // Asking for the user's attention: a thread procedure over the chat window's handle.
    unsigned(__stdcall* ShakeWindowThread)(void* childWindow) = nullptr;
    // Rebuilds the active window's menu, erasing the plug-in menu entry dropEntry unless it is
    // 0xFFFFFFFF; false when no window is active.
    bool (*RebuildActiveWindowMenu)(uint32_t dropEntry) = nullptr;
    // A download of the URL into the file on a worker thread; true when it started.
    bool (*StartDownload)(const std::wstring& url, const std::wstring& path) = nullptr;
    void (*RequestChannelList)(WindowRecord* record) = nullptr;
    void (*ShowChannelList)(WindowRecord* record, uint32_t id) = nullptr;
    void (*FindInView)(WindowRecord* record, uint32_t id) = nullptr;
    void (*RunLogCommand)(WindowRecord* record, uint32_t id) = nullptr;
    void (*ToggleLightSensor)() = nullptr;
    // A file opened by the program the system has for it.
    void (*OpenWithShell)(const std::wstring& file, int showCommand) = nullptr;
};

// DCC hand-offs and embedded objects (peer).
struct PeerServices {
    void (*HandleDccSendOffer)(WindowRecord* window, const std::vector<std::string>& words,
                               const UserAddress& sender, uint8_t mode, uint8_t autoAccept) = nullptr;
    unsigned(__stdcall* DccChatThread)(void* record) = nullptr;
    int (*InsertImageIntoRichEdit)(HWND richEdit, HBITMAP bitmap) = nullptr;
    int (*InsertOleObject)(HWND richEdit, const wchar_t* storagePath, const CLSID& clsid,
                           IOleObject** object) = nullptr;
    // The movie player in the window's view: 0 when none was inserted.
    int (*InsertFlashObject)(WindowRecord* record, const std::wstring& movie, uint32_t background) = nullptr;
    // Thread procedures of embedded objects: each takes a heap ObjectTransfer.
    unsigned(__stdcall* ObjectAcceptThread)(void* job) = nullptr;
    unsigned(__stdcall* ObjectReceiveThread)(void* job) = nullptr;
};

// Speech, media playback and voice chat (media).
struct MediaServices {
    // Any thread; the text is spoken on the thread that owns the voice.
    void (*SpeakText)(const std::wstring& text) = nullptr;
    // Takes a heap std::vector<std::wstring> of the command's words.
    unsigned(__stdcall* MediaPlayThread)(void* words) = nullptr;
    // The open calls are false when the device or codec failed.
    bool (*OpenWaveIn)(WindowRecord* record) = nullptr;
    void (*CloseWaveIn)(WindowRecord* record) = nullptr;
    bool (*OpenWaveOut)(WindowRecord* record) = nullptr;
    void (*CloseWaveOut)(WindowRecord* record) = nullptr;
    void (*SendVoiceListening)(WindowRecord* record) = nullptr;
};

struct ClientServices {
    PrintingServices Printing;
    ScriptServices Scripts;
    CommandServices Commands;
    DialogServices Dialogs;
    WindowServices Windows;
    PeerServices Peer;
    MediaServices Media;
};

// The one table of the process: constant-initialised, so it is empty before any code runs.
extern ClientServices ProcessClientServices;
inline ClientServices& Services() {
    return ProcessClientServices;
}

// The forwarders, under the names the callers know.

inline void PrintToWindow(LineKind kind, WindowRecord* record, const std::wstring& text,
                          const PrintOptions& options = {}) {
    if (auto call = Services().Printing.PrintToWindow) call(kind, record, text, options);
}

inline void FormatEventLine(WindowRecord* window, std::wstring& out, LineKind kind,
                            const std::string& message, const std::vector<std::string>& words,
                            const UserAddress& sender) {
    if (auto call = Services().Printing.FormatEventLine) call(window, out, kind, message, words, sender);
}

inline uint32_t RunEventScript(const char* eventName, WindowRecord* window, WindowRecord* target,
                               const std::string& parameters, std::string& result, uint8_t checkOnly) {
    auto call = Services().Scripts.RunEventScript;
    return call ? call(eventName, window, target, parameters, result, checkOnly) : kNoEventScript;
}

// Takes the job (a heap ScriptTriggerJob); without an owner it is only freed.
inline unsigned __stdcall RunTriggerScriptThread(void* job) {
    if (auto call = Services().Scripts.RunTriggerScriptThread) return call(job);
    delete static_cast<ScriptTriggerJob*>(job);
    return 0;
}

inline uint32_t ExecuteScript(uint32_t mode, WindowRecord* connectionWindow, WindowRecord* window,
                              const std::string& text, const std::string& parameters, std::string& result,
                              uint32_t defaultResult) {
    auto call = Services().Scripts.ExecuteScript;
    return call ? call(mode, connectionWindow, window, text, parameters, result, defaultResult) : 0;
}

inline void ProcessInputLine(const char* line, WindowRecord* window, uint8_t noTriggers) {
    if (auto call = Services().Commands.ProcessInputLine) call(line, window, noTriggers);
}

inline void ExecuteInputText(WindowRecord* window, const std::wstring& text, uint8_t noTriggers,
                             uint8_t preferUtf8 = 0) {
    if (auto call = Services().Commands.ExecuteInputText) call(window, text, noTriggers, preferUtf8);
}

inline uint64_t ExecuteCommand(const char* line, WindowRecord* connectionWindow, WindowRecord* targetWindow,
                               wchar_t* helpBuffer) {
    auto call = Services().Commands.ExecuteCommand;
    return call ? call(line, connectionWindow, targetWindow, helpBuffer) : 0;
}

inline uint64_t NotifyPluginsServerLine(uint32_t windowIndex, const std::string& line) {
    auto call = Services().Commands.NotifyPluginsServerLine;
    return call ? call(windowIndex, line) : 0;
}

inline uint64_t NotifyPluginsWindowText(const std::wstring& text, uint32_t windowIndex) {
    auto call = Services().Commands.NotifyPluginsWindowText;
    return call ? call(text, windowIndex) : 0;
}

// text: the initial text and, on OK, the answer, never more than capacity characters with the
// terminator.
inline bool PromptText(HWND owner, const std::wstring& title, const std::wstring& prompt, wchar_t* text,
                       size_t capacity, uint32_t timeoutSeconds) {
    auto call = Services().Dialogs.PromptText;
    return call ? call(owner, title, prompt, text, capacity, timeoutSeconds) : false;
}

// On OK, one flag per choice in selection; single: one choice only.
inline bool PromptList(HWND owner, const std::wstring& title, const std::wstring& prompt,
                       const std::vector<std::wstring>& choices, std::vector<bool>& selection, bool single) {
    auto call = Services().Dialogs.PromptList;
    return call ? call(owner, title, prompt, choices, selection, single) : false;
}

// Without an owner the label is empty, so a caller never reads an unwritten buffer.
inline void GetMenuLabel(uint32_t commandId, uint32_t flags, wchar_t* out) {
    if (auto call = Services().Dialogs.GetMenuLabel)
        call(commandId, flags, out);
    else if (out)
        out[0] = L'\0';
}

inline void HandleDccSendOffer(WindowRecord* window, const std::vector<std::string>& words,
                               const UserAddress& sender, uint8_t mode, uint8_t autoAccept) {
    if (auto call = Services().Peer.HandleDccSendOffer) call(window, words, sender, mode, autoAccept);
}

inline unsigned __stdcall DccChatThread(void* record) {
    auto call = Services().Peer.DccChatThread;
    return call ? call(record) : 0;
}

inline void OnDccChatDisconnected(WindowRecord* record, DccConnection* dcc) {
    if (auto call = Services().Windows.OnDccChatDisconnected) call(record, dcc);
}

inline void OnServerDisconnected(WindowRecord* record, uint8_t byUser) {
    if (auto call = Services().Windows.OnServerDisconnected) call(record, byUser);
}

inline void ActivateWindowRecord(WindowRecord* record) {
    if (auto call = Services().Windows.ActivateWindowRecord) call(record);
}

inline WindowRecord* GetActiveWindowRecord() {
    auto call = Services().Windows.GetActiveWindowRecord;
    return call ? call() : nullptr;
}

inline bool IsAppForeground() {
    auto call = Services().Windows.IsAppForeground;
    return call ? call() : false;
}

inline uint32_t GetWindowTabState(const WindowRecord* record) {
    auto call = Services().Windows.GetWindowTabState;
    return call ? call(record) : kNoTabState;
}

inline void SetWindowTabState(const WindowRecord* record, uint32_t state, uint8_t noRefresh) {
    if (auto call = Services().Windows.SetWindowTabState) call(record, state, noRefresh);
}

inline void SetWindowTabCaption(const WindowRecord* record) {
    if (auto call = Services().Windows.SetWindowTabCaption) call(record);
}

inline void UpdateWindowTitle(WindowRecord* record) {
    if (auto call = Services().Windows.UpdateWindowTitle) call(record);
}

inline void WriteLogLine(WindowRecord* record, const wchar_t* text) {
    if (auto call = Services().Windows.WriteLogLine) call(record, text);
}

inline void WriteLogLine(WindowRecord* record, int32_t marker) {
    if (auto call = Services().Windows.WriteLogMarker) call(record, marker);
}

inline unsigned __stdcall ShakeWindowThread(void* childWindow) {
    auto call = Services().Windows.ShakeWindowThread;
    return call ? call(childWindow) : 0;
}

inline uint32_t AddPluginMenuEntry(uint64_t popup, const char* caption) {
    auto call = Services().Commands.AddPluginMenuEntry;
    return call ? call(popup, caption) : 0;
}

inline uint64_t PluginMenuEntryPopup(uint32_t index) {
    auto call = Services().Commands.PluginMenuEntryPopup;
    return call ? call(index) : 0;
}

inline void ErasePluginMenuEntry(uint32_t index) {
    if (auto call = Services().Commands.ErasePluginMenuEntry) call(index);
}

inline bool RebuildActiveWindowMenu(uint32_t dropEntry) {
    auto call = Services().Windows.RebuildActiveWindowMenu;
    return call ? call(dropEntry) : false;
}

inline void SpeakText(const std::wstring& text) {
    if (auto call = Services().Media.SpeakText) call(text);
}

// Without an owner the insert fails and the caller keeps the bitmap.
inline int InsertImageIntoRichEdit(HWND richEdit, HBITMAP bitmap) {
    auto call = Services().Peer.InsertImageIntoRichEdit;
    return call ? call(richEdit, bitmap) : -1;
}

// Without an owner nothing is inserted.
inline int InsertOleObject(HWND richEdit, const wchar_t* storagePath, const CLSID& clsid,
                           IOleObject** object) {
    if (object) *object = nullptr;
    auto call = Services().Peer.InsertOleObject;
    return call ? call(richEdit, storagePath, clsid, object) : 0;
}

// background 0xFFFFFFFF: the view's own background colour.
inline int InsertFlashObject(WindowRecord* record, const std::wstring& movie, uint32_t background) {
    auto call = Services().Peer.InsertFlashObject;
    return call ? call(record, movie, background) : 0;
}

inline void ClearChatView(WindowRecord* record) {
    if (auto call = Services().Printing.ClearChatView) call(record);
}

// Without an owner nothing is chosen.
inline bool PromptSaveFileName(const std::wstring& folder, const std::wstring& filter, std::wstring& path) {
    auto call = Services().Dialogs.PromptSaveFileName;
    return call ? call(folder, filter, path) : false;
}

inline bool StartDownload(const std::wstring& url, const std::wstring& path) {
    auto call = Services().Windows.StartDownload;
    return call ? call(url, path) : false;
}

// The thread procedures take their job; without an owner it is only freed.
inline unsigned __stdcall ObjectAcceptThread(void* job) {
    if (auto call = Services().Peer.ObjectAcceptThread) return call(job);
    delete static_cast<ObjectTransfer*>(job);
    return 0;
}

inline unsigned __stdcall ObjectReceiveThread(void* job) {
    if (auto call = Services().Peer.ObjectReceiveThread) return call(job);
    delete static_cast<ObjectTransfer*>(job);
    return 0;
}

inline unsigned __stdcall MediaPlayThread(void* words) {
    if (auto call = Services().Media.MediaPlayThread) return call(words);
    delete static_cast<std::vector<std::wstring>*>(words);
    return 0;
}

// The entry points of the dialogs and features the menu commands open.
// initParameter: 0, or a connect command ID_SERVER_FIRST + n that picks saved server n.
inline void OpenConnectDialog(HWND owner, uint32_t initParameter) {
    if (auto call = Services().Dialogs.OpenConnectDialog) call(owner, initParameter);
}

inline void OpenJoinDialog(HWND owner, WindowRecord* server) {
    if (auto call = Services().Dialogs.OpenJoinDialog) call(owner, server);
}

// nicks: without their level prefix.
inline void OpenKickDialog(HWND owner, WindowRecord* channel, const std::vector<std::wstring>& nicks) {
    if (auto call = Services().Dialogs.OpenKickDialog) call(owner, channel, nicks);
}

// owner: the channel window whose channel the dialog shows.
inline void OpenChannelControlDialog(HWND owner, uint32_t initParameter) {
    if (auto call = Services().Dialogs.OpenChannelControlDialog) call(owner, initParameter);
}

inline void OpenListInformationDialog(HWND owner) {
    if (auto call = Services().Dialogs.OpenListInformationDialog) call(owner);
}

// section: the settings node to select ("Cfg\\User_Lists", ...), empty for none.
inline void OpenPreferences(const std::string& section) {
    if (auto call = Services().Dialogs.OpenPreferences) call(section);
}

inline void ToggleTickerWindow(WindowRecord* record) {
    if (auto call = Services().Dialogs.ToggleTickerWindow) call(record);
}

// The send dialog for the window's partner, without a file chosen yet.
inline void OpenDccSendDialog(HWND owner, WindowRecord* window) {
    if (auto call = Services().Dialogs.OpenDccSendDialog) call(owner, window);
}

inline bool OpenWaveIn(WindowRecord* record) {
    auto call = Services().Media.OpenWaveIn;
    return call ? call(record) : false;
}

inline void CloseWaveIn(WindowRecord* record) {
    if (auto call = Services().Media.CloseWaveIn) call(record);
}

inline bool OpenWaveOut(WindowRecord* record) {
    auto call = Services().Media.OpenWaveOut;
    return call ? call(record) : false;
}

inline void CloseWaveOut(WindowRecord* record) {
    if (auto call = Services().Media.CloseWaveOut) call(record);
}

inline void SendVoiceListening(WindowRecord* record) {
    if (auto call = Services().Media.SendVoiceListening) call(record);
}

inline void RequestChannelList(WindowRecord* record) {
    if (auto call = Services().Windows.RequestChannelList) call(record);
}

// id ID_CHANNEL_LIST_BY_NAME or ID_CHANNEL_LIST_BY_MEMBERS.
inline void ShowChannelList(WindowRecord* record, uint32_t id) {
    if (auto call = Services().Windows.ShowChannelList) call(record, id);
}

// id ID_FIND or ID_FIND_NEXT.
inline void FindInView(WindowRecord* record, uint32_t id) {
    if (auto call = Services().Windows.FindInView) call(record, id);
}

// id ID_LOG_WINDOW, ID_SAVE_RTF, ID_SAVE_TEXT or ID_SAVE_ENCRYPTED.
inline void RunLogCommand(WindowRecord* record, uint32_t id) {
    if (auto call = Services().Windows.RunLogCommand) call(record, id);
}

inline void ToggleLightSensor() {
    if (auto call = Services().Windows.ToggleLightSensor) call();
}

inline void RequestRemoteAssistance(HWND owner, const std::string& host, uint16_t port,
                                    const std::string& callerData) {
    if (auto call = Services().Dialogs.RequestRemoteAssistance) call(owner, host, port, callerData);
}

inline void OpenWithShell(const std::wstring& file, int showCommand) {
    if (auto call = Services().Windows.OpenWithShell) call(file, showCommand);
}
