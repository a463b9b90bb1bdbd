#include "views/print_dispatch.h"

#include <cwchar>
#include <deque>
#include <map>
#include <set>

namespace {

constexpr UINT kLinesQueuedMessage = WM_USER + 2;
constexpr UINT kPrintNowMessage = WM_USER + 3;
constexpr UINT kRunAfterMessage = WM_USER + 4;
constexpr UINT_PTR kPassTimer = 1;
constexpr const wchar_t* kDispatcherClass = L"BrindlexLinePrinter";
// A pass every repaint interval at most while lines keep coming.
constexpr ULONGLONG kPassIntervalMs = 50;
// Lines a view may have waiting before the threads that print wait for the owner (some 16 MB at
// most). A pass of more lines than the view keeps replaces the whole view, whose cost hardly
// grows with the lines, so under a flood larger passes show more lines a second: this bound
// measured about a third faster than half of it.
constexpr size_t kQueueBound = 40000;

struct ViewQueue {
    std::deque<QueuedPrint> Lines;
    bool WakePosted = false;
};

SRWLOCK g_lock = SRWLOCK_INIT;
std::map<DWORD, HWND> g_dispatchers; // by owning thread
std::map<HWND, ViewQueue> g_queues;  // by control
PrintPass g_pass = nullptr;

// Per owner thread: when each control had its last pass, and the controls waiting for the timer.
struct OwnerState {
    std::map<HWND, ULONGLONG> LastPass;
    std::set<HWND> Due;
};
thread_local OwnerState t_owner;

void RunPass(HWND control) {
    t_owner.LastPass[control] = GetTickCount64();
    std::vector<QueuedPrint> lines = TakeQueuedPrints(control);
    if (lines.empty()) return;
    AcquireSRWLockShared(&g_lock);
    PrintPass pass = g_pass;
    ReleaseSRWLockShared(&g_lock);
    if (pass) pass(control, lines);
}

// A control whose lines arrived: printed now, or at the timer when it had a pass a moment ago.
void LinesArrived(HWND dispatcher, HWND control) {
    const ULONGLONG now = GetTickCount64();
    auto last = t_owner.LastPass.find(control);
    if (last == t_owner.LastPass.end() || now - last->second >= kPassIntervalMs) {
        RunPass(control);
        return;
    }
    if (t_owner.Due.empty())
        SetTimer(dispatcher, kPassTimer, static_cast<UINT>(kPassIntervalMs - (now - last->second)), nullptr);
    t_owner.Due.insert(control);
}

void RunDuePasses(HWND dispatcher) {
    KillTimer(dispatcher, kPassTimer);
    std::set<HWND> due;
    due.swap(t_owner.Due);
    for (HWND control : due) RunPass(control);
}

LRESULT CALLBACK DispatcherProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        switch (message) {
            case kLinesQueuedMessage: LinesArrived(window, reinterpret_cast<HWND>(wParam)); return 0;
            case kPrintNowMessage: RunPass(reinterpret_cast<HWND>(wParam)); return 0;
            case kRunAfterMessage:
                RunPass(reinterpret_cast<HWND>(wParam));
                (*reinterpret_cast<const std::function<void()>*>(lParam))();
                return 0;
            case WM_TIMER:
                if (wParam == kPassTimer) RunDuePasses(window);
                return 0;
            case WM_DESTROY: {
                AcquireSRWLockExclusive(&g_lock);
                auto found = g_dispatchers.find(GetCurrentThreadId());
                if (found != g_dispatchers.end() && found->second == window) g_dispatchers.erase(found);
                ReleaseSRWLockExclusive(&g_lock);
                break;
            }
            default: break;
        }
    } catch (...) {
        // The pass is lost; the thread goes on.
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool RegisterDispatcherClass() {
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = DispatcherProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kDispatcherClass;
        return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
}

// The owner's dispatcher, checked to be still the owner's (a handle left by a thread that ended
// may belong to another window by now). Called with the lock held.
HWND LiveDispatcherOf(DWORD owner) {
    auto found = g_dispatchers.find(owner);
    if (found == g_dispatchers.end()) return nullptr;
    HWND dispatcher = found->second;
    if (GetWindowThreadProcessId(dispatcher, nullptr) != owner) return nullptr;
    wchar_t className[64] = {};
    GetClassNameW(dispatcher, className, 64);
    return wcscmp(className, kDispatcherClass) == 0 ? dispatcher : nullptr;
}

} // namespace

void SetPrintPass(PrintPass pass) {
    AcquireSRWLockExclusive(&g_lock);
    g_pass = pass;
    ReleaseSRWLockExclusive(&g_lock);
}

void PrepareLinePrinter() {
    const DWORD thread = GetCurrentThreadId();
    AcquireSRWLockShared(&g_lock);
    const bool has = g_dispatchers.count(thread) != 0;
    ReleaseSRWLockShared(&g_lock);
    if (has || !RegisterDispatcherClass()) return;
    HWND window = CreateWindowExW(0, kDispatcherClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    if (!window) return;
    AcquireSRWLockExclusive(&g_lock);
    g_dispatchers[thread] = window;
    ReleaseSRWLockExclusive(&g_lock);
}

bool QueueForViewOwner(HWND control, QueuedPrint& print) {
    const DWORD owner = GetWindowThreadProcessId(control, nullptr);
    if (owner == 0 || owner == GetCurrentThreadId()) return false;
    for (;;) {
        AcquireSRWLockExclusive(&g_lock);
        HWND dispatcher = LiveDispatcherOf(owner);
        if (!dispatcher) {
            ReleaseSRWLockExclusive(&g_lock);
            return false;
        }
        ViewQueue& queue = g_queues[control];
        if (queue.Lines.size() < kQueueBound) {
            queue.Lines.push_back(std::move(print));
            const bool wake = !queue.WakePosted;
            queue.WakePosted = true;
            ReleaseSRWLockExclusive(&g_lock);
            if (wake) PostMessageW(dispatcher, kLinesQueuedMessage, reinterpret_cast<WPARAM>(control), 0);
            return true;
        }
        ReleaseSRWLockExclusive(&g_lock);
        // Over the bound the printing thread waits while the owner prints the queue, so memory
        // stays bounded. A sent message is handled even while the owner waits for this thread.
        SendMessageW(dispatcher, kPrintNowMessage, reinterpret_cast<WPARAM>(control), 0);
        if (!IsWindow(control)) return true;
    }
}

std::vector<QueuedPrint> TakeQueuedPrints(HWND control) {
    std::vector<QueuedPrint> lines;
    AcquireSRWLockExclusive(&g_lock);
    auto found = g_queues.find(control);
    if (found != g_queues.end()) {
        lines.assign(std::make_move_iterator(found->second.Lines.begin()),
                     std::make_move_iterator(found->second.Lines.end()));
        g_queues.erase(found);
    }
    ReleaseSRWLockExclusive(&g_lock);
    return lines;
}

void RunAfterQueuedPrints(HWND control, const std::function<void()>& work) {
    const DWORD owner = GetWindowThreadProcessId(control, nullptr);
    if (owner != 0 && owner != GetCurrentThreadId()) {
        AcquireSRWLockShared(&g_lock);
        HWND dispatcher = LiveDispatcherOf(owner);
        ReleaseSRWLockShared(&g_lock);
        if (dispatcher) {
            SendMessageW(dispatcher, kRunAfterMessage, reinterpret_cast<WPARAM>(control),
                         reinterpret_cast<LPARAM>(&work));
            return;
        }
    }
    if (owner == GetCurrentThreadId()) RunPass(control);
    work();
}
