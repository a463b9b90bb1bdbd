#include "tests/peer/peer_test_support.h"

#include "common/app_state.h"
#include "common/frame_messages.h"
#include "common/window_helpers.h"
#include "core/frame_message_ids.h"
#include "core/object_transfer.h"
#include "core/window_list.h"
#include "peer/embedded_objects.h"
#include "peer/object_exchange.h"
#include "tests/ax_control/test_control_ids.h"
#include "tests/recorders/call_log.h"
#include "tests/support/screenshots.h"
#include "tests/support/test_files.h"
#include "views/print_dispatch.h"
#include "xml/config_documents.h"

#include <winsock2.h>
#include <richedit.h>
#include <richole.h>
#include <process.h>

std::atomic<bool> PeerTest::yes_{true};
std::mutex PeerTest::seenLock_;
std::vector<SeenInsert> PeerTest::seen_;

LRESULT CALLBACK PeerTest::FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INSERT_OBJECT) {
        const auto* request = reinterpret_cast<const InsertObjectRequest*>(lParam);
        SeenInsert seen;
        seen.Question = request->Question ? request->Question : L"";
        seen.Clsid = request->Clsid;
        seen.FileThere = request->StoragePath && FileExists(request->StoragePath);
        seen.Thread = GetCurrentThreadId();
        {
            std::lock_guard<std::mutex> lock(seenLock_);
            seen_.push_back(seen);
        }
        // The real frame asks the question in a message box; the test answers it here.
        if (request->Question && !yes_) return 0;
        return peer::InsertOleObject(request->View, request->StoragePath, request->Clsid, request->Object);
    }
    if (message == WM_INSERT_IMAGE)
        return peer::InsertImageIntoRichEdit(reinterpret_cast<HWND>(wParam),
                                             reinterpret_cast<HBITMAP>(lParam));
    return DefWindowProcW(window, message, wParam, lParam);
}

PeerTest::PeerTest(int timeoutSeconds, const std::string& acceptedClasses, const std::string& blockedFiles) {
    OleInitialize(nullptr);
    LoadLibraryW(L"RICHED20.DLL");
    const std::string text =
        "<?xml version=\"1.0\" ?><qv><Cfg><Options3><File_Transfers Embedded_Objects_Timeout=\"" +
        std::to_string(timeoutSeconds) + "\" Allowed_Object_Classes=\"" + acceptedClasses +
        "\" Blocked_Files=\"" + blockedFiles + "\" /></Options3></Cfg></qv>";
    XmlDocumentOpenText(&config_, text.c_str());
    UserConfigDocument = &config_;
    WNDCLASSW frameClass{};
    frameClass.lpfnWndProc = FrameProc;
    frameClass.hInstance = GetModuleHandleW(nullptr);
    frameClass.lpszClassName = L"PeerTestFrame";
    RegisterClassW(&frameClass);
    frame_ = CreateWindowExW(0, L"PeerTestFrame", L"", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    MainWindow = frame_;
    channel_ = CreateWindowExW(0, L"STATIC", L"#objects", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20, 520, 320,
                               nullptr, nullptr, nullptr, nullptr);
    record_ = new WindowRecord(channel_, kChannelWindow, nullptr);
    record_->Name = "#objects";
    record_->View = CreateWindowExW(0, L"RichEdit20W", L"", WS_CHILD | WS_VISIBLE | ES_MULTILINE | WS_VSCROLL,
                                    0, 0, 500, 280, channel_, nullptr, nullptr, nullptr);
    InsertWindowRecord(record_);
    // Lines the workers print go to this thread, which owns the view, as they go to the program's.
    PrepareLinePrinter();
    std::lock_guard<std::mutex> lock(seenLock_);
    seen_.clear();
    yes_ = true;
    CallLog::Instance().Clear();
}

PeerTest::~PeerTest() {
    EraseWindowRecord(record_);
    DestroyWindow(channel_);
    delete record_;
    DestroyWindow(frame_);
    MainWindow = nullptr;
    UserConfigDocument = nullptr;
    XmlDocumentDestroy(&config_);
}

std::vector<SeenInsert> PeerTest::Inserts() const {
    std::lock_guard<std::mutex> lock(seenLock_);
    return seen_;
}

int PeerTest::ViewObjectCount() const {
    IRichEditOle* richOle = nullptr;
    SendMessageW(record_->View, EM_GETOLEINTERFACE, 0, reinterpret_cast<LPARAM>(&richOle));
    if (!richOle) return -1;
    const int count = richOle->GetObjectCount();
    richOle->Release();
    return count;
}

void PeerTest::SaveScreenshot(const wchar_t* name) const {
    RedrawWindow(channel_, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    RECT box{};
    GetWindowRect(channel_, &box);
    if (HBITMAP shot = CopyScreenArea(box)) {
        SaveBitmapAsPng(shot, ScreenshotFolder() + L"\\" + name);
        DeleteObject(shot);
    }
}

bool PeerTest::ViewShows(const std::wstring& text) const {
    return GetWindowTextString(record_->View).find(text) != std::wstring::npos;
}

bool OfferFile(const std::wstring& path, uint16_t port, StartedOffer& offer) {
    auto* job = new ObjectTransfer;
    job->Path = path;
    job->Port = port;
    HANDLE accepted = CreateEventW(nullptr, TRUE, FALSE, kObjectAcceptEventName);
    unsigned threadId = 0;
    HANDLE thread =
        reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &peer::ObjectAcceptThread, job, 0, &threadId));
    if (!thread) {
        delete job;
        CloseHandle(accepted);
        return false;
    }
    HANDLE both[2] = {accepted, thread};
    WaitForMultipleObjects(2, both, FALSE, 5000);
    CloseHandle(accepted);
    CloseHandle(thread);
    const SOCKET socket = ObjectOfferSocket(threadId);
    offer.Socket = socket;
    offer.ThreadId = threadId;
    return socket != INVALID_SOCKET;
}

bool FetchFile(ObjectTransfer* job) {
    HANDLE thread =
        reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &peer::ObjectReceiveThread, job, 0, nullptr));
    if (!thread) {
        delete job;
        return false;
    }
    CloseHandle(thread);
    return true;
}
