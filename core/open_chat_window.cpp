#include "core/open_chat_window.h"

#include "common/app_state.h"
#include "core/frame_message_ids.h"
#include "core/window_list.h"
#include "core/window_record.h"

#include <algorithm>
#include <atomic>
#include <deque>
#include <mutex>
#include <unordered_set>

namespace {

// How often a waiting thread looks whether the frame is still there to make its window.
constexpr DWORD kFrameCheckMs = 100;

struct WaitingRequest {
    OpenChatWindowRequest Request;
    uint64_t ServerSerial = 0; // 0 for a new server window
    bool KeepFront = false;
    HANDLE Answered = nullptr;
    HWND Window = nullptr;
    bool InStorm = false; // asked for soon after another thread's request
};

class RequestQueue {
public:
    RequestQueue() : waiting_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

    // False when the request is refused at once. tell: the frame is to be told.
    bool Push(WaitingRequest* request, bool& tell) {
        std::lock_guard<std::mutex> hold(lock_);
        if (request->ServerSerial && refused_.count(request->ServerSerial)) return false;
        requests_.push_back(request);
        SetEvent(waiting_);
        tell = !told_;
        told_ = true;
        return true;
    }
    // The frame could not be told: the next request tells it.
    void Untold() {
        std::lock_guard<std::mutex> hold(lock_);
        told_ = false;
    }
    // True when the request was still waiting and is taken back.
    bool Withdraw(WaitingRequest* request) {
        std::lock_guard<std::mutex> hold(lock_);
        const auto found = std::find(requests_.begin(), requests_.end(), request);
        if (found == requests_.end()) return false;
        requests_.erase(found);
        Settle();
        return true;
    }
    // The next request, or null with the frame untold once none waits; refused tells whether its
    // server window has closed since it was asked.
    WaitingRequest* Next(bool& refused) {
        std::lock_guard<std::mutex> hold(lock_);
        if (requests_.empty()) return nullptr;
        WaitingRequest* request = requests_.front();
        requests_.pop_front();
        refused = request->ServerSerial && refused_.count(request->ServerSerial);
        Settle();
        return request;
    }
    bool Empty() {
        std::lock_guard<std::mutex> hold(lock_);
        return requests_.empty();
    }
    // Takes out the waiting requests under the server (all when null); refuses the server's later
    // ones. A serial is never reused, so the server stays refused.
    std::vector<WaitingRequest*> Refuse(const WindowRecord* server) {
        std::lock_guard<std::mutex> hold(lock_);
        if (server) refused_.insert(server->Serial);
        std::vector<WaitingRequest*> taken;
        for (auto it = requests_.begin(); it != requests_.end();) {
            if (!server || (*it)->ServerSerial == server->Serial) {
                taken.push_back(*it);
                it = requests_.erase(it);
            } else {
                ++it;
            }
        }
        Settle();
        return taken;
    }
    HANDLE WaitingEvent() const { return waiting_; }

private:
    void Settle() {
        if (!requests_.empty()) return;
        ResetEvent(waiting_);
        told_ = false;
    }

    std::mutex lock_;
    std::deque<WaitingRequest*> requests_;
    std::unordered_set<uint64_t> refused_;
    bool told_ = false;
    const HANDLE waiting_;
};

std::atomic<uint64_t> g_lastRequest{0};

RequestQueue& Queue() {
    static RequestQueue queue;
    return queue;
}

void Answer(WaitingRequest* request, HWND window) {
    request->Window = window;
    SetEvent(request->Answered);
}

WindowRecord* RecordOf(HWND child) {
    return child ? reinterpret_cast<WindowRecord*>(GetWindowLongPtrW(child, GWLP_USERDATA)) : nullptr;
}

// Waits for the answer, handling what other threads send this one meanwhile (as a thread waiting
// in SendMessage would). No answer comes once the frame is gone: the request is taken back.
void AwaitAnswer(WaitingRequest& request, HWND frame) {
    for (;;) {
        const DWORD woke =
            MsgWaitForMultipleObjects(1, &request.Answered, FALSE, kFrameCheckMs, QS_SENDMESSAGE);
        if (woke == WAIT_OBJECT_0) return;
        if (woke == WAIT_OBJECT_0 + 1) {
            MSG message;
            PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
            continue;
        }
        if (woke == WAIT_TIMEOUT && IsWindow(frame)) continue;
        if (Queue().Withdraw(&request)) return;
        // Taken meanwhile: its answer is on its way.
        WaitForSingleObject(request.Answered, INFINITE);
        return;
    }
}

} // namespace

WindowRecord* OpenChatWindow(WindowRecord* server, uint32_t type, const std::string& name, uint8_t flag,
                             bool keepFront) {
    HWND frame = MainWindow.load();
    if (!frame) return nullptr;
    OpenChatWindowRequest details{server, type, name, flag};
    if (GetWindowThreadProcessId(frame, nullptr) == GetCurrentThreadId())
        return RecordOf(reinterpret_cast<HWND>(SendMessageW(frame, WM_OPEN_CHAT_WINDOW,
                                                            keepFront ? kOpenKeepFront : kOpenInFront,
                                                            reinterpret_cast<LPARAM>(&details))));

    WaitingRequest request{std::move(details), server ? server->Serial : 0, keepFront,
                           CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    if (!request.Answered) return nullptr;
    const uint64_t now = GetTickCount64();
    const uint64_t previous = g_lastRequest.exchange(now);
    request.InStorm = previous && now - previous < kWindowStormQuietMs;
    bool tell = false;
    if (Queue().Push(&request, tell)) {
        if (tell && !PostMessageW(frame, WM_TAKE_WINDOW_REQUESTS, 0, 0)) {
            Queue().Untold();
            if (!Queue().Withdraw(&request)) WaitForSingleObject(request.Answered, INFINITE);
        } else {
            AwaitAnswer(request, frame);
        }
    }
    CloseHandle(request.Answered);
    return RecordOf(request.Window);
}

bool TakeWindowRequests(const std::function<bool()>& another) {
    HWND frame = MainWindow.load();
    while (!Queue().Empty()) {
        if (!another()) return true;
        bool refused = false;
        WaitingRequest* request = Queue().Next(refused);
        if (!request) break;
        // A server window that closed meanwhile gets no new windows.
        WindowRecord* server = request->Request.Server;
        HWND window = nullptr;
        if (frame && !refused && (!server || IsWindowRecordListed(server))) {
            try {
                const WPARAM where = request->KeepFront ? kOpenKeepFront
                                     : request->InStorm ? kOpenFrontLater
                                                        : kOpenInFront;
                window = reinterpret_cast<HWND>(SendMessageW(frame, WM_OPEN_CHAT_WINDOW, where,
                                                             reinterpret_cast<LPARAM>(&request->Request)));
            } catch (...) {
                window = nullptr;
            }
        }
        Answer(request, window);
    }
    return false;
}

uint64_t LastWindowRequestTick() {
    return g_lastRequest.load();
}

HANDLE WindowRequestsWaiting() {
    return Queue().WaitingEvent();
}

bool AwaitWindowRequest(DWORD timeoutMs) {
    const HANDLE waiting = Queue().WaitingEvent();
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        const DWORD left = now < end ? static_cast<DWORD>(end - now) : 0;
        const DWORD woke = MsgWaitForMultipleObjects(1, &waiting, FALSE, left, QS_SENDMESSAGE);
        if (woke == WAIT_OBJECT_0) return true;
        if (woke != WAIT_OBJECT_0 + 1) return false;
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

void RefuseWindowRequests(const WindowRecord* server) {
    for (WaitingRequest* request : Queue().Refuse(server)) Answer(request, nullptr);
}
