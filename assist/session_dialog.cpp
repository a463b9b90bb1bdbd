// The session dialog and the handlers of the session's events and channel data.
#include "assist/assist_session.h"

#include "assist/com_helpers.h"
#include "common/message_box.h"
#include "common/open_file_dialog.h"

#include <commdlg.h>
#include <process.h>

#include <cstring>

std::atomic<HRESULT> TransferStatus{S_OK};

namespace {

constexpr wchar_t kTitle[] = L"Remote Assistance";
constexpr wchar_t kContent[] =
    L"Keep this window open as long as the Remote Assistance session lasts.\r\n\r\n";
constexpr wchar_t kControlQuestion[] = L"The author asks to control this computer. Allow it?";

void GiveChannelAccess(SharingObject& object, LONG attendeeId) {
    for (const wchar_t* name : {L"chat", L"file", L"data"})
        if (ChannelRecord* channel = object.FindChannel(name))
            channel->Channel->SetAccess(attendeeId, CHANNEL_ACCESS_ENUM_SENDRECEIVE);
}

IDispatch* EventObject(DISPPARAMS* params, UINT position) {
    VARIANT value;
    VariantInit(&value);
    UINT error = 0;
    if (FAILED(DispGetParam(params, position, VT_DISPATCH, &value, &error))) return nullptr;
    return V_DISPATCH(&value);
}

// A request for more than the view is put to the user; the attendee gets exactly the level
// asked for only when the user agrees.
void AskForControl(AssistSession& session, DISPPARAMS* params) {
    VARIANT level;
    VariantInit(&level);
    UINT error = 0;
    IDispatch* attendee = EventObject(params, 0);
    if (attendee && SUCCEEDED(DispGetParam(params, 1, VT_I4, &level, &error)) && session.Sharer) {
        const auto requested = static_cast<CTRL_LEVEL>(V_I4(&level));
        const bool allowed =
            requested <= CTRL_LEVEL_VIEW || MessageBoxW(session.SessionDialogWindow, kControlQuestion, kTitle,
                                                        MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
        if (allowed) session.Sharer->GrantControl(attendee, requested);
    }
    ReleaseAndClear(attendee);
}

HRESULT SessionEventHandler(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*,
                            void* context) {
    auto& session = *static_cast<AssistSession*>(context);
    switch (id) {
        case DISPID_RDPSRAPI_EVENT_ON_ATTENDEE_CONNECTED: {
            IDispatch* object = EventObject(params, 0);
            IRDPSRAPIAttendee* attendee = nullptr;
            LONG attendeeId = 0;
            if (object &&
                SUCCEEDED(object->QueryInterface(__uuidof(IRDPSRAPIAttendee),
                                                 reinterpret_cast<void**>(&attendee))) &&
                SUCCEEDED(attendee->get_Id(&attendeeId)) && session.Sharer)
                GiveChannelAccess(*session.Sharer, attendeeId);
            ReleaseAndClear(attendee);
            ReleaseAndClear(object);
            return 0;
        }
        case DISPID_RDPSRAPI_EVENT_ON_ATTENDEE_DISCONNECTED:
            if (session.SessionDialogWindow)
                SendMessageW(session.SessionDialogWindow, TDM_CLICK_BUTTON, kTerminateButton, 0);
            return 0;
        case DISPID_RDPSRAPI_EVENT_ON_CTRLLEVEL_CHANGE_REQUEST:
            AskForControl(session, params);
            return 1; // answered here; the object does not grant on its own
        default: return 0;
    }
}

void ChooseFileToSend(AssistSession& session, HWND dialog) {
    const std::wstring path = ChooseFileToOpen(dialog, OFN_FILEMUSTEXIST | OFN_EXPLORER, 1000);
    if (path.empty()) return;
    session.FilePath = path.c_str();
    StartFileSend(session);
}

HRESULT CALLBACK SessionDialogCallback(HWND dialog, UINT notification, WPARAM wParam, LPARAM, LONG_PTR data) {
    auto& session = *reinterpret_cast<AssistSession*>(data);
    try {
        switch (notification) {
            case TDN_CREATED:
                session.SessionDialogWindow = dialog;
                if (session.Sharer) AttachSessionHandlers(session, *session.Sharer);
                return S_OK;
            case TDN_DESTROYED: session.SessionDialogWindow = nullptr; return S_OK;
            case TDN_BUTTON_CLICKED:
                switch (static_cast<int>(wParam)) {
                    case kChatButton: ChatWindow(session); return S_FALSE;
                    case kSendFileButton: ChooseFileToSend(session, dialog); return S_FALSE;
                    case kSendClipboardButton: SendClipboard(session); return S_FALSE;
                    case kTerminateButton: return S_OK;
                    default: return S_FALSE; // the close box does not end the session
                }
            default: return S_OK;
        }
    } catch (...) {
        return S_FALSE;
    }
}

} // namespace

void AttachSessionHandlers(AssistSession& session, SharingObject& object) {
    // The sink is connected again with the handler in place.
    object.SetEventCallback(SessionEventHandler, &session, false);
    object.SetEventCallback(SessionEventHandler, &session, true);
    object.SetChannelDataCallback(HandleChannelData, &session);
}

bool SendOnSessionChannels(AssistSession& session, const wchar_t* name, const uint8_t* bytes,
                           uint32_t length) {
    bool found = false;
    for (SharingObject* object : {session.Sharer, session.Viewer}) {
        ChannelRecord* channel = object ? object->FindChannel(name) : nullptr;
        if (!channel) continue;
        found = true;
        object->Send(channel, bytes, length, false, nullptr);
    }
    return found;
}

void HandleChannelData(ChannelRecord* channel, AttendeeRecord*, const uint8_t* bytes, uint32_t length,
                       void* context) {
    auto& session = *static_cast<AssistSession*>(context);
    if (!channel) return;
    if (channel->Name == L"chat") {
        SendMessageW(ChatWindow(session), WM_ASSIST_CHAT_TEXT, bytes ? length : 0,
                     reinterpret_cast<LPARAM>(bytes));
    } else if (channel->Name == L"file") {
        ReceiveFilePiece(channel, bytes, length, session);
    } else if (channel->Name == L"data") {
        uint32_t code = 0;
        if (bytes && length == sizeof code) std::memcpy(&code, bytes, sizeof code);
        if (code == CancelTransferCode) TransferStatus = E_FAIL;
    }
}

void SessionDialog(AssistSession& session) {
    SavedDesktop desktop;
    BlankDesktop(desktop);
    const TASKDIALOG_BUTTON buttons[] = {{kChatButton, L"Chat"},
                                         {kSendFileButton, L"Send File"},
                                         {kSendClipboardButton, L"Send Clipboard"},
                                         {kTerminateButton, L"Terminate"}};
    TASKDIALOGCONFIG config{};
    config.cbSize = sizeof config;
    config.dwFlags = TDF_CAN_BE_MINIMIZED;
    config.pszWindowTitle = kTitle;
    config.pszMainIcon = TD_INFORMATION_ICON;
    config.pszMainInstruction = L"Author is connected.";
    config.pszContent = kContent;
    config.pButtons = buttons;
    config.cButtons = ARRAYSIZE(buttons);
    config.pfCallback = SessionDialogCallback;
    config.lpCallbackData = reinterpret_cast<LONG_PTR>(&session);
    if (FAILED(TaskDialogIndirectByName(&config, nullptr, nullptr, nullptr)))
        MessageBoxW(nullptr, kContent, kTitle, MB_ICONINFORMATION);
    EndSessionWork(session);
    RestoreDesktop(desktop);
}

void EndSessionWork(AssistSession& session) {
    TransferStatus = E_FAIL;
    for (SharingObject* object : {session.Sharer, session.Viewer})
        if (object) object->StopWaitingSenders();
    std::vector<std::shared_ptr<FileReceiveJob>> jobs;
    {
        std::lock_guard<std::mutex> lock(session.JobsLock);
        jobs.swap(session.Jobs);
    }
    for (auto& job : jobs) {
        std::lock_guard<std::mutex> lock(job->Lock);
        job->Session = nullptr;
        job->Cancelled = true;
        SetEvent(job->PieceReady);
    }
    session.Threads.WaitAll();
    for (SharingObject* object : {session.Sharer, session.Viewer}) {
        if (!object) continue;
        object->SetChannelDataCallback(nullptr, nullptr);
        std::lock_guard<std::mutex> lock(object->ChannelLock);
        for (const auto& channel : object->Channels()) channel->Receiving.reset();
    }
    if (session.ChatWindowHandle) DestroyWindow(session.ChatWindowHandle);
}

HANDLE SessionThreads::Start(unsigned(__stdcall* procedure)(void*), void* argument) {
    std::lock_guard<std::mutex> lock(lock_);
    auto thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, procedure, argument, 0, nullptr));
    if (thread) threads_.push_back(thread);
    return thread;
}

void SessionThreads::WaitAll() {
    for (;;) {
        std::vector<HANDLE> threads;
        {
            std::lock_guard<std::mutex> lock(lock_);
            threads.swap(threads_);
        }
        if (threads.empty()) return;
        for (HANDLE thread : threads) {
            // The thread may send to windows of this thread meanwhile.
            while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_SENDMESSAGE) ==
                   WAIT_OBJECT_0 + 1) {
                MSG message;
                PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
            }
            CloseHandle(thread);
        }
    }
}
