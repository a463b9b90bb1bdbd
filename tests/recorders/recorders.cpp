#include "tests/recorders/recorders.h"

#include "common/text_split.h"
#include "common/xstring.h"
#include "core/client_services.h"
#include "core/remote_text.h"
#include "core/window_list.h"
#include "core/window_record.h"
#include "irc/send_path.h"
#include "irc/server_connection.h"
#include "irc/server_session.h"
#include "irc/user_address.h"
#include "tests/recorders/call_log.h"

#include <atomic>
#include <cwchar>
#include <memory>
#include <mutex>
#include <vector>

namespace {

uint64_t Record(RecordedCall call) {
    CallLog& log = CallLog::Instance();
    log.Add(call);
    return log.Answer ? log.Answer(call) : 0;
}

bool Answered(const RecordedCall& call, uint64_t& answer) {
    CallLog& log = CallLog::Instance();
    log.Add(call);
    if (!log.Answer) return false;
    answer = log.Answer(call);
    return true;
}

std::atomic<WindowRecord*> ActiveRecord{nullptr};

std::mutex PluginMenusMutex;
std::vector<uint64_t> PluginMenus;

} // namespace

void ClearClientServices() {
    Services() = ClientServices{};
}

void InstallConnectionRecorders() {
    InstallDisconnectRecorder();
    InstallActivationRecorders();
    InstallPrinterRecorder();
    InstallPluginRecorders();
    InstallEventScriptRecorder();
    InstallScriptRunRecorder();
}

void InstallPrinterRecorder() {
    Services().Printing.PrintToWindow = [](LineKind kind, WindowRecord* record, const std::wstring& text,
                                           const PrintOptions& options) {
        CallLog::Instance().Add({"PrintToWindow", record, WideToNarrow(text), kind,
                                 options.Sender ? WideToNarrow(*options.Sender) : std::string()});
    };
}

void InstallEventFormatRecorder() {
    Services().Printing.FormatEventLine = [](WindowRecord* window, std::wstring& out, LineKind kind,
                                             const std::string& message,
                                             const std::vector<std::string>& words, const UserAddress&) {
        CallLog::Instance().Add(
            {"FormatEventLine", window, (words.empty() ? "" : words[0]) + "|" + message, kind});
        out = NarrowToWide(message);
    };
}

// Records an event script call; unanswered, "On_Input" gives inputAnswer and any other event
// kNoEventScript.
template <uint32_t inputAnswer>
uint32_t RecordEventScript(const char* eventName, WindowRecord* window, WindowRecord*,
                           const std::string& parameters, std::string&, EventScriptOptions options) {
    const std::string name = eventName ? eventName : "";
    uint64_t answer = 0;
    const RecordedCall call{"RunEventScript", window, name + " " + parameters, options.CheckOnly ? 1u : 0u,
                            HandlingRemoteText() ? "remote" : ""};
    if (Answered(call, answer)) return static_cast<uint32_t>(answer);
    return name == "On_Input" ? inputAnswer : kNoEventScript;
}

void InstallEventScriptRecorder() {
    Services().Scripts.RunEventScript = &RecordEventScript<kNoEventScript>;
}

void InstallInputScriptRecorder() {
    Services().Scripts.RunEventScript = &RecordEventScript<1u>;
}

std::vector<std::string> RecordedInputLines() {
    const std::string prefix = "On_Input ";
    std::vector<std::string> lines;
    for (const RecordedCall& call : CallLog::Instance().Calls("RunEventScript"))
        if (call.Text.starts_with(prefix)) lines.push_back(call.Text.substr(prefix.size()));
    return lines;
}

void InstallScriptRunRecorder() {
    Services().Scripts.ExecuteScript = [](uint32_t mode, WindowRecord* connectionWindow, WindowRecord*,
                                          const std::string& script, const std::string& parameters,
                                          std::string&, uint32_t defaultResult) {
        uint64_t answer = 0;
        const RecordedCall call{"ExecuteScript", connectionWindow, script + "|" + parameters, mode};
        return Answered(call, answer) ? static_cast<uint32_t>(answer) : defaultResult;
    };
}

void InstallInputRecorders() {
    ClientServices& s = Services();
    // The test's answer function is called with each line, so it can act as the dispatcher would.
    s.Commands.ProcessInputLine = [](const char* line, WindowRecord* window, InputOptions options) {
        Record({"ProcessInputLine", window, line ? line : "", options.NoTriggers ? 1u : 0u,
                HandlingRemoteText() ? "remote" : ""});
    };
    s.Commands.ExecuteInputText = [](WindowRecord* window, const std::wstring& text, InputOptions options) {
        CallLog::Instance().Add(
            {"ExecuteInputText", window, WideToNarrow(text), options.NoTriggers ? 1u : 0u});
    };
    s.Commands.ExecuteCommand = [](const char* line, WindowRecord* connectionWindow, WindowRecord*,
                                   wchar_t*) {
        return Record({"ExecuteCommand", connectionWindow, line ? line : "", 0});
    };
}

void InstallPluginRecorders() {
    Services().Commands.NotifyPluginsServerLine = [](uint32_t windowIndex, const std::string& line) {
        return Record({"NotifyPluginsServerLine", nullptr, line, windowIndex});
    };
}

void InstallTriggerWorkerRecorder() {
    Services().Scripts.RunTriggerScriptThread = [](void* argument) -> unsigned {
        std::unique_ptr<ScriptTriggerJob> job(static_cast<ScriptTriggerJob*>(argument));
        std::string line = job->Line;
        TrimStringCrLf(line);
        if (line.size() > 1) SendServerLine(line.substr(1) + "\r\n", job->Window, 0);
        CallLog::Instance().Add({"RunTriggerScriptThread", job->Window, job->Line, GetCurrentThreadId(),
                                 HandlingRemoteText() ? "remote" : ""});
        return 0;
    };
}

void InstallShakeRecorder() {
    Services().Windows.ShakeWindowThread = [](void* childWindow) -> unsigned {
        CallLog::Instance().Add({"ShakeWindowThread", nullptr, {}, reinterpret_cast<uint64_t>(childWindow)});
        return 0;
    };
}

void InstallPromptRecorder() {
    Services().Dialogs.PromptText = [](HWND, const std::wstring& title, const std::wstring& prompt,
                                       wchar_t* text, size_t capacity, uint32_t timeout) {
        RecordedCall call{"PromptText", nullptr, WideToNarrow(title + L"|" + prompt), timeout};
        CallLog& log = CallLog::Instance();
        log.Add(call);
        if (!log.AnswerText || capacity == 0) return false;
        const std::wstring answer = NarrowToWide(log.AnswerText(call));
        wcsncpy(text, answer.c_str(), capacity - 1);
        text[capacity - 1] = 0;
        return true;
    };
}

void InstallListPromptRecorder() {
    Services().Dialogs.PromptList = [](HWND, const std::wstring& title, const std::wstring& prompt,
                                       const std::vector<std::wstring>& choices, std::vector<bool>& selection,
                                       bool single) {
        std::wstring text = title + L"|" + prompt;
        for (const std::wstring& choice : choices) text += L"|" + choice;
        RecordedCall call{"PromptList", nullptr, WideToNarrow(text), single ? 1u : 0u};
        CallLog& log = CallLog::Instance();
        log.Add(call);
        if (!log.AnswerText) return false;
        const std::string flags = log.AnswerText(call);
        if (flags.empty()) return false;
        selection.assign(choices.size(), false);
        for (size_t i = 0; i < flags.size() && i < choices.size(); ++i) selection[i] = flags[i] == '1';
        return true;
    };
}

void InstallMenuLabelRecorder() {
    Services().Dialogs.GetMenuLabel = [](uint32_t commandId, uint32_t, wchar_t* out) {
        CallLog::Instance().Add({"GetMenuLabel", nullptr, {}, commandId});
        const std::wstring label = L"Menu " + std::to_wstring(commandId);
        label.copy(out, 999);
        out[label.size() < 999 ? label.size() : 999] = 0;
    };
}

void InstallDccOfferRecorders() {
    Services().Peer.HandleDccSendOffer = [](WindowRecord* window, const std::vector<std::string>& words,
                                            const UserAddress& sender, uint8_t mode,
                                            DccOfferOptions options) {
        std::string text = sender.Nick + ">";
        for (const std::string& word : words) text += word + "|";
        CallLog::Instance().Add({"HandleDccSendOffer", window, text,
                                 static_cast<uint64_t>(mode * 10 + (options.AutoAccept ? 1 : 0))});
    };
    Services().Peer.DccChatThread = [](void* record) -> unsigned {
        CallLog::Instance().Add({"DccChatThread", static_cast<WindowRecord*>(record), {}, 0});
        return 0;
    };
}

void InstallDisconnectRecorder() {
    Services().Windows.OnServerDisconnected = [](WindowRecord* record, DisconnectOptions options) {
        const uint8_t byUser = options.ByUser ? 1 : 0;
        CallLog& log = CallLog::Instance();
        log.Add({"OnServerDisconnected", record, {}, byUser});
        if (record && record->Connection && EndServerSession(*record->Connection, byUser))
            log.Add({"SessionEnded", record, {}, byUser});
    };
}

void InstallActivationRecorders() {
    Services().Windows.ActivateWindowRecord = [](WindowRecord* record) {
        CallLog::Instance().Add({"ActivateWindowRecord", record, {}, 0});
    };
    Services().Windows.OnDccChatDisconnected = [](WindowRecord* record, DccConnection*) {
        CallLog::Instance().Add({"OnDccChatDisconnected", record, {}, 0});
    };
}

void InstallActiveWindowRecorder() {
    Services().Windows.GetActiveWindowRecord = [] { return ActiveRecord.load(); };
    Services().Windows.IsAppForeground = [] { return true; };
}

void SetRecordedActiveWindow(WindowRecord* record) {
    ActiveRecord = record;
}

void InstallForegroundRecorder() {
    Services().Windows.IsAppForeground = [] { return Record({"IsAppForeground", nullptr, {}, 0}) != 0; };
}

void InstallLogRecorder() {
    Services().Windows.WriteLogLine = [](WindowRecord* record, const wchar_t* text) {
        if (text) CallLog::Instance().Add({"WriteLogLine", record, WideToNarrow(text), 0});
    };
}

void InstallSpeechRecorder() {
    Services().Media.SpeakText = [](const std::wstring& text) {
        CallLog::Instance().Add({"SpeakText", nullptr, WideToNarrow(text), 0});
    };
}

void InstallPictureRecorder() {
    Services().Peer.InsertImageIntoRichEdit = [](HWND, HBITMAP bitmap) {
        uint64_t answer = 0;
        const RecordedCall call{"InsertImageIntoRichEdit", nullptr, {}, reinterpret_cast<uint64_t>(bitmap)};
        return Answered(call, answer) ? static_cast<int>(answer) : -1;
    };
}

void InstallPluginMenuRecorders() {
    {
        std::lock_guard<std::mutex> lock(PluginMenusMutex);
        PluginMenus.clear();
    }
    Services().Commands.AddPluginMenuEntry = [](uint64_t popup, const char* caption) -> uint32_t {
        Record({"AddPluginMenuEntry", nullptr, caption ? caption : "", popup});
        std::lock_guard<std::mutex> lock(PluginMenusMutex);
        PluginMenus.push_back(popup);
        return static_cast<uint32_t>(PluginMenus.size());
    };
    Services().Commands.PluginMenuEntryPopup = [](uint32_t index) -> uint64_t {
        std::lock_guard<std::mutex> lock(PluginMenusMutex);
        return index < PluginMenus.size() ? PluginMenus[index] : 0;
    };
    Services().Commands.ErasePluginMenuEntry = [](uint32_t index) {
        Record({"ErasePluginMenuEntry", nullptr, {}, index});
        std::lock_guard<std::mutex> lock(PluginMenusMutex);
        if (index < PluginMenus.size()) PluginMenus.erase(PluginMenus.begin() + index);
    };
    Services().Windows.RebuildActiveWindowMenu = [](uint32_t dropEntry) {
        uint64_t answer = 1;
        if (Answered({"RebuildActiveWindowMenu", nullptr, {}, dropEntry}, answer)) return answer != 0;
        return true;
    };
}

std::vector<uint64_t> RecordedPluginMenus() {
    std::lock_guard<std::mutex> lock(PluginMenusMutex);
    return PluginMenus;
}

void InstallViewStateRecorders() {
    Services().Printing.ClearChatView = [](WindowRecord* record) {
        CallLog::Instance().Add({"ClearChatView", record, record ? record->Name : "", 0});
    };
    Services().Windows.SetWindowTabState = [](const WindowRecord* record, uint32_t state, TabStateOptions) {
        CallLog::Instance().Add(
            {"SetWindowTabState", const_cast<WindowRecord*>(record), record ? record->Name : "", state});
    };
}

void InstallSaveDialogRecorder() {
    Services().Dialogs.PromptSaveFileName = [](const std::wstring& folder, const std::wstring& filter,
                                               std::wstring& path) {
        RecordedCall call{"PromptSaveFileName", nullptr, WideToNarrow(folder + L"|" + filter + L"|" + path),
                          0};
        CallLog& log = CallLog::Instance();
        log.Add(call);
        if (!log.AnswerText) return false;
        const std::string answer = log.AnswerText(call);
        if (answer.empty()) return false;
        path = NarrowToWide(answer);
        return true;
    };
}

void InstallObjectRecorders() {
    Services().Peer.ObjectAcceptThread = [](void* argument) -> unsigned {
        std::unique_ptr<ObjectTransfer> job(static_cast<ObjectTransfer*>(argument));
        SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(listener, 1);
        job->Socket = listener;
        PublishObjectOffer(GetCurrentThreadId(), listener);
        CallLog::Instance().Add({"ObjectAcceptThread", nullptr, WideToNarrow(job->Path), job->Crc});
        if (HANDLE event = OpenEventW(EVENT_MODIFY_STATE, FALSE, kObjectAcceptEventName)) {
            SetEvent(event);
            CloseHandle(event);
        }
        // Serves until the offer is killed (the socket closes) or ten seconds have passed.
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(listener, &readable);
        timeval wait{10, 0};
        select(0, &readable, nullptr, nullptr, &wait);
        if (WithdrawObjectOffer(GetCurrentThreadId())) closesocket(listener);
        return 0;
    };
    Services().Peer.ObjectReceiveThread = [](void* argument) -> unsigned {
        std::unique_ptr<ObjectTransfer> job(static_cast<ObjectTransfer*>(argument));
        const std::string text = job->PeerHost + " " + std::to_string(job->Port) + " " +
                                 std::to_string(job->Size) + " " + std::to_string(job->Crc) + " " +
                                 std::to_string(job->InsertIntoView) + "|" + WideToNarrow(job->Path);
        CallLog::Instance().Add(
            {"ObjectReceiveThread", nullptr, text, reinterpret_cast<uint64_t>(job->TargetView)});
        return 0;
    };
}

void InstallMediaRecorder() {
    Services().Media.MediaPlayThread = [](void* argument) -> unsigned {
        std::unique_ptr<std::vector<std::wstring>> words(static_cast<std::vector<std::wstring>*>(argument));
        std::wstring joined;
        for (const std::wstring& word : *words) joined += (joined.empty() ? L"" : L"|") + word;
        CallLog::Instance().Add({"MediaPlayThread", nullptr, WideToNarrow(joined), 0});
        return 0;
    };
}

namespace {

void Reached(const char* entry, WindowRecord* window = nullptr, const std::string& text = {},
             HWND owner = nullptr) {
    CallLog::Instance().Add({entry, window, text, reinterpret_cast<uint64_t>(owner)});
}

} // namespace

void InstallMenuEntryRecorders() {
    ClientServices& s = Services();
    s.Dialogs.OpenConnectDialog = [](HWND owner, uint32_t init) {
        Reached("OpenConnectDialog", nullptr, std::to_string(init), owner);
    };
    s.Dialogs.OpenPreferences = [](const std::string& section) {
        Reached("OpenPreferences", nullptr, section);
    };
    s.Media.OpenWaveIn = [](WindowRecord* record) {
        Reached("OpenWaveIn", record);
        return true;
    };
    s.Media.CloseWaveIn = [](WindowRecord* record) { Reached("CloseWaveIn", record); };
    s.Media.OpenWaveOut = [](WindowRecord* record) {
        Reached("OpenWaveOut", record);
        return true;
    };
    s.Media.CloseWaveOut = [](WindowRecord* record) { Reached("CloseWaveOut", record); };
    s.Media.SendVoiceListening = [](WindowRecord* record) { Reached("SendVoiceListening", record); };
    s.Windows.RequestChannelList = [](WindowRecord* record) { Reached("RequestChannelList", record); };
    s.Windows.ShowChannelList = [](WindowRecord* record, uint32_t id) {
        Reached("ShowChannelList", record, std::to_string(id));
    };
    s.Windows.FindInView = [](WindowRecord* record, uint32_t id) {
        Reached("FindInView", record, std::to_string(id));
    };
    s.Windows.RunLogCommand = [](WindowRecord* record, uint32_t id) {
        Reached("RunLogCommand", record, std::to_string(id));
    };
    s.Windows.OpenWithShell = [](const std::wstring& file, int show) {
        CallLog::Instance().Add({"OpenWithShell", nullptr, WideToNarrow(file), static_cast<uint64_t>(show)});
    };
    s.Dialogs.RequestRemoteAssistance = [](HWND owner, const std::string& host, uint16_t port,
                                           const std::string& data) {
        Reached("RequestRemoteAssistance", nullptr, host + ":" + std::to_string(port) + " " + data, owner);
    };
}
