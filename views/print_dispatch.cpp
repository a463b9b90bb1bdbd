#include "views/print_dispatch.h"

#include <cwchar>
#include <deque>
#include <map>
#include <set>

namespace {

constexpr UINT kLinesQueuedMessage = WM_USER + 2;
constexpr UINT kPrintNowMessage = WM_USER + 3;
constexpr UINT kRunAfterMessage = WM_USER + 4;
constexpr UINT kPrintTakenMessage = WM_USER + 5;
constexpr UINT_PTR kPassTimer = 1;
constexpr const wchar_t* kDispatcherClass = L"BrindlexLinePrinter";
// A pass every repaint interval at most while lines keep coming.
constexpr ULONGLONG kPassIntervalMs = 50;
// Characters a view may have waiting beside its bound of lines, so that long lines do not make
// the waiting text large (16 MB).
constexpr size_t kQueueCharBound = 8 * 1024 * 1024;
// A long line costs the Rich Edit control far more than its length says (a 20,000-character
// paragraph took over a second to wrap under Wine, one of 2,000 some 20 ms), so a pass of the
// dispatcher puts in long lines up to this many characters and leaves the rest for the next pass,
// and the thread answers its other messages in between. Ordinary lines never reach it.
constexpr size_t kLongLineChars = 2000;
constexpr size_t kPassLongChars = 20000;

struct ViewQueue {
    std::deque<QueuedPrint> Lines;
    size_t Chars = 0;
    bool WakePosted = false;
};

SRWLOCK g_lock = SRWLOCK_INIT;
std::map<DWORD, HWND> g_dispatchers; // by owning thread
std::map<HWND, ViewQueue> g_queues;  // by control
PrintPass g_pass = nullptr;

// Per owner thread: when each control had its last pass, the controls waiting for the timer, and
// lines taken off a full queue that wait for their pass (they come before anything queued since).
struct OwnerState {
    std::map<HWND, ULONGLONG> LastPass;
    std::set<HWND> Due;
    std::map<HWND, std::vector<QueuedPrint>> Taken;
};
thread_local OwnerState t_owner;

// Takes the control's queued lines in order, at most kPassLongChars of long lines unless whole;
// true when some are left.
bool TakeLines(HWND control, bool whole, std::vector<QueuedPrint>& lines) {
    AcquireSRWLockExclusive(&g_lock);
    auto found = g_queues.find(control);
    bool left = false;
    if (found != g_queues.end()) {
        ViewQueue& queue = found->second;
        size_t take = queue.Lines.size(), longChars = 0;
        if (!whole) {
            for (take = 0; take < queue.Lines.size() && longChars < kPassLongChars; ++take)
                if (queue.Lines[take].Text.size() > kLongLineChars)
                    longChars += queue.Lines[take].Text.size();
        }
        lines.reserve(lines.size() + take);
        for (size_t i = 0; i < take; ++i) {
            queue.Chars -= queue.Lines.front().Text.size();
            lines.push_back(std::move(queue.Lines.front()));
            queue.Lines.pop_front();
        }
        left = !queue.Lines.empty();
        // With lines left, the wake-up stays owed to the timer of this thread.
        if (!left) g_queues.erase(found);
    }
    ReleaseSRWLockExclusive(&g_lock);
    return left;
}

void Due(HWND dispatcher, HWND control, ULONGLONG waitMs) {
    if (t_owner.Due.empty()) SetTimer(dispatcher, kPassTimer, static_cast<UINT>(waitMs), nullptr);
    t_owner.Due.insert(control);
}

void PrintLines(HWND control, std::vector<QueuedPrint>& lines) {
    if (lines.empty()) return;
    AcquireSRWLockShared(&g_lock);
    PrintPass pass = g_pass;
    ReleaseSRWLockShared(&g_lock);
    if (pass) pass(control, lines);
}

// The lines taken off the control's full queue earlier, then those queued since.
bool TakeOwnersLines(HWND control, bool whole, std::vector<QueuedPrint>& lines) {
    auto taken = t_owner.Taken.find(control);
    if (taken != t_owner.Taken.end()) {
        lines = std::move(taken->second);
        t_owner.Taken.erase(taken);
    }
    return TakeLines(control, whole, lines);
}

void RunPass(HWND dispatcher, HWND control, bool whole) {
    t_owner.LastPass[control] = GetTickCount64();
    std::vector<QueuedPrint> lines;
    if (TakeOwnersLines(control, whole, lines)) Due(dispatcher, control, kPassIntervalMs);
    PrintLines(control, lines);
}

// A printing thread found the control's queue full. The lines are taken off at once and printed
// after this message, so the printing thread goes on at once (a connection thread then keeps
// reading its server) while this thread prints; only when the lines taken last time still wait
// does it wait for their pass first, so at most two queues' worth are held.
void TakeFullQueue(HWND dispatcher, HWND control) {
    auto waiting = t_owner.Taken.find(control);
    if (waiting != t_owner.Taken.end()) {
        std::vector<QueuedPrint> taken = std::move(waiting->second);
        t_owner.Taken.erase(waiting);
        t_owner.LastPass[control] = GetTickCount64();
        PrintLines(control, taken);
    }
    std::vector<QueuedPrint> lines;
    if (TakeLines(control, false, lines)) Due(dispatcher, control, kPassIntervalMs);
    if (lines.empty()) return;
    t_owner.Taken[control] = std::move(lines);
    if (!PostMessageW(dispatcher, kPrintTakenMessage, reinterpret_cast<WPARAM>(control), 0))
        RunPass(dispatcher, control, false);
}

// A control whose lines arrived: printed now, or at the timer when it had a pass a moment ago.
void LinesArrived(HWND dispatcher, HWND control) {
    const ULONGLONG now = GetTickCount64();
    auto last = t_owner.LastPass.find(control);
    if (last == t_owner.LastPass.end() || now - last->second >= kPassIntervalMs) {
        RunPass(dispatcher, control, false);
        return;
    }
    Due(dispatcher, control, kPassIntervalMs - (now - last->second));
}

void RunDuePasses(HWND dispatcher) {
    KillTimer(dispatcher, kPassTimer);
    std::set<HWND> due;
    due.swap(t_owner.Due);
    for (HWND control : due) RunPass(dispatcher, control, false);
}

LRESULT CALLBACK DispatcherProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        switch (message) {
            case kLinesQueuedMessage: LinesArrived(window, reinterpret_cast<HWND>(wParam)); return 0;
            case kPrintNowMessage: TakeFullQueue(window, reinterpret_cast<HWND>(wParam)); return 0;
            case kPrintTakenMessage:
                if (t_owner.Taken.count(reinterpret_cast<HWND>(wParam)))
                    RunPass(window, reinterpret_cast<HWND>(wParam), false);
                return 0;
            case kRunAfterMessage:
                RunPass(window, reinterpret_cast<HWND>(wParam), true);
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

bool QueueForViewOwner(HWND control, QueuedPrint& print, size_t bound) {
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
        if (queue.Lines.size() < bound && queue.Chars < kQueueCharBound) {
            queue.Chars += print.Text.size();
            queue.Lines.push_back(std::move(print));
            const bool wake = !queue.WakePosted;
            queue.WakePosted = true;
            ReleaseSRWLockExclusive(&g_lock);
            if (wake) PostMessageW(dispatcher, kLinesQueuedMessage, reinterpret_cast<WPARAM>(control), 0);
            return true;
        }
        ReleaseSRWLockExclusive(&g_lock);
        // Over the bound the printing thread waits until the owner has taken the queue off (or,
        // with the lines it took last time still waiting, printed them), so memory stays bounded.
        // A sent message is handled even while the owner waits for this thread.
        SendMessageW(dispatcher, kPrintNowMessage, reinterpret_cast<WPARAM>(control), 0);
        if (!IsWindow(control)) return true;
    }
}

std::vector<QueuedPrint> TakeQueuedPrints(HWND control) {
    std::vector<QueuedPrint> lines;
    TakeOwnersLines(control, true, lines);
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
    if (owner == GetCurrentThreadId()) {
        std::vector<QueuedPrint> lines = TakeQueuedPrints(control);
        PrintLines(control, lines);
    }
    work();
}
