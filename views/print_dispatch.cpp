#include "views/print_dispatch.h"

#include <algorithm>
#include <cwchar>
#include <deque>
#include <map>
#include <set>

namespace {

constexpr UINT kLinesQueuedMessage = WM_USER + 2;
constexpr UINT kTakeQueueMessage = WM_USER + 3;
constexpr UINT kRunAfterMessage = WM_USER + 4;
constexpr UINT kContinueMessage = WM_USER + 5;
constexpr UINT_PTR kSliceTimer = 1;
constexpr const wchar_t* kDispatcherClass = L"BrindlexLinePrinter";
// One slice of the owner's work: short enough that typed keys, painting and timers never wait
// long, long enough that the slices' own overhead stays small.
constexpr ULONGLONG kSliceMs = 30;
// Lines taken off a queue at a time within a slice.
constexpr size_t kTakeLines = 256;
// Characters a view may have waiting beside its bound of lines, so that long lines do not make
// the waiting text large (16 MB).
constexpr size_t kQueueCharBound = 8 * 1024 * 1024;
// A printing thread that found the queue full waits this long for the owner to take lines before
// it asks the owner by a sent message: an owner that waits for the printing thread itself (a window
// closing waits for its connection thread) answers sent messages only.
constexpr DWORD kRoomWaitMs = 500;

struct ViewQueue {
    std::deque<QueuedPrint> Lines;
    size_t Chars = 0;
    DWORD Owner = 0;
    bool WakePosted = false;
};

SRWLOCK g_lock = SRWLOCK_INIT;
CONDITION_VARIABLE g_room = CONDITION_VARIABLE_INIT;
size_t g_roomWaiters = 0;
std::map<DWORD, HWND> g_dispatchers; // by owning thread
std::map<HWND, ViewQueue> g_queues;  // by control
PrintWork g_work;

// Per owner thread: lines taken off a full queue for a printing thread that waited long (they come
// before anything queued since), the controls with work and when their next step is due, and the
// controls a slice is working on (a script of a step may run a message loop, and the slice it
// starts leaves those alone).
struct OwnerState {
    std::map<HWND, std::deque<QueuedPrint>> Taken;
    std::map<HWND, ULONGLONG> Due;
    std::set<HWND> Working;
    HWND Next = nullptr; // where the next slice starts, so every control gets its turn
    ULONGLONG TimerTick = 0;
    ULONGLONG LastSliceEnd = 0;
    bool ContinuePosted = false;
};
thread_local OwnerState t_owner;

PrintWork CurrentWork() {
    AcquireSRWLockShared(&g_lock);
    PrintWork work = g_work;
    ReleaseSRWLockShared(&g_lock);
    return work;
}

void WakePrinters() {
    if (g_roomWaiters) WakeAllConditionVariable(&g_room);
}

// Moves lines of the control's queue (after those taken earlier) into `lines`: all of them when
// whole, else at most kTakeLines and long lines up to the slice's share. Called on the owner.
void TakeLines(HWND control, bool whole, size_t& longChars, std::vector<QueuedPrint>& lines) {
    const size_t limit = whole ? SIZE_MAX : kTakeLines;
    auto taken = t_owner.Taken.find(control);
    if (taken != t_owner.Taken.end()) {
        while (!taken->second.empty() && lines.size() < limit && (whole || longChars < kSliceLongChars)) {
            if (taken->second.front().Text.size() > kLongLineChars)
                longChars += taken->second.front().Text.size();
            lines.push_back(std::move(taken->second.front()));
            taken->second.pop_front();
        }
        if (taken->second.empty()) t_owner.Taken.erase(taken);
        if (lines.size() >= limit || (!whole && longChars >= kSliceLongChars)) return;
    }
    AcquireSRWLockExclusive(&g_lock);
    auto found = g_queues.find(control);
    if (found != g_queues.end()) {
        ViewQueue& queue = found->second;
        while (!queue.Lines.empty() && lines.size() < limit && (whole || longChars < kSliceLongChars)) {
            QueuedPrint& line = queue.Lines.front();
            if (line.Text.size() > kLongLineChars) longChars += line.Text.size();
            queue.Chars -= line.Text.size();
            lines.push_back(std::move(line));
            queue.Lines.pop_front();
        }
        WakePrinters();
    }
    ReleaseSRWLockExclusive(&g_lock);
}

// Whether lines wait for the control. An empty queue is dropped, so that the next line queued
// posts a wake-up again; while lines wait, the slices come without one.
bool SettleQueue(HWND control) {
    if (t_owner.Taken.count(control)) return true;
    AcquireSRWLockExclusive(&g_lock);
    auto found = g_queues.find(control);
    const bool waiting = found != g_queues.end() && !found->second.Lines.empty();
    if (found != g_queues.end() && !waiting) g_queues.erase(found);
    ReleaseSRWLockExclusive(&g_lock);
    return waiting;
}

void DropQueue(HWND control) {
    t_owner.Taken.erase(control);
    AcquireSRWLockExclusive(&g_lock);
    g_queues.erase(control);
    WakePrinters();
    ReleaseSRWLockExclusive(&g_lock);
}

// The controls of this thread whose lines wait in their queues: every one of them is due.
void NoteQueuedControls() {
    const DWORD self = GetCurrentThreadId();
    std::vector<HWND> queued;
    AcquireSRWLockShared(&g_lock);
    for (const auto& [control, queue] : g_queues)
        if (queue.Owner == self && !queue.Lines.empty()) queued.push_back(control);
    ReleaseSRWLockShared(&g_lock);
    for (HWND control : queued) t_owner.Due[control] = 0;
}

// Whether typed keys, painting or timers wait for the thread.
bool OthersWait() {
    return HIWORD(GetQueueStatus(QS_INPUT | QS_PAINT | QS_TIMER | QS_HOTKEY)) != 0;
}

// Asks for the next slice when a control's step is due: at once when nothing else waits for the
// thread, else by a timer, which comes after input, painting and the timers already due.
void ScheduleSlice(HWND dispatcher) {
    ULONGLONG due = kNoPrintWork;
    for (const auto& [control, tick] : t_owner.Due) due = std::min(due, tick);
    if (due == kNoPrintWork) {
        if (t_owner.TimerTick) KillTimer(dispatcher, kSliceTimer);
        t_owner.TimerTick = 0;
        return;
    }
    const ULONGLONG now = GetTickCount64();
    if (due <= now && !OthersWait()) {
        if (!t_owner.ContinuePosted && PostMessageW(dispatcher, kContinueMessage, 0, 0))
            t_owner.ContinuePosted = true;
        if (t_owner.ContinuePosted) return;
    }
    const ULONGLONG at = std::max(due, now);
    if (t_owner.TimerTick && t_owner.TimerTick <= at) return;
    t_owner.TimerTick = at;
    SetTimer(dispatcher, kSliceTimer, static_cast<UINT>(at - now), nullptr);
}

class WorkingOn {
public:
    explicit WorkingOn(HWND control) : control_(control) { t_owner.Working.insert(control); }
    ~WorkingOn() { t_owner.Working.erase(control_); }
    WorkingOn(const WorkingOn&) = delete;
    WorkingOn& operator=(const WorkingOn&) = delete;

private:
    HWND control_;
};

// One slice: the controls whose steps are due, each in turn, lines first, until the slice's time
// is over; whatever is left waits for the next slice.
void RunSlice(HWND dispatcher) {
    const PrintWork work = CurrentWork();
    NoteQueuedControls();
    const ULONGLONG now = GetTickCount64(), deadline = now + kSliceMs;
    std::vector<HWND> due;
    for (const auto& [control, tick] : t_owner.Due)
        if (tick <= now && !t_owner.Working.count(control)) due.push_back(control);
    std::rotate(due.begin(), std::lower_bound(due.begin(), due.end(), t_owner.Next), due.end());
    size_t longChars = 0;
    for (size_t i = 0; i < due.size(); ++i) {
        HWND control = due[i];
        if (GetTickCount64() >= deadline) {
            t_owner.Next = control;
            break;
        }
        if (!IsWindow(control) || !work.Pass || !work.Step) {
            DropQueue(control);
            if (work.Step) work.Step(control, 0, false);
            t_owner.Due.erase(control);
            continue;
        }
        ULONGLONG next = kNoPrintWork;
        bool more = false;
        {
            WorkingOn working(control);
            while (GetTickCount64() < deadline && longChars < kSliceLongChars) {
                std::vector<QueuedPrint> lines;
                TakeLines(control, false, longChars, lines);
                if (lines.empty()) break;
                work.Pass(control, lines);
            }
            more = SettleQueue(control);
            next = work.Step(control, deadline, more);
        }
        if (more) next = 0;
        if (next == kNoPrintWork)
            t_owner.Due.erase(control);
        else
            t_owner.Due[control] = next;
        t_owner.Next = i + 1 < due.size() ? due[i + 1] : nullptr;
    }
    t_owner.LastSliceEnd = GetTickCount64();
    ScheduleSlice(dispatcher);
}

// Everything queued for the control goes into the view now, with what the printer holds for it.
void FinishControl(HWND control) {
    const PrintWork work = CurrentWork();
    if (!work.Pass || !work.Step) return;
    size_t longChars = 0;
    std::vector<QueuedPrint> lines;
    TakeLines(control, true, longChars, lines);
    SettleQueue(control);
    if (!lines.empty()) work.Pass(control, lines);
    work.Step(control, 0, false);
    t_owner.Due.erase(control);
}

// A printing thread waited long for room: its lines are taken off now, to be printed in turn.
void TakeFullQueue(HWND dispatcher, HWND control) {
    std::deque<QueuedPrint>& taken = t_owner.Taken[control];
    AcquireSRWLockExclusive(&g_lock);
    auto found = g_queues.find(control);
    if (found != g_queues.end()) {
        for (QueuedPrint& line : found->second.Lines) taken.push_back(std::move(line));
        g_queues.erase(found);
        WakePrinters();
    }
    ReleaseSRWLockExclusive(&g_lock);
    if (taken.empty()) t_owner.Taken.erase(control);
    t_owner.Due[control] = 0;
    ScheduleSlice(dispatcher);
}

// Lines arrived for a control: a slice now when the thread had time for other things since the
// last one, else in turn.
void LinesArrived(HWND dispatcher, HWND control) {
    t_owner.Due[control] = 0;
    if (t_owner.Working.empty() && (GetTickCount64() - t_owner.LastSliceEnd >= kSliceMs || !OthersWait()))
        RunSlice(dispatcher);
    else
        ScheduleSlice(dispatcher);
}

LRESULT CALLBACK DispatcherProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        switch (message) {
            case kLinesQueuedMessage: LinesArrived(window, reinterpret_cast<HWND>(wParam)); return 0;
            case kTakeQueueMessage: TakeFullQueue(window, reinterpret_cast<HWND>(wParam)); return 0;
            case kContinueMessage:
                t_owner.ContinuePosted = false;
                RunSlice(window);
                return 0;
            case kRunAfterMessage:
                FinishControl(reinterpret_cast<HWND>(wParam));
                (*reinterpret_cast<const std::function<void()>*>(lParam))();
                ScheduleSlice(window);
                return 0;
            case WM_TIMER:
                if (wParam != kSliceTimer) return 0;
                KillTimer(window, kSliceTimer);
                t_owner.TimerTick = 0;
                RunSlice(window);
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
        // The slice is lost; the thread goes on.
        ScheduleSlice(window);
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

HWND OwnDispatcher() {
    AcquireSRWLockShared(&g_lock);
    auto found = g_dispatchers.find(GetCurrentThreadId());
    HWND dispatcher = found == g_dispatchers.end() ? nullptr : found->second;
    ReleaseSRWLockShared(&g_lock);
    return dispatcher;
}

} // namespace

void SetPrintWork(const PrintWork& work) {
    AcquireSRWLockExclusive(&g_lock);
    g_work = work;
    ReleaseSRWLockExclusive(&g_lock);
}

void PrepareLinePrinter() {
    if (OwnDispatcher() || !RegisterDispatcherClass()) return;
    HWND window = CreateWindowExW(0, kDispatcherClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    if (!window) return;
    AcquireSRWLockExclusive(&g_lock);
    g_dispatchers[GetCurrentThreadId()] = window;
    ReleaseSRWLockExclusive(&g_lock);
}

bool QueueForViewOwner(HWND control, QueuedPrint& print, size_t bound) {
    const DWORD owner = GetWindowThreadProcessId(control, nullptr);
    if (owner == 0 || owner == GetCurrentThreadId()) return false;
    AcquireSRWLockExclusive(&g_lock);
    for (;;) {
        auto found = g_queues.find(control);
        // A queue whose wake-up is on its way has a live owner; a new one is checked.
        HWND dispatcher = nullptr;
        if (found == g_queues.end() || !found->second.WakePosted) {
            dispatcher = LiveDispatcherOf(owner);
            if (!dispatcher) {
                ReleaseSRWLockExclusive(&g_lock);
                return false;
            }
            if (found == g_queues.end() && !IsWindow(control)) {
                ReleaseSRWLockExclusive(&g_lock);
                return true; // the view is gone: the line goes with it
            }
        }
        ViewQueue& queue = found != g_queues.end() ? found->second : g_queues[control];
        queue.Owner = owner;
        if (queue.Lines.size() < bound && queue.Chars < kQueueCharBound) {
            queue.Chars += print.Text.size();
            queue.Lines.push_back(std::move(print));
            const bool wake = !queue.WakePosted;
            queue.WakePosted = true;
            ReleaseSRWLockExclusive(&g_lock);
            if (wake) PostMessageW(dispatcher, kLinesQueuedMessage, reinterpret_cast<WPARAM>(control), 0);
            return true;
        }
        // Over the bound the printing thread waits until the owner takes lines off, so memory stays
        // bounded; the owner takes them in its slices and wakes it.
        ++g_roomWaiters;
        const BOOL woken = SleepConditionVariableSRW(&g_room, &g_lock, kRoomWaitMs, 0);
        --g_roomWaiters;
        if (woken) continue;
        dispatcher = LiveDispatcherOf(owner);
        ReleaseSRWLockExclusive(&g_lock);
        if (!IsWindow(control)) return true;
        if (!dispatcher) return false;
        SendMessageW(dispatcher, kTakeQueueMessage, reinterpret_cast<WPARAM>(control), 0);
        AcquireSRWLockExclusive(&g_lock);
    }
}

std::vector<QueuedPrint> TakeQueuedPrints(HWND control) {
    std::vector<QueuedPrint> lines;
    size_t longChars = 0;
    TakeLines(control, true, longChars, lines);
    SettleQueue(control);
    return lines;
}

void NotePrintWork(HWND control) {
    PrepareLinePrinter();
    HWND dispatcher = OwnDispatcher();
    if (!dispatcher) return;
    t_owner.Due[control] = 0;
    ScheduleSlice(dispatcher);
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
    if (owner == GetCurrentThreadId()) FinishControl(control);
    work();
}
