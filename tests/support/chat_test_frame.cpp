#include "tests/support/chat_test_frame.h"
#include "core/nick_list_control.h"

#include "commands/script_timer_runner.h"
#include "common/app_state.h"
#include "irc/send_path.h"
#include "irc/server_connection.h"
#include "irc/server_session.h"
#include "core/dcc_connection.h"
#include "core/frame_message_ids.h"
#include "core/interface_thread_call.h"
#include "core/open_chat_window.h"
#include "shell/controls/nick_list.h"
#include "core/window_list.h"
#include "core/window_record.h"
#include "tests/recorders/call_log.h"

#include <commctrl.h>

namespace {

const wchar_t kFrameClass[] = L"ChatTestFrame";
const wchar_t kChildClass[] = L"ChatTestChild";

std::vector<WindowRecord*> OpenedRecords;
FrameMessageHook MessageHook;

WindowRecord* RecordOf(HWND window) {
    return reinterpret_cast<WindowRecord*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

HWND MakeChild(WindowRecord* record) {
    HWND window = CreateWindowW(kChildClass, L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(record));
    return window;
}

LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_OPEN_CHAT_WINDOW) {
        const auto* request = reinterpret_cast<const OpenChatWindowRequest*>(lParam);
        auto* record = new WindowRecord(nullptr, request->Type, request->Server);
        record->Name = request->Name;
        if (request->Type == kServerWindow) record->Connection = new ServerConnection;
        AttachChatWindow(record);
        OpenedRecords.push_back(record);
        CallLog::Instance().Add({"OpenChatWindow", request->Server,
                                 std::to_string(request->Type) + " " + request->Name, request->Flag});
        return reinterpret_cast<LRESULT>(record->Window);
    }
    if (message == WM_TAKE_WINDOW_REQUESTS) {
        TakeWindowRequests([] { return true; });
        return 0;
    }
    if (message == WM_RUN_ON_INTERFACE_THREAD) return RunInterfaceThreadWork(lParam);
    if (message == WM_COMMAND) {
        CallLog::Instance().Add({"FrameCommand", nullptr, {}, LOWORD(wParam)});
        return 0;
    }
    if (MessageHook) {
        LRESULT result = 0;
        if (MessageHook(message, wParam, lParam, result)) return result;
    }
    if (message == WM_TIMER) {
        if (wParam == FLOOD_TIMER_ID) FlushSendQueues();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK ChildProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowRecord* record = RecordOf(window);
    if (message == WM_CLOSE) {
        CallLog::Instance().Add({"WM_CLOSE", record, record ? record->Name : "", 0});
        return 0;
    }
    if (message == WM_SETFONT) {
        CallLog::Instance().Add({"WM_SETFONT", record, record ? record->Name : "", 0});
        return 0;
    }
    // Script timers, as the program's chat windows hold and run them.
    if (message == WM_SCRIPT_TIMER) {
        CallLog::Instance().Add(
            {"ScriptTimer", record, std::to_string(wParam), static_cast<uint64_t>(lParam)});
        commands::SetScriptTimer(window, wParam, lParam);
        return 0;
    }
    if (message == WM_TIMER) {
        commands::RunScriptTimer(record, window, wParam);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void RegisterClasses() {
    static const bool registered = [] {
        WNDCLASSW frame{};
        frame.lpfnWndProc = FrameProc;
        frame.hInstance = GetModuleHandleW(nullptr);
        frame.lpszClassName = kFrameClass;
        RegisterClassW(&frame);
        WNDCLASSW child = frame;
        child.lpfnWndProc = ChildProc;
        child.lpszClassName = kChildClass;
        RegisterClassW(&child);
        return true;
    }();
    (void)registered;
}

} // namespace

ChatTestFrame::ChatTestFrame() {
    RegisterClasses();
    window_ = CreateWindowW(kFrameClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr),
                            nullptr);
    MainWindow = window_;
}

ChatTestFrame::~ChatTestFrame() {
    CloseOpenedWindows();
    RefuseWindowRequests(nullptr);
    DestroyWindow(window_);
    MainWindow = nullptr;
}

void ChatTestFrame::CloseOpenedWindows() {
    for (auto it = OpenedRecords.rbegin(); it != OpenedRecords.rend(); ++it) DetachChatWindow(*it);
    OpenedRecords.clear();
}

HWND MakeChatWindowFor(WindowRecord* record) {
    RegisterClasses();
    return MakeChild(record);
}

void AttachChatWindow(WindowRecord* record) {
    record->Window = MakeChild(record);
    record->View = MakeChild(record);
    if (record->Type == kChannelWindow) {
        // A real nick list, as the program's channel windows have.
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&controls);
        record->NickList =
            CreateNickListControl(record, record->Window, 0, WS_CHILD | LVS_REPORT, 903, 0, 0, 200, 300);
        PrepareNickList(record->NickList);
    }
    InsertWindowRecord(record);
}

void DetachChatWindow(WindowRecord* record) {
    if (record->Dcc && record->Dcc->Socket) closesocket(record->Dcc->Socket);
    DestroyServerSession(record);
    EraseWindowRecord(record);
    if (record->NickList) DestroyWindow(record->NickList);
    if (record->View) DestroyWindow(record->View);
    if (record->Window) DestroyWindow(record->Window);
    delete record;
}

void SetFrameMessageHook(FrameMessageHook hook) {
    MessageHook = std::move(hook);
}

std::vector<WindowRecord*> FrameOpenedWindows() {
    return OpenedRecords;
}

bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (condition()) return true;
        if (GetTickCount64() >= end) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}
